// The plot's evaluation on the host's workers: for every preset, the samples, the value range, the
// colours and the surface are the plain sequential path's, bit for bit, with 1, 2 and 7 workers.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "formula_reference.h"
#include "host_app.h"
#include "test_support.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"
#include "zvplot_mesh.h"

namespace {

template <typename T>
bool SameBits(const T* a, const T* b, size_t count) {
  return count == 0 || std::memcmp(a, b, count * sizeof(T)) == 0;
}

// Restores the default worker count when a test ends.
struct Workers {
  explicit Workers(Int32 n) { zvhost::SetThreadCount(n); }
  ~Workers() { zvhost::SetThreadCount(0); }
};

struct Variant {
  const char* name;
  Int32 id;
  GeData value;
};

TEST(PlotParallel, EveryPresetMatchesThePlainSequentialPath) {
  // Settings that change what a node does: clipping, absolute colours, uneven and odd sides, and a
  // z range that crosses zero so that signed zeros and poles turn up.
  const Variant variants[] = {{"defaults", 0, GeData()},
                              {"clip", O3DPLOT_HEIGHTMODE, GeData(O3DPLOT_HEIGHTMODE_CLIP)},
                              {"absolute", O3DPLOT_GRADIENT_ABSOLUTE, GeData(true)},
                              {"data colours", O3DPLOT_COLORRANGE, GeData(O3DPLOT_COLORRANGE_DATA)},
                              {"resolution 37", O3DPLOT_RESOLUTION, GeData(37)}};
  for (const Int32 workers : {1, 2, 7}) {
    Workers use(workers);
    ASSERT_EQ(GeGetCurrentThreadCount(), workers);
    for (Int32 preset = 0; preset < PRESET_COUNT; ++preset) {
      for (const Variant& variant : variants) {
        zvtest::Scene s;
        s.Set(s.plot, O3DPLOT_FORMULA, GeData(String(PresetFormula(preset))));
        if (variant.id != 0) s.Set(s.plot, variant.id, variant.value);
        s.Evaluate();
        const zvtest::ReferenceResult ref = zvtest::ReferenceEvaluation(s.plot, s.doc);
        const ZVPlotSampleView view = s.Samples();
        const std::string what = std::string(PresetFormula(preset)) + ", " + variant.name + ", " +
                                 std::to_string(workers) + " workers";
        ASSERT_EQ(view.count, static_cast<Int64>(ref.samples.size())) << what;
        EXPECT_TRUE(SameBits(view.samples, ref.samples.data(), ref.samples.size())) << what;
        EXPECT_TRUE(SameBits(&view.valueMin, &ref.valueMin, 1)) << what;
        EXPECT_TRUE(SameBits(&view.valueMax, &ref.valueMax, 1)) << what;
      }
    }
  }
}

// The surface built from the samples of any worker count is the one built from the reference's.
TEST(PlotParallel, SurfacesAreTheReferenceSurface) {
  for (const Int32 workers : {1, 2, 7}) {
    Workers use(workers);
    for (Int32 preset = 0; preset < PRESET_COUNT; ++preset) {
      zvtest::Scene s;
      s.Set(s.plot, O3DPLOT_FORMULA, GeData(String(PresetFormula(preset))));
      s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(24));
      BaseObject* mesh = s.Add(ID_ZVPLOTMESH);
      s.Set(mesh, O3DPLOTMESH_VERTEXCOLORS, GeData(true));
      s.Evaluate();
      const zvtest::ReferenceResult ref = zvtest::ReferenceEvaluation(s.plot, s.doc);
      PlotSampleArray refSamples;
      ASSERT_TRUE(refSamples.Reserve(static_cast<Int64>(ref.samples.size())));
      for (const PlotSample& p : ref.samples) refSamples.Append(p);
      BaseObject* holder = BaseObject::Alloc(Onull);
      PolygonObject* expected = BuildSurface(holder, mesh->GetDataInstanceRef(), refSamples, 24);
      auto* got = static_cast<PolygonObject*>(mesh->GetCache());
      ASSERT_TRUE(expected && got && got->IsInstanceOf(Opolygon)) << PresetFormula(preset);
      ASSERT_EQ(got->GetPointCount(), expected->GetPointCount());
      ASSERT_EQ(got->GetPolygonCount(), expected->GetPolygonCount());
      EXPECT_TRUE(SameBits(got->GetPointR(), expected->GetPointR(),
                           static_cast<size_t>(got->GetPointCount())))
          << PresetFormula(preset) << ", " << workers << " workers";
      EXPECT_TRUE(SameBits(got->GetPolygonR(), expected->GetPolygonR(),
                           static_cast<size_t>(got->GetPolygonCount())));
      const auto* colours = static_cast<const VertexColorTag*>(got->GetTag(Tvertexcolor));
      const auto* refColours = static_cast<const VertexColorTag*>(expected->GetTag(Tvertexcolor));
      ASSERT_TRUE(colours && refColours);
      EXPECT_TRUE(SameBits(static_cast<const Float32*>(colours->GetDataAddressR()),
                           static_cast<const Float32*>(refColours->GetDataAddressR()),
                           4 * static_cast<size_t>(colours->GetDataCount())));
      BaseObject* built = expected;
      BaseObject::Free(built);
      BaseObject::Free(holder);
    }
  }
}

// Ranges of a loop reach every index once, whatever the workers and the range's granularity, and
// a loop inside a job runs on its own worker.
TEST(HostParallelLoop, EveryIndexOnceAndNestedLoopsInline) {
  for (const Int32 workers : {1, 2, 7}) {
    Workers use(workers);
    for (const Int64 granularity : {1, 3, 1000}) {
      std::vector<int> hits(997, 0);
      std::atomic<int> badWorker{0};
      zvhost::ParallelFor(0, 997, granularity, [&](Int64 from, Int64 to, Int32 worker) {
        if (worker < 0 || worker >= workers) badWorker = 1;
        for (Int64 i = from; i < to; ++i) ++hits[static_cast<size_t>(i)];
        zvhost::ParallelFor(0, 4, 1, [&](Int64, Int64, Int32 inner) {
          if (inner != 0) badWorker = 1;
        });
      });
      EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), 997) << workers << " " << granularity;
      EXPECT_EQ(badWorker.load(), 0);
    }
  }
  int calls = 0;
  zvhost::ParallelFor(5, 5, 1, [&](Int64, Int64, Int32) { ++calls; });
  EXPECT_EQ(calls, 0);
}

}  // namespace
