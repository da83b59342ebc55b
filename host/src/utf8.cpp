#include "host_utf8.h"

namespace zvhost {

std::size_t Utf8SequenceLength(std::string_view s) {
  if (s.empty()) return 0;
  const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  if (byte(0) < 0x80) return 1;
  // By its first byte: the sequence's length and the range of its second byte. The ranges leave
  // out overlong forms, surrogates and code points beyond U+10FFFF (RFC 3629).
  struct Lead {
    unsigned char first, last, lo, hi;
    std::size_t length;
  };
  static constexpr Lead kLeads[] = {{0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
                                    {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3},
                                    {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
                                    {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
  for (const Lead& l : kLeads) {
    if (byte(0) < l.first || byte(0) > l.last) continue;
    if (s.size() < l.length || byte(1) < l.lo || byte(1) > l.hi) return 0;
    for (std::size_t i = 2; i < l.length; ++i)
      if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return l.length;
  }
  return 0;
}

bool IsUtf8(std::string_view s) {
  while (!s.empty()) {
    const std::size_t n = Utf8SequenceLength(s);
    if (n == 0) return false;
    s.remove_prefix(n);
  }
  return true;
}

namespace {
char32_t CodePoint(std::string_view s, std::size_t length) {
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t cp = static_cast<unsigned char>(s[0]) & kLeadMask[length];
  for (std::size_t i = 1; i < length; ++i)
    cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  return cp;
}
}  // namespace

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  while (!s.empty()) {
    const std::size_t n = Utf8SequenceLength(s);
    out.push_back(n == 0 ? kReplacementCharacter : CodePoint(s, n));
    s.remove_prefix(n == 0 ? 1 : n);
  }
  return out;
}

std::string ValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  while (!s.empty()) {
    const std::size_t n = Utf8SequenceLength(s);
    if (n == 0) {
      AppendUtf8(&out, kReplacementCharacter);
      s.remove_prefix(1);
    } else {
      out.append(s.substr(0, n));
      s.remove_prefix(n);
    }
  }
  return out;
}

void AppendUtf8(std::string* out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
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

}  // namespace zvhost
