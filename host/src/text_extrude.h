// Extrusion of text outlines into closed triangle meshes.
#pragma once

#include <array>
#include <vector>

#include "text_outline.h"

namespace zvhost {

using Point3 = std::array<double, 3>;

struct SolidMesh {
  std::vector<Point3> points;
  // Counter-clockwise seen from outside (outward normals).
  std::vector<std::array<int, 3>> triangles;
};

// Extrudes the outline along `extrusion` (e.g. (0,0,depth)): a front cap in the outline's plane
// (z = 0), a back cap moved by `extrusion`, and side walls. The filled region is the non-zero
// winding region of each glyph's contours (of all contours when the outline marks no glyphs), so
// holes (the inside of "0", "8", "A", "o") stay open and overlapping contours merge, whichever
// orientation convention the contours follow. The cost is the sum of the glyphs' costs.
// An extrusion without a finite z component (in particular a zero one) gives just one cap in the
// z = 0 plane, facing +z, and no walls. Empty outline: empty mesh.
SolidMesh ExtrudeOutline(const TextOutline& outline, const Point3& extrusion);

}  // namespace zvhost
