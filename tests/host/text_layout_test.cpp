#include "text_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>
#include <tuple>

#include "text_test_support.h"

namespace zvhost {
namespace {

using texttest::AnyFont;
using texttest::ContourArea;
using texttest::Layout;

// The advance width of a line: how far right alignment moves it compared with left alignment.
double Advance(std::string_view text, double height = 10) {
  return Layout(text, height, 0).minX - Layout(text, height, 2).minX;
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

TEST(TextLayout, EachGlyphWithAnOutlineStartsAGroup) {
  const TextOutline text = Layout("i8 \n.");
  // "i" has two contours, "8" three, the blank and the line break none.
  EXPECT_EQ(text.glyphStarts, (std::vector<std::size_t>{0, 2, 5}));
  EXPECT_EQ(text.contours.size(), 6u);
  EXPECT_TRUE(Layout(" ").glyphStarts.empty());
}

TEST(TextLayout, TextsLongerThanTheLimitAreRefusedNamingIt) {
  TextOutline out;
  std::string error;
  // Characters count, not bytes: the longest text may be of three-byte characters.
  std::string longest;
  for (std::size_t i = 0; i < kMaxLayoutCharacters; ++i) longest += "\xe2\x82\xac";
  EXPECT_TRUE(LayoutText(AnyFont(), longest, 10, 0, &out, &error)) << error;
  EXPECT_FALSE(out.contours.empty());
  EXPECT_FALSE(LayoutText(AnyFont(), longest + "1", 10, 0, &out, &error));
  EXPECT_EQ(error, "a text of " + std::to_string(kMaxLayoutCharacters + 1) +
                       " characters is not laid out: at most " +
                       std::to_string(kMaxLayoutCharacters) + " are");
  EXPECT_TRUE(out.contours.empty());
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
  const double a0 = ContourArea(o.contours[0]), a1 = ContourArea(o.contours[1]);
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

}  // namespace
}  // namespace zvhost
