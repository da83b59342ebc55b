// Words as a user types them, before they mean anything: blanks trimmed, case folded, whole
// numbers, numbers and hex colours read from a whole text.
#pragma once

#include <string>

#include "c4d.h"

namespace zvapp {

std::string Lower(std::string s);
std::string Trim(const std::string& s);
// A whole text as one whole number (blanks around allowed).
bool ParseWhole(const std::string& text, Int32* out);
bool ParseWhole(const std::string& text, Int64* out);
// A whole text as one finite or infinite number (std::from_chars' syntax, blanks around allowed).
bool ParseNumber(const std::string& text, double* out);
// "#rrggbb" as a colour of 0 ... 1 channels.
bool ParseHexColour(const std::string& text, Vector* out);

}  // namespace zvapp
