// Extrusion of text outlines. The filled region's boundary and the caps come from the GLU
// tessellator, which needs no GL context.
#include "text_extrude.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <span>
#include <utility>

namespace zvhost {
namespace {

void* ToData(int index) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(index) + 1); }
int FromData(void* data) { return static_cast<int>(reinterpret_cast<std::intptr_t>(data) - 1); }

// Collects what the tessellator emits. Vertices are passed as indices into `vertices`; vertices
// created at intersections are appended (or mapped onto an existing vertex at the same position).
struct TessState {
  std::vector<Point2>* vertices = nullptr;
  std::map<Point2, int>* lookup = nullptr;
  std::vector<std::vector<int>> loops;        // boundary mode
  std::vector<std::array<int, 3>> triangles;  // triangle mode
  GLenum primitive = 0;
  std::vector<int> primitiveVertices;
  bool failed = false;
};

void GLAPIENTRY OnBegin(GLenum type, void* state) {
  auto* s = static_cast<TessState*>(state);
  s->primitive = type;
  s->primitiveVertices.clear();
}

void GLAPIENTRY OnVertex(void* vertex, void* state) {
  static_cast<TessState*>(state)->primitiveVertices.push_back(FromData(vertex));
}

void GLAPIENTRY OnEnd(void* state) {
  auto* s = static_cast<TessState*>(state);
  const std::vector<int>& v = s->primitiveVertices;
  const std::size_t n = v.size();
  switch (s->primitive) {
    case GL_LINE_LOOP:
      s->loops.push_back(v);
      break;
    case GL_TRIANGLES:
      for (std::size_t i = 0; i + 2 < n; i += 3) s->triangles.push_back({v[i], v[i + 1], v[i + 2]});
      break;
    case GL_TRIANGLE_FAN:
      for (std::size_t i = 1; i + 1 < n; ++i) s->triangles.push_back({v[0], v[i], v[i + 1]});
      break;
    case GL_TRIANGLE_STRIP:
      for (std::size_t i = 0; i + 2 < n; ++i) {
        if (i % 2 == 0) {
          s->triangles.push_back({v[i], v[i + 1], v[i + 2]});
        } else {
          s->triangles.push_back({v[i + 1], v[i], v[i + 2]});
        }
      }
      break;
    default:
      break;
  }
  s->primitiveVertices.clear();
}

void GLAPIENTRY OnEdgeFlag(GLboolean, void*) {
  // Registering this makes the tessellator emit plain triangles.
}

void GLAPIENTRY OnCombine(GLdouble coords[3], void* /*data*/[4], GLfloat /*weight*/[4], void** out,
                          void* state) {
  auto* s = static_cast<TessState*>(state);
  const Point2 p{coords[0], coords[1]};
  auto [it, inserted] = s->lookup->emplace(p, static_cast<int>(s->vertices->size()));
  if (inserted) s->vertices->push_back(p);
  *out = ToData(it->second);
}

void GLAPIENTRY OnError(GLenum, void* state) { static_cast<TessState*>(state)->failed = true; }

using GluCallback = _GLUfuncptr;

// Runs the tessellator with the non-zero winding rule over closed loops of vertex indices. In
// boundary mode the result is the boundary of the filled region as loops, outer ones
// counter-clockwise and holes clockwise (seen from +z); otherwise it is triangles,
// counter-clockwise seen from +z.
bool Tessellate(const std::vector<std::vector<int>>& loops, std::vector<Point2>& vertices,
                std::map<Point2, int>& lookup, bool boundaryOnly, TessState& state) {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) return false;
  state.vertices = &vertices;
  state.lookup = &lookup;
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<GluCallback>(&OnBegin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<GluCallback>(&OnVertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<GluCallback>(&OnEnd));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<GluCallback>(&OnCombine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<GluCallback>(&OnError));
  if (!boundaryOnly)
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<GluCallback>(&OnEdgeFlag));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, boundaryOnly ? GL_TRUE : GL_FALSE);
  gluTessNormal(tess, 0, 0, 1);

  // The tessellator keeps pointers to the coordinates until the polygon ends: size them once.
  std::size_t total = 0;
  for (const auto& loop : loops) total += loop.size();
  std::vector<std::array<GLdouble, 3>> coords(total);
  std::size_t k = 0;
  gluTessBeginPolygon(tess, &state);
  for (const auto& loop : loops) {
    gluTessBeginContour(tess);
    for (int index : loop) {
      coords[k] = {vertices[index][0], vertices[index][1], 0.0};
      gluTessVertex(tess, coords[k].data(), ToData(index));
      ++k;
    }
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  return !state.failed;
}

// The filled region of some contours, flat: its boundary loops (each edge with the region on its
// left) and the cap triangles over them, counter-clockwise seen from +z.
struct FlatRegion {
  std::vector<Point2> points;
  std::vector<std::vector<int>> loops;
  std::vector<std::array<int, 3>> triangles;
};

// Fills the non-zero winding region of the contours. Empty when nothing encloses an area or the
// tessellator fails.
FlatRegion Fill(std::span<const std::vector<Point2>> contours) {
  // Vertices shared by position, so that contours touching at a point also share the vertex.
  std::vector<Point2> vertices;
  std::map<Point2, int> lookup;
  std::vector<std::vector<int>> input;
  for (const auto& contour : contours) {
    std::vector<Point2> clean = contour;
    if (!std::all_of(clean.begin(), clean.end(),
                     [](const Point2& p) { return std::isfinite(p[0]) && std::isfinite(p[1]); }) ||
        !CleanContour(clean)) {
      continue;
    }
    std::vector<int> loop;
    for (const Point2& p : clean) {
      auto [it, inserted] = lookup.emplace(p, static_cast<int>(vertices.size()));
      if (inserted) vertices.push_back(p);
      loop.push_back(it->second);
    }
    input.push_back(std::move(loop));
  }
  if (input.empty()) return {};

  // First the boundary of the filled region: overlaps are merged and every edge separates filled
  // from empty, so it can carry a side wall. Then the caps are triangulated from that boundary.
  TessState boundary;
  if (!Tessellate(input, vertices, lookup, true, boundary)) return {};
  FlatRegion region;
  for (auto& loop : boundary.loops) {
    loop.erase(std::unique(loop.begin(), loop.end()), loop.end());
    while (loop.size() > 1 && loop.front() == loop.back()) loop.pop_back();
    if (loop.size() >= 3) region.loops.push_back(std::move(loop));
  }
  if (region.loops.empty()) return {};
  TessState caps;
  if (!Tessellate(region.loops, vertices, lookup, false, caps)) return {};
  region.triangles = std::move(caps.triangles);
  for (auto& t : region.triangles) {
    const Point2 &a = vertices[t[0]], &b = vertices[t[1]], &c = vertices[t[2]];
    if ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]) < 0) std::swap(t[1], t[2]);
  }

  // Keep only the vertices in use.
  std::vector<int> remap(vertices.size(), -1);
  const auto use = [&](int& index) {
    if (remap[index] < 0) {
      remap[index] = static_cast<int>(region.points.size());
      region.points.push_back(vertices[index]);
    }
    index = remap[index];
  };
  for (auto& loop : region.loops) std::for_each(loop.begin(), loop.end(), use);
  for (auto& t : region.triangles) std::for_each(t.begin(), t.end(), use);
  return region;
}

void Append(FlatRegion&& part, FlatRegion& all) {
  const int offset = static_cast<int>(all.points.size());
  all.points.insert(all.points.end(), part.points.begin(), part.points.end());
  for (auto& loop : part.loops) {
    for (int& index : loop) index += offset;
    all.loops.push_back(std::move(loop));
  }
  for (auto t : part.triangles)
    all.triangles.push_back({t[0] + offset, t[1] + offset, t[2] + offset});
}

// The tessellator's cost grows faster than linearly with the number of edges it sweeps over, so
// each glyph is filled on its own: the text costs the sum of its glyphs.
FlatRegion FillGlyphs(const TextOutline& outline) {
  const std::span<const std::vector<Point2>> contours(outline.contours);
  if (outline.glyphStarts.empty()) return Fill(contours);
  FlatRegion all;
  for (std::size_t g = 0; g < outline.glyphStarts.size(); ++g) {
    const std::size_t first = std::min(outline.glyphStarts[g], contours.size());
    const std::size_t last = g + 1 < outline.glyphStarts.size()
                                 ? std::min(outline.glyphStarts[g + 1], contours.size())
                                 : contours.size();
    if (first < last) Append(Fill(contours.subspan(first, last - first)), all);
  }
  return all;
}

}  // namespace

SolidMesh ExtrudeOutline(const TextOutline& outline, const Point3& extrusion) {
  const FlatRegion region = FillGlyphs(outline);
  if (region.points.empty()) return {};

  SolidMesh mesh;
  const int n = static_cast<int>(region.points.size());
  for (const Point2& p : region.points) mesh.points.push_back({p[0], p[1], 0.0});
  if (extrusion[2] == 0 || !std::isfinite(extrusion[2])) {
    mesh.triangles = region.triangles;
    return mesh;
  }
  for (const Point2& p : region.points)
    mesh.points.push_back({p[0] + extrusion[0], p[1] + extrusion[1], extrusion[2]});

  // Extruding towards +z the front cap faces -z and the back cap +z; towards -z the other way.
  const bool towardsPlusZ = extrusion[2] > 0;
  for (const auto& t : region.triangles) {
    const std::array<int, 3> front{t[0], t[2], t[1]};
    const std::array<int, 3> back{t[0] + n, t[1] + n, t[2] + n};
    mesh.triangles.push_back(towardsPlusZ ? front
                                          : std::array<int, 3>{front[0], front[2], front[1]});
    mesh.triangles.push_back(towardsPlusZ ? back : std::array<int, 3>{back[0], back[2], back[1]});
  }
  // Each boundary edge a->b has the filled region on its left, so the wall faces right.
  for (const auto& loop : region.loops) {
    for (std::size_t i = 0; i < loop.size(); ++i) {
      const int a = loop[i], b = loop[(i + 1) % loop.size()];
      if (towardsPlusZ) {
        mesh.triangles.push_back({a, b, b + n});
        mesh.triangles.push_back({a, b + n, a + n});
      } else {
        mesh.triangles.push_back({a, b + n, b});
        mesh.triangles.push_back({a, a + n, b + n});
      }
    }
  }
  return mesh;
}

}  // namespace zvhost
