// The host's parallel loops: the iterations of a loop whose iterations do not depend on each
// other, spread over the host's workers, the calling thread among them.
#pragma once

#include <type_traits>

#include "maxon/job.h"

namespace maxon {

class ParallelFor {
 public:
  // How many iterations a worker takes at a time, at most.
  struct Granularity {
    constexpr Granularity() : value(16) {}
    explicit constexpr Granularity(Int granularity) : value(granularity) {}
    Int value;
  };

  // Runs obj(i) for i = from ... to - 1 and returns when every iteration has run. Which worker
  // runs which iteration is not fixed; a loop started from inside an iteration runs on the calling
  // worker alone.
  template <typename FROMTYPE, typename INDEXTYPE, typename LOOP>
  static auto Dynamic(FROMTYPE from, INDEXTYPE to, const LOOP& obj,
                      const Granularity& granularity = Granularity()) -> decltype(obj(to)) {
    static_assert(std::is_void_v<decltype(obj(to))>, "the stand-in host runs loops of no result");
    RunRanges(
        Int(from), Int(to), granularity.value,
        [](const void* loop, Int a, Int b) {
          const LOOP& body = *static_cast<const LOOP*>(loop);
          for (Int i = a; i < b; ++i) body(static_cast<INDEXTYPE>(i));
        },
        &obj);
  }

 private:
  using RangeJob = void (*)(const void* loop, Int from, Int to);
  // Runs job(loop, a, b) over [from, to) in ranges of at most `granularity` indices, fewer when
  // there are too few to keep every worker busy.
  static void RunRanges(Int from, Int to, Int granularity, RangeJob job, const void* loop);
};

}  // namespace maxon
