// Scene files: the schema of a scene as JSON. The format's name and version, the document's time
// settings, the objects in hierarchy order with their state and parameters, values by kind
// (gradients and fonts among them) and the host's own object types that a scene may hold. The
// JSON text itself (pointers, the pretty writer, the bounded reader, typed readers) is json_text's.
#include "scene_file.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "atomic_file.h"
#include "gradient_text.h"
#include "host_app.h"
#include "json_text.h"

namespace zvapp {
namespace {

using namespace jsontext;

constexpr std::string_view kFormat = "zvplot scene";
constexpr Int64 kVersion = 1;

// Limits of what a file may hold. They are far beyond any scene the runner makes and keep a
// hostile file from exhausting memory or the stack. Reading and writing hold a scene to the same
// limits, so that every scene that loads also saves, and every file saved loads.
constexpr size_t kMaxFileBytes = size_t{64} << 20;
constexpr Int64 kMaxObjects = 100000;
// Objects nest as the "children" of objects; a parameter's value nests in containers (a container,
// a font, a gradient's settings), a parameter itself being level 1. The file's JSON nests as deep
// as the deepest of both needs: an object at level n is at depth 2n + 1, a value at level k in it
// at 2n + 3k, and a value's own arrays and objects (a gradient's knots with their colours) reach 4
// deeper. A file nested deeper cannot be a scene, and is refused before it costs anything.
constexpr size_t kMaxObjectDepth = 24;
constexpr size_t kMaxValueDepth = 4;
constexpr size_t kMaxJsonDepth = 2 * kMaxObjectDepth + 3 * kMaxValueDepth + 4;
constexpr JsonLimits kLimits = {.depth = kMaxJsonDepth,
                                .arrayItems = 100000,
                                .members = 10000,
                                .textBytes = 65536,
                                .keyBytes = 256,
                                .values = 4000000};
constexpr Int64 kMaxFps = 1000000;

// ---- Names of the host's settings -------------------------------------------------------------

constexpr Named kModes[] = {{MODE_ON, "on"}, {MODE_OFF, "off"}, {MODE_UNDEF, "default"}};
constexpr Named kColorModes[] = {{ID_BASEOBJECT_USECOLOR_OFF, "off"},
                                 {ID_BASEOBJECT_USECOLOR_AUTOMATIC, "automatic"},
                                 {ID_BASEOBJECT_USECOLOR_ALWAYS, "always"},
                                 {ID_BASEOBJECT_USECOLOR_LAYER, "layer"}};
using Interpolation = maxon::GRADIENT_INTERPOLATION_TYPE;
constexpr Interpolation kInterpolations[] = {Interpolation::CUBICKNOT, Interpolation::SMOOTHKNOT,
                                             Interpolation::LINEARKNOT, Interpolation::NONE};
// Scene files of earlier versions name linear interpolation 4, which the host draws as a linear
// knot.
constexpr Int32 kLegacyLinear = 4;

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
    {Osplinetext, PRIM_TEXT_FONT, DA::CUSTOMDATATYPE, FONTCHOOSER_DATA},
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

Json TimeJson(const BaseTime& t) { return Json::array({NumberJson(t.num), NumberJson(t.den)}); }

template <size_t N>
Json NameJson(const Named (&table)[N], Int32 value, const std::string& at) {
  for (const Named& n : table)
    if (n.value == value) return std::string(n.name);
  Refuse(at, "the value " + std::to_string(value) + " has no name a scene file knows");
}

[[noreturn]] void RefuseValueDepth(const std::string& at) {
  Refuse(at, "values nested deeper than " + std::to_string(kMaxValueDepth) +
                 " levels (containers in containers)");
}

Json ValueJson(const GeData& d, const std::string& at, size_t level);

// The entries of a container whose values are at `level`. A container's ids are distinct, so each
// is appended without the object's linear search for its key (10,000 entries would take seconds).
Json EntriesJson(const BaseContainer& bc, const std::string& at, size_t level) {
  Json j = Json::object();
  auto& members = j.get_ref<Json::object_t&>();
  for (Int32 i = 0; i < bc.GetEntryCount(); ++i) {
    std::string key = std::to_string(bc.GetIndexId(i));
    Json value = ValueJson(*bc.GetIndexData(i), At(at, key), level);
    members.emplace_back(std::move(key), std::move(value));
  }
  return j;
}

Json ContainerJson(const BaseContainer& bc, const std::string& at, size_t level) {
  Json j = Json::object();
  j["id"] = bc.GetId();
  j["entries"] = EntriesJson(bc, At(at, "entries"), level + 1);
  return j;
}

Json GradientJson(const Gradient& g, const std::string& at, size_t level) {
  Json knots = Json::array();
  for (Int32 i = 0; i < g.GetKnotCount(); ++i) {
    const maxon::GradientKnot k = g.GetKnot(i);
    Json knot = Json::object();
    knot["color"] = VectorJson(Vector(k.col.r, k.col.g, k.col.b));
    knot["brightness"] = NumberJson(k.brightness);
    knot["position"] = NumberJson(k.pos);
    knot["bias"] = NumberJson(k.bias);
    knot["index"] = k.index;
    knot["interpolation"] = static_cast<Int32>(k.interpolation);
    knots.push_back(std::move(knot));
  }
  Json j = Json::object();
  j["knots"] = std::move(knots);
  j["settings"] = EntriesJson(g.GetSettings(), At(at, "settings"), level + 1);
  return j;
}

Json CustomJson(const GeData& d, const std::string& at, size_t level) {
  Json j = Json::object();
  if (const auto* g = d.GetCustomDataType<Gradient>()) {
    j["gradient"] = GradientJson(*g, At(at, "gradient"), level);
  } else if (const auto* f = d.GetCustomDataType<FontData>()) {
    j["font"] = ContainerJson(f->GetFont(), At(at, "font"), level);
  } else {
    Refuse(at, "custom data of type " + std::to_string(d.GetCustomType()) +
                   " cannot be stored in a scene file");
  }
  return j;
}

// A value as an object with one member that names its kind: {"real": 1.5}.
Json ValueJson(const GeData& d, const std::string& at, size_t level) {
  if (level > kMaxValueDepth) RefuseValueDepth(at);
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
      j["string"] = TextJson(d.GetString().GetStdString(), At(at, "string"));
      break;
    case DA::TIME:
      j["time"] = TimeJson(d.GetTime());
      break;
    case DA::CONTAINER:
      j["container"] = ContainerJson(*d.GetContainer(), At(at, "container"), level);
      break;
    case DA::CUSTOMDATATYPE:
      return CustomJson(d, at, level);
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
    Refuse(at, Quoted(op->GetName().GetStdString()) + " is of type " + std::to_string(type) +
                   ", which a scene file cannot hold");
  for (const BaseTag* tag : op->GetTags())
    if (!IsDerivedTag(tag))
      Refuse(at, Quoted(op->GetName().GetStdString()) + " has a tag of type " +
                     std::to_string(tag->GetType()) + ", which a scene file cannot hold");
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
  j["name"] = TextJson(op->GetName().GetStdString(), At(at, "name"));
  j["position"] = VectorJson(op->GetRelPos());
  j["rotation"] = VectorJson(op->GetRelRot());
  j["editorMode"] = NameJson(kModes, op->GetEditorMode(), At(at, "editorMode"));
  j["renderMode"] = NameJson(kModes, op->GetRenderMode(), At(at, "renderMode"));
  j["enabled"] = op->GetDeformMode();
  j["display"] = DisplayJson(op, At(at, "display"));
  j["folded"] = op->GetNBit(NBIT::OM1_FOLD);
  j["parameters"] = EntriesJson(op->GetDataInstanceRef(), At(at, "parameters"), 1);
  Json children = Json::array();
  for (const BaseObject* child = op->GetDown(); child; child = child->GetNext())
    children.push_back(ObjectJson(child, At(At(at, "children"), children.size())));
  if (!children.empty()) j["children"] = std::move(children);
  return j;
}

[[noreturn]] void RefuseObjectDepth(const std::string& at) {
  Refuse(at, "objects nested deeper than " + std::to_string(kMaxObjectDepth) + " levels");
}

// The pointer of the object at `places`: its place among the top objects, then among the children
// of each object above it.
std::string ObjectPointer(const std::vector<size_t>& places) {
  std::string at = "/objects";
  for (size_t i = 0; i < places.size(); ++i) at = At(i ? At(at, "children") : at, places[i]);
  return at;
}

// Counts the objects and their nesting without recursion, so that writing them (recursively)
// cannot exhaust the stack and never starts on a scene a file cannot hold.
void CheckHierarchySize(const BaseDocument* doc) {
  Int64 count = 0;
  std::vector<size_t> places{0};  // the place of each object from the top down to `op`
  const BaseObject* op = doc->GetFirstObject();
  while (op) {
    if (++count > kMaxObjects)
      Refuse("", "the scene has more than " + std::to_string(kMaxObjects) + " objects");
    if (places.size() > kMaxObjectDepth) RefuseObjectDepth(ObjectPointer(places));
    if (op->GetDown()) {
      op = op->GetDown();
      places.push_back(0);
      continue;
    }
    while (op && !op->GetNext()) op = op->GetUp(), places.pop_back();
    if (op) op = op->GetNext(), ++places.back();
  }
}

Json SceneJson(const BaseDocument* doc) {
  Json document = Json::object();
  document["time"] = TimeJson(doc->GetTime());
  document["fps"] = doc->GetFps();
  document["startTime"] = TimeJson(doc->GetMinTime());
  document["maxTime"] = TimeJson(doc->GetMaxTime());
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

// ---- Reading values ---------------------------------------------------------------------------

BaseTime ReadTime(const Json& j, const std::string& at, bool finiteOnly) {
  if (!j.is_array() || j.size() != 2) Refuse(at, "expected an array of numerator and denominator");
  return BaseTime(ReadNumber(j[0], At(at, 0), finiteOnly), ReadNumber(j[1], At(at, 1), finiteOnly));
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
  if (!fits || (p.custom != 0 && !value.GetCustomDataTypeI(p.custom)))
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
      ReadObjects(v, at, doc.get(), nullptr, 1);
    });
    return doc;
  }

 private:
  void ReadDocument(const Json& j, const std::string& at, BaseDocument* doc) {
    CheckMembers(j, at, {"time", "fps", "startTime", "maxTime"});
    BaseTime time(0, 1), start(0, 1);
    std::optional<BaseTime> end;  // a file without it ends where a new document does
    Int64 fps = 30;
    IfPresent(j, at, "time",
              [&](const Json& v, const std::string& a) { time = ReadDocumentTime(v, a); });
    IfPresent(j, at, "fps",
              [&](const Json& v, const std::string& a) { fps = ReadInteger(v, a, 0, kMaxFps); });
    IfPresent(j, at, "startTime",
              [&](const Json& v, const std::string& a) { start = ReadDocumentTime(v, a); });
    IfPresent(j, at, "maxTime",
              [&](const Json& v, const std::string& a) { end = ReadDocumentTime(v, a); });
    doc->SetTime(time);
    doc->SetFps(static_cast<Int32>(fps));
    doc->SetMinTime(start);
    if (end) doc->SetMaxTime(*end);
  }

  static BaseTime ReadDocumentTime(const Json& j, const std::string& at) {
    const BaseTime t = ReadTime(j, at, true);
    if (!(t.den > 0.0)) Refuse(At(at, 1), "the denominator must be above 0");
    return t;
  }

  // The objects at `level`, the top objects being level 1.
  void ReadObjects(const Json& j, const std::string& at, BaseDocument* doc, BaseObject* parent,
                   size_t level) {
    if (!j.is_array()) Refuse(at, "expected an array of objects");
    BaseObject* pred = nullptr;
    for (size_t i = 0; i < j.size(); ++i)
      pred = ReadObject(j[i], At(at, i), doc, parent, pred, level);
  }

  BaseObject* ReadObject(const Json& j, const std::string& at, BaseDocument* doc,
                         BaseObject* parent, BaseObject* pred, size_t level) {
    CheckMembers(j, at,
                 {"type", "name", "position", "rotation", "editorMode", "renderMode", "enabled",
                  "display", "folded", "parameters", "children"});
    if (level > kMaxObjectDepth) RefuseObjectDepth(at);
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
              [&](const Json& v, const std::string& a) { ReadObjects(v, a, doc, op, level + 1); });
    return op;
  }

  static void CheckLoadableType(Int32 type, const std::string& at) {
    if (IsHostSceneType(type) || zvhost::FindObjectPlugin(type)) return;
    Refuse(at, "unknown object type " + std::to_string(type) +
                   (zvhost::IsModuleLoaded() ? "" : " (the module is not loaded)"));
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
      const GeData value = ReadValue(it.value(), here, 1);
      CheckParameter(op->GetType(), id, value, here);
      stored.SetData(id, value);
    }
    const BaseContainer& created = op->GetDataInstanceRef();
    stored.SetId(created.GetId());
    for (Int32 i = 0; i < created.GetEntryCount(); ++i)
      if (!stored.GetDataPointer(created.GetIndexId(i)))
        stored.SetData(created.GetIndexId(i), *created.GetIndexData(i));
    // The object's own parameters join the file's, and the file saved holds them all.
    if (static_cast<size_t>(stored.GetEntryCount()) > kLimits.members)
      Refuse(at, "more than " + std::to_string(kLimits.members) +
                     " parameters, with those the object is created with");
    op->GetDataInstanceRef() = std::move(stored);
    op->SetDirty(DIRTYFLAGS::DATA);
  }

  // A value at `level`: a parameter is at level 1, a value in a container one level below it.
  GeData ReadValue(const Json& j, const std::string& at, size_t level) {
    if (level > kMaxValueDepth) RefuseValueDepth(at);
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
    if (kind == "container") return GeData(ReadContainer(v, here, level));
    if (kind == "gradient") return GeData(ReadGradient(v, here, level));
    if (kind == "font") return GeData(ReadFont(v, here, level));
    if (kind == "none" && v.is_null()) return GeData();
    Refuse(here, kind == "none" ? "expected null" : "unknown kind of value");
  }

  // Entries whose values are at `level`.
  void ReadEntries(const Json& j, const std::string& at, BaseContainer* bc, size_t level) {
    if (!j.is_object()) Refuse(at, "expected an object of entries by id");
    for (auto it = j.begin(); it != j.end(); ++it) {
      const std::string here = At(at, it.key());
      bc->SetData(EntryId(it.key(), here), ReadValue(it.value(), here, level));
    }
  }

  // The container that is the value at `level`.
  BaseContainer ReadContainer(const Json& j, const std::string& at, size_t level) {
    CheckMembers(j, at, {"id", "entries"});
    BaseContainer bc;
    IfPresent(j, at, "id", [&](const Json& v, const std::string& a) { bc.SetId(ReadInt32(v, a)); });
    IfPresent(j, at, "entries",
              [&](const Json& v, const std::string& a) { ReadEntries(v, a, &bc, level + 1); });
    return bc;
  }

  Gradient ReadGradient(const Json& j, const std::string& at, size_t level) {
    CheckMembers(j, at, {"knots", "settings"});
    Gradient g;
    IfPresent(j, at, "knots", [&](const Json& v, const std::string& a) {
      if (!v.is_array()) Refuse(a, "expected an array of knots");
      if (v.size() > kMaxGradientKnots)
        Refuse(a, "more than " + std::to_string(kMaxGradientKnots) + " knots");
      for (size_t i = 0; i < v.size(); ++i) g.InsertKnot(ReadKnot(v[i], At(a, i)));
    });
    IfPresent(j, at, "settings", [&](const Json& v, const std::string& a) {
      BaseContainer settings;
      ReadEntries(v, a, &settings, level + 1);
      for (Int32 i = 0; i < settings.GetEntryCount(); ++i)
        g.SetData(settings.GetIndexId(i), *settings.GetIndexData(i));
    });
    return g;
  }

  static maxon::GradientKnot ReadKnot(const Json& j, const std::string& at) {
    using A = const std::string&;
    CheckMembers(j, at, {"color", "brightness", "position", "bias", "index", "interpolation"});
    maxon::GradientKnot k;
    IfPresent(j, at, "color", [&](const Json& v, A a) {
      const Vector c = ReadVector(v, a, true);
      k.col = maxon::Color(c.x, c.y, c.z);
    });
    IfPresent(j, at, "brightness",
              [&](const Json& v, A a) { k.brightness = ReadNumber(v, a, true); });
    IfPresent(j, at, "position", [&](const Json& v, A a) { k.pos = ReadFraction(v, a); });
    IfPresent(j, at, "bias", [&](const Json& v, A a) { k.bias = ReadFraction(v, a); });
    IfPresent(j, at, "index", [&](const Json& v, A a) { k.index = ReadInt32(v, a); });
    IfPresent(j, at, "interpolation", [&](const Json& v, A a) {
      const Int32 n = ReadInt32(v, a);
      if (n == kLegacyLinear) {
        k.interpolation = Interpolation::LINEARKNOT;
        return;
      }
      for (Interpolation known : kInterpolations) {
        if (static_cast<Int32>(known) == n) {
          k.interpolation = known;
          return;
        }
      }
      Refuse(a, "unknown interpolation " + std::to_string(n));
    });
    return k;
  }

  // The font as a parameter's value.
  GeData ReadFont(const Json& j, const std::string& at, size_t level) {
    BaseContainer font = ReadContainer(j, at, level);
    ResolveFont(&font, at);
    GeData value(FONTCHOOSER_DATA, DEFAULTVALUE);
    if (FontData* f = value.GetCustomDataTypeWritable<FontData>()) f->SetFont(&font);
    return value;
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
      GeClipMap::GetDefaultFont(GE_FONT_DEFAULT_SYSTEM, &chosen);
    if (notes_)
      notes_->push_back(
          at + ": the font file " + Quoted(file.GetStdString()) + " is not installed here; using " +
          (chosen.GetDataPointer(FONT_FILE) ? Quoted(chosen.GetString(FONT_FILE).GetStdString())
                                            : "the default font"));
    chosen.SetId(font->GetId());
    *font = chosen;
  }

  const BaseContainer& InstalledFonts() {
    if (!installed_) {
      installed_.emplace();
      GeClipMap::EnumerateFonts(&*installed_, GE_CM_FONTSORT::FLAT);
    }
    return *installed_;
  }

  std::vector<std::string>* notes_;
  Int64 objects_ = 0;
  std::optional<BaseContainer> installed_;  // asked of fontconfig once, when a font is read
};

DocumentPtr ParseScene(const std::string& text, std::vector<std::string>* notes) {
  return SceneReader(notes).Read(ParseJson(text, kLimits));
}

}  // namespace

namespace {

// Runs one save or load step; a refusal becomes `lead` + the place and the problem.
template <typename Step>
bool Guarded(const std::string& lead, std::string* error, Step step) {
  try {
    return step();
  } catch (const JsonError& e) {
    if (error) *error = ErrorMessage(lead, e);
  } catch (const std::bad_alloc&) {
    if (error) *error = lead + "out of memory";
  } catch (const std::exception& e) {  // the JSON library's own, should a check above miss one
    if (error) *error = lead + e.what();
  }
  return false;
}

// Values as the reader counts them: every array and object too.
size_t CountValues(const Json& j) {
  size_t n = 1;
  for (const Json& v : j) n += j.is_structured() ? CountValues(v) : 0;
  return n;
}

// The scene file's text of the document, within the limits a file is read with. The text is
// longer than the file a scene was read from (every parameter is written, and indented), so a
// scene read is held to them too.
std::string LimitedSceneText(BaseDocument* doc) {
  if (!doc) Refuse("", "there is no document");
  CheckHierarchySize(doc);
  const Json scene = SceneJson(doc);
  if (CountValues(scene) > kLimits.values)
    Refuse("", "the scene is too large to save: its file would hold more than " +
                   std::to_string(kLimits.values) + " values");
  std::string text = PrettyJson(scene) + '\n';
  if (text.size() > kMaxFileBytes)
    Refuse("", "the scene is too large to save: its file would be larger than " +
                   std::to_string(kMaxFileBytes >> 20) + " MB");
  return text;
}

// Only a text that reads back is made: it is read once as a load would read it.
std::string SceneText(BaseDocument* doc) {
  std::string text = LimitedSceneText(doc);
  ParseScene(text, nullptr);
  return text;
}

BaseDocument* LoadFrom(const std::string& lead, std::string* error, std::vector<std::string>* notes,
                       const std::function<std::string()>& read) {
  DocumentPtr doc;
  Guarded(lead, error, [&] {
    std::vector<std::string> found;
    DocumentPtr loaded = ParseScene(read(), &found);
    LimitedSceneText(loaded.get());  // what loads must save again
    doc = std::move(loaded);
    if (notes)
      for (const std::string& n : found) notes->push_back(lead + n);
    return true;
  });
  return doc.release();
}

}  // namespace

bool StageScene(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                std::string* error) {
  return Guarded("cannot save the scene to '" + path + "': ", error,
                 [&] { return staged.Stage(path, SceneText(doc), error); });
}

bool SaveScene(BaseDocument* doc, const std::string& path, std::string* error) {
  StagedOutputs staged;
  return StageScene(staged, doc, path, error) && staged.Commit(error);
}

bool SaveSceneToText(BaseDocument* doc, std::string* text, std::string* error) {
  return Guarded("cannot save the scene: ", error, [&] {
    *text = SceneText(doc);
    return true;
  });
}

BaseDocument* LoadScene(const std::string& path, std::string* error,
                        std::vector<std::string>* notes) {
  return LoadFrom("scene file '" + path + "': ", error, notes,
                  [&] { return ReadRegularFile(path, kMaxFileBytes); });
}

BaseDocument* LoadSceneFromText(const std::string& text, std::string* error,
                                std::vector<std::string>* notes) {
  return LoadFrom("scene file: ", error, notes, [&] {
    if (text.size() > kMaxFileBytes)
      Refuse("", "the file is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB");
    return text;
  });
}

}  // namespace zvapp
