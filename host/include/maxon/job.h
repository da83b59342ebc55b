// The host's job system as plug-ins see it: which worker runs the current job, and how many there
// are.
#pragma once

#include "maxon/apibase.h"

namespace maxon {

class JobRef {
 public:
  // The index of the worker running the current job: 0 ... GetCurrentThreadCount() - 1, and 0 on
  // a thread that is no worker.
  static Int GetCurrentWorkerThreadIndex();
  // The number of the host's workers (at least 1).
  static Int GetCurrentThreadCount();
};

}  // namespace maxon
