// Shared by the text tests: outlines laid out in a font that is surely installed, and their areas
// worked out here rather than with the host's own helper, so that an orientation fault there shows.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text_layout.h"

namespace zvhost::texttest {

inline FontInfo AnyFont() {
  if (auto font = DefaultFont()) return *font;
  const auto fonts = ListInstalledFonts();
  return fonts.empty() ? FontInfo{} : fonts.front();
}

// The installed font of that family and style; an empty one when there is none.
inline FontInfo InstalledFont(std::string_view family, std::string_view style) {
  for (const FontInfo& font : ListInstalledFonts())
    if (font.family == family && font.style == style) return font;
  return {};
}

inline TextOutline Layout(std::string_view text, double height = 10, int alignment = 0,
                          const FontInfo& font = AnyFont()) {
  TextOutline out;
  std::string error;
  EXPECT_TRUE(LayoutText(font, text, height, alignment, &out, &error)) << error;
  return out;
}

// Positive when the contour runs counter-clockwise.
inline double ContourArea(const std::vector<Point2>& c) {
  double sum = 0;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const Point2 &a = c[i], &b = c[(i + 1) % c.size()];
    sum += a[0] * b[1] - b[0] * a[1];
  }
  return sum / 2;
}

inline double TotalArea(const TextOutline& outline) {
  double sum = 0;
  for (const auto& c : outline.contours) sum += ContourArea(c);
  return sum;
}

}  // namespace zvhost::texttest
