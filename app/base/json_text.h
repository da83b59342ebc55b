// JSON text as the runner's own files hold it, knowing nothing of what a file means: the checks a
// text from a file goes through, JSON pointers that name a place in a file, the pretty writer, the
// bounded reader for untrusted files and the typed readers of single values.
//
// Every refusal is a thrown JsonError naming its place as a JSON pointer (/objects/0/name); the
// file's own code catches it at its edge and turns it into a message with ErrorMessage.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "ge_math.h"
#include "printable.h"

namespace zvapp::jsontext {

// Insertion order matters: a file's members keep their order through a round trip.
using Json = nlohmann::ordered_json;

// Why a file cannot be read or written, and where: a JSON pointer into the file, empty for the
// file as a whole.
struct JsonError {
  std::string at;
  std::string problem;
};

[[noreturn]] void Refuse(const std::string& at, std::string problem);

// "<lead><at>: <problem>", the pointer shortened when a deep file makes it long.
std::string ErrorMessage(const std::string& lead, const JsonError& e);

// ---- Texts and places -------------------------------------------------------------------------

// Pieces of a file quoted in a message, made safe for a terminal (printable.h).
using zvapp::Printable;
using zvapp::Quoted;
// The text as a JSON string; refused unless it is valid UTF-8 (a JSON text can hold no other).
Json TextJson(const std::string& s, const std::string& at);

// The JSON pointer of a member or item below `at`.
std::string At(const std::string& at, std::string_view key);
std::string At(const std::string& at, std::size_t index);

// ---- Writing ----------------------------------------------------------------------------------

// Shortest text that reads back as the same double, always with a point or an exponent so that
// it reads back as a double (-0.0 keeps its sign).
std::string FloatText(double v);
// Appends `s` as a JSON string; only what JSON requires is escaped, UTF-8 is kept as it is.
void QuoteText(std::string_view s, std::string& out);
// The pretty text of `j`: one member or item per line, indented by two spaces; a short array or
// object of plain values (or of short arrays of them) on one line. No newline at the end.
std::string PrettyJson(const Json& j);

// A number; NaN and the infinities, which JSON has no numbers for, as the texts "nan", "inf" and
// "-inf" (ReadNumber reads them back).
Json NumberJson(double v);
Json VectorJson(const Vector& v);

// ---- Reading ----------------------------------------------------------------------------------

// What an untrusted file may hold, refused while parsing before it costs memory or stack.
struct JsonLimits {
  std::size_t depth;       // nesting of arrays and objects
  std::size_t arrayItems;  // items of one array
  std::size_t members;     // members of one object
  std::size_t textBytes;   // of one string value
  std::size_t keyBytes;    // of one member's name
  std::size_t values;      // in the whole text
};

// The tree of a JSON text. Refused: what is no JSON, anything past the limits and duplicate keys,
// each at the place it occurs.
Json ParseJson(const std::string& text, const JsonLimits& limits);

// A regular file's bytes, at most `maxBytes` of them (a whole number of MB). A pipe or a device
// is refused, as it could block or never end.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes);

// The member `key` of an object, or null.
const Json* Find(const Json& j, const char* key);
// Refuses anything but an object whose members all have names from `known`.
void CheckMembers(const Json& j, const std::string& at,
                  std::initializer_list<std::string_view> known);

// Calls `read` with the member and its pointer when the object has it.
template <typename Read>
void IfPresent(const Json& j, const std::string& at, const char* key, Read read) {
  if (const Json* v = Find(j, key)) read(*v, At(at, key));
}

Int64 ReadInteger(const Json& j, const std::string& at, Int64 min, Int64 max);
Int32 ReadInt32(const Json& j, const std::string& at);
// A number, or one of the texts NumberJson writes for NaN and the infinities unless only finite
// numbers are allowed.
double ReadNumber(const Json& j, const std::string& at, bool finiteOnly);
// A finite number from 0 to 1.
double ReadFraction(const Json& j, const std::string& at);
// An array of three numbers.
Vector ReadVector(const Json& j, const std::string& at, bool finiteOnly);
bool ReadBool(const Json& j, const std::string& at);
const std::string& ReadText(const Json& j, const std::string& at);

// A value that a file gives by name: one of a fixed table of names.
struct Named {
  Int32 value;
  std::string_view name;
};

template <std::size_t N>
std::string Choices(const Named (&table)[N]) {
  std::string out;
  for (const Named& n : table) out += (out.empty() ? "\"" : ", \"") + std::string(n.name) + "\"";
  return out;
}

template <std::size_t N>
Int32 ReadName(const Named (&table)[N], const Json& j, const std::string& at) {
  const std::string& name = ReadText(j, at);
  for (const Named& n : table)
    if (n.name == name) return n.value;
  Refuse(at, "expected one of " + Choices(table));
}

}  // namespace zvapp::jsontext
