#include "printable.h"

#include "host_utf8.h"

namespace zvapp {
namespace {

// Whether the well-formed sequence `c` (its first `n` bytes) stays as it is.
bool Shows(std::string_view c, std::size_t n) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(c[i]); };
  if (n == 1) return byte(0) >= 0x20 && byte(0) != 0x7F;
  if (n == 2) return !(byte(0) == 0xC2 && byte(1) < 0xA0);  // U+0080 to U+009F
  if (n == 3 && byte(0) == 0xE2) {
    const unsigned at = (byte(1) << 8) | byte(2);
    if (at >= 0x80AA && at <= 0x80AE) return false;  // U+202A to U+202E
    if (at >= 0x81A6 && at <= 0x81A9) return false;  // U+2066 to U+2069
  }
  return true;
}

void Escape(std::string_view bytes, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
  }
}

}  // namespace

std::string Printable(std::string_view s, std::size_t maxBytes) {
  std::string out;
  while (!s.empty() && out.size() < maxBytes) {
    const std::size_t n = zvhost::Utf8SequenceLength(s);
    if (n == 0)
      Escape(s.substr(0, 1), out);
    else if (Shows(s, n))
      out.append(s.substr(0, n));
    else
      Escape(s.substr(0, n), out);
    s.remove_prefix(n == 0 ? 1 : n);
  }
  if (!s.empty()) out += "...";
  return out;
}

std::string Quoted(std::string_view s, std::size_t maxBytes) {
  return "\"" + Printable(s, maxBytes) + "\"";
}

}  // namespace zvapp
