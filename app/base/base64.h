// Base64 (RFC 4648, padded) for the binary data the runner writes into text: a glTF file's buffer
// as a data URI and the HTML page's frames.
//
// Our own rather than tinygltf's encoder: tinygltf declares its encoder only in its
// implementation section, takes a 32-bit length and appends a character at a time, about three
// times slower on a plot's buffer.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zvapp {

std::string Base64(std::span<const unsigned char> data);

// The same text made from bytes that come in pieces of any length, handed on to `out` a piece at a
// time: the text of the whole, without the whole ever held.
class Base64Stream {
 public:
  using Sink = std::function<bool(std::string_view)>;
  explicit Base64Stream(Sink out) : out_(std::move(out)) {}
  bool Put(std::string_view bytes);
  // Writes what is left, padded.
  bool Finish();

 private:
  Sink out_;
  unsigned char carry_[3] = {0, 0, 0};
  std::size_t carried_ = 0;
};

}  // namespace zvapp
