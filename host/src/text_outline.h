// Text as flat outlines: what text layout hands to extrusion, and the clean-up both apply to a
// contour before they trust it.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace zvhost {

using Point2 = std::array<double, 2>;

struct TextOutline {
  // Closed polylines (last point != first), curves flattened.
  std::vector<std::vector<Point2>> contours;
  // Where each glyph's contours start in `contours`, ascending. Glyphs do not overlap, so each can
  // be filled on its own; without these all contours are filled together (overlaps merge).
  std::vector<std::size_t> glyphStarts;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;  // bounding box of all contours (0 when empty)
};

// Positive when the closed polyline runs counter-clockwise (y up).
double SignedArea(const std::vector<Point2>& contour);

// Drops repeated points and the closing point; false when too little is left to enclose an area.
bool CleanContour(std::vector<Point2>& contour);

}  // namespace zvhost
