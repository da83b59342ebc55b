// Level lines: the marching squares on hand-made samples (saddles, holes, flat plots, samples at a
// line's height, the point limit).
#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "test_support.h"
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

}  // namespace
