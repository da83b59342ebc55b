// The runner's main job: evaluate the default plot with its four components and write a GLB, and
// the largest surface to a GLB. The module is loaded from the plug-in folder as the runner does.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "export_gltf.h"
#include "plot_scene.h"

namespace {

using zvbench::EnsureModule;

// Everything the default command does after loading the module: build the scene, evaluate it
// and make the GLB.
void BM_DefaultPlotToGlb(benchmark::State& state) {
  if (!EnsureModule(state)) return;
  for (auto _ : state) {
    zvapp::PlotScene scene;
    std::string error;
    for (const char* kind : {"mesh", "cage", "grid", "labels"}) scene.Add(kind, &error);
    scene.Set("mesh.vertexcolors=true", &error);
    scene.Evaluate();
    std::vector<unsigned char> glb;
    zvapp::ExportReport report;
    zvapp::BuildGlb(scene.Document(), "bench", &glb, &report, &error);
    benchmark::DoNotOptimize(glb.data());
  }
}
BENCHMARK(BM_DefaultPlotToGlb)->Unit(benchmark::kMillisecond);

void BM_Surface1000ToGlb(benchmark::State& state) {
  if (!EnsureModule(state)) return;
  for (auto _ : state) {
    zvapp::PlotScene scene;
    std::string error;
    scene.Add("mesh", &error);
    scene.Set("resolution=1000", &error);
    scene.Evaluate();
    std::vector<unsigned char> glb;
    zvapp::ExportReport report;
    zvapp::BuildGlb(scene.Document(), "bench", &glb, &report, &error);
    benchmark::DoNotOptimize(glb.data());
  }
}
BENCHMARK(BM_Surface1000ToGlb)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
