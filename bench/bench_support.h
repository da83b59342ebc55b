// What the benchmarks share: loading the module as the runner does.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "host_app.h"

namespace zvbench {

// Loads the module from its plug-in folder once; skips the benchmark with the reason otherwise.
inline bool EnsureModule(benchmark::State& state) {
  if (zvhost::IsModuleLoaded()) return true;
  std::string error;
  if (zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) return true;
  state.SkipWithError(error.c_str());
  return false;
}

}  // namespace zvbench
