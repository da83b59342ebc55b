// The host's worker threads, offered to plug-ins for loops whose iterations do not depend on each
// other, in the shape of the host's own job facilities.
#pragma once

#include <type_traits>

#include "c4d_basetypes.h"

// How many workers the host's parallel loops use (at least 1).
Int32 GeGetCurrentThreadCount();

// One job of a parallel loop: the indices [from, to) and the worker running them, from 0 to
// GeGetCurrentThreadCount() - 1. A worker runs one range at a time, so whatever a job keeps per
// worker needs no lock.
using ParallelForJob = void (*)(void* data, Int64 from, Int64 to, Int32 worker);

// Runs the job over [from, to) in ranges of `granularity` indices (the last one shorter) on the
// host's workers, the calling thread among them, and returns when every range has run. Which worker
// runs which range is not fixed. A loop started from inside a job runs on the calling worker alone.
void ParallelForRanges(Int64 from, Int64 to, Int64 granularity, ParallelForJob job, void* data);

// The same with any callable taking (from, to, worker).
template <typename Fn>
void ParallelFor(Int64 from, Int64 to, Int64 granularity, Fn&& fn) {
  using Callable = std::remove_reference_t<Fn>;
  ParallelForRanges(
      from, to, granularity,
      [](void* data, Int64 a, Int64 b, Int32 worker) { (*static_cast<Callable*>(data))(a, b, worker); },
      const_cast<void*>(static_cast<const void*>(&fn)));
}
