#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

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

void AppendUtf8(std::string* out, char32_t c) {
  if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = U' ';
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
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
  out.reserve(text.size() + 4 * static_cast<std::size_t>(pad));
  const bool pad_after_sign = fill == U'0';
  if (negative && pad_after_sign) out.push_back('-');
  for (int i = 0; i < pad; ++i) AppendUtf8(&out, fill);
  if (negative && !pad_after_sign) out.push_back('-');
  out.append(digits);
  return out;
}

}  // namespace zvhost
