#include "text_extrude.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <string_view>

#include "text_test_support.h"

namespace zvhost {
namespace {

using texttest::Layout;
using texttest::TotalArea;

// Empty when every directed edge is used once and its reverse once: closed and consistently wound.
std::string EdgeProblem(const SolidMesh& mesh) {
  std::map<std::pair<int, int>, int> edges;
  for (const auto& t : mesh.triangles)
    for (int i = 0; i < 3; ++i) ++edges[{t[i], t[(i + 1) % 3]}];
  for (const auto& [e, count] : edges) {
    const auto reverse = edges.find({e.second, e.first});
    if (count != 1 || reverse == edges.end() || reverse->second != 1)
      return "unpaired edge " + std::to_string(e.first) + "->" + std::to_string(e.second);
  }
  return {};
}

double SignedVolume(const SolidMesh& mesh) {
  double sum = 0;
  for (const auto& t : mesh.triangles) {
    const Point3 &a = mesh.points[t[0]], &b = mesh.points[t[1]], &c = mesh.points[t[2]];
    sum += a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) +
           a[2] * (b[0] * c[1] - b[1] * c[0]);
  }
  return sum / 6;
}

using Triangle = std::array<Point3, 3>;

// Triangles lying in the plane z = 0.
std::vector<Triangle> FrontCap(const SolidMesh& mesh) {
  std::vector<Triangle> result;
  for (const auto& t : mesh.triangles) {
    const Triangle p{mesh.points[t[0]], mesh.points[t[1]], mesh.points[t[2]]};
    if (p[0][2] == 0 && p[1][2] == 0 && p[2][2] == 0) result.push_back(p);
  }
  return result;
}

// Twice the area of the triangle a, b, (x, y) as seen from +z.
double Cross(const Point3& a, const Point3& b, double x, double y) {
  return (b[0] - a[0]) * (y - a[1]) - (x - a[0]) * (b[1] - a[1]);
}
double Area(const Triangle& p) { return Cross(p[0], p[1], p[2][0], p[2][1]) / 2; }

bool FrontCapCovers(const SolidMesh& mesh, double x, double y) {
  for (const Triangle& p : FrontCap(mesh)) {
    const double s0 = Cross(p[0], p[1], x, y), s1 = Cross(p[1], p[2], x, y),
                 s2 = Cross(p[2], p[0], x, y);
    if ((s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0)) return true;
  }
  return false;
}

TextOutline Square(double x0, double y0, double size, bool clockwise) {
  TextOutline o;
  std::vector<Point2> c{{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
  if (clockwise) std::reverse(c.begin(), c.end());
  o.contours.push_back(c);
  return o;
}

TEST(Extrusion, TextSolidsAreClosedOutwardAndSized) {
  for (std::string_view text : {"0", "8", "A", "%&@"}) {
    const TextOutline outline = Layout(text, 10);
    const SolidMesh mesh = ExtrudeOutline(outline, {0, 0, 2});
    EXPECT_EQ(EdgeProblem(mesh), "") << text;
    double capArea = 0;
    for (const Triangle& p : FrontCap(mesh)) capArea -= Area(p);  // the front cap faces -z
    EXPECT_GT(capArea, 0.5 * TotalArea(outline)) << text;
    EXPECT_LE(capArea, TotalArea(outline) + 1e-9) << text;
    EXPECT_NEAR(SignedVolume(mesh), 2 * capArea, 1e-9 * capArea) << text;
    std::array<double, 3> lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const auto& p : mesh.points) {
      for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    }
    EXPECT_EQ(lo, (std::array<double, 3>{outline.minX, outline.minY, 0.0})) << text;
    EXPECT_EQ(hi, (std::array<double, 3>{outline.maxX, outline.maxY, 2.0})) << text;
  }
}

TEST(Extrusion, CounterOfZeroStaysOpen) {
  const TextOutline zero = Layout("0", 10);
  const SolidMesh mesh = ExtrudeOutline(zero, {0, 0, 1});
  EXPECT_FALSE(FrontCapCovers(mesh, (zero.minX + zero.maxX) / 2, (zero.minY + zero.maxY) / 2));
  EXPECT_TRUE(FrontCapCovers(mesh, zero.minX + 0.05, (zero.minY + zero.maxY) / 2));
}

TEST(Extrusion, OverlapsMergeWhateverTheOrientation) {
  TextOutline overlap = Square(0, 0, 2, false);
  overlap.contours.push_back(Square(1, 1, 2, false).contours[0]);
  const SolidMesh merged = ExtrudeOutline(overlap, {0, 0, 1});
  EXPECT_EQ(EdgeProblem(merged), "");
  EXPECT_NEAR(SignedVolume(merged), 7, 1e-12);  // no inner walls, no doubled caps

  // Outer contour clockwise with a counter-clockwise hole, as TrueType draws them.
  TextOutline ring = Square(0, 0, 4, true);
  ring.contours.push_back(Square(1, 1, 2, false).contours[0]);
  const SolidMesh solid = ExtrudeOutline(ring, {0, 0, 1});
  EXPECT_EQ(EdgeProblem(solid), "");
  EXPECT_NEAR(SignedVolume(solid), 12, 1e-12);
  EXPECT_FALSE(FrontCapCovers(solid, 2, 2));
}

TEST(Extrusion, DirectionOfExtrusion) {
  const TextOutline ring = Layout("o", 10);
  const double area = TotalArea(ring);
  for (const Point3& e : {Point3{0, 0, -3}, Point3{1, 0.5, 2}}) {
    const SolidMesh mesh = ExtrudeOutline(ring, e);
    EXPECT_EQ(EdgeProblem(mesh), "");
    EXPECT_NEAR(SignedVolume(mesh), area * std::abs(e[2]), 1e-9 * area);
  }

  const SolidMesh flat = ExtrudeOutline(ring, {0, 0, 0});
  ASSERT_FALSE(flat.triangles.empty());
  double capArea = 0;
  for (const Triangle& p : FrontCap(flat)) capArea += Area(p);  // facing +z: positive
  EXPECT_EQ(FrontCap(flat).size(), flat.triangles.size());
  EXPECT_NEAR(capArea, area, 1e-9 * area);

  EXPECT_TRUE(ExtrudeOutline(TextOutline{}, {0, 0, 1}).points.empty());
  EXPECT_TRUE(ExtrudeOutline(Layout(" "), {0, 0, 1}).triangles.empty());
}

}  // namespace
}  // namespace zvhost
