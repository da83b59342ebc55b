#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "host_utf8.h"

namespace zvhost {
namespace {

constexpr int kMaxDecimals = 20;
constexpr int kMaxIntegerDigits = 64;
constexpr std::ptrdiff_t kMaxShortFixed = 40;
// Longest text: the fixed form of the largest double (309 digits) with sign and 20 decimals.
constexpr std::size_t kBufferSize = 400;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when the mantissa of a written number has no nonzero digit.
bool IsZeroText(std::string_view text) {
  for (const char c : text) {
    if (c == 'e') break;
    if (IsDigit(c) && c != '0') return false;
  }
  return true;
}

// The padding's text. A fill that names no character (NUL, a surrogate, beyond U+10FFFF) pads
// with blanks, as promised in number_text.h, where the shared encoder would write U+FFFD.
std::string FillText(char32_t fill) {
  const bool character = fill != 0 && fill <= 0x10FFFF && (fill < 0xD800 || fill > 0xDFFF);
  std::string text;
  AppendUtf8(&text, character ? fill : U' ');
  return text;
}

}  // namespace

std::string FormatFloat(double v, int vvk, int nnk, bool e, char32_t fill) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";

  char buffer[kBufferSize];
  char* const end = buffer + kBufferSize;
  const int decimals = std::min(nnk, kMaxDecimals);
  std::to_chars_result r;
  if (e) {
    r = nnk < 0 ? std::to_chars(buffer, end, v, std::chars_format::scientific)
                : std::to_chars(buffer, end, v, std::chars_format::scientific, decimals);
  } else if (nnk >= 0) {
    r = std::to_chars(buffer, end, v, std::chars_format::fixed, decimals);
  } else {
    r = std::to_chars(buffer, end, v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr - buffer > kMaxShortFixed) r = std::to_chars(buffer, end, v);
  }
  if (r.ec != std::errc()) r = std::to_chars(buffer, end, v);  // not reached: the buffer fits all

  std::string_view text(buffer, static_cast<std::size_t>(r.ptr - buffer));
  if (text.front() == '-' && IsZeroText(text)) text.remove_prefix(1);
  const bool negative = text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;

  int integer_digits = 0;
  while (static_cast<std::size_t>(integer_digits) < digits.size() &&
         IsDigit(digits[static_cast<std::size_t>(integer_digits)])) {
    ++integer_digits;
  }
  const int pad = std::max(0, std::min(vvk, kMaxIntegerDigits) - integer_digits);
  if (pad == 0) return std::string(text);

  std::string out;
  const std::string fill_text = FillText(fill);
  out.reserve(text.size() + fill_text.size() * static_cast<std::size_t>(pad));
  const bool pad_after_sign = fill == U'0';
  if (negative && pad_after_sign) out.push_back('-');
  for (int i = 0; i < pad; ++i) out.append(fill_text);
  if (negative && !pad_after_sign) out.push_back('-');
  out.append(digits);
  return out;
}

}  // namespace zvhost
