// Parameter values written as text, as a user gives them on the command line or the studio sends
// them: numbers, choices by name, switches, vectors and colours, texts, gradients and fonts.
#pragma once

#include <string>

#include "c4d.h"
#include "host_app.h"

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

// The value a text gives for a parameter of that description type; false with a message that
// names the parameter, what it takes and what it got.
bool ParseValue(const zvhost::ParameterInfo& p, const std::string& text, GeData* out,
                std::string* error);

}  // namespace zvapp
