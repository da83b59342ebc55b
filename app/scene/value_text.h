// Parameter values written as text, as a user gives them on the command line or the studio sends
// them: numbers, choices by name, switches, vectors and colours, texts, gradients and fonts.
#pragma once

#include <string>

#include "c4d.h"
#include "host_app.h"
#include "words.h"

namespace zvapp {

// The value a text gives for a parameter of that description type; false with a message that
// names the parameter, what it takes and what it got.
bool ParseValue(const zvhost::ParameterInfo& p, const std::string& text, GeData* out,
                std::string* error);

}  // namespace zvapp
