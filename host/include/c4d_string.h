// The host's text type. Texts are UTF-8; positions and lengths count bytes, so an ASCII formula is
// indexed character by character.
#pragma once

#include <string>
#include <string_view>

#include "c4d_basetypes.h"

enum class STRINGCOMPARISON : Int32 { MEMORY = 0, CASEINSENSITIVE = 1, CASESENSITIVE_ORDER = 2 };

class String {
 public:
  String() = default;
  String(const char* s) : text_(s ? s : "") {}  // NOLINT: texts convert implicitly, as in the host
  String(std::string s) : text_(std::move(s)) {}  // NOLINT
  String(std::string_view s) : text_(s) {}        // NOLINT

  Int32 GetLength() const { return static_cast<Int32>(text_.size()); }
  Bool IsEmpty() const { return text_.empty(); }
  Char operator[](Int32 pos) const { return text_[static_cast<size_t>(pos)]; }

  // Finds the first occurrence of `cs` at or after `start`; false when there is none.
  Bool FindFirst(const String& cs, Int32* pos, Int32 start = 0) const;
  // Inserts `cs` before position `pos` (clamped to the text).
  void Insert(Int32 pos, const String& cs);
  // Deletes `count` characters from `pos` on (clamped to the text).
  void Delete(Int32 pos, Int32 count);
  String SubStr(Int32 start, Int32 count) const;

  // -1, 0 or 1. A text compared with itself is equal without looking at its characters.
  Int32 Compare(const String& cs, STRINGCOMPARISON mode = STRINGCOMPARISON::MEMORY) const;

  String operator+(const String& o) const { return String(text_ + o.text_); }
  String& operator+=(const String& o) {
    text_ += o.text_;
    return *this;
  }
  bool operator==(const String& o) const { return text_ == o.text_; }
  bool operator!=(const String& o) const { return text_ != o.text_; }
  bool operator<(const String& o) const { return text_ < o.text_; }

  // Number to text. vvk: minimum count of integer digits, padded with `xchar` (-1: none);
  // nnk: count of decimals, or negative for as many as the value needs (the shortest text that reads
  // back as the same number); at most 20 decimals are written. e: exponent form. A negative zero is
  // written without its sign.
  static String FloatToString(Float v, Int32 vvk = -1, Int32 nnk = -3, Bool e = false,
                              UInt32 xchar = ' ');
  static String IntToString(Int64 v) { return String(std::to_string(v)); }

  const std::string& GetStdString() const { return text_; }
  const char* c_str() const { return text_.c_str(); }

 private:
  std::string text_;
};

// A file path. The host joins parts with the platform's separator.
class Filename {
 public:
  Filename() = default;
  Filename(const String& s) : path_(s) {}  // NOLINT
  Filename(const char* s) : path_(s) {}    // NOLINT
  Filename operator+(const Filename& part) const;
  const String& GetString() const { return path_; }

 private:
  String path_;
};
