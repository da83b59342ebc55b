// A closed solid from the plot's samples, for printing: the surface with walls along every border
// (the outside, each hole, each island) down to a flat bottom (a base), or joined to a copy of
// itself offset along its normals (a shell).
#pragma once

#include "zvplot_sdk.h"

class PlotSampleArray;

// The shape of the solid and what it carries.
struct SolidShape {
  Int32 mode = 0;         // O3DPLOTMESH_SOLID_BASE or O3DPLOTMESH_SOLID_SHELL
  Float bottom = 0.0;     // base: the height of the flat bottom, below every sample
  Float thickness = 0.0;  // shell: how far the inner sheet lies below the surface
  Bool colours = false;   // a vertex colour tag, one colour per polygon corner
  Vector bottomColour;    // base: the bottom's colour
  Bool phong = false;     // a phong tag that keeps the solid's edges sharp
};

// The points and polygons a solid of resolution R has at most (R < 1 has none).
void SolidCountsAtMost(Int32 resolution, Int32 mode, Int64* points, Int64* polygons);

// The closed solid through a complete sample set of resolution R. Every polygon is wound so that
// its normal (by the right-hand rule) points out of the solid, every edge is shared by exactly two
// polygons, and no polygon is degenerate. A sample that is not a finite number is a hole. Every
// polygon has a UVW set: the surface's own, and on the new faces the UVs of the surface point each
// corner lies under. Nothing when no cell of the grid has four finite corners, when the counts do
// not fit or memory runs out.
PolygonObject* BuildSolid(const PlotSampleArray& samples, Int32 resolution,
                          const SolidShape& shape);
