// Building the mesh component's geometry from a sample set: the surface at the default resolution
// and at the largest one the description allows, and both kinds of markers at the default one.
// The builders run against the host library directly; the module need not be loaded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

#include "c4d.h"
#include "zvplot.h"
#include "zvplot_mesh.h"

namespace {

// Samples laid out as the plot lays them out: x-major, on a 200 wide grid, coloured by height.
// Made once per resolution: the framework calls a benchmark several times.
const PlotSampleArray& Samples(Int32 resolution) {
  static std::map<Int32, std::unique_ptr<PlotSampleArray>> made;
  std::unique_ptr<PlotSampleArray>& samples = made[resolution];
  if (samples) return *samples;
  samples = std::make_unique<PlotSampleArray>();
  const Int32 side = resolution + 1;
  samples->Reserve(static_cast<Int64>(side) * side);
  const Float step = 200.0 / resolution;
  for (Int32 i = 0; i < side; ++i) {
    for (Int32 j = 0; j < side; ++j) {
      const Float y = 25.0 * std::sin(i * 0.1) * std::cos(j * 0.1);
      const Float t = (y + 25.0) / 50.0;
      samples->Append({Vector(i * step - 100.0, y, j * step - 100.0), Vector(t, 1.0 - t, 0.5)});
    }
  }
  return *samples;
}

// Frees what a build returned, outside the timed region: the host frees an old cache on its own.
void Discard(benchmark::State& state, BaseObject* op) {
  state.PauseTiming();
  BaseObject::Free(op);
  state.ResumeTiming();
}

// Arguments: resolution, vertex colours (0 or 1).
void BM_Surface(benchmark::State& state) {
  const auto resolution = static_cast<Int32>(state.range(0));
  const PlotSampleArray& samples = Samples(resolution);
  BaseContainer bc;
  bc.SetBool(O3DPLOTMESH_VERTEXCOLORS, state.range(1) != 0);
  bc.SetBool(O3DPLOTMESH_PHONG, true);
  BaseObject* component = BaseObject::Alloc(Onull);  // keeps the vertex colour copy
  for (auto _ : state) {
    PolygonObject* poly = BuildSurface(component, bc, samples, resolution);
    if (!poly) state.SkipWithError("surface not built");
    benchmark::DoNotOptimize(poly);
    Discard(state, poly);
  }
  BaseObject::Free(component);
  state.SetItemsProcessed(state.iterations() * samples.GetCount());
}
BENCHMARK(BM_Surface)
    ->Args({50, 0})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

// Argument: marker shape (cube, pyramid, icosahedron), at resolution 50.
void BM_MarkerMesh(benchmark::State& state) {
  const PlotSampleArray& samples = Samples(50);
  for (auto _ : state) {
    PolygonObject* poly =
        BuildMarkerMesh(samples, 1.0, static_cast<Int32>(state.range(0)), nullptr);
    if (!poly) state.SkipWithError("markers not built");
    Discard(state, poly);
  }
  state.SetItemsProcessed(state.iterations() * samples.GetCount());
}
BENCHMARK(BM_MarkerMesh)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.2);

// Argument: primitive (cube, sphere, pyramid, icosahedron), at resolution 50: 2601 objects.
void BM_PrimitiveMarkers(benchmark::State& state) {
  const PlotSampleArray& samples = Samples(50);
  for (auto _ : state) {
    BaseObject* null =
        BuildPrimitiveMarkers(samples, 1.0, static_cast<Int32>(state.range(0)), nullptr);
    if (!null || !null->GetDown()) state.SkipWithError("primitives not built");
    Discard(state, null);
  }
  state.SetItemsProcessed(state.iterations() * samples.GetCount());
}
BENCHMARK(BM_PrimitiveMarkers)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(0.2);

}  // namespace
