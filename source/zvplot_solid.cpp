#include "zvplot_solid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "c4dapi.h"
#include "o3dplotmesh.h"
#include "zvplot.h"
#include "zvplot_mesh.h"

namespace {

// Host objects and tags are sized with int32 counts.
constexpr Int64 kMaxCount = std::numeric_limits<Int32>::max();
// Where two cells meet at one corner only, each gets a corner of its own, moved this share of the
// way towards its cell's centre: the two parts then touch nowhere, so that a reader joining the
// solid's faces by position (a slicer reading STL) finds every edge used twice and no more.
constexpr Float kPinchShift = 1e-3;
// The solid's edges stay sharp where its faces meet at more than this angle.
constexpr Float kPhongAngle = 60.0 * PI / 180.0;

// One polygon of the solid and where its corners take their UVs and colours from: the surface
// point above each corner, and for the base's bottom the bottom colour.
struct Face {
  CPolygon corners;
  Int32 above[4];
  Bool bottom;
};

class SolidBuilder {
 public:
  SolidBuilder(const PlotSampleArray& samples, Int32 resolution, const SolidShape& shape)
      : samples_(samples), r_(resolution), n_(Int64(resolution) + 1), shape_(shape) {}

  // False when no cell has four finite corners.
  Bool Classify();
  void BuildFaces();
  PolygonObject* MakeObject() const;

 private:
  Int64 Node(Int64 i, Int64 j) const { return i * n_ + j; }
  Bool CellValid(Int64 i, Int64 j) const {
    return i >= 0 && j >= 0 && i < r_ && j < r_ && cells_[static_cast<size_t>(i * r_ + j)];
  }
  // The vertex of node (i, j) as a corner of cell (ci, cj).
  Int32 Corner(Int64 i, Int64 j, Int64 ci, Int64 cj) const;
  Int32 Lower(Int32 top);
  void AddFace(Int32 a, Int32 b, Int32 c, Int32 d, Bool bottom);
  void AddCell(Int64 i, Int64 j);
  void AddBottom();
  void AddStripBottom(Int64 i, Int64 j0, Int64 j1, const std::vector<char>& below,
                      const std::vector<char>& above);
  Vector Position(Int32 vertex) const;

  const PlotSampleArray& samples_;
  const Int64 r_, n_;
  const SolidShape shape_;
  std::vector<char> cells_;        // R x R: the cell has four finite corners
  std::vector<Int32> first_;       // per node: its first vertex, -1 when no cell uses it
  std::vector<Int64> vertexNode_;  // per top vertex: its node
  std::vector<Int32> secondCell_;  // per top vertex that is a pinch's second copy: its cell
  std::vector<Int32> lower_;       // per top vertex: its bottom or inner vertex, -1 while none
  std::vector<Int32> lowerTop_;    // per lower vertex: the top vertex above it
  std::vector<Face> faces_;
};

// A node joins two cells at one corner when of its four cells exactly two diagonal ones are
// valid. Its first vertex serves the cell below and left of it, a second vertex the other one.
Bool SolidBuilder::Classify() {
  cells_.assign(static_cast<size_t>(r_ * r_), 0);
  Bool any = false;
  const auto finite = [this](Int64 k) {
    const Vector& p = samples_[k].position;
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  };
  for (Int64 i = 0; i < r_; ++i) {
    for (Int64 j = 0; j < r_; ++j) {
      const Bool valid = finite(Node(i, j)) && finite(Node(i, j + 1)) && finite(Node(i + 1, j)) &&
                         finite(Node(i + 1, j + 1));
      cells_[static_cast<size_t>(i * r_ + j)] = valid;
      any = any || valid;
    }
  }
  if (!any) return false;
  first_.assign(static_cast<size_t>(n_ * n_), -1);
  for (Int64 i = 0; i < n_; ++i) {
    for (Int64 j = 0; j < n_; ++j) {
      const Bool a = CellValid(i - 1, j - 1), b = CellValid(i - 1, j);
      const Bool c = CellValid(i, j - 1), d = CellValid(i, j);
      if (!a && !b && !c && !d) continue;
      first_[static_cast<size_t>(Node(i, j))] = static_cast<Int32>(vertexNode_.size());
      vertexNode_.push_back(Node(i, j));
      secondCell_.push_back(-1);
      if (a && d && !b && !c) {
        vertexNode_.push_back(Node(i, j));
        secondCell_.push_back(static_cast<Int32>(i * r_ + j));
      } else if (b && c && !a && !d) {
        vertexNode_.push_back(Node(i, j));
        secondCell_.push_back(static_cast<Int32>(i * r_ + j - 1));
      }
    }
  }
  lower_.assign(vertexNode_.size(), -1);
  return true;
}

Int32 SolidBuilder::Corner(Int64 i, Int64 j, Int64 ci, Int64 cj) const {
  const Int32 v = first_[static_cast<size_t>(Node(i, j))];
  const size_t next = static_cast<size_t>(v) + 1;
  if (next < secondCell_.size() && vertexNode_[next] == Node(i, j) &&
      secondCell_[next] == static_cast<Int32>(ci * r_ + cj))
    return v + 1;
  return v;
}

Int32 SolidBuilder::Lower(Int32 top) {
  Int32& lower = lower_[static_cast<size_t>(top)];
  if (lower < 0) {
    lower = static_cast<Int32>(vertexNode_.size() + lowerTop_.size());
    lowerTop_.push_back(top);
  }
  return lower;
}

void SolidBuilder::AddFace(Int32 a, Int32 b, Int32 c, Int32 d, Bool bottom) {
  const Int32 top = static_cast<Int32>(vertexNode_.size());
  const auto above = [&](Int32 v) { return v < top ? v : lowerTop_[static_cast<size_t>(v - top)]; };
  faces_.push_back(Face{CPolygon(a, b, c, d), {above(a), above(b), above(c), above(d)}, bottom});
}

// The cell's top, its walls where no valid cell lies beside an edge, and for a shell its inner
// face. Corners a, b, c, d run as on the surface; each wall runs along its edge the other way.
void SolidBuilder::AddCell(Int64 i, Int64 j) {
  const Int32 a = Corner(i, j, i, j), b = Corner(i, j + 1, i, j);
  const Int32 c = Corner(i + 1, j + 1, i, j), d = Corner(i + 1, j, i, j);
  AddFace(a, b, c, d, false);
  const Int32 loop[5] = {a, b, c, d, a};
  const Bool beside[4] = {CellValid(i - 1, j), CellValid(i, j + 1), CellValid(i + 1, j),
                          CellValid(i, j - 1)};
  for (Int32 e = 0; e < 4; ++e) {
    if (beside[e]) continue;
    const Int32 p = loop[e], q = loop[e + 1];
    AddFace(q, p, Lower(p), Lower(q), false);
  }
  if (shape_.mode == O3DPLOTMESH_SOLID_SHELL)
    AddFace(Lower(a), Lower(d), Lower(c), Lower(b), false);
}

// The bottom strip by strip: each run of valid cells in a strip is one polygon between its two
// node lines, cut into triangles between the points those lines need: a wall's foot, the end of
// a run of this strip or of the neighbouring one. Every other point of the surface has no place
// in the flat bottom.
void SolidBuilder::AddBottom() {
  std::vector<char> lines[2];
  const auto needed = [this](Int64 line, std::vector<char>* out) {
    out->assign(static_cast<size_t>(n_), 0);
    for (Int64 strip = line - 1; strip <= line; ++strip) {
      if (strip < 0 || strip >= r_) continue;
      for (Int64 j = 0; j < r_; ++j) {
        if (!CellValid(strip, j)) continue;
        if (!CellValid(strip, j - 1)) (*out)[static_cast<size_t>(j)] = 1;
        if (!CellValid(strip, j + 1)) (*out)[static_cast<size_t>(j + 1)] = 1;
      }
    }
    for (Int64 j = 0; j < r_; ++j) {
      if (CellValid(line - 1, j) != CellValid(line, j))
        (*out)[static_cast<size_t>(j)] = (*out)[static_cast<size_t>(j + 1)] = 1;
    }
  };
  needed(0, &lines[0]);
  for (Int64 i = 0; i < r_; ++i) {
    needed(i + 1, &lines[(i + 1) % 2]);
    for (Int64 j = 0; j < r_; ++j) {
      if (!CellValid(i, j) || CellValid(i, j - 1)) continue;
      Int64 end = j;
      while (CellValid(i, end)) ++end;
      AddStripBottom(i, j, end, lines[i % 2], lines[(i + 1) % 2]);
    }
  }
}

// The run of cells j0 ... j1 - 1 of strip i, facing down. Both chains start at j0 and end at j1;
// the triangle fan zips them together, so that every triangle spans the strip and has area.
void SolidBuilder::AddStripBottom(Int64 i, Int64 j0, Int64 j1, const std::vector<char>& below,
                                  const std::vector<char>& above) {
  const auto chain = [&](const std::vector<char>& marks, Int64 line) {
    std::vector<Int32> points;
    for (Int64 j = j0; j <= j1; ++j)
      if (marks[static_cast<size_t>(j)])
        points.push_back(Lower(Corner(line, j, i, std::min(j, j1 - 1))));
    return points;
  };
  const std::vector<Int32> a = chain(below, i), b = chain(above, i + 1);
  const auto j = [&](Int32 lower) {
    return vertexNode_[static_cast<size_t>(
               lowerTop_[static_cast<size_t>(lower) - vertexNode_.size()])] %
           n_;
  };
  size_t ia = 0, ib = 0;
  while (ia + 1 < a.size() || ib + 1 < b.size()) {
    if (ib + 1 == b.size() || (ia + 1 < a.size() && j(a[ia + 1]) <= j(b[ib + 1]))) {
      AddFace(a[ia], b[ib], a[ia + 1], a[ia + 1], true);
      ++ia;
    } else {
      AddFace(a[ia], b[ib], b[ib + 1], b[ib + 1], true);
      ++ib;
    }
  }
}

void SolidBuilder::BuildFaces() {
  for (Int64 i = 0; i < r_; ++i)
    for (Int64 j = 0; j < r_; ++j)
      if (CellValid(i, j)) AddCell(i, j);
  if (shape_.mode == O3DPLOTMESH_SOLID_BASE) AddBottom();
}

// A top vertex stands on its sample, a pinch's copy a little way into its own cell; a lower vertex
// stands below its top vertex: on the bottom, or along the surface's normal there.
Vector SolidBuilder::Position(Int32 vertex) const {
  const Int32 top = static_cast<Int32>(vertexNode_.size());
  const Int32 t = vertex < top ? vertex : lowerTop_[static_cast<size_t>(vertex - top)];
  const Int64 node = vertexNode_[static_cast<size_t>(t)];
  Vector p = samples_[node].position;
  const Int64 i = node / n_, j = node % n_;
  const Bool pinch = (static_cast<size_t>(t) + 1 < vertexNode_.size() &&
                      vertexNode_[static_cast<size_t>(t) + 1] == node) ||
                     secondCell_[static_cast<size_t>(t)] >= 0;
  if (pinch) {
    Int64 cell = secondCell_[static_cast<size_t>(t)];
    if (cell < 0) cell = CellValid(i - 1, j - 1) ? (i - 1) * r_ + j - 1 : (i - 1) * r_ + j;
    const Int64 ci = cell / r_, cj = cell % r_;
    Vector centre;
    for (Int64 di = 0; di <= 1; ++di)
      for (Int64 dj = 0; dj <= 1; ++dj) centre += samples_[Node(ci + di, cj + dj)].position * 0.25;
    p.x += (centre.x - p.x) * kPinchShift;
    p.z += (centre.z - p.z) * kPinchShift;
  }
  if (vertex < top) return p;
  if (shape_.mode == O3DPLOTMESH_SOLID_BASE) return Vector(p.x, shape_.bottom, p.z);
  return p;  // the shell's inner vertices are placed by MakeObject, which knows the normals
}

PolygonObject* SolidBuilder::MakeObject() const {
  const Int64 points = static_cast<Int64>(vertexNode_.size() + lowerTop_.size());
  const Int64 polygons = static_cast<Int64>(faces_.size());
  if (points > kMaxCount || polygons > kMaxCount) return nullptr;
  PolygonObject* poly =
      PolygonObject::Alloc(static_cast<Int32>(points), static_cast<Int32>(polygons));
  if (!poly) return nullptr;
  Vector* p = poly->GetPointW();
  CPolygon* q = poly->GetPolygonW();
  if (!p || !q) return poly;
  for (Int32 v = 0; v < static_cast<Int32>(points); ++v) p[v] = Position(v);
  for (Int32 f = 0; f < static_cast<Int32>(polygons); ++f)
    q[f] = faces_[static_cast<size_t>(f)].corners;

  if (shape_.mode == O3DPLOTMESH_SOLID_SHELL) {
    // The normal at a vertex: the sum of its cells' normals (their diagonals' cross product, so a
    // larger cell counts more), of the top faces only.
    const size_t top = vertexNode_.size();
    std::vector<Vector> normals(top);
    for (const Face& f : faces_) {
      const CPolygon& c = f.corners;
      if (static_cast<size_t>(c.a) >= top || static_cast<size_t>(c.c) >= top) continue;
      const Vector n = Cross(p[c.c] - p[c.a], p[c.d] - p[c.b]);
      for (const Int32 v : {c.a, c.b, c.c, c.d}) normals[static_cast<size_t>(v)] += n;
    }
    for (size_t k = 0; k < lowerTop_.size(); ++k) {
      const Int32 t = lowerTop_[k];
      Vector n = normals[static_cast<size_t>(t)];
      const Float length = n.GetLength();
      n = length > 0.0 ? n * (1.0 / length) : Vector(0, 1, 0);
      p[top + k] = p[t] - n * shape_.thickness;
    }
  }

  if (shape_.phong) {
    if (BaseTag* phong = poly->MakeTag(Tphong)) {
      phong->SetParameter(ConstDescID(DescLevel(PHONGTAG_PHONG_ANGLELIMIT)), GeData(Int32(1)),
                          DESCFLAGS_SET::NONE);
      phong->SetParameter(ConstDescID(DescLevel(PHONGTAG_PHONG_ANGLE)), GeData(kPhongAngle),
                          DESCFLAGS_SET::NONE);
    }
  }
  if (UVWTag* uvw = UVWTag::Alloc(static_cast<Int32>(polygons))) {
    poly->InsertTag(uvw);
    if (const UVWHandle h = uvw->GetDataAddressW()) {
      const auto uv = [this](Int32 top) {
        return SurfacePointUV(static_cast<Int32>(vertexNode_[static_cast<size_t>(top)]),
                              static_cast<Int32>(r_));
      };
      for (Int32 f = 0; f < static_cast<Int32>(polygons); ++f) {
        const Int32* above = faces_[static_cast<size_t>(f)].above;
        UVWTag::Set(h, f, UVWStruct(uv(above[0]), uv(above[1]), uv(above[2]), uv(above[3])));
      }
    }
  }
  if (shape_.colours) {
    VertexColorTag* tag = VertexColorTag::Alloc(static_cast<Int32>(polygons));
    if (tag) {
      poly->InsertTag(tag);
      tag->SetPerPointMode(false);
      if (const VertexColorHandle h = tag->GetDataAddressW()) {
        for (Int32 f = 0; f < static_cast<Int32>(polygons); ++f) {
          const Face& face = faces_[static_cast<size_t>(f)];
          Vector c[4];
          for (Int32 k = 0; k < 4; ++k) {
            c[k] = face.bottom ? shape_.bottomColour
                               : samples_[vertexNode_[static_cast<size_t>(face.above[k])]].color;
          }
          SetPolygonColors(h, f, c[0], c[1], c[2], c[3]);
        }
      }
    }
  }
  return poly;
}

}  // namespace

void SolidCountsAtMost(Int32 resolution, Int32 mode, Int64* points, Int64* polygons) {
  *points = *polygons = 0;
  if (resolution < 1) return;
  const Int64 r = resolution, n = r + 1;
  // The top has a point per node and a second one at each corner where two cells meet (at most
  // one per node), and the lower layer at most one per top point. A wall hangs from each edge
  // between a valid cell and an invalid one (or the border): at most 4 per valid cell and 4 per
  // invalid cell or border edge, so at most 2 R (R + 1) of them. The base's bottom has at most two
  // triangles per valid cell; the shell's inner sheet a face for each of the top's.
  *points = 4 * n * n;
  const Int64 walls = 2 * r * (r + 1);
  *polygons = r * r + walls + (mode == O3DPLOTMESH_SOLID_SHELL ? r * r : 2 * r * r);
}

PolygonObject* BuildSolid(const PlotSampleArray& samples, Int32 resolution,
                          const SolidShape& shape) {
  if (!SamplesMatchGrid(samples.GetCount(), resolution)) return nullptr;
  if (shape.mode != O3DPLOTMESH_SOLID_BASE && shape.mode != O3DPLOTMESH_SOLID_SHELL) return nullptr;
  // The lists are the host's standard containers: a failed allocation ends the build, the
  // generator then shows nothing rather than a part of the solid.
  try {
    SolidBuilder builder(samples, resolution, shape);
    if (!builder.Classify()) return nullptr;
    builder.BuildFaces();
    return builder.MakeObject();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
