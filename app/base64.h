// Base64 (RFC 4648, padded) for the binary data the runner writes into text: a glTF file's buffer
// as a data URI and the HTML page's frames.
//
// Our own rather than tinygltf's encoder: tinygltf declares its encoder only in its
// implementation section, takes a 32-bit length and appends a character at a time, about three
// times slower on a plot's buffer.
#pragma once

#include <span>
#include <string>

namespace zvapp {

std::string Base64(std::span<const unsigned char> data);

}  // namespace zvapp
