// The host's framework text type. Texts are held as UTF-8; the stand-in host counts lengths and
// positions in bytes, which for the ASCII of a formula is counting characters.
#pragma once

#include <string>
#include <string_view>

#include "maxon/apibase.h"

namespace maxon {

enum class STRINGCOMPARISON {
  MEMORY = 0,           // byte for byte
  UNICODE_LETTERS = 1,  // by character
  UNICODE_NUMBERS = 2,  // by character, numbers in the texts by their value: "2" before "10"
  CASEINSENSITIVE = 3,
  CASEINSENSITIVE_NUMBERS = 4,
};

// For FloatToString: as many digits as the value needs to read back exactly (possibly with an
// exponent), and as many digits before the point as the value has.
static const Int STRING_MAXIMUM_PRECISION = -2;
static const Int STRING_DYNAMIC_DIGITS = -1;

class String {
 public:
  String() = default;
  explicit String(const Char* s) : text_(s ? s : "") {}
  // The stand-in host's own constructors, for its application.
  explicit String(std::string s) : text_(std::move(s)) {}
  explicit String(std::string_view s) : text_(s) {}

  Int GetLength() const { return static_cast<Int>(text_.size()); }
  Bool IsEmpty() const { return text_.empty(); }
  Bool IsPopulated() const { return !text_.empty(); }
  Utf32Char operator[](Int pos) const {
    return static_cast<UChar>(text_[static_cast<size_t>(pos)]);
  }

  // The order of two texts; by default numbers inside them compare by their value.
  COMPARERESULT Compare(const String& str,
                        STRINGCOMPARISON mode = STRINGCOMPARISON::UNICODE_NUMBERS) const;
  bool operator==(const String& o) const { return text_ == o.text_; }
  bool operator!=(const String& o) const { return text_ != o.text_; }

  // A number as text. charsBeforeComma: STRING_DYNAMIC_DIGITS, STRING_MAXIMUM_PRECISION (the
  // shortest text that reads back as the same number) or the least count of digits before the
  // point, padded with fillChar. digitsAfterComma: exactly that many decimals, or when negative up
  // to -digitsAfterComma of them (trailing zeros left out). At most 20 decimals are written; a
  // negative zero is written without its sign.
  static String FloatToString(Float64 value, Int charsBeforeComma = STRING_DYNAMIC_DIGITS,
                              Int digitsAfterComma = -3, Bool exponent = false,
                              Utf32Char fillChar = ' ');
  static String IntToString(Int32 v) { return String(std::to_string(v)); }
  static String IntToString(Int64 v) { return String(std::to_string(v)); }

  String& operator+=(const String& o) {
    text_ += o.text_;
    return *this;
  }

  // The stand-in host's own access to the bytes, for its application.
  const std::string& GetStdString() const { return text_; }
  const char* c_str() const { return text_.c_str(); }

 protected:
  std::string text_;
};

inline String operator""_s(const char* s, std::size_t n) { return String(std::string_view(s, n)); }

}  // namespace maxon
