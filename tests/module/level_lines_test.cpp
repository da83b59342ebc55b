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
  for (Int32 k = 0; k < sp->GetSegmentCount(); ++k) {
    const Segment& seg = sp->GetSegmentR()[k];
    pieces.push_back({std::vector<Vector>(p, p + seg.cnt), seg.closed});
    p += seg.cnt;
  }
  EXPECT_EQ(p, sp->GetPointR() + sp->GetPointCount()) << "segments do not cover the points";
  return pieces;
}

// ---- The algorithm on hand-made samples --------------------------------------------------------

// n x n samples at x = i, z = j (x-major) with the given heights.
std::vector<PlotSample> Grid(Int32 n, const std::vector<Float>& heights) {
  std::vector<PlotSample> s;
  for (Int32 i = 0; i < n; ++i)
    for (Int32 j = 0; j < n; ++j) s.push_back({Vector(i, heights[i * n + j], j), Vector()});
  return s;
}

LevelChoice Even(Int32 count) {
  LevelChoice c;
  c.count = count;
  return c;
}
LevelChoice Step(Float step) {
  LevelChoice c;
  c.step = step;
  c.perPositive = c.perNegative = 1.0;
  return c;
}

OwnedSpline Lines(Int32 n, const std::vector<Float>& heights, const LevelChoice& choice,
                  LevelPlaces places = {}) {
  const std::vector<PlotSample> s = Grid(n, heights);
  return OwnedSpline(BuildLevelLines(s.data(), n, choice, places));
}

// The sample corner nearest the middle of a two-point piece: the corner it cuts off its cell.
Vector CutCorner(const Piece& piece) {
  const Vector m = (piece.points.front() + piece.points.back()) * 0.5;
  return Vector(std::round(m.x), 0, std::round(m.z));
}

TEST(LevelLines, SaddleCellsJoinAsTheirCentreSays) {
  // Corners (0,0) and (1,1) above the line at 0, the other two below.
  const struct {
    Float a, d;            // heights of (0,0) and (1,1); (0,1) is -1, (1,0) -0.5
    Vector first, second;  // the corners cut off
  } cases[] = {
      {1.0, 1.0, Vector(0, 0, 1), Vector(1, 0, 0)},  // centre 0.125 above: the low corners apart
      {1.0, 0.2, Vector(0, 0, 0), Vector(1, 0, 1)},  // centre -0.075 below: the high ones apart
  };
  for (const auto& c : cases) {
    OwnedSpline sp = Lines(2, {c.a, -1.0, -0.5, c.d}, Step(10.0));
    const std::vector<Piece> pieces = Pieces(sp.get());
    ASSERT_EQ(pieces.size(), 2u) << "centre " << (c.a + c.d - 1.5) / 4;
    std::set<std::pair<Float, Float>> cut,
        expected = {{c.first.x, c.first.z}, {c.second.x, c.second.z}};
    for (const Piece& piece : pieces) {
      ASSERT_EQ(piece.points.size(), 2u);
      EXPECT_FALSE(piece.closed);
      cut.insert({CutCorner(piece).x, CutCorner(piece).z});
    }
    EXPECT_EQ(cut, expected) << "centre " << (c.a + c.d - 1.5) / 4;
  }
}

// A ring of 12 crossings round the 3 x 3 top of a 5 x 5 hill; a hole next to it opens the ring
// there, and no piece enters a cell with the hole for a corner.
TEST(LevelLines, HolesOpenTheLinesThatMeetThem) {
  std::vector<Float> hill(25);
  for (Int32 i = 0; i < 5; ++i)
    for (Int32 j = 0; j < 5; ++j) hill[i * 5 + j] = 3.25 - ((i - 2) * (i - 2) + (j - 2) * (j - 2));
  OwnedSpline whole = Lines(5, hill, Step(10.0));
  ASSERT_EQ(whole->GetSegmentCount(), 1);
  EXPECT_EQ(whole->GetPointCount(), 12);
  EXPECT_TRUE(whole->GetSegmentR()[0].closed);

  for (const Float hole : {std::numeric_limits<Float>::quiet_NaN(), HUGE_VAL, -HUGE_VAL}) {
    std::vector<Float> h = hill;
    h[0 * 5 + 2] = hole;  // (0, 2), just outside the ring
    OwnedSpline sp = Lines(5, h, Step(10.0));
    const std::vector<Piece> pieces = Pieces(sp.get());
    ASSERT_EQ(pieces.size(), 1u) << hole;
    EXPECT_FALSE(pieces[0].closed);
    ASSERT_EQ(pieces[0].points.size(), 11u);
    for (size_t k = 0; k + 1 < pieces[0].points.size(); ++k) {
      const Vector m = (pieces[0].points[k] + pieces[0].points[k + 1]) * 0.5;
      const bool touchesHole =
          std::floor(m.x) == 0 && (std::floor(m.z) == 1 || std::floor(m.z) == 2);
      EXPECT_FALSE(touchesHole) << "a piece crosses the hole's cell at " << m.x << ", " << m.z;
    }
  }
}

TEST(LevelLines, FlatOrEmptySamplesDrawNothing) {
  const Float nan = std::numeric_limits<Float>::quiet_NaN();
  for (const auto& heights : {std::vector<Float>(9, 7.0), std::vector<Float>(9, nan),
                              std::vector<Float>{HUGE_VAL, 1, 1, 1, nan, 1, 1, 1, -HUGE_VAL}}) {
    EXPECT_EQ(Lines(3, heights, Even(10))->GetPointCount(), 0);
    EXPECT_EQ(Lines(3, heights, Step(0.5))->GetPointCount(), 0);
  }
  EXPECT_EQ(Lines(1, {1.0}, Even(10))->GetPointCount(), 0);
  EXPECT_EQ(
      Lines(3, {0, 0, 0, 1, 1, 1, 2, 2, 2}, Even(1), LevelPlaces{false, false, 0})->GetPointCount(),
      0);
  // A step of 0, below 0 or not a number takes the count (the line at 1, through the middle
  // row); a step with no multiple strictly inside, or that no height can hold, draws nothing.
  const struct {
    Float step;
    Int32 points;
  } steps[] = {{0.0, 3},   {-1.0, 3},     {std::numeric_limits<Float>::quiet_NaN(), 3},
               {1e308, 0}, {HUGE_VAL, 0}, {2.0, 0}};
  for (const auto& c : steps) {
    LevelChoice choice = Step(c.step);
    choice.count = 1;
    EXPECT_EQ(Lines(3, {0, 0, 0, 1, 1, 1, 2, 2, 2}, choice)->GetPointCount(), c.points) << c.step;
  }
}

// A sample at a line's height counts as above it: a line along such samples runs through them,
// and a peak that only touches the line draws nothing there.
TEST(LevelLines, SamplesAtALinesHeight) {
  OwnedSpline row = Lines(3, {0, 0, 0, 1, 1, 1, 2, 2, 2}, Step(1.0));
  const std::vector<Piece> along = Pieces(row.get());
  ASSERT_EQ(along.size(), 1u);
  EXPECT_EQ(along[0].points,
            (std::vector<Vector>{Vector(1, 1, 0), Vector(1, 1, 1), Vector(1, 1, 2)}));

  // (0,0) at 2 is cut off by a piece of two points; the peak (1,1) at 1 makes a ring that shrinks
  // to the sample itself.
  OwnedSpline peak = Lines(3, {2, 0, 0, 0, 1, 0, 0, 0, 0}, Step(1.0));
  const std::vector<Piece> pieces = Pieces(peak.get());
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].points, (std::vector<Vector>{Vector(0, 1, 0.5), Vector(0.5, 1, 0)}));
}

// Each line crosses every edge of a checkerboard: 1000 of them would need 180,000 points, and the
// lines keep to the limit of 200 by leaving all but the lowest out.
TEST(LevelLines, ManyLinesKeepToThePointLimit) {
  std::vector<Float> board(100);
  for (Int32 k = 0; k < 100; ++k) board[k] = (k / 10 + k % 10) % 2 ? 1.0 : -1.0;
  ASSERT_EQ(LevelLinePointLimit(10), 200);
  for (const LevelPlaces places : {LevelPlaces{true, false, 0}, LevelPlaces{true, true, -5}}) {
    OwnedSpline sp = Lines(10, board, Even(1000), places);
    const Int32 copies = places.floor ? 2 : 1;
    ASSERT_GT(sp->GetPointCount(), 0);
    EXPECT_LE(sp->GetPointCount(), copies * LevelLinePointLimit(10));
    std::set<Float> heights;
    for (Int32 k = 0; k < sp->GetPointCount(); ++k) heights.insert(sp->GetPointR()[k].y);
    EXPECT_EQ(*heights.rbegin(), -1.0 + 2.0 / 1001);
    EXPECT_EQ(heights.size(), size_t(copies));
  }
  // A tiny step is thinned to at most 1000 lines, and the line at 0 stays.
  OwnedSpline fine = Lines(10, board, Step(1e-9));
  std::set<Float> heights;
  for (Int32 k = 0; k < fine->GetPointCount(); ++k) heights.insert(fine->GetPointR()[k].y);
  EXPECT_EQ(heights, std::set<Float>{0.0});
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
  std::set<Float> Heights(const SplineObject* sp) const {
    std::set<Float> heights;
    for (Int32 k = 0; k < sp->GetPointCount(); ++k) heights.insert(sp->GetPointR()[k].y);
    return heights;
  }
  // Every point lies on an edge of the sample grid, where the samples' heights interpolated give
  // its own height (a point at a sample is that sample).
  void ExpectOnTheSurface(const SplineObject* sp) const {
    const Int32 n = plot->GetResolution() + 1;
    const Float spacing = 200.0 / (n - 1);
    const auto y = [&](Int32 i, Int32 j) {
      return plot->GetSamples()[Int64(i) * n + j].position.y;
    };
    for (Int32 k = 0; k < sp->GetPointCount(); ++k) {
      const Vector p = sp->GetPointR()[k];
      const Float u = (p.x + 100.0) / spacing, v = (p.z + 100.0) / spacing;
      const bool onRow = std::fabs(u - std::round(u)) < 1e-9,
                 onColumn = std::fabs(v - std::round(v)) < 1e-9;
      ASSERT_TRUE(onRow || onColumn) << "point " << k << " is on no edge";
      const Int32 i = onRow ? Int32(std::round(u)) : Int32(std::floor(u));
      const Int32 j = onColumn ? Int32(std::round(v)) : Int32(std::floor(v));
      const Float t = onRow ? (onColumn ? 0.0 : v - j) : u - i;
      const Float a = y(i, j), b = onRow ? (onColumn ? a : y(i, j + 1)) : y(i + 1, j);
      EXPECT_LE(std::min(a, b), p.y) << "point " << k;
      EXPECT_GE(std::max(a, b), p.y) << "point " << k;
      EXPECT_NEAR(a + (b - a) * t, p.y, 1e-9) << "point " << k;
    }
  }
};

TEST_F(GridLevels, StepLinesStandAtTheirValuesHeightsOnTheSurface) {
  SetStep(0.25);
  const SplineObject* sp = Build();
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->GetInterpolationType(), SPLINETYPE::LINEAR);
  // Sin(x) * Cos(z) stays within (-1, 1): not fitted, a value v stands at 25 v.
  std::set<Float> expected;
  for (Int32 k = -3; k <= 3; ++k) expected.insert(6.25 * k);
  EXPECT_EQ(Heights(sp), expected);
  ExpectOnTheSurface(sp);

  // On the floor: the same pieces, flat at the box's bottom.
  s.Set(grid, O3DPLOTGRID_PLACE, GeData(Int32(O3DPLOTGRID_PLACE_BOTH)));
  const std::vector<Piece> surface = Pieces(sp = Build());
  ASSERT_EQ(surface.size() % 2, 0u);
  for (size_t k = 0; k < surface.size() / 2; ++k) {
    const Piece &on = surface[k], &below = surface[k + surface.size() / 2];
    ASSERT_EQ(on.points.size(), below.points.size());
    EXPECT_EQ(on.closed, below.closed);
    for (size_t m = 0; m < on.points.size(); ++m)
      EXPECT_EQ(below.points[m], Vector(on.points[m].x, -25.0, on.points[m].z));
  }
}

// The default plot at steps of 0.5 and 0.9. At 0 the lines follow x = -180, 0, 180 and z = -90,
// 90 (world -100, 0, 100 and -50, 50), the zeros of the formula; the samples at 0 count as above,
// so the lines go round the negative quarters: one closed rectangle round x < 0, |z| < 90 and two
// open ones round the corners x > 0, |z| > 90, which meet the border. Near the maximum (0.9) a
// closed loop goes round the top at (90, 0), and two open arcs round (-90, -180) and (-90, 180)
// on the border; -0.9 mirrors that round the bottom.
TEST_F(GridLevels, TheDefaultPlotsLinesAreTheKnownOnes) {
  SetStep(0.5);
  const std::vector<Piece> half = Pieces(Build());
  EXPECT_EQ(half.size(), 9u);
  Int32 zeroPieces = 0, zeroLoops = 0;
  for (const Piece& piece : half) {
    if (piece.points[0].y != 0.0) continue;
    ++zeroPieces;
    zeroLoops += piece.closed;
    for (const Vector& p : piece.points) {
      const bool onLine = std::fabs(p.x) < 1e-9 || std::fabs(std::fabs(p.x) - 100) < 1e-9 ||
                          std::fabs(std::fabs(p.z) - 50) < 1e-9;
      EXPECT_TRUE(onLine) << p.x << ", " << p.z;
    }
    if (piece.closed) {
      EXPECT_LT(piece.points[0].x, 1e-9) << "the loop is round x < 0";
    }
  }
  EXPECT_EQ(zeroPieces, 3);
  EXPECT_EQ(zeroLoops, 1);

  SetStep(0.9);
  const std::vector<Piece> high = Pieces(Build());
  EXPECT_EQ(high.size(), 9u);  // three at -0.9, three at 0, three at 0.9
  for (const Float sign : {1.0, -1.0}) {
    Int32 loops = 0, arcs = 0;
    for (const Piece& piece : high) {
      if (std::fabs(piece.points[0].y - sign * 22.5) > 1e-9) continue;
      for (const Vector& p : piece.points) {
        // Round the top at world (50, 0) or the border's (-50, +-100), for -0.9 mirrored in x.
        const Float cx = piece.closed ? sign * 50 : -sign * 50,
                    cz = piece.closed ? 0 : (p.z > 0 ? 100 : -100);
        EXPECT_LT(std::hypot(p.x - cx, p.z - cz), 20.0) << p.x << ", " << p.z;
      }
      (piece.closed ? loops : arcs) += 1;
    }
    EXPECT_EQ(loops, 1) << sign;
    EXPECT_EQ(arcs, 2) << sign;
  }
}

// The heights of a step's multiples follow the plot's fit, clip and scale factors, and along x / 90
// a value v is at world x = 50 v.
TEST_F(GridLevels, StepsFollowThePlotsHeightMapping) {
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

  // Evenly spaced: the defaults' 10 lines between the lowest and the highest sample.
  SetStep(0.0);
  EXPECT_EQ(Heights(Build()).size(), 10u);
}

// At resolution 1 the plot has one cell: each line is one straight piece across it.
TEST_F(GridLevels, OneCell) {
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x")));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(1)));
  s.Set(grid, O3DPLOTGRID_LEVELS, GeData(Int32(3)));
  const std::vector<Piece> pieces = Pieces(Build());
  ASSERT_EQ(pieces.size(), 3u);
  for (const Piece& piece : pieces) {
    ASSERT_EQ(piece.points.size(), 2u);
    EXPECT_NEAR(piece.points[0].x, piece.points[0].y * 4.0, 1e-9);
    EXPECT_EQ(piece.points[0].x, piece.points[1].x);
  }
}

// A grid of a scene stored before level lines has no such entries: it draws rows and columns; the
// level settings are offered in that mode alone.
TEST_F(GridLevels, StoredGridsAndTheSettingsOffered) {
  BaseContainer* bc = grid->GetDataInstance();
  bc->FlushAll();
  bc->SetInt32(O3DPLOTGRID_STEP, 1);
  bc->SetVector(O3DPLOTGRID_COLOR, Vector(0.8, 0.8, 0.8));
  const SplineObject* rows = Build();
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->GetInterpolationType(), SPLINETYPE::CUBIC);
  EXPECT_EQ(rows->GetPointCount(), 5202);
  for (const Int32 id : {O3DPLOTGRID_LEVELS, O3DPLOTGRID_LEVELSTEP, O3DPLOTGRID_PLACE})
    EXPECT_FALSE(zvhost::IsParameterEnabled(grid, id)) << id;
  EXPECT_TRUE(zvhost::IsParameterEnabled(grid, O3DPLOTGRID_STEP));

  s.Set(grid, O3DPLOTGRID_MODE, GeData(Int32(O3DPLOTGRID_MODE_LEVELS)));
  EXPECT_FALSE(zvhost::IsParameterEnabled(grid, O3DPLOTGRID_STEP));
  EXPECT_TRUE(zvhost::IsParameterEnabled(grid, O3DPLOTGRID_LEVELS));
  SetStep(0.5);
  EXPECT_FALSE(zvhost::IsParameterEnabled(grid, O3DPLOTGRID_LEVELS)) << "the step decides";
  EXPECT_TRUE(zvhost::IsParameterEnabled(grid, O3DPLOTGRID_PLACE));
  EXPECT_EQ(Build()->GetSegmentCount(), 9);
}

ZVPlotMemoryEstimate Estimate(BaseObject* op) {
  ZVPlotMemoryEstimate e;
  EXPECT_TRUE(op->Message(MSG_ZVPLOT_ESTIMATEMEMORY, &e));
  return e;
}

// The estimate holds before the samples are known, so it must hold for any formula: a busy one
// with a thousand lines on both places stays within it, and at resolution 1000 it stays far below
// a gigabyte.
TEST_F(GridLevels, TheEstimateBoundsAnyFormula) {
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Sin(x * 40) * Cos(z * 40)")));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(100)));
  s.Set(grid, O3DPLOTGRID_LEVELS, GeData(Int32(1000)));
  s.Set(grid, O3DPLOTGRID_PLACE, GeData(Int32(O3DPLOTGRID_PLACE_BOTH)));
  const ZVPlotMemoryEstimate e = Estimate(grid);
  const SplineObject* sp = Build();
  ASSERT_TRUE(sp);
  EXPECT_GT(sp->GetPointCount(), 101 * 101);
  EXPECT_LE(sp->GetPointCount(), e.points);
  EXPECT_GE(e.bytes, Int64(sp->GetPointCount()) * Int64(sizeof(Vector)));

  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(1000)));
  EXPECT_LT(Estimate(grid).bytes, Int64(400) << 20);
}

}  // namespace
