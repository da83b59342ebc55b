// How the runner's checks refuse: false, with the message in *error when the caller asked for one.
#pragma once

#include <string>

namespace zvapp {

inline bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

}  // namespace zvapp
