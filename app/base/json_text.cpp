// JSON text of the runner's files: checks of texts, JSON pointers, the pretty writer, the bounded
// reader of untrusted files and the typed readers of single values.
#include "json_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host_utf8.h"

namespace zvapp::jsontext {
namespace {

constexpr std::size_t kMaxMessageBytes = 300;  // of a piece of the file quoted in a message
constexpr std::size_t kLineWidth = 100;        // a short array or object is written on one line

}  // namespace

[[noreturn]] void Refuse(const std::string& at, std::string problem) {
  throw JsonError{at, std::move(problem)};
}

std::string ErrorMessage(const std::string& lead, const JsonError& e) {
  // A pointer into a deep file keeps its start (where) and its end (what).
  std::string at = e.at;
  if (at.size() > kMaxMessageBytes) at = at.substr(0, 100) + "..." + at.substr(at.size() - 200);
  return lead + (at.empty() ? "" : Printable(at) + ": ") + e.problem;
}

// ---- Texts and places -------------------------------------------------------------------------

Json TextJson(const std::string& s, const std::string& at) {
  if (!zvhost::IsUtf8(s)) Refuse(at, "the text " + Quoted(s) + " is not valid UTF-8");
  return s;
}

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

std::string At(const std::string& at, std::size_t index) {
  return at + "/" + std::to_string(index);
}

// ---- Writing ----------------------------------------------------------------------------------

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

namespace {

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
    out.append(static_cast<std::size_t>(indent) * 2, ' ');
  }
};

}  // namespace

std::string PrettyJson(const Json& j) {
  Printer printer;
  printer.Value(j, 0);
  return std::move(printer.out);
}

Json NumberJson(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0.0 ? "inf" : "-inf";
  return v;
}

Json VectorJson(const Vector& v) {
  return Json::array({NumberJson(v.x), NumberJson(v.y), NumberJson(v.z)});
}

// ---- Reading ----------------------------------------------------------------------------------

namespace {

// Builds the JSON tree from the parser's events, refusing what the limits do not allow before it
// costs memory: duplicate keys, deep nesting, huge arrays, objects and texts. Keeps the path to
// the value being read so that every refusal names its place.
class TreeBuilder {
 public:
  explicit TreeBuilder(const JsonLimits& limits) : limits_(limits) {}

  Json root;
  JsonError failure;

  bool null() { return Add(nullptr) != nullptr; }
  bool boolean(bool v) { return Add(v) != nullptr; }
  bool number_integer(Json::number_integer_t v) { return Add(v) != nullptr; }
  bool number_unsigned(Json::number_unsigned_t v) { return Add(v) != nullptr; }
  bool number_float(Json::number_float_t v, const Json::string_t&) { return Add(v) != nullptr; }
  bool string(Json::string_t& s) {
    if (s.size() > limits_.textBytes)
      return Fail("a text longer than " + std::to_string(limits_.textBytes) + " bytes");
    return Add(std::move(s)) != nullptr;
  }
  bool binary(Json::binary_t&) { return Fail("binary data"); }
  bool start_object(std::size_t) { return Open(Json::object()); }
  bool end_object() { return Close(); }
  bool start_array(std::size_t) { return Open(Json::array()); }
  bool end_array() { return Close(); }
  bool key(Json::string_t& k) {
    Frame& f = frames_.back();
    f.key = k.size() > limits_.keyBytes ? k.substr(0, limits_.keyBytes) : k;
    f.hasKey = true;
    if (k.size() > limits_.keyBytes)
      return Fail("a key longer than " + std::to_string(limits_.keyBytes) + " bytes");
    if (!f.keys.insert(k).second) return Fail("this key appears twice");
    if (f.keys.size() > limits_.members)
      return Fail("an object with more than " + std::to_string(limits_.members) + " members");
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const Json::exception& e) {
    // The library's text without its error code: "parse error at line 3, column 7: ...".
    std::string what = e.what();
    const std::size_t code = what.find("] ");
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
    for (std::size_t i = 0; i < frames_.size(); ++i) {
      const Frame& f = frames_[i];
      if (f.node->is_object()) {
        if (f.hasKey) at = At(at, f.key);
      } else {
        const std::size_t open = i + 1 < frames_.size() ? 1 : 0;
        at = At(at, f.node->size() - open);
      }
    }
    return at;
  }

  bool Fail(std::string problem) {
    failure = JsonError{Here(), std::move(problem)};
    return false;
  }

  Json* Add(Json v) {
    if (++values_ > limits_.values) {
      Fail("the file holds more than " + std::to_string(limits_.values) + " values");
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
    if (parent.size() >= limits_.arrayItems) {
      Fail("an array of more than " + std::to_string(limits_.arrayItems) + " items");
      return nullptr;
    }
    auto& items = parent.get_ref<Json::array_t&>();
    items.push_back(std::move(v));
    return &items.back();
  }

  bool Open(Json v) {
    if (frames_.size() >= limits_.depth)
      return Fail("arrays and objects nested deeper than " + std::to_string(limits_.depth) +
                  " levels");
    Json* node = Add(std::move(v));
    if (!node) return false;
    frames_.push_back(Frame{node, {}, {}, false});
    return true;
  }

  bool Close() {
    frames_.pop_back();
    return true;
  }

  const JsonLimits limits_;
  std::vector<Frame> frames_;
  std::size_t values_ = 0;
};

struct FileCloser {
  int fd;
  ~FileCloser() { ::close(fd); }
};

}  // namespace

Json ParseJson(const std::string& text, const JsonLimits& limits) {
  TreeBuilder builder(limits);
  if (!Json::sax_parse(text, &builder, Json::input_format_t::json, true, false))
    throw builder.failure;
  return std::move(builder.root);
}

// The size is checked again while reading in case the file grows.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) Refuse("", std::string("cannot open the file: ") + std::strerror(errno));
  const FileCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    Refuse("", std::string("cannot read the file: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) Refuse("", "not a regular file");
  const std::string tooLarge = "the file is larger than " + std::to_string(maxBytes >> 20) + " MB";
  if (static_cast<UInt64>(st.st_size) > maxBytes) Refuse("", tooLarge);
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Refuse("", std::string("cannot read the file: ") + std::strerror(errno));
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
    if (text.size() > maxBytes) Refuse("", tooLarge);
  }
  return text;
}

const Json* Find(const Json& j, const char* key) {
  const auto it = j.find(key);
  return it == j.end() ? nullptr : &*it;
}

void CheckMembers(const Json& j, const std::string& at,
                  std::initializer_list<std::string_view> known) {
  if (!j.is_object()) Refuse(at, "expected an object");
  for (auto it = j.begin(); it != j.end(); ++it) {
    bool ok = false;
    for (std::string_view k : known) ok = ok || it.key() == k;
    if (!ok) Refuse(At(at, it.key()), "unknown key");
  }
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

bool ReadBool(const Json& j, const std::string& at) {
  if (!j.is_boolean()) Refuse(at, "expected true or false");
  return j.get<bool>();
}

const std::string& ReadText(const Json& j, const std::string& at) {
  if (!j.is_string()) Refuse(at, "expected a text");
  return j.get_ref<const std::string&>();
}

}  // namespace zvapp::jsontext
