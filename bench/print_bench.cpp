// Printing a large plot: the solid of resolution 1000 built and written as STL, against the open
// surface of the same plot built and written as GLB (the peer), each through the runner's own
// path: the scene, its evaluation and the staged file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "export_gltf.h"
#include "export_print.h"
#include "plot_scene.h"

namespace {

using zvbench::EnsureModule;

void Write(benchmark::State& state, const char* solid, const std::string& path) {
  if (!EnsureModule(state)) return;
  for (auto _ : state) {
    zvapp::PlotScene scene;
    std::string error;
    scene.Add("mesh", &error);
    scene.Set("resolution=1000", &error);
    scene.Set(std::string("mesh.solid=") + solid, &error);
    scene.Evaluate();
    zvapp::StagedOutputs staged;
    bool ok = false;
    if (zvapp::IsPrintFile(path)) {
      zvapp::PrintReport report;
      ok = zvapp::StagePrintFile(staged, scene.Document(), path, {}, &report, &error);
    } else {
      zvapp::ExportReport report;
      ok = zvapp::StageGltfFile(staged, scene.Document(), path, "bench", &report, &error);
    }
    if (!ok || !staged.Commit(&error)) state.SkipWithError(error.c_str());
  }
  std::remove(path.c_str());
}

void BM_OpenSurface1000ToGlb(benchmark::State& state) {
  Write(state, "off", "/tmp/zv_bench_surface.glb");
}
BENCHMARK(BM_OpenSurface1000ToGlb)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BaseSolid1000ToStl(benchmark::State& state) {
  Write(state, "base", "/tmp/zv_bench_solid.stl");
}
BENCHMARK(BM_BaseSolid1000ToStl)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ShellSolid1000ToStl(benchmark::State& state) {
  Write(state, "shell", "/tmp/zv_bench_shell.stl");
}
BENCHMARK(BM_ShellSolid1000ToStl)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
