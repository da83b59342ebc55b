#include "text_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <thread>
#include <tuple>

namespace zvhost {
namespace {

FontInfo AnyFont() {
  if (auto font = DefaultFont()) return *font;
  const auto fonts = ListInstalledFonts();
  return fonts.empty() ? FontInfo{} : fonts.front();
}

TextOutline Layout(std::string_view text, double height = 10, int alignment = 0) {
  TextOutline out;
  std::string error;
  EXPECT_TRUE(LayoutText(AnyFont(), text, height, alignment, &out, &error)) << error;
  return out;
}

// The advance width of a line: how far right alignment moves it compared with left alignment.
double Advance(std::string_view text, double height = 10) {
  return Layout(text, height, 0).minX - Layout(text, height, 2).minX;
}

double SignedArea(const std::vector<Point2>& c) {
  double sum = 0;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const Point2 &a = c[i], &b = c[(i + 1) % c.size()];
    sum += a[0] * b[1] - b[0] * a[1];
  }
  return sum / 2;
}

double TotalArea(const TextOutline& outline) {
  double sum = 0;
  for (const auto& c : outline.contours) sum += SignedArea(c);
  return sum;
}

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

TEST(FontDiscovery, ListIsSortedUniqueAndHoldsTheDefault) {
  const auto fonts = ListInstalledFonts();
  ASSERT_FALSE(fonts.empty());
  for (std::size_t i = 1; i < fonts.size(); ++i) {
    EXPECT_LT(std::tie(fonts[i - 1].family, fonts[i - 1].style),
              std::tie(fonts[i].family, fonts[i].style));
  }
  for (const auto& f : fonts) EXPECT_TRUE(std::filesystem::exists(f.file)) << f.file;
  const auto def = DefaultFont();
  ASSERT_TRUE(def.has_value());
  EXPECT_TRUE(std::any_of(
      fonts.begin(), fonts.end(),
      [&](const FontInfo& f) { return f.family == def->family && f.style == def->style; }))
      << def->family << " " << def->style;
}

TEST(TextLayout, EmSquareScalesWithHeight) {
  const TextOutline small = Layout("H", 10), large = Layout("H", 40);
  ASSERT_FALSE(small.contours.empty());
  EXPECT_GT(small.maxY - small.minY, 5.5);
  EXPECT_LT(small.maxY - small.minY, 8.5);
  EXPECT_NEAR(small.minY, 0, 0.1);  // sits on the baseline
  EXPECT_GT(small.minX, -0.1);      // starts at x = 0 (plus side bearing)
  EXPECT_NEAR(large.maxX - large.minX, 4 * (small.maxX - small.minX), 1e-9);
  EXPECT_NEAR(large.maxY, 4 * small.maxY, 1e-9);
  for (const auto& c : small.contours) EXPECT_NE(c.front(), c.back());
}

TEST(TextLayout, AlignmentShiftsLinesByTheirAdvance) {
  const TextOutline left = Layout("Hello", 10, 0), centre = Layout("Hello", 10, 1),
                    right = Layout("Hello", 10, 2);
  const double advance = left.minX - right.minX;
  EXPECT_GT(advance, left.maxX - left.minX);
  EXPECT_NEAR(left.minX - centre.minX, advance / 2, 1e-9);
  EXPECT_LE(right.maxX, 0.0);
  EXPECT_NEAR(right.maxY, left.maxY, 1e-12);

  // Lines stack downwards by one line spacing and are aligned one by one.
  const TextOutline two = Layout("HHH\nH", 10, 2);
  const TextOutline first = Layout("HHH", 10, 2);
  EXPECT_NEAR(two.maxX, first.maxX, 1e-9);
  const double spacing = first.minY - two.minY;
  EXPECT_GT(spacing, 9.0);
  EXPECT_LT(spacing, 20.0);
  EXPECT_EQ(Layout("A\n\nB").minY, Layout("A\nB").minY - spacing);
  EXPECT_LT(Layout("H").maxY - spacing, Layout("g").minY);  // the next line clears descenders
}

TEST(TextLayout, BlanksKerningAndMissingGlyphsAdvance) {
  EXPECT_GT(Advance("H H"), Advance("HH") + 1);
  EXPECT_DOUBLE_EQ(Advance("H\tH"), Advance("H H"));
  EXPECT_LE(Advance("AV"), Advance("A") + Advance("V") + 1e-9);  // kerning never widens this pair
  // A plane-16 private-use character is in no ordinary font: it shows the .notdef glyph.
  const TextOutline missing = Layout("\U0010FFFD");
  EXPECT_EQ(missing.contours, Layout("\U0010FFFC").contours);
  EXPECT_GT(Advance("H\U0010FFFDH"), Advance("HH") + 1);
}

TEST(TextLayout, DecodesUtf8AndReplacesMalformedBytes) {
  EXPECT_FALSE(Layout("π°").contours.empty());
  const auto replacement = Layout("\xEF\xBF\xBD").contours;
  EXPECT_EQ(Layout("\xFF").contours, replacement);
  EXPECT_EQ(Layout("\xCF").contours, replacement);                            // truncated "π"
  EXPECT_EQ(Layout("\xE0\x80\xAF").contours.size(), 3 * replacement.size());  // overlong "/"
  EXPECT_EQ(Layout("\xED\xA0\x80").contours.size(), 3 * replacement.size());  // surrogate
}

TEST(TextLayout, EmptyInputsGiveEmptyOutlines) {
  for (double height : {0.0, -3.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    TextOutline out = Layout("H");
    std::string error;
    EXPECT_TRUE(LayoutText(AnyFont(), "H", height, 0, &out, &error));
    EXPECT_TRUE(out.contours.empty()) << height;
    EXPECT_EQ(out.maxX, 0);
  }
  for (std::string_view text : {"", " ", "\n\n"}) {
    const TextOutline out = Layout(text);
    EXPECT_TRUE(out.contours.empty());
    EXPECT_EQ(std::tie(out.minX, out.minY, out.maxX, out.maxY),
              std::make_tuple(0.0, 0.0, 0.0, 0.0));
  }
}

TEST(TextLayout, UnopenableFontsFailWithAMessage) {
  TextOutline out;
  std::string error;
  FontInfo missing{"Nope", "Regular", "/nonexistent/zorvantix-font.ttf", 0};
  EXPECT_FALSE(LayoutText(missing, "H", 10, 0, &out, &error));
  EXPECT_NE(error.find("/nonexistent/zorvantix-font.ttf"), std::string::npos) << error;
  EXPECT_FALSE(LayoutText(missing, "H", 10, 0, &out, nullptr));

  const auto junk = std::filesystem::temp_directory_path() / "zorvantix_not_a_font.ttf";
  std::ofstream(junk) << "this is no font";
  error.clear();
  EXPECT_FALSE(LayoutText({"Junk", "Regular", junk.string(), 0}, "H", 10, 0, &out, &error));
  EXPECT_FALSE(error.empty());
  std::filesystem::remove(junk);
}

TEST(TextLayout, CurvesAreFlattenedFinelyAndOriented) {
  const double height = 100;
  const TextOutline o = Layout("O", height);
  ASSERT_EQ(o.contours.size(), 2u);
  // Three consecutive points of a finely flattened round letter are almost collinear.
  double worst = 0;
  for (const auto& c : o.contours) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      const Point2 &a = c[i], &b = c[(i + 1) % c.size()], &d = c[(i + 2) % c.size()];
      const double chord = std::hypot(d[0] - a[0], d[1] - a[1]);
      const double cross = (d[0] - a[0]) * (b[1] - a[1]) - (d[1] - a[1]) * (b[0] - a[0]);
      worst = std::max(worst, std::abs(cross) / chord);
    }
  }
  EXPECT_LT(worst, height / 50);
  // The outer contour runs counter-clockwise, the counter clockwise.
  const double a0 = SignedArea(o.contours[0]), a1 = SignedArea(o.contours[1]);
  EXPECT_GT(std::max(a0, a1), 0);
  EXPECT_LT(std::min(a0, a1), 0);
  EXPECT_GT(std::abs(std::max(a0, a1)), std::abs(std::min(a0, a1)));
}

TEST(TextLayout, ConcurrentLayoutWithManyFontsMatchesSequential) {
  auto fonts = ListInstalledFonts();
  if (fonts.size() > 12) fonts.resize(12);  // more than the face cache holds
  using Results = std::vector<std::vector<std::vector<Point2>>>;
  const auto run = [&](Results& results) {
    for (int round = 0; round < 2; ++round) {
      for (const auto& f : fonts) {
        TextOutline out;
        LayoutText(f, "Ag°", 12, 1, &out, nullptr);
        if (round == 1) results.push_back(out.contours);
      }
    }
  };
  Results expected;
  run(expected);
  std::vector<Results> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) threads.emplace_back(run, std::ref(r));
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_TRUE(r == expected);
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
