// User text echoed in a message (a formula, an object's name, a piece of a file), made safe to
// print on a terminal: whatever would act instead of showing is written as its bytes, \xNN. That is
// control characters (C0, DEL, and C1, with which some terminals start escape sequences too), bytes
// that are no UTF-8, and the bidirectional overrides and isolates that make a text read other than
// it is. A long text is cut, at a character, and ends in "...".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zvapp {

// About two lines of a terminal.
inline constexpr std::size_t kMaxPrintableBytes = 300;

std::string Printable(std::string_view s, std::size_t maxBytes = kMaxPrintableBytes);
// Printable, in double quotes.
std::string Quoted(std::string_view s, std::size_t maxBytes = kMaxPrintableBytes);

}  // namespace zvapp
