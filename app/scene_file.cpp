#include "scene_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "atomic_file.h"
#include "host_app.h"
#include "plot_scene.h"

namespace zvapp {
namespace {

// Insertion order matters: a container's entries keep their order through a round trip.
using Json = nlohmann::ordered_json;

constexpr std::string_view kFormat = "zvplot scene";
constexpr Int64 kVersion = 1;

// Limits of what a file may hold. They are far beyond any scene the runner makes and keep a
// hostile file from exhausting memory or the stack.
constexpr size_t kMaxFileBytes = size_t{64} << 20;
constexpr size_t kMaxDepth = 64;  // nesting of JSON arrays and objects
constexpr Int64 kMaxObjects = 100000;
constexpr size_t kMaxArrayItems = 100000;
constexpr size_t kMaxMembers = 10000;  // members of one JSON object
constexpr size_t kMaxTextBytes = 65536;
constexpr size_t kMaxKeyBytes = 256;
constexpr size_t kMaxValues = 4000000;  // JSON values in the whole file
constexpr size_t kMaxKnots = 1000;
constexpr Int64 kMaxFps = 1000000;
constexpr size_t kLineWidth = 100;        // a short array or object is written on one line
constexpr size_t kMaxMessageBytes = 300;  // of a piece of the file quoted in a message

// The host's own font queries take a sort order and a font kind; the first of each is the plain
// one.
constexpr Int32 kFontSortNone = 0;
constexpr Int32 kDefaultFontKind = 0;

// Why a file cannot be read or a document cannot be written, and where: a JSON pointer into the
// file, empty for the file as a whole.
struct SceneError {
  std::string at;
  std::string problem;
};

[[noreturn]] void Refuse(const std::string& at, std::string problem) {
  throw SceneError{at, std::move(problem)};
}

// ---- Texts ------------------------------------------------------------------------------------

// Length of the well-formed UTF-8 sequence that `s` starts with, 0 when it starts with none.
size_t Utf8SequenceLength(std::string_view s) {
  const auto byte = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
  if (byte(0) < 0x80) return 1;
  // By its first byte: the sequence's length and the range of its second byte. The ranges leave
  // out overlong forms, surrogates and code points beyond U+10FFFF (RFC 3629).
  struct Lead {
    unsigned char first, last, lo, hi;
    size_t length;
  };
  static constexpr Lead kLeads[] = {{0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
                                    {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3},
                                    {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
                                    {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
  for (const Lead& l : kLeads) {
    if (byte(0) < l.first || byte(0) > l.last) continue;
    if (s.size() < l.length || byte(1) < l.lo || byte(1) > l.hi) return 0;
    for (size_t i = 2; i < l.length; ++i)
      if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return l.length;
  }
  return 0;
}

bool IsUtf8(std::string_view s) {
  while (!s.empty()) {
    const size_t n = Utf8SequenceLength(s);
    if (n == 0) return false;
    s.remove_prefix(n);
  }
  return true;
}

// A piece of the file fit for a message on a terminal: control characters and bytes that are no
// UTF-8 written as \xNN, and no longer than a line or two.
std::string Printable(std::string_view s) {
  std::string out;
  while (!s.empty() && out.size() < kMaxMessageBytes) {
    const size_t n = Utf8SequenceLength(s);
    const auto c = static_cast<unsigned char>(s[0]);
    if (n == 0 || c < 0x20 || c == 0x7F) {
      static const char kHex[] = "0123456789abcdef";
      out += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
      s.remove_prefix(1);
    } else {
      out.append(s.substr(0, n));
      s.remove_prefix(n);
    }
  }
  if (!s.empty()) out += "...";
  return out;
}

// The JSON pointer of a member or item below `at`.
std::string At(const std::string& at, std::string_view key) {
  std::string out = at + "/";
  for (char c : key) {
    if (c == '~')
      out += "~0";
    else if (c == '/')
      out += "~1";
    else
      out += c;
  }
  return out;
}

std::string At(const std::string& at, size_t index) { return at + "/" + std::to_string(index); }

std::string Quoted(const String& s) { return "\"" + Printable(s.GetStdString()) + "\""; }

// ---- Names of the host's settings -------------------------------------------------------------

struct Named {
  Int32 value;
  std::string_view name;
};

constexpr Named kModes[] = {{MODE_ON, "on"}, {MODE_OFF, "off"}, {MODE_UNDEF, "default"}};
constexpr Named kColorModes[] = {{ID_BASEOBJECT_USECOLOR_OFF, "off"},
                                 {ID_BASEOBJECT_USECOLOR_AUTOMATIC, "automatic"},
                                 {ID_BASEOBJECT_USECOLOR_ALWAYS, "always"},
                                 {ID_BASEOBJECT_USECOLOR_LAYER, "layer"}};
constexpr Int32 kInterpolations[] = {
    GRADIENT_INTERPOLATION_CUBICKNOT, GRADIENT_INTERPOLATION_SMOOTHKNOT,
    GRADIENT_INTERPOLATION_LINEARKNOT, GRADIENT_INTERPOLATION_LINEAR, GRADIENT_INTERPOLATION_NONE};

template <size_t N>
std::string Choices(const Named (&table)[N]) {
  std::string out;
  for (const Named& n : table) out += (out.empty() ? "\"" : ", \"") + std::string(n.name) + "\"";
  return out;
}

// The host's own object types that a scene holds: the label objects the labels component makes
// (an extrude with its text), nulls and the parametric primitives. Point objects are left out:
// their geometry is no parameter.
bool IsHostSceneType(Int32 type) {
  switch (type) {
    case Onull:
    case Oextrude:
    case Osplinetext:
    case Ocube:
    case Osphere:
    case Oplatonic:
    case Opyramid:
      return true;
    default:
      return false;
  }
}

// The parameters of the host's own objects, which have no description the host could check
// against: their kinds, and numbers must be finite. Other entries of these objects are kept as
// they come.
struct HostParameter {
  Int32 type;
  Int32 id;
  DA kind;
  Int32 custom = 0;
};
constexpr HostParameter kHostParameters[] = {
    {Oextrude, EXTRUDEOBJECT_MOVE, DA::VECTOR},
    {Osplinetext, PRIM_TEXT_TEXT, DA::STRING},
    {Osplinetext, PRIM_TEXT_ALIGN, DA::LONG},
    {Osplinetext, PRIM_TEXT_HEIGHT, DA::REAL},
    {Osplinetext, PRIM_TEXT_FONT, DA::CUSTOMDATATYPE, CUSTOMDATATYPE_FONT},
    {Ocube, PRIM_CUBE_LEN, DA::VECTOR},
    {Ocube, PRIM_CUBE_SUBX, DA::LONG},
    {Ocube, PRIM_CUBE_SUBY, DA::LONG},
    {Ocube, PRIM_CUBE_SUBZ, DA::LONG},
    {Osphere, PRIM_SPHERE_RAD, DA::REAL},
    {Osphere, PRIM_SPHERE_SUB, DA::LONG},
    {Oplatonic, PRIM_PLATONIC_RAD, DA::REAL},
    {Oplatonic, PRIM_PLATONIC_TYPE, DA::LONG},
    {Opyramid, PRIM_PYRAMID_LEN, DA::VECTOR},
};

std::string_view KindName(DA kind) {
  switch (kind) {
    case DA::LONG:
      return "long";
    case DA::REAL:
      return "real";
    case DA::VECTOR:
      return "vector";
    case DA::STRING:
      return "string";
    case DA::TIME:
      return "time";
    case DA::CONTAINER:
      return "container";
    case DA::CUSTOMDATATYPE:
      return "custom";
    case DA::NIL:
      break;
  }
  return "none";
}

// ---- Writing ----------------------------------------------------------------------------------

// Shortest text that reads back as the same double, always with a point or an exponent so that
// it reads back as a double (-0.0 keeps its sign).
std::string FloatText(double v) {
  char buf[40];
  const auto result = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, result.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

void QuoteText(std::string_view s, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20)
          out += {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
        else
          out += ch;
    }
  }
  out += '"';
}

// Writes the file's JSON: one member per line, short arrays and objects of plain values on one.
class Printer {
 public:
  void Value(const Json& j, int indent) {
    if (!j.is_structured()) return Scalar(j);
    if (j.empty()) {
      out += j.is_array() ? "[]" : "{}";
      return;
    }
    if (Flat(j)) {
      Printer line;
      line.Compact(j);
      if (line.out.size() <= kLineWidth) {
        out += line.out;
        return;
      }
    }
    out += j.is_object() ? '{' : '[';
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (it != j.begin()) out += ',';
      Newline(indent + 1);
      if (j.is_object()) Key(it.key());
      Value(*it, indent + 1);
    }
    Newline(indent);
    out += j.is_object() ? '}' : ']';
  }

  std::string out;

 private:
  void Scalar(const Json& j) {
    switch (j.type()) {
      case Json::value_t::boolean:
        out += j.get<bool>() ? "true" : "false";
        break;
      case Json::value_t::number_integer:
        out += std::to_string(j.get<Int64>());
        break;
      case Json::value_t::number_unsigned:
        out += std::to_string(j.get<UInt64>());
        break;
      case Json::value_t::number_float:
        out += FloatText(j.get<double>());
        break;
      case Json::value_t::string:
        QuoteText(j.get_ref<const std::string&>(), out);
        break;
      default:
        out += "null";
        break;
    }
  }

  void Compact(const Json& j) {
    if (!j.is_structured()) return Scalar(j);
    out += j.is_object() ? '{' : '[';
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (it != j.begin()) out += ", ";
      if (j.is_object()) Key(it.key());
      Compact(*it);
    }
    out += j.is_object() ? '}' : ']';
  }

  // A few plain values, or a few members that are plain values or short arrays of them.
  static bool Flat(const Json& j) {
    if (j.size() > 6) return false;
    for (const Json& v : j) {
      if (!v.is_structured()) continue;
      if (!v.is_array() || v.size() > 4) return false;
      for (const Json& item : v)
        if (item.is_structured()) return false;
    }
    return true;
  }

  void Key(const std::string& key) {
    QuoteText(key, out);
    out += ": ";
  }

  void Newline(int indent) {
    out += '\n';
    out.append(static_cast<size_t>(indent) * 2, ' ');
  }
};

Json NumberJson(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0.0 ? "inf" : "-inf";
  return v;
}

Json VectorJson(const Vector& v) {
  return Json::array({NumberJson(v.x), NumberJson(v.y), NumberJson(v.z)});
}

Json TimeJson(const BaseTime& t) { return Json::array({NumberJson(t.num), NumberJson(t.den)}); }

Json TextJson(const String& s, const std::string& at) {
  if (!IsUtf8(s.GetStdString())) Refuse(at, "the text " + Quoted(s) + " is not valid UTF-8");
  return s.GetStdString();
}

template <size_t N>
Json NameJson(const Named (&table)[N], Int32 value, const std::string& at) {
  for (const Named& n : table)
    if (n.value == value) return std::string(n.name);
  Refuse(at, "the value " + std::to_string(value) + " has no name a scene file knows");
}

Json ValueJson(const GeData& d, const std::string& at);

Json EntriesJson(const BaseContainer& bc, const std::string& at) {
  Json j = Json::object();
  for (Int32 i = 0; i < bc.GetEntryCount(); ++i) {
    const std::string key = std::to_string(bc.GetIndexId(i));
    j[key] = ValueJson(*bc.GetIndexData(i), At(at, key));
  }
  return j;
}

Json ContainerJson(const BaseContainer& bc, const std::string& at) {
  Json j = Json::object();
  j["id"] = bc.GetId();
  j["entries"] = EntriesJson(bc, At(at, "entries"));
  return j;
}

Json GradientJson(const Gradient& g, const std::string& at) {
  Json knots = Json::array();
  for (Int32 i = 0; i < g.GetKnotCount(); ++i) {
    const GradientKnot& k = g.GetKnot(i);
    Json knot = Json::object();
    knot["color"] = VectorJson(k.col);
    knot["brightness"] = NumberJson(k.brightness);
    knot["position"] = NumberJson(k.pos);
    knot["bias"] = NumberJson(k.bias);
    knot["index"] = k.index;
    knot["interpolation"] = k.interpolation;
    knots.push_back(std::move(knot));
  }
  Json j = Json::object();
  j["knots"] = std::move(knots);
  j["settings"] = EntriesJson(g.GetSettings(), At(at, "settings"));
  return j;
}

Json CustomJson(const GeData& d, const std::string& at) {
  Json j = Json::object();
  if (const auto* g = d.GetCustomDataType<Gradient>()) {
    j["gradient"] = GradientJson(*g, At(at, "gradient"));
  } else if (const auto* f = d.GetCustomDataType<FontData>()) {
    j["font"] = ContainerJson(f->GetFont(), At(at, "font"));
  } else {
    Refuse(at, "custom data of type " + std::to_string(d.GetCustomType()) +
                   " cannot be stored in a scene file");
  }
  return j;
}

// A value as an object with one member that names its kind: {"real": 1.5}.
Json ValueJson(const GeData& d, const std::string& at) {
  Json j = Json::object();
  switch (d.GetType()) {
    case DA::NIL:
      j["none"] = nullptr;
      break;
    case DA::LONG:
      j["long"] = d.GetInt32();
      break;
    case DA::REAL:
      j["real"] = NumberJson(d.GetFloat());
      break;
    case DA::VECTOR:
      j["vector"] = VectorJson(d.GetVector());
      break;
    case DA::STRING:
      j["string"] = TextJson(d.GetString(), At(at, "string"));
      break;
    case DA::TIME:
      j["time"] = TimeJson(d.GetTime());
      break;
    case DA::CONTAINER:
      j["container"] = ContainerJson(*d.GetContainer(), At(at, "container"));
      break;
    case DA::CUSTOMDATATYPE:
      return CustomJson(d, at);
  }
  return j;
}

// A tag that scene evaluation put on its object (a generator's copy of its surface's vertex
// colours, say) is made again at every evaluation: output like a cache, not part of the scene.
bool IsDerivedTag(const BaseTag* tag) { return zvhost::IsEvaluationOutput(tag); }

// Refuses what a scene file cannot carry (it would be lost), so that every file written reads
// back as it was.
void CheckStorable(const BaseObject* op, const std::string& at) {
  const Int32 type = op->GetType();
  if (!IsHostSceneType(type) && !zvhost::FindObjectPlugin(type))
    Refuse(at, Quoted(op->GetName()) + " is of type " + std::to_string(type) +
                   ", which a scene file cannot hold");
  for (const BaseTag* tag : op->GetTags())
    if (!IsDerivedTag(tag))
      Refuse(at, Quoted(op->GetName()) + " has a tag of type " + std::to_string(tag->GetType()) +
                     ", which a scene file cannot hold");
}

Json DisplayJson(const BaseObject* op, const std::string& at) {
  ObjectColorProperties color;
  op->GetColorProperties(&color);
  Json j = Json::object();
  j["mode"] = NameJson(kColorModes, color.usecolor, At(at, "mode"));
  j["color"] = VectorJson(color.color);
  j["xray"] = color.xray;
  return j;
}

Json ObjectJson(const BaseObject* op, const std::string& at) {
  CheckStorable(op, at);
  Json j = Json::object();
  j["type"] = op->GetType();
  j["name"] = TextJson(op->GetName(), At(at, "name"));
  j["position"] = VectorJson(op->GetRelPos());
  j["rotation"] = VectorJson(op->GetRelRot());
  j["editorMode"] = NameJson(kModes, op->GetEditorMode(), At(at, "editorMode"));
  j["renderMode"] = NameJson(kModes, op->GetRenderMode(), At(at, "renderMode"));
  j["enabled"] = op->GetDeformMode();
  j["display"] = DisplayJson(op, At(at, "display"));
  j["folded"] = op->GetNBit(NBIT::OM1_FOLD);
  j["parameters"] = EntriesJson(op->GetDataInstanceRef(), At(at, "parameters"));
  Json children = Json::array();
  for (const BaseObject* child = op->GetDown(); child; child = child->GetNext())
    children.push_back(ObjectJson(child, At(At(at, "children"), children.size())));
  if (!children.empty()) j["children"] = std::move(children);
  return j;
}

// Counts the objects and their nesting without recursion, so that writing them (recursively)
// cannot exhaust the stack and never starts on a scene a file cannot hold.
void CheckHierarchySize(const BaseDocument* doc) {
  Int64 count = 0;
  size_t depth = 1;
  const BaseObject* op = doc->GetFirstObject();
  while (op) {
    if (++count > kMaxObjects)
      Refuse("", "the scene has more than " + std::to_string(kMaxObjects) + " objects");
    if (depth > kMaxDepth)
      Refuse("", "objects are nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (op->GetDown()) {
      op = op->GetDown();
      ++depth;
      continue;
    }
    while (op && !op->GetNext()) op = op->GetUp(), --depth;
    if (op) op = op->GetNext();
  }
}

Json SceneJson(const BaseDocument* doc) {
  Json document = Json::object();
  document["time"] = TimeJson(doc->GetTime());
  document["fps"] = doc->GetFps();
  document["startTime"] = TimeJson(doc->GetMinTime());
  Json objects = Json::array();
  for (const BaseObject* op = doc->GetFirstObject(); op; op = op->GetNext())
    objects.push_back(ObjectJson(op, At("/objects", objects.size())));
  Json j = Json::object();
  j["format"] = std::string(kFormat);
  j["version"] = kVersion;
  j["document"] = std::move(document);
  j["objects"] = std::move(objects);
  return j;
}

// ---- Reading the file -------------------------------------------------------------------------

struct FileCloser {
  int fd;
  ~FileCloser() { ::close(fd); }
};

// The file's bytes. Only a regular file is read (a pipe or a device could block or never end),
// and only up to the size limit, checked again while reading in case the file grows.
std::string ReadSceneText(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) Refuse("", std::string("cannot open the file: ") + std::strerror(errno));
  const FileCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    Refuse("", std::string("cannot read the file: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) Refuse("", "not a regular file");
  const std::string tooLarge =
      "the file is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB";
  if (static_cast<UInt64>(st.st_size) > kMaxFileBytes) Refuse("", tooLarge);
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Refuse("", std::string("cannot read the file: ") + std::strerror(errno));
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
    if (text.size() > kMaxFileBytes) Refuse("", tooLarge);
  }
  return text;
}

// Builds the JSON tree from the parser's events, refusing what the format never holds before it
// costs memory: duplicate keys, deep nesting, huge arrays, objects and texts. Keeps the path to
// the value being read so that every refusal names its place.
class TreeBuilder {
 public:
  Json root;
  SceneError failure;

  bool null() { return Add(nullptr) != nullptr; }
  bool boolean(bool v) { return Add(v) != nullptr; }
  bool number_integer(Json::number_integer_t v) { return Add(v) != nullptr; }
  bool number_unsigned(Json::number_unsigned_t v) { return Add(v) != nullptr; }
  bool number_float(Json::number_float_t v, const Json::string_t&) { return Add(v) != nullptr; }
  bool string(Json::string_t& s) {
    if (s.size() > kMaxTextBytes)
      return Fail("a text longer than " + std::to_string(kMaxTextBytes) + " bytes");
    return Add(std::move(s)) != nullptr;
  }
  bool binary(Json::binary_t&) { return Fail("binary data"); }
  bool start_object(std::size_t) { return Open(Json::object()); }
  bool end_object() { return Close(); }
  bool start_array(std::size_t) { return Open(Json::array()); }
  bool end_array() { return Close(); }
  bool key(Json::string_t& k) {
    Frame& f = frames_.back();
    f.key = k.size() > kMaxKeyBytes ? k.substr(0, kMaxKeyBytes) : k;
    f.hasKey = true;
    if (k.size() > kMaxKeyBytes)
      return Fail("a key longer than " + std::to_string(kMaxKeyBytes) + " bytes");
    if (!f.keys.insert(k).second) return Fail("this key appears twice");
    if (f.keys.size() > kMaxMembers)
      return Fail("an object with more than " + std::to_string(kMaxMembers) + " members");
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const Json::exception& e) {
    // The library's text without its error code: "parse error at line 3, column 7: ...".
    std::string what = e.what();
    const size_t code = what.find("] ");
    if (code != std::string::npos) what.erase(0, code + 2);
    return Fail("not valid JSON: " + Printable(what));
  }

 private:
  struct Frame {
    Json* node;
    std::unordered_set<std::string> keys;
    std::string key;
    bool hasKey = false;
  };

  // The pointer to the value being read: the current key of each object, and in each array the
  // item being read (the last one added while it is still open).
  std::string Here() const {
    std::string at;
    for (size_t i = 0; i < frames_.size(); ++i) {
      const Frame& f = frames_[i];
      if (f.node->is_object()) {
        if (f.hasKey) at = At(at, f.key);
      } else {
        const size_t open = i + 1 < frames_.size() ? 1 : 0;
        at = At(at, f.node->size() - open);
      }
    }
    return at;
  }

  bool Fail(std::string problem) {
    failure = SceneError{Here(), std::move(problem)};
    return false;
  }

  Json* Add(Json v) {
    if (++values_ > kMaxValues) {
      Fail("the file holds more than " + std::to_string(kMaxValues) + " values");
      return nullptr;
    }
    if (frames_.empty()) return &(root = std::move(v));
    Json& parent = *frames_.back().node;
    if (parent.is_object()) {
      // Keys were checked for duplicates already; appending skips the map's linear search.
      auto& members = parent.get_ref<Json::object_t&>();
      members.emplace_back(frames_.back().key, std::move(v));
      return &members.back().second;
    }
    if (parent.size() >= kMaxArrayItems) {
      Fail("an array of more than " + std::to_string(kMaxArrayItems) + " items");
      return nullptr;
    }
    auto& items = parent.get_ref<Json::array_t&>();
    items.push_back(std::move(v));
    return &items.back();
  }

  bool Open(Json v) {
    if (frames_.size() >= kMaxDepth)
      return Fail("arrays and objects nested deeper than " + std::to_string(kMaxDepth) + " levels");
    Json* node = Add(std::move(v));
    if (!node) return false;
    frames_.push_back(Frame{node, {}, {}, false});
    return true;
  }

  bool Close() {
    frames_.pop_back();
    return true;
  }

  std::vector<Frame> frames_;
  size_t values_ = 0;
};

// ---- Reading values ---------------------------------------------------------------------------

const Json* Find(const Json& j, const char* key) {
  const auto it = j.find(key);
  return it == j.end() ? nullptr : &*it;
}

// Refuses anything but an object whose members all have names from `known`.
void CheckMembers(const Json& j, const std::string& at,
                  std::initializer_list<std::string_view> known) {
  if (!j.is_object()) Refuse(at, "expected an object");
  for (auto it = j.begin(); it != j.end(); ++it) {
    bool ok = false;
    for (std::string_view k : known) ok = ok || it.key() == k;
    if (!ok) Refuse(At(at, it.key()), "unknown key");
  }
}

// Calls `read` with the member and its pointer when the object has it.
template <typename Read>
void IfPresent(const Json& j, const std::string& at, const char* key, Read read) {
  if (const Json* v = Find(j, key)) read(*v, At(at, key));
}

Int64 ReadInteger(const Json& j, const std::string& at, Int64 min, Int64 max) {
  if (!j.is_number_integer()) Refuse(at, "expected a whole number");
  const bool above =
      j.is_number_unsigned() ? j.get<UInt64>() > static_cast<UInt64>(max) : j.get<Int64>() > max;
  if (above || (!j.is_number_unsigned() && j.get<Int64>() < min))
    Refuse(at,
           "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max));
  return j.get<Int64>();
}

Int32 ReadInt32(const Json& j, const std::string& at) {
  return static_cast<Int32>(
      ReadInteger(j, at, std::numeric_limits<Int32>::min(), std::numeric_limits<Int32>::max()));
}

double ReadNumber(const Json& j, const std::string& at, bool finiteOnly) {
  if (j.is_number()) return j.get<double>();
  const std::string* s = j.is_string() ? &j.get_ref<const std::string&>() : nullptr;
  double v = 0.0;
  if (s && *s == "nan")
    v = std::numeric_limits<double>::quiet_NaN();
  else if (s && *s == "inf")
    v = std::numeric_limits<double>::infinity();
  else if (s && *s == "-inf")
    v = -std::numeric_limits<double>::infinity();
  else
    Refuse(at, "expected a number");
  if (finiteOnly) Refuse(at, "expected a finite number");
  return v;
}

double ReadFraction(const Json& j, const std::string& at) {
  const double v = ReadNumber(j, at, true);
  if (v < 0.0 || v > 1.0) Refuse(at, "expected a number from 0 to 1");
  return v;
}

Vector ReadVector(const Json& j, const std::string& at, bool finiteOnly) {
  if (!j.is_array() || j.size() != 3) Refuse(at, "expected an array of three numbers");
  return Vector(ReadNumber(j[0], At(at, 0), finiteOnly), ReadNumber(j[1], At(at, 1), finiteOnly),
                ReadNumber(j[2], At(at, 2), finiteOnly));
}

BaseTime ReadTime(const Json& j, const std::string& at, bool finiteOnly) {
  if (!j.is_array() || j.size() != 2) Refuse(at, "expected an array of numerator and denominator");
  return BaseTime(ReadNumber(j[0], At(at, 0), finiteOnly), ReadNumber(j[1], At(at, 1), finiteOnly));
}

bool ReadBool(const Json& j, const std::string& at) {
  if (!j.is_boolean()) Refuse(at, "expected true or false");
  return j.get<bool>();
}

const std::string& ReadText(const Json& j, const std::string& at) {
  if (!j.is_string()) Refuse(at, "expected a text");
  return j.get_ref<const std::string&>();
}

template <size_t N>
Int32 ReadName(const Named (&table)[N], const Json& j, const std::string& at) {
  const std::string& name = ReadText(j, at);
  for (const Named& n : table)
    if (n.name == name) return n.value;
  Refuse(at, "expected one of " + Choices(table));
}

// A container entry's key: its id written plainly ("10000", not "010000" or "+10000"), so that no
// two keys name the same id.
Int32 EntryId(const std::string& key, const std::string& at) {
  Int32 id = 0;
  const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), id);
  if (ec != std::errc() || end != key.data() + key.size() || std::to_string(id) != key)
    Refuse(at, "a parameter's key must be its id as a plain whole number, like \"10000\"");
  return id;
}

// A parameter of the host's own objects: of its kind, with finite numbers.
void CheckHostParameter(const HostParameter& p, const GeData& value, const std::string& at) {
  const DA kind = value.GetType();
  const bool fits = kind == p.kind || (p.kind == DA::REAL && kind == DA::LONG);
  if (!fits || (p.custom != 0 && !value.GetCustomDataType(p.custom)))
    Refuse(at, "expected a value of the kind \"" + std::string(KindName(p.kind)) + "\"");
  const Vector v = value.GetVector();
  if (!std::isfinite(value.GetFloat()) || !std::isfinite(v.x) || !std::isfinite(v.y) ||
      !std::isfinite(v.z))
    Refuse(at, "expected finite numbers");
}

// Plug-in parameters are checked against the description as a user's values are; the host's own
// objects against the host's list.
void CheckParameter(Int32 type, Int32 id, const GeData& value, const std::string& at) {
  if (zvhost::FindObjectPlugin(type)) {
    std::string problem;
    if (!zvhost::CheckParameterValue(type, id, value, &problem)) Refuse(at, problem);
    return;
  }
  for (const HostParameter& p : kHostParameters)
    if (p.type == type && p.id == id) return CheckHostParameter(p, value, at);
}

// ---- Reading the scene ------------------------------------------------------------------------

struct DocumentDeleter {
  void operator()(BaseDocument* doc) const { BaseDocument::Free(doc); }
};
using DocumentPtr = std::unique_ptr<BaseDocument, DocumentDeleter>;

class SceneReader {
 public:
  explicit SceneReader(std::vector<std::string>* notes) : notes_(notes) {}

  // The document the file describes; a refusal frees whatever was built of it.
  DocumentPtr Read(const Json& root) {
    if (!root.is_object()) Refuse("", "the file must hold one JSON object");
    CheckMembers(root, "", {"format", "version", "document", "objects"});
    const Json* format = Find(root, "format");
    if (!format || !format->is_string() || format->get_ref<const std::string&>() != kFormat)
      Refuse("/format", "not a scene file: expected \"format\": \"" + std::string(kFormat) + "\"");
    const Json* version = Find(root, "version");
    if (!version || !version->is_number_integer() || version->get<Int64>() != kVersion)
      Refuse("/version", "this runner reads scene files of version " + std::to_string(kVersion));
    DocumentPtr doc(BaseDocument::Alloc());
    if (!doc) Refuse("", "out of memory");
    ReadDocument(root.value("document", Json::object()), "/document", doc.get());
    IfPresent(root, "", "objects", [&](const Json& v, const std::string& at) {
      ReadObjects(v, at, doc.get(), nullptr);
    });
    return doc;
  }

 private:
  void ReadDocument(const Json& j, const std::string& at, BaseDocument* doc) {
    CheckMembers(j, at, {"time", "fps", "startTime"});
    BaseTime time(0, 1), start(0, 1);
    Int64 fps = 30;
    IfPresent(j, at, "time",
              [&](const Json& v, const std::string& a) { time = ReadDocumentTime(v, a); });
    IfPresent(j, at, "fps",
              [&](const Json& v, const std::string& a) { fps = ReadInteger(v, a, 0, kMaxFps); });
    IfPresent(j, at, "startTime",
              [&](const Json& v, const std::string& a) { start = ReadDocumentTime(v, a); });
    doc->SetTime(time);
    doc->SetFps(static_cast<Int32>(fps));
    doc->SetMinTime(start);
  }

  static BaseTime ReadDocumentTime(const Json& j, const std::string& at) {
    const BaseTime t = ReadTime(j, at, true);
    if (!(t.den > 0.0)) Refuse(At(at, 1), "the denominator must be above 0");
    return t;
  }

  void ReadObjects(const Json& j, const std::string& at, BaseDocument* doc, BaseObject* parent) {
    if (!j.is_array()) Refuse(at, "expected an array of objects");
    BaseObject* pred = nullptr;
    for (size_t i = 0; i < j.size(); ++i) pred = ReadObject(j[i], At(at, i), doc, parent, pred);
  }

  BaseObject* ReadObject(const Json& j, const std::string& at, BaseDocument* doc,
                         BaseObject* parent, BaseObject* pred) {
    CheckMembers(j, at,
                 {"type", "name", "position", "rotation", "editorMode", "renderMode", "enabled",
                  "display", "folded", "parameters", "children"});
    if (++objects_ > kMaxObjects)
      Refuse(at, "the file holds more than " + std::to_string(kMaxObjects) + " objects");
    const Json* type = Find(j, "type");
    if (!type) Refuse(at, "an object needs its \"type\"");
    const Int32 t = ReadInt32(*type, At(at, "type"));
    CheckLoadableType(t, At(at, "type"));
    BaseObject* op =
        BaseObject::Alloc(t);  // a plug-in object runs its Init, as the host creates it
    if (!op) Refuse(at, "cannot create an object of type " + std::to_string(t));
    doc->InsertObject(op, parent, pred);  // owned by the document from here on, also on refusal
    ReadObjectState(j, at, op);
    IfPresent(j, at, "parameters",
              [&](const Json& v, const std::string& a) { ReadParameters(v, a, op); });
    IfPresent(j, at, "children",
              [&](const Json& v, const std::string& a) { ReadObjects(v, a, doc, op); });
    return op;
  }

  static void CheckLoadableType(Int32 type, const std::string& at) {
    if (IsHostSceneType(type) || zvhost::FindObjectPlugin(type)) return;
    const std::string name = std::to_string(type);
    if (const Kind* k = FindKindOfType(type))
      Refuse(at, "the object type " + name + " (" + k->name + ") is not registered" +
                     (zvhost::IsModuleLoaded() ? "" : ": the module is not loaded"));
    Refuse(at, "unknown object type " + name);
  }

  static void ReadObjectState(const Json& j, const std::string& at, BaseObject* op) {
    using A = const std::string&;
    IfPresent(j, at, "name", [&](const Json& v, A a) { op->SetName(String(ReadText(v, a))); });
    IfPresent(j, at, "position",
              [&](const Json& v, A a) { op->SetRelPos(ReadVector(v, a, true)); });
    IfPresent(j, at, "rotation",
              [&](const Json& v, A a) { op->SetRelRot(ReadVector(v, a, true)); });
    IfPresent(j, at, "editorMode",
              [&](const Json& v, A a) { op->SetEditorMode(ReadName(kModes, v, a)); });
    IfPresent(j, at, "renderMode",
              [&](const Json& v, A a) { op->SetRenderMode(ReadName(kModes, v, a)); });
    IfPresent(j, at, "enabled", [&](const Json& v, A a) { op->SetDeformMode(ReadBool(v, a)); });
    IfPresent(j, at, "display", [&](const Json& v, A a) { ReadDisplay(v, a, op); });
    IfPresent(j, at, "folded", [&](const Json& v, A a) {
      op->ChangeNBit(NBIT::OM1_FOLD, ReadBool(v, a) ? NBITCONTROL::SET : NBITCONTROL::CLEAR);
    });
  }

  static void ReadDisplay(const Json& j, const std::string& at, BaseObject* op) {
    using A = const std::string&;
    CheckMembers(j, at, {"mode", "color", "xray"});
    ObjectColorProperties color;
    op->GetColorProperties(&color);
    IfPresent(j, at, "mode",
              [&](const Json& v, A a) { color.usecolor = ReadName(kColorModes, v, a); });
    IfPresent(j, at, "color", [&](const Json& v, A a) { color.color = ReadVector(v, a, true); });
    IfPresent(j, at, "xray", [&](const Json& v, A a) { color.xray = ReadBool(v, a); });
    op->SetColorProperties(&color);
  }

  // The stored entries replace the container in the file's order; entries the file leaves out
  // keep the values the object was created with. No message is sent: loading is no user edit,
  // and the first evaluation rebuilds from the parameters.
  void ReadParameters(const Json& j, const std::string& at, BaseObject* op) {
    if (!j.is_object()) Refuse(at, "expected an object of parameters by id");
    BaseContainer stored;
    for (auto it = j.begin(); it != j.end(); ++it) {
      const std::string here = At(at, it.key());
      const Int32 id = EntryId(it.key(), here);
      const GeData value = ReadValue(it.value(), here);
      CheckParameter(op->GetType(), id, value, here);
      stored.SetData(id, value);
    }
    const BaseContainer& created = op->GetDataInstanceRef();
    stored.SetId(created.GetId());
    for (Int32 i = 0; i < created.GetEntryCount(); ++i)
      if (!stored.GetDataPointer(created.GetIndexId(i)))
        stored.SetData(created.GetIndexId(i), *created.GetIndexData(i));
    op->GetDataInstanceRef() = std::move(stored);
    op->SetDirty(DIRTYFLAGS::DATA);
  }

  GeData ReadValue(const Json& j, const std::string& at) {
    if (!j.is_object() || j.size() != 1)
      Refuse(at,
             "expected an object with one member that names the kind of value: \"long\", "
             "\"real\", \"vector\", \"string\", \"time\", \"container\", \"gradient\", \"font\" or "
             "\"none\"");
    const std::string& kind = j.begin().key();
    const Json& v = j.begin().value();
    const std::string here = At(at, kind);
    if (kind == "long") return GeData(ReadInt32(v, here));
    if (kind == "real") return GeData(ReadNumber(v, here, false));
    if (kind == "vector") return GeData(ReadVector(v, here, false));
    if (kind == "string") return GeData(String(ReadText(v, here)));
    if (kind == "time") return GeData(ReadTime(v, here, false));
    if (kind == "container") return GeData(ReadContainer(v, here));
    if (kind == "gradient") return GeData(CUSTOMDATATYPE_GRADIENT, ReadGradient(v, here));
    if (kind == "font") return GeData(CUSTOMDATATYPE_FONT, ReadFont(v, here));
    if (kind == "none" && v.is_null()) return GeData();
    Refuse(here, kind == "none" ? "expected null" : "unknown kind of value");
  }

  void ReadEntries(const Json& j, const std::string& at, BaseContainer* bc) {
    if (!j.is_object()) Refuse(at, "expected an object of entries by id");
    for (auto it = j.begin(); it != j.end(); ++it) {
      const std::string here = At(at, it.key());
      bc->SetData(EntryId(it.key(), here), ReadValue(it.value(), here));
    }
  }

  BaseContainer ReadContainer(const Json& j, const std::string& at) {
    CheckMembers(j, at, {"id", "entries"});
    BaseContainer bc;
    IfPresent(j, at, "id", [&](const Json& v, const std::string& a) { bc.SetId(ReadInt32(v, a)); });
    IfPresent(j, at, "entries",
              [&](const Json& v, const std::string& a) { ReadEntries(v, a, &bc); });
    return bc;
  }

  Gradient ReadGradient(const Json& j, const std::string& at) {
    CheckMembers(j, at, {"knots", "settings"});
    Gradient g;
    IfPresent(j, at, "knots", [&](const Json& v, const std::string& a) {
      if (!v.is_array()) Refuse(a, "expected an array of knots");
      if (v.size() > kMaxKnots) Refuse(a, "more than " + std::to_string(kMaxKnots) + " knots");
      for (size_t i = 0; i < v.size(); ++i) g.InsertKnot(ReadKnot(v[i], At(a, i)));
    });
    IfPresent(j, at, "settings", [&](const Json& v, const std::string& a) {
      BaseContainer settings;
      ReadEntries(v, a, &settings);
      for (Int32 i = 0; i < settings.GetEntryCount(); ++i)
        g.SetData(settings.GetIndexId(i), *settings.GetIndexData(i));
    });
    return g;
  }

  static GradientKnot ReadKnot(const Json& j, const std::string& at) {
    using A = const std::string&;
    CheckMembers(j, at, {"color", "brightness", "position", "bias", "index", "interpolation"});
    GradientKnot k;
    IfPresent(j, at, "color", [&](const Json& v, A a) { k.col = ReadVector(v, a, true); });
    IfPresent(j, at, "brightness",
              [&](const Json& v, A a) { k.brightness = ReadNumber(v, a, true); });
    IfPresent(j, at, "position", [&](const Json& v, A a) { k.pos = ReadFraction(v, a); });
    IfPresent(j, at, "bias", [&](const Json& v, A a) { k.bias = ReadFraction(v, a); });
    IfPresent(j, at, "index", [&](const Json& v, A a) { k.index = ReadInt32(v, a); });
    IfPresent(j, at, "interpolation", [&](const Json& v, A a) {
      k.interpolation = ReadInt32(v, a);
      for (Int32 known : kInterpolations)
        if (known == k.interpolation) return;
      Refuse(a, "unknown interpolation " + std::to_string(k.interpolation));
    });
    return k;
  }

  FontData ReadFont(const Json& j, const std::string& at) {
    BaseContainer font = ReadContainer(j, at);
    ResolveFont(&font, at);
    FontData f;
    f.SetFont(&font);
    return f;
  }

  // A font's file comes from the file and is opened by the text layout: only an installed font is
  // kept. Another one (a file from another machine, or a path to anything else) is replaced by an
  // installed font of its family and style, of its family, or by the host's default font.
  void ResolveFont(BaseContainer* font, const std::string& at) {
    const String file = font->GetString(FONT_FILE);
    if (file.IsEmpty()) return;  // the text layout uses the host's default font
    const BaseContainer& installed = InstalledFonts();
    const BaseContainer* sameStyle = nullptr;
    const BaseContainer* sameFamily = nullptr;
    for (Int32 i = 0; i < installed.GetEntryCount(); ++i) {
      const BaseContainer* f = installed.GetIndexData(i)->GetContainer();
      if (!f) continue;
      if (f->GetString(FONT_FILE) == file && f->GetInt32(FONT_INDEX) == font->GetInt32(FONT_INDEX))
        return;
      if (f->GetString(FONT_FAMILY) != font->GetString(FONT_FAMILY)) continue;
      if (!sameFamily) sameFamily = f;
      if (!sameStyle && f->GetString(FONT_STYLE) == font->GetString(FONT_STYLE)) sameStyle = f;
    }
    BaseContainer chosen;
    if (sameStyle || sameFamily)
      chosen = *(sameStyle ? sameStyle : sameFamily);
    else
      FontData::GetDefaultFont(kDefaultFontKind, &chosen);
    if (notes_)
      notes_->push_back(at + ": the font file " + Quoted(file) + " is not installed here; using " +
                        (chosen.GetDataPointer(FONT_FILE) ? Quoted(chosen.GetString(FONT_FILE))
                                                          : "the default font"));
    chosen.SetId(font->GetId());
    *font = chosen;
  }

  const BaseContainer& InstalledFonts() {
    if (!installed_) {
      installed_.emplace();
      FontData::GetInstalledFonts(kFontSortNone, &*installed_);
    }
    return *installed_;
  }

  std::vector<std::string>* notes_;
  Int64 objects_ = 0;
  std::optional<BaseContainer> installed_;  // asked of fontconfig once, when a font is read
};

DocumentPtr ParseScene(const std::string& text, std::vector<std::string>* notes) {
  TreeBuilder builder;
  if (!Json::sax_parse(text, &builder, Json::input_format_t::json, true, false))
    throw builder.failure;
  return SceneReader(notes).Read(builder.root);
}

std::string Message(const std::string& lead, const SceneError& e) {
  // A pointer into a deep file keeps its start (where) and its end (what).
  std::string at = e.at;
  if (at.size() > kMaxMessageBytes) at = at.substr(0, 100) + "..." + at.substr(at.size() - 200);
  return lead + (at.empty() ? "" : Printable(at) + ": ") + e.problem;
}

}  // namespace

bool SaveScene(BaseDocument* doc, const std::string& path, std::string* error) {
  const std::string lead = "cannot save the scene to '" + path + "': ";
  try {
    if (!doc) Refuse("", "there is no document");
    CheckHierarchySize(doc);
    Printer printer;
    printer.Value(SceneJson(doc), 0);
    printer.out += '\n';
    // Only a file that reads back is written: the text is read once as a load would read it.
    ParseScene(printer.out, nullptr);
    return WriteFileAtomically(path, printer.out, error);
  } catch (const SceneError& e) {
    if (error) *error = Message(lead, e);
  } catch (const std::bad_alloc&) {
    if (error) *error = lead + "out of memory";
  } catch (const std::exception& e) {
    if (error) *error = lead + e.what();
  }
  return false;
}

BaseDocument* LoadScene(const std::string& path, std::string* error,
                        std::vector<std::string>* notes) {
  const std::string lead = "scene file '" + path + "': ";
  try {
    std::vector<std::string> found;
    DocumentPtr doc = ParseScene(ReadSceneText(path), &found);
    if (notes)
      for (const std::string& n : found) notes->push_back(lead + n);
    return doc.release();
  } catch (const SceneError& e) {
    if (error) *error = Message(lead, e);
  } catch (const std::bad_alloc&) {
    if (error) *error = lead + "out of memory";
  } catch (const std::exception& e) {  // the JSON library's own, should a check above miss one
    if (error) *error = lead + e.what();
  }
  return nullptr;
}

}  // namespace zvapp
