// UTF-8 as the host reads and writes texts: one decoder shared by the host's text layout, formula
// messages and resources, and by the runner's files and exports.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zvhost {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Length of the well-formed UTF-8 sequence that `s` starts with; 0 when it starts with none (or is
// empty). Overlong forms, surrogates and code points beyond U+10FFFF are not well-formed.
std::size_t Utf8SequenceLength(std::string_view s);
// Whether the whole text is well-formed UTF-8.
bool IsUtf8(std::string_view s);
// The code points of a text; each byte that starts no well-formed sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view s);
// The text with each byte that starts no well-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view s);
// Appends one code point; a surrogate or a value beyond U+10FFFF is written as U+FFFD.
void AppendUtf8(std::string* out, char32_t c);

}  // namespace zvhost
