// The grid's level lines: the marching squares on hand-made samples (saddles, holes, flat plots,
// samples at a line's height, the point limit), and the grid component in level lines mode on real
// plots, whose lines must stand at the heights the plot gives their values.
#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "o3dplot.h"
#include "o3dplotgrid.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_ids.h"
#include "zvplot_levels.h"

namespace {

constexpr Float kNaN = std::numeric_limits<Float>::quiet_NaN();

struct SplineDeleter {
  void operator()(SplineObject* s) const {
    BaseObject* op = s;
    BaseObject::Free(op);
  }
};
using OwnedSpline = std::unique_ptr<SplineObject, SplineDeleter>;

struct Piece {
  std::vector<Vector> points;
  bool closed = false;
};

std::vector<Piece> Pieces(const SplineObject* sp) {
  std::vector<Piece> pieces;
  const Vector* p = sp->GetPointR();
  for (Int32 k = 0; k < sp->GetSegmentCount(); p += sp->GetSegmentR()[k++].cnt)
    pieces.push_back(
        {std::vector<Vector>(p, p + sp->GetSegmentR()[k].cnt), sp->GetSegmentR()[k].closed});
  EXPECT_EQ(p, sp->GetPointR() + sp->GetPointCount()) << "segments do not cover the points";
  return pieces;
}

std::set<Float> Heights(const SplineObject* sp) {
  std::set<Float> heights;
  for (Int32 k = 0; k < sp->GetPointCount(); ++k) heights.insert(sp->GetPointR()[k].y);
  return heights;
}

// ---- The algorithm on hand-made samples --------------------------------------------------------

LevelChoice Step(Float step, Int32 count = 10) {
  LevelChoice c;
  c.count = count;
  c.step = step;
  c.perPositive = c.perNegative = 1.0;
  return c;
}

// The lines of n x n samples at x = i, z = j (x-major) of the given heights.
OwnedSpline Lines(Int32 n, const std::vector<Float>& heights, const LevelChoice& choice,
                  LevelPlaces places = {}) {
  std::vector<PlotSample> s;
  for (Int32 i = 0; i < n; ++i)
    for (Int32 j = 0; j < n; ++j) s.push_back({Vector(i, heights[i * n + j], j), Vector()});
  return OwnedSpline(BuildLevelLines(s.data(), n, choice, places));
}

TEST(LevelLines, SaddleCellsJoinAsTheirCentreSays) {
  // One cell: (0,0) and (1,1) above the line at 0, (0,1) at -1 and (1,0) at -0.5 below.
  const struct {
    Float d;  // the height of (1,1)
    std::set<std::pair<Float, Float>> cut;
  } cases[] = {{1.0, {{0, 1}, {1, 0}}},   // centre 0.125 above: the low corners cut off
               {0.2, {{0, 0}, {1, 1}}}};  // centre -0.075 below: the high ones
  for (const auto& c : cases) {
    OwnedSpline sp = Lines(2, {1.0, -1.0, -0.5, c.d}, Step(10.0));
    std::set<std::pair<Float, Float>> cut;
    for (const Piece& piece : Pieces(sp.get())) {
      ASSERT_EQ(piece.points.size(), 2u);
      // The corner nearest the piece's middle is the one it cuts off.
      const Vector m = (piece.points[0] + piece.points[1]) * 0.5;
      cut.insert({std::round(m.x), std::round(m.z)});
    }
    EXPECT_EQ(cut, c.cut) << "(1,1) at " << c.d;
  }
}

// A ring of 12 crossings round the 3 x 3 top of a 5 x 5 hill; a hole just outside opens the ring
// there, and no piece enters the cells of the hole.
TEST(LevelLines, HolesOpenTheLinesThatMeetThem) {
  std::vector<Float> hill(25);
  for (Int32 k = 0; k < 25; ++k)
    hill[k] = 3.25 - ((k / 5 - 2) * (k / 5 - 2) + (k % 5 - 2) * (k % 5 - 2));
  const std::vector<Piece> ring = Pieces(Lines(5, hill, Step(10.0)).get());
  ASSERT_EQ(ring.size(), 1u);
  EXPECT_EQ(ring[0].points.size(), 12u);
  EXPECT_TRUE(ring[0].closed);

  for (const Float hole : {kNaN, HUGE_VAL, -HUGE_VAL}) {
    hill[2] = hole;  // (0, 2)
    const std::vector<Piece> open = Pieces(Lines(5, hill, Step(10.0)).get());
    ASSERT_EQ(open.size(), 1u) << hole;
    EXPECT_FALSE(open[0].closed);
    ASSERT_EQ(open[0].points.size(), 11u);
    for (size_t k = 0; k + 1 < open[0].points.size(); ++k) {
      const Vector m = (open[0].points[k] + open[0].points[k + 1]) * 0.5;
      EXPECT_FALSE(m.x < 1 && m.z > 1 && m.z < 3) << "a piece crosses the hole's cells";
    }
  }
}

TEST(LevelLines, FlatEmptyOrUnplaceableDrawNothing) {
  for (const auto& heights : {std::vector<Float>(9, 7.0), std::vector<Float>(9, kNaN),
                              std::vector<Float>{HUGE_VAL, 1, 1, 1, kNaN, 1, 1, 1, -HUGE_VAL}}) {
    EXPECT_EQ(Lines(3, heights, Step(0.0))->GetPointCount(), 0);
    EXPECT_EQ(Lines(3, heights, Step(0.5))->GetPointCount(), 0);
  }
  EXPECT_EQ(Lines(1, {1.0}, Step(0.0))->GetPointCount(), 0);
  const std::vector<Float> ramp = {0, 0, 0, 1, 1, 1, 2, 2, 2};
  EXPECT_EQ(Lines(3, ramp, Step(0.0, 1), LevelPlaces{false, false, 0})->GetPointCount(), 0);
  // A step of 0, below 0 or not a number takes the count (one line, through the middle row); a
  // step with no multiple strictly inside, or that no height can hold, draws nothing.
  for (const auto& [step, points] : std::vector<std::pair<Float, Int32>>{
           {0.0, 3}, {-1.0, 3}, {kNaN, 3}, {2.0, 0}, {1e308, 0}, {HUGE_VAL, 0}})
    EXPECT_EQ(Lines(3, ramp, Step(step, 1))->GetPointCount(), points) << step;
}

// A sample at a line's height counts as above it: a line along such samples runs through them,
// and a peak that only touches the line draws nothing there.
TEST(LevelLines, SamplesAtALinesHeight) {
  const std::vector<Piece> row = Pieces(Lines(3, {0, 0, 0, 1, 1, 1, 2, 2, 2}, Step(1.0)).get());
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].points,
            (std::vector<Vector>{Vector(1, 1, 0), Vector(1, 1, 1), Vector(1, 1, 2)}));
  // (0,0) at 2 is cut off by two points; the ring round the peak (1,1) at 1 shrinks to the peak.
  const std::vector<Piece> peak = Pieces(Lines(3, {2, 0, 0, 0, 1, 0, 0, 0, 0}, Step(1.0)).get());
  ASSERT_EQ(peak.size(), 1u);
  EXPECT_EQ(peak[0].points, (std::vector<Vector>{Vector(0, 1, 0.5), Vector(0.5, 1, 0)}));
}

// Each line crosses every edge of a checkerboard: 1000 lines would need 180,000 points, and they
// keep to the limit of 200 by drawing the lowest alone; a tiny step keeps its line at 0.
TEST(LevelLines, ManyLinesKeepToThePointLimit) {
  std::vector<Float> board(100);
  for (Int32 k = 0; k < 100; ++k) board[k] = (k / 10 + k % 10) % 2 ? 1.0 : -1.0;
  ASSERT_EQ(LevelLinePointLimit(10), 200);
  OwnedSpline one = Lines(10, board, Step(0.0, 1000));
  EXPECT_EQ(one->GetPointCount(), 180);
  EXPECT_EQ(Heights(one.get()), std::set<Float>{-1.0 + 2.0 / 1001});
  OwnedSpline both = Lines(10, board, Step(0.0, 1000), LevelPlaces{true, true, -5.0});
  EXPECT_EQ(Heights(both.get()), (std::set<Float>{-5.0, -1.0 + 2.0 / 1001}));
  EXPECT_EQ(Heights(Lines(10, board, Step(1e-9)).get()), std::set<Float>{0.0});
}

// ---- The grid component in level lines mode ----------------------------------------------------

class GridLevels : public ::testing::Test {
 protected:
  zvtest::Scene s;
  BaseObject* grid = s.Add(ID_ZVPLOTGRID);
  ZVPlot* plot = s.Data<ZVPlot>(s.plot);

  void SetUp() override { s.Set(grid, O3DPLOTGRID_MODE, GeData(Int32(O3DPLOTGRID_MODE_LEVELS))); }
  const SplineObject* Build() {
    s.Evaluate();
    const BaseObject* cache = grid->GetCache();
    return cache && cache->IsInstanceOf(Ospline) ? static_cast<const SplineObject*>(cache)
                                                 : nullptr;
  }
  void SetStep(Float step) { s.Set(grid, O3DPLOTGRID_LEVELSTEP, GeData(step)); }
  // Every point lies on an edge of the sample grid of the plot's 200 wide box, where the edge's
  // two samples interpolated give its height (a point at a sample is that sample).
  void ExpectOnTheSurface(const SplineObject* sp) const {
    const Int32 n = plot->GetResolution() + 1;
    const auto y = [&](Int32 i, Int32 j) {
      return plot->GetSamples()[Int64(i) * n + j].position.y;
    };
    for (Int32 k = 0; k < sp->GetPointCount(); ++k) {
      const Vector p = sp->GetPointR()[k];
      const Float u = (p.x + 100.0) * (n - 1) / 200.0, v = (p.z + 100.0) * (n - 1) / 200.0;
      const bool atI = std::fabs(u - std::round(u)) < 1e-9,
                 atJ = std::fabs(v - std::round(v)) < 1e-9;
      ASSERT_TRUE(atI || atJ) << "point " << k << " is on no edge";
      const Int32 i = Int32(atI ? std::round(u) : std::floor(u)),
                  j = Int32(atJ ? std::round(v) : std::floor(v));
      const Float a = y(i, j), b = atI && atJ ? a : atI ? y(i, j + 1) : y(i + 1, j);
      const Float t = atI && atJ ? 0.0 : atI ? v - j : u - i;
      EXPECT_TRUE(std::min(a, b) <= p.y && p.y <= std::max(a, b)) << "point " << k;
      EXPECT_NEAR(a + (b - a) * t, p.y, 1e-9) << "point " << k;
    }
  }
};

// The default plot, Sin(x) * Cos(z) within (-1, 1), not fitted: a value v stands at 25 v. At 0 the
// lines follow the formula's zeros x = -180, 0, 180 and z = -90, 90 (world -100, 0, 100 and -50,
// 50); the samples at 0 count as above, so the lines go round the negative quarters: one closed
// rectangle round x < 0, |z| < 90 and two open ones round the corners x > 0, |z| > 90, which meet
// the border. Near the maximum (0.9) a closed loop goes round the top at (90, 0), and two open arcs
// round the tops at (-90, -180) and (-90, 180), which the border cuts; -0.9 mirrors that.
TEST_F(GridLevels, TheDefaultPlotsLinesAreTheKnownOnes) {
  SetStep(0.5);
  const SplineObject* half = Build();
  ASSERT_TRUE(half);
  EXPECT_EQ(half->GetInterpolationType(), SPLINETYPE::LINEAR);
  EXPECT_EQ(Heights(half), (std::set<Float>{-12.5, 0, 12.5}));
  ExpectOnTheSurface(half);
  const std::vector<Piece> pieces = Pieces(half);
  EXPECT_EQ(pieces.size(), 9u);
  Int32 zeroOpen = 0, zeroClosed = 0;
  for (const Piece& piece : pieces) {
    if (piece.points[0].y != 0.0) continue;
    (piece.closed ? zeroClosed : zeroOpen) += 1;
    for (const Vector& p : piece.points) {
      EXPECT_TRUE(std::fabs(p.x) < 1e-9 || std::fabs(std::fabs(p.x) - 100) < 1e-9 ||
                  std::fabs(std::fabs(p.z) - 50) < 1e-9)
          << p.x << ", " << p.z;
      if (piece.closed) {
        EXPECT_LT(p.x, 1e-9) << "the loop is round x < 0";
      }
    }
  }
  EXPECT_EQ(zeroOpen, 2);
  EXPECT_EQ(zeroClosed, 1);

  SetStep(0.9);
  const std::vector<Piece> high = Pieces(Build());
  EXPECT_EQ(high.size(), 9u);
  for (const Float sign : {1.0, -1.0}) {
    Int32 loops = 0, arcs = 0;
    for (const Piece& piece : high) {
      if (std::fabs(piece.points[0].y - sign * 22.5) > 1e-9) continue;
      (piece.closed ? loops : arcs) += 1;
      for (const Vector& p : piece.points) {
        const Float cx = piece.closed ? sign * 50 : -sign * 50, cz = piece.closed ? 0
                                                                     : p.z > 0    ? 100
                                                                                  : -100;
        EXPECT_LT(std::hypot(p.x - cx, p.z - cz), 20.0) << p.x << ", " << p.z;
      }
    }
    EXPECT_EQ(loops, 1) << sign;
    EXPECT_EQ(arcs, 2) << sign;
  }

  // On the floor as well: the same pieces after those on the surface, flat at the box's bottom.
  s.Set(grid, O3DPLOTGRID_PLACE, GeData(Int32(O3DPLOTGRID_PLACE_BOTH)));
  const std::vector<Piece> both = Pieces(Build());
  ASSERT_EQ(both.size(), 2 * high.size());
  for (size_t k = 0; k < high.size(); ++k) {
    ASSERT_EQ(both[k].points, high[k].points);
    EXPECT_EQ(both[k + high.size()].closed, high[k].closed);
    for (size_t m = 0; m < high[k].points.size(); ++m)
      EXPECT_EQ(both[k + high.size()].points[m],
                Vector(high[k].points[m].x, -25.0, high[k].points[m].z));
  }
}

// A step's multiples stand where the plot puts those values, fit, clip and scale factors taken
// into account; along x / 90 a value v is at world x = 50 v.
TEST_F(GridLevels, StepsFollowThePlotsHeights) {
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x / 90")));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(10)));
  SetStep(0.5);
  // Values from -2 to 2, fitted: v at 12.5 v; the multiples inside are -1.5 ... 1.5.
  const SplineObject* fit = Build();
  EXPECT_EQ(Heights(fit), (std::set<Float>{-18.75, -12.5, -6.25, 0, 6.25, 12.5, 18.75}));
  for (Int32 k = 0; k < fit->GetPointCount(); ++k)
    EXPECT_NEAR(fit->GetPointR()[k].x, fit->GetPointR()[k].y * 4.0, 1e-9);

  // Clipped to (-1, 1) and scaled by 2 up and 0.5 down: -0.5, 0 and 0.5 at -6.25, 0 and 25.
  s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(Int32(O3DPLOT_HEIGHTMODE_CLIP)));
  s.Set(s.plot, O3DPLOT_SCALE_POSITIVE, GeData(2.0));
  s.Set(s.plot, O3DPLOT_SCALE_NEGATIVE, GeData(0.5));
  const SplineObject* clip = Build();
  EXPECT_EQ(Heights(clip), (std::set<Float>{-6.25, 0, 25}));
  ExpectOnTheSurface(clip);
  for (Int32 k = 0; k < clip->GetPointCount(); ++k) {
    const Vector p = clip->GetPointR()[k];
    EXPECT_NEAR(p.x, p.y > 0 ? p.y : p.y * 4.0, 1e-9);
  }
}

// A grid of a scene stored before level lines has no such entries: it draws rows and columns; the
// level settings are offered in that mode alone, Levels only while no step is set.
TEST_F(GridLevels, StoredGridsAndTheSettingsOffered) {
  BaseContainer* bc = grid->GetDataInstance();
  bc->FlushAll();
  bc->SetInt32(O3DPLOTGRID_STEP, 1);
  bc->SetVector(O3DPLOTGRID_COLOR, Vector(0.8, 0.8, 0.8));
  const SplineObject* rows = Build();
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->GetInterpolationType(), SPLINETYPE::CUBIC);
  EXPECT_EQ(rows->GetPointCount(), 5202);
  const auto offered = [&]() {
    std::vector<bool> on;
    for (const Int32 id :
         {O3DPLOTGRID_STEP, O3DPLOTGRID_LEVELS, O3DPLOTGRID_LEVELSTEP, O3DPLOTGRID_PLACE})
      on.push_back(zvhost::IsParameterEnabled(grid, id));
    return on;
  };
  EXPECT_EQ(offered(), (std::vector<bool>{true, false, false, false}));
  s.Set(grid, O3DPLOTGRID_MODE, GeData(Int32(O3DPLOTGRID_MODE_LEVELS)));
  EXPECT_EQ(offered(), (std::vector<bool>{false, true, true, true}));
  SetStep(0.5);
  EXPECT_EQ(offered(), (std::vector<bool>{false, false, true, true}));
  EXPECT_EQ(Build()->GetSegmentCount(), 9);
}

// The estimate is made before the samples are known, so it must bound any formula: a busy one
// with a thousand lines on both places stays within it, and at resolution 1000 it stays far below
// a gigabyte.
TEST_F(GridLevels, TheEstimateBoundsAnyFormula) {
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Sin(x * 40) * Cos(z * 40)")));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(100)));
  s.Set(grid, O3DPLOTGRID_LEVELS, GeData(Int32(1000)));
  s.Set(grid, O3DPLOTGRID_PLACE, GeData(Int32(O3DPLOTGRID_PLACE_BOTH)));
  ZVPlotMemoryEstimate e;
  ASSERT_TRUE(grid->Message(MSG_ZVPLOT_ESTIMATEMEMORY, &e));
  const SplineObject* sp = Build();
  EXPECT_GT(sp->GetPointCount(), 101 * 101);
  EXPECT_LE(sp->GetPointCount(), e.points);
  EXPECT_GE(e.bytes, Int64(sp->GetPointCount()) * Int64(sizeof(Vector)));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(1000)));
  ASSERT_TRUE(grid->Message(MSG_ZVPLOT_ESTIMATEMEMORY, &e));
  EXPECT_LT(e.bytes, Int64(400) << 20);
}

}  // namespace
