#include "words.h"

#include <cctype>
#include <charconv>

namespace zvapp {
namespace {

template <typename T>
bool ParseWholeAs(const std::string& text, T* out) {
  const std::string t = Trim(text);
  const char* end = t.data() + t.size();
  auto [ptr, ec] = std::from_chars(t.data(), end, *out);
  return !t.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  const size_t b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ParseWhole(const std::string& text, Int32* out) { return ParseWholeAs(text, out); }
bool ParseWhole(const std::string& text, Int64* out) { return ParseWholeAs(text, out); }

bool ParseNumber(const std::string& text, double* out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* end = t.data() + t.size();
  auto [ptr, ec] = std::from_chars(t.data(), end, *out);
  return ec == std::errc() && ptr == end;
}

bool ParseHexColour(const std::string& text, Vector* out) {
  const std::string t = Trim(text);
  if (t.size() != 7 || t[0] != '#') return false;
  unsigned rgb = 0;
  auto [ptr, ec] = std::from_chars(t.data() + 1, t.data() + 7, rgb, 16);
  if (ec != std::errc() || ptr != t.data() + 7) return false;
  *out = Vector(((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
  return true;
}

}  // namespace zvapp
