// The memory a command may take. Before each evaluation the runner asks every object of the scene
// what its next build will allocate (the module answers MSG_ZVPLOT_ESTIMATEMEMORY), adds what its
// own outputs hold, and refuses past the limit with the estimate and the limit in human units:
// "primitives at resolution 999 need about 26 GB; the limit is 12 GB". The limit is half the
// machine's memory, or ZV_MEMORY_LIMIT (bytes, or a number with K, M or G). Should an allocation
// fail all the same, the command ends with a message at its edge, its staged outputs discarded.
#pragma once

#include <functional>
#include <string>

#include "plot_scene.h"

namespace zvapp {

struct MemoryEstimate {
  Int64 bytes = 0;
  std::string what;  // the largest part: "primitives", "surface", ...
  Int32 resolution = 0;
};
MemoryEstimate EstimateEvaluation(PlotScene& scene, const HeldOutputs& held);

// "12 GB", "690 MB", "3.5 KB": binary units, three figures at most.
std::string HumanBytes(Int64 bytes);
// "12000000000", "12G", "512M", "64K": false for anything else.
bool ParseMemorySize(const std::string& text, Int64* bytes);
// ZV_MEMORY_LIMIT, or half the machine's memory; false with a message when the variable is not a
// size.
bool MemoryLimit(Int64* bytes, std::string* error);

// Whether `bytes` fit the limit; false with the refusal "WHAT need about ...; the limit is ..."
// otherwise.
bool FitsBudget(Int64 bytes, const std::string& what, std::string* error);
// Evaluates the scene when its estimate fits the limit; false with the refusal otherwise.
bool EvaluateWithinBudget(PlotScene& scene, const ActionSession& session, const HeldOutputs& held,
                          std::string* error);

// Names what the command is doing while it lives, for the message of an allocation that fails.
class Doing {
 public:
  explicit Doing(std::string what);
  ~Doing();
  Doing(const Doing&) = delete;
  Doing& operator=(const Doing&) = delete;

 private:
  std::string previous_;
  int exceptions_;
};

// Runs the command; an allocation that fails ends it with "out of memory while ..." (status 3)
// instead of ending the process.
int RunWithinMemory(const std::function<int()>& command);

}  // namespace zvapp
