#include "base64.h"

#include <algorithm>
#include <cstddef>

namespace zvapp {

std::string Base64(std::span<const unsigned char> data) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], kDigits[v & 63]};
  }
  if (i + 1 == data.size()) {
    const unsigned v = data[i] << 16;
    out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == data.size()) {
    const unsigned v = (data[i] << 16) | (data[i + 1] << 8);
    out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], '='};
  }
  return out;
}

bool Base64Stream::Put(std::string_view bytes) {
  constexpr std::size_t kPiece = 3 * (std::size_t{1} << 18);  // whole groups of three bytes
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t size = bytes.size();
  while (carried_ > 0 && size > 0) {  // the group the last piece began
    carry_[carried_++] = *data++;
    --size;
    if (carried_ == 3) {
      carried_ = 0;
      if (!out_(Base64(carry_))) return false;
    }
  }
  if (carried_ > 0) return true;  // still short of a group
  const std::size_t whole = size / 3 * 3;
  for (std::size_t at = 0; at < whole; at += kPiece)
    if (!out_(Base64(std::span(data + at, std::min(kPiece, whole - at))))) return false;
  for (std::size_t i = whole; i < size; ++i) carry_[carried_++] = data[i];
  return true;
}

bool Base64Stream::Finish() {
  const std::size_t n = carried_;
  carried_ = 0;
  return n == 0 || out_(Base64(std::span<const unsigned char>(carry_, n)));
}

}  // namespace zvapp
