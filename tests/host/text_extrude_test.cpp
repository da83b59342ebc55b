#include "text_extrude.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "require_tool.h"
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

// The triangles as corner positions, each starting at its smallest corner, sorted: the solid's
// geometry whatever the order of its points.
std::vector<Triangle> Geometry(const SolidMesh& mesh) {
  std::vector<Triangle> result;
  for (const auto& t : mesh.triangles) {
    Triangle p{mesh.points[t[0]], mesh.points[t[1]], mesh.points[t[2]]};
    std::rotate(p.begin(), std::min_element(p.begin(), p.end()), p.end());
    result.push_back(p);
  }
  std::sort(result.begin(), result.end());
  return result;
}

// The outline of one glyph of a laid-out text.
TextOutline Glyph(const TextOutline& text, std::size_t g) {
  TextOutline glyph;
  const std::size_t end =
      g + 1 < text.glyphStarts.size() ? text.glyphStarts[g + 1] : text.contours.size();
  glyph.contours.assign(text.contours.begin() + static_cast<long>(text.glyphStarts[g]),
                        text.contours.begin() + static_cast<long>(end));
  return glyph;
}

TEST(Extrusion, ATextIsItsGlyphsSolidsSideBySide) {
  const TextOutline text = Layout("AW8 %g", 10);
  ASSERT_EQ(text.glyphStarts.size(), 5u);  // the blank has no outline
  std::vector<Triangle> glyphs;
  for (std::size_t g = 0; g < text.glyphStarts.size(); ++g) {
    const std::vector<Triangle> one = Geometry(ExtrudeOutline(Glyph(text, g), {0, 0, 2}));
    ASSERT_FALSE(one.empty()) << g;
    glyphs.insert(glyphs.end(), one.begin(), one.end());
  }
  std::sort(glyphs.begin(), glyphs.end());
  const SolidMesh whole = ExtrudeOutline(text, {0, 0, 2});
  EXPECT_EQ(Geometry(whole), glyphs);
  EXPECT_EQ(EdgeProblem(whole), "");

  // Many glyphs cost each glyph's share: a long line is as many glyph solids.
  const SolidMesh w = ExtrudeOutline(Layout("W"), {0, 0, 1});
  const SolidMesh line = ExtrudeOutline(Layout(std::string(4000, 'W')), {0, 0, 1});
  EXPECT_EQ(line.points.size(), 4000 * w.points.size());
  EXPECT_EQ(line.triangles.size(), 4000 * w.triangles.size());
}

// A glyph's solid point for point and triangle for triangle as it was built when a text was filled
// in one piece, recorded in DejaVu Sans Book, which the set-up installs.
TEST(Extrusion, OneGlyphIsBuiltExactlyAsBefore) {
  const FontInfo dejavu = texttest::InstalledFont("DejaVu Sans", "Book");
  ZV_REQUIRE_TOOL(!dejavu.file.empty(), "DejaVu Sans Book (the recorded solids are of it)");
  const auto hash = [](const SolidMesh& m) {
    std::uint64_t h = 1469598103934665603u;
    const auto mix = [&h](const void* data, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<const unsigned char*>(data)[i];
        h *= 1099511628211u;
      }
    };
    for (const Point3& p : m.points) mix(p.data(), sizeof p);
    for (const auto& t : m.triangles) mix(t.data(), sizeof t);
    return h;
  };
  const struct {
    const char* text;
    std::size_t points, triangles;
    std::uint64_t hash;
  } kRecorded[] = {{"W", 26, 48, 0x4f01e2a57e096f99u},
                   {"8", 272, 548, 0x9faf65e5c3159624u},
                   {"\xc3\xa9", 140, 276, 0x6a923e3aee87c29fu},
                   {"%", 260, 516, 0x8bc6eb1bc19af88bu},
                   {"g", 194, 388, 0x66f03ee1b4bee689u}};
  for (const auto& r : kRecorded) {
    const SolidMesh mesh = ExtrudeOutline(Layout(r.text, 10, 0, dejavu), {0, 0, 2});
    EXPECT_EQ(mesh.points.size(), r.points) << r.text;
    EXPECT_EQ(mesh.triangles.size(), r.triangles) << r.text;
    EXPECT_EQ(hash(mesh), r.hash) << r.text;
  }
}

}  // namespace
}  // namespace zvhost
