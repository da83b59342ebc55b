// Timing of the winding repair on the meshes the host hands to it most: many small
// separate solids, and single large primitives.
#include <benchmark/benchmark.h>

#include <random>

#include "mesh_ops.h"

namespace zvhost {
namespace {

void Append(MeshData& into, const MeshData& piece, const Vec3& offset) {
  const int base = static_cast<int>(into.points.size());
  for (const Vec3& p : piece.points)
    into.points.push_back({p.x + offset.x, p.y + offset.y, p.z + offset.z});
  for (const Quad& q : piece.polygons)
    into.polygons.push_back({q.a + base, q.b + base, q.c + base, q.d + base});
}

void Flip(Quad& q) { q = q.c == q.d ? Quad{q.a, q.c, q.b, q.b} : Quad{q.a, q.d, q.c, q.b}; }

// 51 x 51 separate solids of one kind (0 cubes, 1 pyramids, 2 icosahedra), about half of
// their polygons wound the wrong way.
MeshData ScrambledPieces(int kind) {
  const MeshData piece = kind == 0   ? MakeCube({1, 1, 1}, 1, 1, 1)
                         : kind == 1 ? MakePyramid({1, 1, 1}, 1, 1, 1)
                                     : MakeIcosahedron(1);
  MeshData mesh;
  for (int i = 0; i < 51 * 51; ++i) Append(mesh, piece, {3.0 * (i % 51), 0, 3.0 * (i / 51)});
  std::mt19937 random(1);
  for (Quad& q : mesh.polygons) {
    if (random() % 2) Flip(q);
  }
  return mesh;
}

// Input differs per run, so the copy is kept out of the timing.
void BM_AlignScrambledPieces(benchmark::State& state) {
  const MeshData scrambled = ScrambledPieces(static_cast<int>(state.range(0)));
  MeshData mesh;
  for (auto _ : state) {
    state.PauseTiming();
    mesh = scrambled;
    state.ResumeTiming();
    benchmark::DoNotOptimize(AlignNormals(mesh));
  }
  state.counters["polygons"] = static_cast<double>(scrambled.polygons.size());
}
BENCHMARK(BM_AlignScrambledPieces)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Already aligned input: the full analysis with nothing to flip.
void BM_AlignAlignedPieces(benchmark::State& state) {
  MeshData mesh = ScrambledPieces(static_cast<int>(state.range(0)));
  AlignNormals(mesh);
  for (auto _ : state) benchmark::DoNotOptimize(AlignNormals(mesh));
  state.counters["polygons"] = static_cast<double>(mesh.polygons.size());
}
BENCHMARK(BM_AlignAlignedPieces)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// One large closed surface, inside out; the poles are vertices of high degree.
void BM_AlignInsideOutSphere(benchmark::State& state) {
  MeshData mesh = MakeSphere(1, static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(AlignNormals(mesh));  // flips it every run
  state.counters["polygons"] = static_cast<double>(mesh.polygons.size());
}
BENCHMARK(BM_AlignInsideOutSphere)->Arg(64)->Arg(1024)->Unit(benchmark::kMicrosecond);

void BM_MakeSphere(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MakeSphere(1, static_cast<int>(state.range(0))));
}
BENCHMARK(BM_MakeSphere)->Arg(64)->Arg(1024)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zvhost
