// --list-params: what a user can set on an object of a kind.
#pragma once

#include <ostream>
#include <string>

namespace zvapp {

// Prints each parameter of the kind: identifier, id, type, default, range (its ends in their
// shortest form, an open end left empty), choices and label. False with a message for an unknown
// kind.
bool ListParams(const std::string& kind, std::ostream& out, std::string* error);

}  // namespace zvapp
