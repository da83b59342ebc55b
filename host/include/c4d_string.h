// The host's classic text type, the framework text with the classic interface's editing calls.
#pragma once

#include <string>
#include <string_view>

#include "ge_math.h"
#include "maxon/string.h"

using maxon::operator""_s;

class String : public maxon::String {
 public:
  String() = default;
  String(const maxon::String& s) : maxon::String(s) {}  // NOLINT: as in the host
  String(const Char* s) : maxon::String(s) {}           // NOLINT: as in the host
  // The stand-in host's own constructors, for its application.
  String(std::string s) : maxon::String(std::move(s)) {}  // NOLINT
  String(std::string_view s) : maxon::String(s) {}        // NOLINT

  // Finds the first occurrence of `cs` at or after `start`; false when there is none.
  Bool FindFirst(const String& cs, Int32* pos, Int start = 0) const;
  // Deletes `count` characters from `pos` on (clamped to the text).
  void Delete(Int pos, Int count);
  // Inserts `cs` before position `pos` (clamped to the text).
  void InsertDeprecated(Int pos, const String& cs);
  String SubStr(Int start, Int count) const;

  static String IntToString(Int32 v) { return maxon::String::IntToString(v); }
  static String IntToString(Int64 v) { return maxon::String::IntToString(v); }

  String& operator+=(const String& o) {
    maxon::String::operator+=(o);
    return *this;
  }
  friend String operator+(const String& a, const String& b) {
    String s(a);
    s += b;
    return s;
  }
  friend String operator+(const String& a, const Char* b) { return a + String(b); }
  friend String operator+(const Char* a, const String& b) { return String(a) + b; }
  bool operator<(const String& o) const { return text_ < o.text_; }
};
