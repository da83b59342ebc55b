// The host's texts and file names.
#include <algorithm>
#include <cctype>
#include <string_view>

#include "c4d_file.h"
#include "c4d_string.h"
#include "number_text.h"

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int Sign(int r) { return (r > 0) - (r < 0); }

// Byte by byte, optionally without case, optionally with runs of digits compared as numbers.
int CompareTexts(std::string_view a, std::string_view b, bool foldCase, bool numbers) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    if (numbers && IsDigit(ca) && IsDigit(cb)) {
      size_t ea = i, eb = j;
      while (ea < a.size() && IsDigit(static_cast<unsigned char>(a[ea]))) ++ea;
      while (eb < b.size() && IsDigit(static_cast<unsigned char>(b[eb]))) ++eb;
      // Leading zeros do not count; the longer run of the rest is the larger number.
      size_t za = i, zb = j;
      while (za + 1 < ea && a[za] == '0') ++za;
      while (zb + 1 < eb && b[zb] == '0') ++zb;
      if (ea - za != eb - zb) return ea - za < eb - zb ? -1 : 1;
      if (const int r = a.substr(za, ea - za).compare(b.substr(zb, eb - zb)); r != 0)
        return Sign(r);
      i = ea;
      j = eb;
      continue;
    }
    const int x = foldCase ? std::tolower(ca) : ca;
    const int y = foldCase ? std::tolower(cb) : cb;
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  return Sign(static_cast<int>(a.size() - i) - static_cast<int>(b.size() - j));
}

// Trailing zeros of the decimals and a point left alone at the end go.
std::string TrimDecimals(std::string text) {
  if (text.find('.') == std::string::npos || text.find_first_of("en") != std::string::npos)
    return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}

}  // namespace

maxon::COMPARERESULT maxon::String::Compare(const String& str, STRINGCOMPARISON mode) const {
  const bool foldCase = mode == STRINGCOMPARISON::CASEINSENSITIVE ||
                        mode == STRINGCOMPARISON::CASEINSENSITIVE_NUMBERS;
  const bool numbers = mode == STRINGCOMPARISON::UNICODE_NUMBERS ||
                       mode == STRINGCOMPARISON::CASEINSENSITIVE_NUMBERS;
  const int r = CompareTexts(text_, str.text_, foldCase, numbers);
  return r < 0 ? COMPARERESULT::LESS : (r > 0 ? COMPARERESULT::GREATER : COMPARERESULT::EQUAL);
}

maxon::String maxon::String::FloatToString(Float64 value, Int charsBeforeComma,
                                           Int digitsAfterComma, Bool exponent,
                                           Utf32Char fillChar) {
  if (charsBeforeComma == STRING_MAXIMUM_PRECISION)
    return String(zvhost::FormatFloat(value, -1, -1, false, U' '));
  const int vvk = charsBeforeComma < 0 ? -1 : static_cast<int>(std::min<Int>(charsBeforeComma, 64));
  if (digitsAfterComma >= 0) {
    const int nnk = static_cast<int>(std::min<Int>(digitsAfterComma, 20));
    return String(zvhost::FormatFloat(value, vvk, nnk, exponent, fillChar));
  }
  const int most = static_cast<int>(std::min<Int>(-digitsAfterComma, 20));
  return String(TrimDecimals(zvhost::FormatFloat(value, vvk, most, exponent, fillChar)));
}

Bool String::FindFirst(const String& cs, Int32* pos, Int start) const {
  if (start < 0) start = 0;
  if (static_cast<size_t>(start) > text_.size()) return false;
  const size_t at = text_.find(cs.text_, static_cast<size_t>(start));
  if (at == std::string::npos) return false;
  if (pos) *pos = static_cast<Int32>(at);
  return true;
}

void String::InsertDeprecated(Int pos, const String& cs) {
  const size_t at = std::min(static_cast<size_t>(std::max<Int>(pos, 0)), text_.size());
  text_.insert(at, cs.text_);
}

void String::Delete(Int pos, Int count) {
  if (pos < 0 || count <= 0 || static_cast<size_t>(pos) >= text_.size()) return;
  text_.erase(static_cast<size_t>(pos), static_cast<size_t>(count));
}

String String::SubStr(Int start, Int count) const {
  if (start < 0 || count <= 0 || static_cast<size_t>(start) >= text_.size()) return String();
  return String(text_.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

const Filename operator+(const Filename& fname1, const Filename& fname2) {
  if (fname1.path_.IsEmpty()) return fname2;
  std::string joined = fname1.path_.GetStdString();
  if (joined.back() != '/') joined += '/';
  return Filename(String(joined + fname2.path_.GetStdString()));
}
