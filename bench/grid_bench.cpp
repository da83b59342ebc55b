// The grid component's build through the host's document evaluation, at the largest resolution:
// its rows and columns at step 1 (every line), the peer, against its level lines. On the start
// frame the grid rebuilds at every evaluation while the plot keeps its samples, so an evaluation
// times the plot's unchanged step and the grid's contour.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "host_records.h"
#include "plot_scene.h"

namespace {

// Arguments: the resolution, then 0 for rows and columns or the number of level lines, and the
// place of the lines (0 on the surface, 2 on the surface and the floor).
void BM_GridBuild(benchmark::State& state) {
  if (!zvbench::EnsureModule(state)) return;
  zvapp::PlotScene scene;
  std::string error;
  const auto levels = state.range(1);
  bool ok = scene.Add("grid", &error) &&
            scene.Set("resolution=" + std::to_string(state.range(0)), &error) &&
            scene.Set("grid.step=1", &error);
  if (ok && levels > 0)
    ok = scene.Set("grid.mode=1", &error) &&
         scene.Set("grid.levels=" + std::to_string(levels), &error) &&
         scene.Set("grid.place=" + std::to_string(state.range(2)), &error);
  if (!ok) {
    state.SkipWithError(error.c_str());
    return;
  }
  scene.Evaluate();
  BaseObject* grid = scene.Find("grid");
  const Int64 builds = zvhost::GetCacheBuildCount(*grid);
  for (auto _ : state) scene.Evaluate();
  if (zvhost::GetCacheBuildCount(*grid) - builds != state.iterations())
    state.SkipWithError("the grid did not rebuild at every evaluation");
  const BaseObject* cache = grid->GetCache();
  if (cache && cache->IsInstanceOf(Ospline)) {
    const auto* spline = static_cast<const SplineObject*>(cache);
    state.counters["points"] = spline->GetPointCount();
    state.counters["segments"] = spline->GetSegmentCount();
  }
  state.SetLabel(levels > 0 ? "level lines" : "rows and columns");
}
BENCHMARK(BM_GridBuild)
    ->Args({1000, 0, 0})
    ->Args({1000, 100, 0})
    ->Args({1000, 100, 2})
    ->Args({1000, 1000, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace
