#include "zvplot_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "o3dplot.h"
#include "o3dplotcage.h"
#include "o3dplotgrid.h"
#include "o3dplotlabel.h"
#include "o3dplotmesh.h"
#include "zvplot.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"
#include "zvplot_levels.h"
#include "zvplot_settings.h"
#include "zvplot_solid.h"

// The sizes below were measured on the stand-in host (peak memory of a build, less the same scene
// without it) and rounded up.
namespace {

// An object beside its points and polygons: the object, its container, name, matrix and a tag.
constexpr Int64 kObjectBytes = 512;
constexpr Int64 kPointBytes = sizeof(Vector);
constexpr Int64 kPolygonBytes = sizeof(CPolygon);
constexpr Int64 kUVWBytes = 4 * sizeof(Vector);  // a polygon's UVW set
constexpr Int64 kColorBytes = 4 * sizeof(Float32);
// Aligning the marker mesh's normals copies the mesh and keeps an edge table of it.
constexpr Int64 kAlignPointBytes = 32;
constexpr Int64 kAlignPolygonBytes = 96;
// Building a solid: a face of its list (corners and where they take their colours from), and per
// node its classification and vertex numbers.
constexpr Int64 kSolidFaceBytes = 40;
constexpr Int64 kSolidNodeBytes = 24;
// One glyph of an extruded text (outline, caps and sides), and the points and polygons it has.
constexpr Int64 kGlyphBytes = 4096;
constexpr Int64 kGlyphPoints = 100;
// The longest number a label shows: a sign, 309 digits before the point (the largest double), the
// point; the decimals come on top.
constexpr Int64 kLongestNumber = 311;
constexpr Int64 kAxisLabels = 12;
constexpr Int64 kMaxTextGlyphs = 4096;

void Name(ZVPlotMemoryEstimate* out, const char* what) {
  std::strncpy(out->what, what, sizeof out->what - 1);
  out->what[sizeof out->what - 1] = '\0';
}

Int32 PlotResolution(const BaseObject* plot) {
  return plot ? std::max<Int32>(plot->GetDataInstanceRef().GetInt32(O3DPLOT_RESOLUTION), 0) : 0;
}

Int64 SampleCount(Int32 resolution) {
  const Int64 side = Int64(resolution) + 1;
  return resolution > 0 ? side * side : 0;
}

Int64 PolygonObjectBytes(Int64 points, Int64 polygons, bool uvw) {
  return points * kPointBytes + polygons * (kPolygonBytes + (uvw ? kUVWBytes : 0)) + kObjectBytes;
}

// The generator's present cache, which stays until the new one replaces it.
Int64 CacheBytes(BaseObject* op) {
  Int64 bytes = 0;
  std::vector<BaseObject*> stack{op->GetCache()};
  while (!stack.empty()) {
    BaseObject* o = stack.back();
    stack.pop_back();
    if (!o) continue;
    stack.push_back(o->GetNext());
    stack.push_back(o->GetDown());
    if (o->IsInstanceOf(Opolygon)) {
      auto* poly = static_cast<PolygonObject*>(o);
      bytes += PolygonObjectBytes(poly->GetPointCount(), poly->GetPolygonCount(),
                                  poly->GetTag(Tuvw) != nullptr);
    } else if (o->IsInstanceOf(Ospline)) {
      bytes += static_cast<SplineObject*>(o)->GetPointCount() * kPointBytes + kObjectBytes;
    } else {
      bytes += kObjectBytes;
    }
  }
  return bytes;
}

struct Solid {
  Int64 points, polygons, corners;
};

// The solid a sample gets in markers mode (the mesh's own shapes) and in primitives mode (the
// host's primitives as the mesh asks for them).
Solid MarkerSolid(Int32 shape) {
  switch (shape) {
    case O3DPLOTMESH_MARKERSHAPE_PYRAMID:
      return {5, 5, 16};
    case O3DPLOTMESH_MARKERSHAPE_ICOSAHEDRON:
      return {12, 20, 60};
    default:
      return {8, 6, 24};
  }
}
Solid PrimitiveSolid(Int32 primitive) {
  switch (primitive) {
    case O3DPLOTMESH_PRIMITIVE_SPHERE:
      return {62, 72, 62};  // 12 segments, no UVWs
    case O3DPLOTMESH_PRIMITIVE_PYRAMID:
      return {5, 5, 5};
    case O3DPLOTMESH_PRIMITIVE_ICOSAHEDRON:
      return {12, 20, 12};
    default:
      return {8, 6, 8};
  }
}

// The characters of a number with `digits` decimals, the most a value up to |v| can need.
Int64 NumberLength(Float v, Int32 digits) {
  const Float a = std::fabs(v);
  Int64 whole = 1;
  if (!std::isfinite(a))
    whole = kLongestNumber;
  else if (a >= 1.0)
    whole = std::min<Int64>(static_cast<Int64>(std::log10(a)) + 1, kLongestNumber);
  return 1 + whole + 1 + std::clamp<Int64>(digits, 0, 20);
}

}  // namespace

Bool EstimatePlotMemory(BaseObject* op, ZVPlotMemoryEstimate* out) {
  const Int32 resolution = PlotResolution(op);
  const auto* plot = op->GetNodeData<ZVPlot>();
  *out = ZVPlotMemoryEstimate{};
  out->resolution = resolution;
  // A new sample set is reserved before the present one is let go.
  const Int64 present = plot ? plot->GetSamples().GetCount() : 0;
  out->bytes = (SampleCount(resolution) + present) * Int64(sizeof(PlotSample)) + kObjectBytes;
  out->objects = 1;
  Name(out, "samples");
  return true;
}

Bool EstimateMeshMemory(BaseObject* op, ZVPlotMemoryEstimate* out) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  const Int32 resolution = PlotResolution(FindParentPlot(op));
  const Int64 samples = SampleCount(resolution);
  *out = ZVPlotMemoryEstimate{};
  out->resolution = resolution;
  out->objects = 1;
  switch (bc.GetInt32(O3DPLOTMESH_MODE)) {
    case O3DPLOTMESH_MODE_MARKERS: {
      const Solid s = MarkerSolid(bc.GetInt32(O3DPLOTMESH_MARKERSHAPE));
      out->points = samples * s.points;
      out->polygons = samples * s.polygons;
      out->vertices = samples * s.corners;
      out->bytes = PolygonObjectBytes(out->points, out->polygons, true) +
                   out->points * kAlignPointBytes + out->polygons * kAlignPolygonBytes;
      Name(out, "markers");
      break;
    }
    case O3DPLOTMESH_MODE_PRIMITIVES: {
      const Solid s = PrimitiveSolid(bc.GetInt32(O3DPLOTMESH_PRIMITIVE));
      out->points = samples * s.points;
      out->polygons = samples * s.polygons;
      out->vertices = samples * s.corners;
      out->objects += samples;
      out->bytes = samples * PolygonObjectBytes(s.points, s.polygons, false) + kObjectBytes;
      Name(out, "primitives");
      break;
    }
    default: {
      const Int32 solid = bc.GetInt32(O3DPLOTMESH_SOLID);
      const Bool colours = bc.GetBool(O3DPLOTMESH_VERTEXCOLORS);
      if (solid != O3DPLOTMESH_SOLID_OFF) {
        SolidCountsAtMost(resolution, solid, &out->points, &out->polygons);
        out->vertices = 4 * out->polygons;
        // Corner colours, on the solid and on the component's copy; the builder's own list of
        // faces and the per-node tables it works from.
        const Int64 colors = colours ? 2 * 4 * kColorBytes * out->polygons : 0;
        out->bytes = PolygonObjectBytes(out->points, out->polygons, true) + colors +
                     out->polygons * kSolidFaceBytes + samples * kSolidNodeBytes;
        Name(out, "solid");
        break;
      }
      out->points = samples;
      out->polygons = Int64(resolution) * resolution;
      out->vertices = 4 * out->polygons;
      // Vertex colours: the surface's tag and the component's copy of it.
      const Int64 colors = colours ? 2 * kColorBytes * samples : 0;
      out->bytes = PolygonObjectBytes(out->points, out->polygons, true) + colors;
      Name(out, "surface");
      break;
    }
  }
  out->bytes += CacheBytes(op);
  return true;
}

namespace {
// A component that builds one spline object of `points` points.
Bool SplineEstimate(BaseObject* op, Int32 resolution, Int64 points, const char* what,
                    ZVPlotMemoryEstimate* out) {
  *out = ZVPlotMemoryEstimate{};
  out->resolution = resolution;
  out->points = points;
  out->vertices = points;
  out->objects = 1;
  out->bytes = points * kPointBytes + kObjectBytes + CacheBytes(op);
  Name(out, what);
  return true;
}
}  // namespace

// Level lines keep at most as many points per place as the rows and columns at step 1 (each line
// crosses an edge once; many lines are thinned to that), whatever the formula: the bound holds
// before the samples are known.
Bool EstimateGridMemory(BaseObject* op, ZVPlotMemoryEstimate* out) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  const Int32 resolution = PlotResolution(FindParentPlot(op));
  const Int64 side = Int64(resolution) + 1;
  if (bc.GetInt32(O3DPLOTGRID_MODE) == O3DPLOTGRID_MODE_LEVELS) {
    const Int32 place = bc.GetInt32(O3DPLOTGRID_PLACE);
    const Int32 places = place == O3DPLOTGRID_PLACE_BOTH ? 2 : 1;
    SplineEstimate(op, resolution, places * LevelLinePointLimit(side), "grid", out);
    out->bytes = LevelLineBytes(side, places) + kObjectBytes + CacheBytes(op);
    return true;
  }
  const Int64 step = std::max<Int32>(bc.GetInt32(O3DPLOTGRID_STEP), 1);
  // A line every step, and the last one.
  return SplineEstimate(op, resolution, 2 * (side / step + 2) * side, "grid", out);
}

Bool EstimateCageMemory(BaseObject* op, ZVPlotMemoryEstimate* out) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  const Int64 levels = std::max<Int32>(bc.GetInt32(O3DPLOTCAGE_LEVELS), 0);
  const Int64 sections = std::max<Int32>(bc.GetInt32(O3DPLOTCAGE_SECTIONS), 0);
  return SplineEstimate(op, PlotResolution(FindParentPlot(op)), 16 + 4 * levels + 8 * sections,
                        "cage", out);
}

// The axis labels show the plot's ranges and its values as of its last evaluation; before the
// first one the values may be as long as a number can be written.
Bool EstimateLabelsMemory(BaseObject* op, ZVPlotMemoryEstimate* out) {
  BaseObject* plotObject = FindParentPlot(op);
  const auto* plot = plotObject ? plotObject->GetNodeData<ZVPlot>() : nullptr;
  *out = ZVPlotMemoryEstimate{};
  if (!plot) return true;
  const PlotSettings ps = PlotSettings::Read(plotObject->GetDataInstanceRef());
  const Int32 digits = op->GetDataInstanceRef().GetInt32(O3DPLOTLABEL_DIGITS);
  const Float scale = std::max({1.0, std::fabs(ps.scalePositive), std::fabs(ps.scaleNegative)});
  Float largest = std::max({std::fabs(ps.xMin), std::fabs(ps.xMax), std::fabs(ps.zMin),
                            std::fabs(ps.zMax), ps.size, ps.height});
  if (plot->GetSamples().GetCount() > 0)
    largest = std::max(
        {largest, std::fabs(plot->GetValueMin()) * scale, std::fabs(plot->GetValueMax()) * scale});
  else
    largest = HUGE_VAL;
  const Int64 legend = std::min<Int64>(9 + ps.formula.GetLength(), kMaxTextGlyphs);
  const Int64 glyphs = kAxisLabels * NumberLength(largest, digits) + legend;
  out->resolution = ps.resolution;
  out->objects = 2 * (kAxisLabels + 1);  // an extrusion and its text per label
  out->points = glyphs * kGlyphPoints;
  out->polygons = glyphs * kGlyphPoints;
  out->vertices = glyphs * kGlyphPoints;
  out->bytes = glyphs * kGlyphBytes + out->objects * kObjectBytes;
  Name(out, "labels");
  return true;
}
