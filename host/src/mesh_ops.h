// Polygon-mesh primitives and winding repair for the headless host.
//
// Coordinate system and winding convention, used by every function here:
//   * right-handed axes: x to the right, y up, z towards the viewer;
//   * a polygon (a, b, c, d) is a quad; a triangle is stored with d == c;
//   * the normal of a polygon is normalize(cross(b - a, c - a)), i.e. its corners run
//     counter-clockwise when seen from the side the normal points to;
//   * on a closed surface every normal points outward, which is the same as the surface
//     having a positive signed volume.
// The Make* functions throw std::length_error when a mesh would need more than INT_MAX points.
#pragma once

#include <vector>

namespace zvhost {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
struct Quad {
  int a = 0, b = 0, c = 0, d = 0;
};  // a triangle is stored with d == c
struct MeshData {
  std::vector<Vec3> points;
  std::vector<Quad> polygons;
};

// Box of the given size centred on the origin, each face split into a grid of
// segX x segY, segY x segZ or segX x segZ quads. Segment counts below 1 count as 1;
// negative sizes are taken by magnitude. Points on shared face borders are welded.
MeshData MakeCube(const Vec3& size, int segX, int segY, int segZ);

// UV sphere centred on the origin: `segments` columns around the y axis (at least 3)
// and segments / 2 latitude bands from pole to pole (at least 2), i.e. two pole points
// plus segments / 2 - 1 rings of points. The bands at the poles are triangle fans
// (d == c), the others quads.
MeshData MakeSphere(double radius, int segments);

// Pyramid centred on the origin: a size.x by size.z base at y = -size.y / 2 and the apex
// at y = +size.y / 2. The base is a segX x segZ grid of quads; every side face is split
// into segY bands, quads below and a triangle fan at the apex. With all segments at 1
// this is 4 side triangles and the base quad.
MeshData MakePyramid(const Vec3& size, int segX, int segY, int segZ);

// Regular icosahedron centred on the origin: 12 points at the given radius, 20 triangles.
MeshData MakeIcosahedron(double radius);

// Makes the polygons of each edge-connected piece wound alike. A closed piece (every
// edge shared an even number of times within it) is then turned to face outward, i.e. to
// a positive signed volume; an open piece, or a closed one without measurable volume,
// keeps the winding of its lowest-numbered polygon. Edges shared by more than two
// polygons do not tie those polygons together. Polygons with a repeated or out-of-range
// corner index are left untouched and ignored.
// Flipping reverses the corner order and keeps the first corner: a quad (a, b, c, d)
// becomes (a, d, c, b) and a triangle (a, b, c, c) becomes (a, c, b, b).
// Returns the number of polygons flipped. Runs in about linear time, without recursion.
long AlignNormals(MeshData& mesh);

}  // namespace zvhost
