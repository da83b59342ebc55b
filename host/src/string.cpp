// The host's text type and file names.
#include <algorithm>
#include <cctype>

#include "c4d_string.h"
#include "number_text.h"

Bool String::FindFirst(const String& cs, Int32* pos, Int32 start) const {
  if (start < 0) start = 0;
  if (static_cast<size_t>(start) > text_.size()) return false;
  const size_t at = text_.find(cs.text_, static_cast<size_t>(start));
  if (at == std::string::npos) return false;
  if (pos) *pos = static_cast<Int32>(at);
  return true;
}

void String::Insert(Int32 pos, const String& cs) {
  const size_t at = std::min(static_cast<size_t>(std::max(pos, 0)), text_.size());
  text_.insert(at, cs.text_);
}

void String::Delete(Int32 pos, Int32 count) {
  if (pos < 0 || count <= 0 || static_cast<size_t>(pos) >= text_.size()) return;
  text_.erase(static_cast<size_t>(pos), static_cast<size_t>(count));
}

String String::SubStr(Int32 start, Int32 count) const {
  if (start < 0 || count <= 0 || static_cast<size_t>(start) >= text_.size()) return String();
  return String(text_.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

Int32 String::Compare(const String& cs, STRINGCOMPARISON mode) const {
  if (this == &cs) return 0;
  int r = 0;
  if (mode == STRINGCOMPARISON::CASEINSENSITIVE) {
    const size_t n = std::min(text_.size(), cs.text_.size());
    for (size_t i = 0; i < n && r == 0; ++i) {
      const int a = std::tolower(static_cast<unsigned char>(text_[i]));
      const int b = std::tolower(static_cast<unsigned char>(cs.text_[i]));
      r = (a > b) - (a < b);
    }
    if (r == 0) r = (text_.size() > cs.text_.size()) - (text_.size() < cs.text_.size());
  } else {
    r = text_.compare(cs.text_);  // unsigned character order
  }
  return (r > 0) - (r < 0);
}

String String::FloatToString(Float v, Int32 vvk, Int32 nnk, Bool e, UInt32 xchar) {
  return String(zvhost::FormatFloat(v, vvk, nnk, e, static_cast<char32_t>(xchar)));
}

Filename Filename::operator+(const Filename& part) const {
  if (path_.IsEmpty()) return part;
  std::string joined = path_.GetStdString();
  if (joined.back() != '/') joined += '/';
  return Filename(String(joined + part.path_.GetStdString()));
}
