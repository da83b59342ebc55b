// A host function a plug-in calls fails as the host's interface says, with its failure value
// (nothing returned, false): an allocation that fails inside the host never leaves it as an
// exception, which would unwind through the plug-in's code.
#pragma once

#include <new>
#include <stdexcept>

namespace zvhost {

template <typename T, typename Body>
T FailingWith(T failure, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return failure;
  } catch (const std::length_error&) {  // a count past what a container can hold
    return failure;
  }
}

}  // namespace zvhost
