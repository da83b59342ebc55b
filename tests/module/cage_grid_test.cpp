// The cage and grid components driven as the host drives them: created under a plot, evaluated
// with the document, read from their contour caches.
#include <cmath>
#include <limits>
#include <memory>

#include "host_records.h"
#include "o3dplot.h"
#include "o3dplotcage.h"
#include "o3dplotgrid.h"
#include "sdk_support.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_cage.h"
#include "zvplot_grid.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

const SplineObject* CacheSpline(const BaseObject* op) {
  const BaseObject* cache = op->GetCache();
  if (!cache || !cache->IsInstanceOf(Ospline)) return nullptr;
  return static_cast<const SplineObject*>(cache);
}

std::vector<Int32> SegmentCounts(const SplineObject* s) {
  std::vector<Int32> counts;
  for (Int32 i = 0; i < s->GetSegmentCount(); ++i) counts.push_back(s->GetSegmentR()[i].cnt);
  return counts;
}

struct SplineDeleter {
  void operator()(SplineObject* s) const {
    BaseObject* op = s;
    BaseObject::Free(op);
  }
};
using OwnedSpline = std::unique_ptr<SplineObject, SplineDeleter>;

// A contour built directly, outside the document's evaluation.
OwnedSpline Contour(BaseObject* op, BaseDocument* doc) {
  auto* data = op->GetNodeData<ObjectData>();
  return OwnedSpline(data->GetContour(op, doc, 1.0, nullptr));
}

// Evaluations until the component keeps its contour; the frames it rebuilt on are spent.
void Settle(zvtest::Scene& s, BaseObject* op) {
  for (int i = 0; i < 4; ++i) {
    const Int64 before = zvhost::GetCacheBuildCount(*op);
    s.Evaluate();
    if (zvhost::GetCacheBuildCount(*op) == before) return;
  }
  FAIL() << "the component rebuilds at every evaluation";
}

// ---- Cage ------------------------------------------------------------------------------------

class CageTest : public ::testing::Test {
 protected:
  zvtest::Scene s;
  BaseObject* cage = s.Add(ID_ZVPLOTCAGE);

  const SplineObject* Build() {
    s.Evaluate();
    return CacheSpline(cage);
  }
};

TEST_F(CageTest, BareCageIsTwoFacesAndFourEdges) {
  const SplineObject* sp = Build();
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->GetInterpolationType(), SPLINETYPE::LINEAR);
  EXPECT_TRUE(sp->IsClosed());
  ASSERT_EQ(sp->GetPointCount(), 16);
  EXPECT_EQ(SegmentCounts(sp), (std::vector<Int32>{4, 4, 2, 2, 2, 2}));
  // Size 200 and height 50 by default: a 200 x 50 x 200 box on the plot's origin.
  const Vector* p = sp->GetPointR();
  EXPECT_EQ(p[0], Vector(-100, 25, -100));
  EXPECT_EQ(p[2], Vector(100, 25, 100));
  EXPECT_EQ(p[5], Vector(100, -25, -100));
  EXPECT_EQ(p[10], Vector(100, 25, -100));
  EXPECT_EQ(p[11], Vector(100, -25, -100));
  EXPECT_EQ(p[15], Vector(-100, -25, 100));

  ObjectColorProperties color;
  cage->GetColorProperties(&color);
  EXPECT_EQ(color.usecolor, ID_BASEOBJECT_USECOLOR_AUTOMATIC);
  EXPECT_EQ(color.color, Vector(0.8, 0.8, 0.8));
}

TEST_F(CageTest, LevelsRunFromTheTopDown) {
  s.Set(cage, O3DPLOTCAGE_LEVELS, GeData(Int32(3)));
  const SplineObject* sp = Build();
  ASSERT_TRUE(sp);
  ASSERT_EQ(sp->GetPointCount(), 28);
  ASSERT_EQ(sp->GetSegmentCount(), 9);
  const Float expected[] = {12.5, 0.0, -12.5};
  for (int j = 0; j < 3; ++j) {
    const Vector* rect = sp->GetPointR() + 16 + 4 * j;
    EXPECT_EQ(sp->GetSegmentR()[6 + j].cnt, 4);
    EXPECT_EQ(rect[0], Vector(-100, expected[j], -100)) << "level " << j;
    EXPECT_EQ(rect[2], Vector(100, expected[j], 100)) << "level " << j;
  }
}

TEST_F(CageTest, SectionsCutTheSideIntoEqualParts) {
  s.Set(cage, O3DPLOTCAGE_SECTIONS, GeData(Int32(1)));
  const SplineObject* one = Build();
  ASSERT_TRUE(one);
  ASSERT_EQ(one->GetPointCount(), 24);
  ASSERT_EQ(one->GetSegmentCount(), 8);
  const Vector* p = one->GetPointR() + 16;
  EXPECT_EQ(p[0], Vector(0, 25, -100));  // the plane x = 0 ...
  EXPECT_EQ(p[2], Vector(0, -25, 100));
  EXPECT_EQ(p[4], Vector(-100, 25, 0));  // ... then the plane z = 0
  EXPECT_EQ(p[7], Vector(-100, -25, 0));

  s.Set(cage, O3DPLOTCAGE_SECTIONS, GeData(Int32(2)));
  const SplineObject* two = Build();
  ASSERT_TRUE(two);
  ASSERT_EQ(two->GetPointCount(), 32);
  EXPECT_EQ(SegmentCounts(two), (std::vector<Int32>{4, 4, 2, 2, 2, 2, 4, 4, 4, 4}));
  const Float third = 100.0 / 3.0;
  p = two->GetPointR() + 16;
  EXPECT_NEAR(p[0].x, -third, 1e-9);
  EXPECT_NEAR(p[4].z, -third, 1e-9);
  EXPECT_NEAR(p[8].x, third, 1e-9);
  EXPECT_NEAR(p[12].z, third, 1e-9);
}

TEST_F(CageTest, NegativeCountsAndZeroSizeKeepTheBareLayout) {
  // Values the description never offers, written as the module itself could write them.
  cage->GetDataInstance()->SetInt32(O3DPLOTCAGE_LEVELS, -4);
  cage->GetDataInstance()->SetInt32(O3DPLOTCAGE_SECTIONS, std::numeric_limits<Int32>::min());
  cage->Message(MSG_UPDATE);
  s.Set(s.plot, O3DPLOT_SIZE, GeData(0.0));
  const SplineObject* sp = Build();
  ASSERT_TRUE(sp);
  ASSERT_EQ(sp->GetPointCount(), 16);
  EXPECT_EQ(sp->GetSegmentCount(), 6);
  for (Int32 i = 0; i < 16; ++i) {
    EXPECT_EQ(sp->GetPointR()[i].x, 0.0);
    EXPECT_EQ(sp->GetPointR()[i].z, 0.0);
  }
}

TEST_F(CageTest, WithoutPlotOrWhenDisabledTheSplineIsEmpty) {
  BaseObject* orphan = BaseObject::Alloc(ID_ZVPLOTCAGE);
  s.doc->InsertObject(orphan, nullptr, nullptr);
  s.Evaluate();
  const SplineObject* sp = CacheSpline(orphan);
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->GetPointCount(), 0);
  ObjectColorProperties color;
  orphan->GetColorProperties(&color);
  EXPECT_EQ(color.usecolor, ID_BASEOBJECT_USECOLOR_AUTOMATIC);  // coloured even without a plot

  // The host builds nothing for a disabled generator, so ask the cage itself.
  zvhost::SetEnabled(cage, false);
  OwnedSpline off = Contour(cage, s.doc);
  ASSERT_TRUE(off);
  EXPECT_EQ(off->GetPointCount(), 0);
  EXPECT_FALSE(zvhost::IsParameterEnabled(cage, O3DPLOTCAGE_LEVELS));
  zvhost::SetEnabled(cage, true);
  EXPECT_TRUE(zvhost::IsParameterEnabled(cage, O3DPLOTCAGE_LEVELS));
}

TEST_F(CageTest, RebuildsOnlyForFramesAndPlotBoxChanges) {
  s.SetFrame(5);
  Settle(s, cage);
  const Int64 settled = zvhost::GetCacheBuildCount(*cage);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*cage), settled) << "nothing changed, yet the cage rebuilt";

  s.SetFrame(6);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*cage), settled + 1);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*cage), settled + 1);

  s.Set(s.plot, O3DPLOT_HEIGHT, GeData(80.0));
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*cage), settled + 2);
  EXPECT_EQ(CacheSpline(cage)->GetPointR()[0].y, 40.0);
  const auto* data = s.Data<ZVPlotCage>(cage);
  EXPECT_EQ(data->GetWatch().height, 80.0);
  EXPECT_EQ(data->GetWatch().size, 200.0);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*cage), settled + 2);
}

TEST_F(CageTest, DirtyCheckMarksOncePerChangeAndCopiesRemember) {
  s.SetFrame(3);
  Settle(s, cage);
  auto* data = s.Data<ZVPlotCage>(cage);
  const UInt32 dirty = cage->GetDirty(DIRTYFLAGS::DATA);
  data->CheckDirty(cage, s.doc);
  EXPECT_EQ(cage->GetDirty(DIRTYFLAGS::DATA), dirty);

  // A frame change is seen once; the plot's box is not compared in that same check.
  s.SetFrame(4);
  s.plot->GetDataInstance()->SetFloat(O3DPLOT_SIZE, 300.0);
  data->CheckDirty(cage, s.doc);
  EXPECT_EQ(cage->GetDirty(DIRTYFLAGS::DATA), dirty + 1);
  EXPECT_EQ(data->GetWatch().frame, 4);
  EXPECT_EQ(data->GetWatch().size, 200.0);
  data->CheckDirty(cage, s.doc);
  EXPECT_EQ(cage->GetDirty(DIRTYFLAGS::DATA), dirty + 2);
  EXPECT_EQ(data->GetWatch().size, 300.0);
  data->CheckDirty(cage, s.doc);
  EXPECT_EQ(cage->GetDirty(DIRTYFLAGS::DATA), dirty + 2);

  // A NaN never equals what was seen, so it is never taken as unchanged.
  s.plot->GetDataInstance()->SetFloat(O3DPLOT_HEIGHT, std::nan(""));
  data->CheckDirty(cage, s.doc);
  data->CheckDirty(cage, s.doc);
  EXPECT_EQ(cage->GetDirty(DIRTYFLAGS::DATA), dirty + 4);
  s.plot->GetDataInstance()->SetFloat(O3DPLOT_HEIGHT, 50.0);
  data->CheckDirty(cage, s.doc);

  BaseObject* copy = zvtest::Clone(cage);
  ASSERT_TRUE(copy);
  copy->InsertUnderLast(s.plot);
  const UInt32 copyDirty = copy->GetDirty(DIRTYFLAGS::DATA);
  copy->GetNodeData<ObjectData>()->CheckDirty(copy, s.doc);
  EXPECT_EQ(copy->GetDirty(DIRTYFLAGS::DATA), copyDirty) << "the copy forgot what was seen";
}

// ---- Grid ------------------------------------------------------------------------------------

class GridTest : public ::testing::Test {
 protected:
  zvtest::Scene s;
  BaseObject* grid = s.Add(ID_ZVPLOTGRID);
  ZVPlot* plot = s.Data<ZVPlot>(s.plot);

  const SplineObject* Build() {
    s.Evaluate();
    return CacheSpline(grid);
  }
  void SetStep(Int32 step) { s.Set(grid, O3DPLOTGRID_STEP, GeData(step)); }
  // Whether the segment runs along the line of x index `line` (or z index when !constantX).
  bool IsLine(const SplineObject* sp, Int32 segment, Int32 line, bool constantX) const {
    const Int32 n = plot->GetResolution() + 1;
    const Vector* p = sp->GetPointR() + Int64(segment) * n;
    for (Int32 j = 0; j < n; ++j) {
      const Int64 k = constantX ? Int64(line) * n + j : line + Int64(j) * n;
      if (!(p[j] == plot->GetSamples()[k].position)) return false;
    }
    return true;
  }
  // The spline holds exactly the lines given, first along z, then along x, each of n points.
  void ExpectLines(const SplineObject* sp, const std::vector<Int32>& lines) const {
    const Int32 n = plot->GetResolution() + 1;
    const Int32 m = static_cast<Int32>(lines.size());
    ASSERT_EQ(sp->GetPointCount(), 2 * m * n);
    ASSERT_EQ(sp->GetSegmentCount(), 2 * m);
    for (Int32 i = 0; i < 2 * m; ++i) {
      EXPECT_EQ(sp->GetSegmentR()[i].cnt, n);
      EXPECT_FALSE(sp->GetSegmentR()[i].closed);
    }
    for (Int32 i = 0; i < m; ++i) {
      EXPECT_TRUE(IsLine(sp, i, lines[i], true)) << "x line " << lines[i];
      EXPECT_TRUE(IsLine(sp, m + i, lines[i], false)) << "z line " << lines[i];
    }
  }
};

TEST_F(GridTest, DefaultGridIsEveryRowAndColumn) {
  const SplineObject* sp = Build();
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->GetInterpolationType(), SPLINETYPE::CUBIC);
  ASSERT_EQ(sp->GetPointCount(), 5202);
  ASSERT_EQ(sp->GetSegmentCount(), 102);
  // Segment 0 runs along z at the lowest x, segment 51 along x at the lowest z.
  const Vector* p = sp->GetPointR();
  EXPECT_EQ(p[0], plot->GetSamples()[0].position);
  EXPECT_EQ(p[50].x, -100.0);
  EXPECT_EQ(p[50].z, 100.0);
  EXPECT_EQ(p[51 * 51 + 50].x, 100.0);
  EXPECT_EQ(p[51 * 51 + 50].z, -100.0);
  std::vector<Int32> all(51);
  for (Int32 i = 0; i < 51; ++i) all[i] = i;
  ExpectLines(sp, all);

  ObjectColorProperties color;
  grid->GetColorProperties(&color);
  EXPECT_EQ(color.usecolor, ID_BASEOBJECT_USECOLOR_AUTOMATIC);
  EXPECT_EQ(color.color, Vector(0.8, 0.8, 0.8));
}

TEST_F(GridTest, StepsWriteEveryStepthLineAndAlwaysTheLast) {
  SetStep(10);
  ExpectLines(Build(), {0, 10, 20, 30, 40, 50});
  SetStep(7);
  ExpectLines(Build(), {0, 7, 14, 21, 28, 35, 42, 49, 50});
  SetStep(50);
  ExpectLines(Build(), {0, 50});
  SetStep(1000);
  ExpectLines(Build(), {0, 50});
}

TEST_F(GridTest, StepBelowOneIsTakenAsOne) {
  for (Int32 step : {0, -3, std::numeric_limits<Int32>::min()}) {
    grid->GetDataInstance()->SetInt32(O3DPLOTGRID_STEP, step);
    const SplineObject* sp = Build();  // the start frame: rebuilt at every evaluation
    ASSERT_TRUE(sp);
    EXPECT_EQ(sp->GetPointCount(), 5202) << "step " << step;
  }
}

TEST_F(GridTest, EmptyOrStaleSamplesGiveAnEmptySpline) {
  Build();
  // Only the caches are built, so the plot cannot re-sample in between. Switched off, the plot
  // lets its samples go.
  s.plot->Message(MSG_DEFORMMODECHANGED);
  s.doc->ExecutePasses(nullptr, true, false, true, BUILDFLAGS::NONE);
  ASSERT_TRUE(CacheSpline(grid));
  EXPECT_EQ(CacheSpline(grid)->GetPointCount(), 0);

  s.Evaluate();
  ASSERT_EQ(plot->GetSamples().GetCount(), 2601);
  // The plot takes a new resolution but has not sampled it yet: 2601 samples are not (R + 1)².
  s.plot->GetDataInstance()->SetInt32(O3DPLOT_RESOLUTION, 49);
  plot->ReadParameters(s.plot->GetDataInstance());
  s.doc->ExecutePasses(nullptr, true, false, true, BUILDFLAGS::NONE);
  EXPECT_EQ(CacheSpline(grid)->GetPointCount(), 0);

  s.plot->GetDataInstance()->SetInt32(O3DPLOT_RESOLUTION, 50);
  s.plot->Message(MSG_DEFORMMODECHANGED);
  EXPECT_EQ(Build()->GetPointCount(), 5202) << "the grid did not come back after re-sampling";
}

TEST_F(GridTest, WithoutPlotTheSplineIsEmptyAndUncoloured) {
  BaseObject* orphan = BaseObject::Alloc(ID_ZVPLOTGRID);
  s.doc->InsertObject(orphan, nullptr, nullptr);
  s.Evaluate();
  ASSERT_TRUE(CacheSpline(orphan));
  EXPECT_EQ(CacheSpline(orphan)->GetPointCount(), 0);
  ObjectColorProperties color;
  orphan->GetColorProperties(&color);
  EXPECT_EQ(color.usecolor, ID_BASEOBJECT_USECOLOR_OFF);
}

TEST_F(GridTest, RebuildsAtEveryEvaluationOnTheStartFrame) {
  s.doc->SetMinTime(BaseTime(10, 30));
  s.SetFrame(10);
  for (int i = 1; i <= 3; ++i) {
    s.Evaluate();
    EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), i);
  }
  s.SetFrame(11);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), 4);
  Settle(s, grid);  // off the start frame the grid comes to rest
}

TEST_F(GridTest, HeightChangeRebuildsAndIsFollowedUpOnce) {
  s.SetFrame(7);
  Settle(s, grid);
  const Int64 settled = zvhost::GetCacheBuildCount(*grid);
  auto* data = s.Data<ZVPlotGrid>(grid);

  s.Set(s.plot, O3DPLOT_HEIGHT, GeData(100.0));
  s.Evaluate();  // the dirty check sees the new height ...
  EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), settled + 1);
  EXPECT_TRUE(data->IsUpdatePending());
  // ... the curves follow the plot's rescaled samples ...
  EXPECT_EQ(CacheSpline(grid)->GetPointR()[100], plot->GetSamples()[100].position);
  s.Evaluate();  // ... and the next execution step marks the grid once more
  EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), settled + 2);
  EXPECT_FALSE(data->IsUpdatePending());
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), settled + 2);

  s.Set(s.plot, O3DPLOT_SIZE, GeData(50.0));
  s.Evaluate();
  EXPECT_EQ(CacheSpline(grid)->GetPointR()[0], Vector(-25, plot->GetSamples()[0].position.y, -25));
}

TEST_F(GridTest, FollowsTheFrameAndAPlotResampledOffTheStartFrame) {
  s.SetFrame(2);
  Settle(s, grid);
  const Int64 settled = zvhost::GetCacheBuildCount(*grid);
  s.SetFrame(3);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), settled + 1);

  // A new formula on a frame other than the start frame must not leave the old curves behind.
  constexpr Int32 kInside = 10 * 51 + 5;  // x index 10, z index 5: off the formula's zeros
  ASSERT_NE(CacheSpline(grid)->GetPointR()[kInside].y, 0.0);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x * 0")));
  s.Evaluate();
  ASSERT_TRUE(CacheSpline(grid));
  EXPECT_EQ(CacheSpline(grid)->GetPointR()[kInside].y, 0.0);
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(10)));
  s.Evaluate();
  EXPECT_EQ(CacheSpline(grid)->GetPointCount(), 2 * 11 * 11);
  const Int64 after = zvhost::GetCacheBuildCount(*grid);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*grid), after);
}

TEST_F(GridTest, CopiesCarryWhatWasSeen) {
  s.SetFrame(4);
  Settle(s, grid);
  s.Set(s.plot, O3DPLOT_SIZE, GeData(120.0));
  s.Evaluate();
  ASSERT_TRUE(s.Data<ZVPlotGrid>(grid)->IsUpdatePending());
  BaseObject* copy = zvtest::Clone(grid);
  ASSERT_TRUE(copy);
  copy->InsertUnderLast(s.plot);
  EXPECT_TRUE(copy->GetNodeData<ZVPlotGrid>()->IsUpdatePending());
  const UInt32 dirty = copy->GetDirty(DIRTYFLAGS::DATA);
  copy->GetNodeData<ObjectData>()->CheckDirty(copy, s.doc);
  EXPECT_EQ(copy->GetDirty(DIRTYFLAGS::DATA), dirty);
}

}  // namespace
