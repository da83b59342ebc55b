#include "mesh_ops.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace zvhost {
namespace {

Vec3 Sub(const Vec3& p, const Vec3& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
Vec3 Cross(const Vec3& p, const Vec3& q) {
  return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
double Dot(const Vec3& p, const Vec3& q) { return p.x * q.x + p.y * q.y + p.z * q.z; }

// Every point must be addressable by an int corner index.
int CheckedCount(long long count, const char* what) {
  if (count < 0 || count > INT_MAX) throw std::length_error(what);
  return static_cast<int>(count);
}

// Coordinate of grid line `step` of `steps` across [-half, +half]; the last line lands on
// +half exactly so that opposite faces are true mirror images.
double GridCoord(double half, long long step, long long steps) {
  if (step == steps) return half;
  return -half + 2.0 * half * static_cast<double>(step) / static_cast<double>(steps);
}

Quad Triangle(int a, int b, int c) { return {a, b, c, c}; }

}  // namespace

MeshData MakeCube(const Vec3& size, int segX, int segY, int segZ) {
  const std::array<long long, 3> n = {std::max(segX, 1), std::max(segY, 1), std::max(segZ, 1)};
  const std::array<double, 3> half = {std::abs(size.x) / 2, std::abs(size.y) / 2,
                                      std::abs(size.z) / 2};
  for (int axis = 0; axis < 3; ++axis) {
    CheckedCount((n[axis] + 1) * (n[(axis + 1) % 3] + 1), "MakeCube: too many segments");
  }
  const int pointCount =
      CheckedCount((n[0] + 1) * (n[1] + 1) * (n[2] + 1) - (n[0] - 1) * (n[1] - 1) * (n[2] - 1),
                   "MakeCube: too many segments");

  MeshData mesh;
  mesh.points.reserve(static_cast<std::size_t>(pointCount));
  mesh.polygons.reserve(static_cast<std::size_t>(2 * (n[0] * n[1] + n[1] * n[2] + n[2] * n[0])));

  // Points on face borders belong to two or three faces; weld them by lattice position.
  std::unordered_map<std::uint64_t, int> welded;
  welded.reserve(static_cast<std::size_t>(pointCount));
  auto pointAt = [&](const std::array<long long, 3>& lattice) {
    const auto key = static_cast<std::uint64_t>(
        (lattice[0] * (n[1] + 1) + lattice[1]) * (n[2] + 1) + lattice[2]);
    const auto [it, inserted] = welded.try_emplace(key, static_cast<int>(mesh.points.size()));
    if (inserted) {
      mesh.points.push_back({GridCoord(half[0], lattice[0], n[0]),
                             GridCoord(half[1], lattice[1], n[1]),
                             GridCoord(half[2], lattice[2], n[2])});
    }
    return it->second;
  };

  // Each face is spanned by lattice axes u and v chosen so that cross(u, v) points outward;
  // its quads then run u first, then v, and face outward.
  struct Face {
    std::array<bool, 3> atMax;  // which lattice coordinate sits at its far end
    int u, v;
  };
  constexpr std::array<Face, 6> kFaces = {{
      {{false, true, false}, 2, 0},   // +y
      {{false, false, false}, 0, 2},  // -y
      {{true, false, false}, 1, 2},   // +x
      {{false, false, false}, 2, 1},  // -x
      {{false, false, true}, 0, 1},   // +z
      {{false, false, false}, 1, 0},  // -z
  }};
  std::vector<int> ids;
  for (const Face& face : kFaces) {
    const long long nu = n[static_cast<std::size_t>(face.u)];
    const long long nv = n[static_cast<std::size_t>(face.v)];
    std::array<long long, 3> lattice{};
    for (std::size_t axis = 0; axis < 3; ++axis) lattice[axis] = face.atMax[axis] ? n[axis] : 0;
    ids.assign(static_cast<std::size_t>((nu + 1) * (nv + 1)), 0);
    for (long long s = 0; s <= nu; ++s) {
      for (long long t = 0; t <= nv; ++t) {
        lattice[static_cast<std::size_t>(face.u)] = s;
        lattice[static_cast<std::size_t>(face.v)] = t;
        ids[static_cast<std::size_t>(s * (nv + 1) + t)] = pointAt(lattice);
      }
    }
    auto id = [&](long long s, long long t) {
      return ids[static_cast<std::size_t>(s * (nv + 1) + t)];
    };
    for (long long s = 0; s < nu; ++s) {
      for (long long t = 0; t < nv; ++t) {
        mesh.polygons.push_back({id(s, t), id(s + 1, t), id(s + 1, t + 1), id(s, t + 1)});
      }
    }
  }
  return mesh;
}

MeshData MakeSphere(double radius, int segments) {
  const int columns = std::max(segments, 3);
  const int bands = std::max(columns / 2, 2);
  const double r = std::abs(radius);
  const int ringPoints = CheckedCount(static_cast<long long>(bands - 1) * columns + 2,
                                      "MakeSphere: too many segments");

  MeshData mesh;
  mesh.points.reserve(static_cast<std::size_t>(ringPoints));
  mesh.polygons.reserve(static_cast<std::size_t>(bands) * static_cast<std::size_t>(columns));

  // Point 0 is the north pole, then rings 1 .. bands-1 from north to south, then the
  // south pole. Going around a ring turns right-handedly about +y (from +x towards -z).
  const int top = 0;
  const int bottom = ringPoints - 1;
  auto ring = [columns](int band, int column) {
    return 1 + (band - 1) * columns + column % columns;
  };
  mesh.points.push_back({0, r, 0});
  for (int band = 1; band < bands; ++band) {
    const double phi = std::numbers::pi * band / bands;
    const double y = r * std::cos(phi);
    const double across = r * std::sin(phi);
    for (int column = 0; column < columns; ++column) {
      const double theta = 2 * std::numbers::pi * column / columns;
      mesh.points.push_back({across * std::cos(theta), y, -across * std::sin(theta)});
    }
  }
  mesh.points.push_back({0, -r, 0});

  // Quads run (upper, lower, lower next, upper next), which faces outward; the pole fans
  // are the same pattern with one side collapsed onto the pole.
  for (int column = 0; column < columns; ++column) {
    mesh.polygons.push_back(Triangle(top, ring(1, column), ring(1, column + 1)));
  }
  for (int band = 1; band + 1 < bands; ++band) {
    for (int column = 0; column < columns; ++column) {
      mesh.polygons.push_back({ring(band, column), ring(band + 1, column),
                               ring(band + 1, column + 1), ring(band, column + 1)});
    }
  }
  for (int column = 0; column < columns; ++column) {
    mesh.polygons.push_back(Triangle(ring(bands - 1, column), bottom, ring(bands - 1, column + 1)));
  }
  return mesh;
}

MeshData MakePyramid(const Vec3& size, int segX, int segY, int segZ) {
  const long long nx = std::max(segX, 1);
  const long long ny = std::max(segY, 1);
  const long long nz = std::max(segZ, 1);
  const double hx = std::abs(size.x) / 2;
  const double hy = std::abs(size.y) / 2;
  const double hz = std::abs(size.z) / 2;
  const long long perimeter = 2 * (nx + nz);
  const int baseCount = CheckedCount((nx + 1) * (nz + 1), "MakePyramid: too many segments");
  const int pointCount =
      CheckedCount(baseCount + (ny - 1) * perimeter + 1, "MakePyramid: too many segments");

  MeshData mesh;
  mesh.points.reserve(static_cast<std::size_t>(pointCount));
  mesh.polygons.reserve(static_cast<std::size_t>(nx * nz + ny * perimeter));

  // The base is a grid, point (i, k) at index i * (nz + 1) + k.
  for (long long i = 0; i <= nx; ++i) {
    for (long long k = 0; k <= nz; ++k)
      mesh.points.push_back({GridCoord(hx, i, nx), -hy, GridCoord(hz, k, nz)});
  }
  // Walks the base border from (-x, -z) through (+x, -z), (+x, +z) and (-x, +z), which
  // turns right-handedly about -y; returns the grid position of border step m.
  auto border = [&](long long m) -> std::pair<long long, long long> {
    m %= perimeter;
    if (m < nx) return {m, 0};
    if (m < nx + nz) return {nx, m - nx};
    if (m < 2 * nx + nz) return {nx - (m - nx - nz), nz};
    return {0, nz - (m - 2 * nx - nz)};
  };
  // Band borders 1 .. ny-1 are the base border shrunk towards the apex.
  for (long long j = 1; j < ny; ++j) {
    const double keep = 1.0 - static_cast<double>(j) / static_cast<double>(ny);
    const double y = GridCoord(hy, j, ny);
    for (long long m = 0; m < perimeter; ++m) {
      const auto [i, k] = border(m);
      mesh.points.push_back({keep * GridCoord(hx, i, nx), y, keep * GridCoord(hz, k, nz)});
    }
  }
  const int apex = static_cast<int>(mesh.points.size());
  mesh.points.push_back({0, hy, 0});

  auto at = [&](long long j, long long m) {
    if (j == 0) {
      const auto [i, k] = border(m);
      return static_cast<int>(i * (nz + 1) + k);
    }
    return static_cast<int>(baseCount + (j - 1) * perimeter + m % perimeter);
  };
  // Base quads run +x then +z, facing -y.
  for (long long i = 0; i < nx; ++i) {
    for (long long k = 0; k < nz; ++k) {
      const int p = static_cast<int>(i * (nz + 1) + k);
      const int q = static_cast<int>((i + 1) * (nz + 1) + k);
      mesh.polygons.push_back({p, q, q + 1, p + 1});
    }
  }
  // Side quads run (lower, upper, upper next, lower next), which faces outward; the top
  // band is the same pattern with the upper side collapsed onto the apex.
  for (long long j = 0; j + 1 < ny; ++j) {
    for (long long m = 0; m < perimeter; ++m) {
      mesh.polygons.push_back({at(j, m), at(j + 1, m), at(j + 1, m + 1), at(j, m + 1)});
    }
  }
  for (long long m = 0; m < perimeter; ++m) {
    mesh.polygons.push_back(Triangle(at(ny - 1, m), apex, at(ny - 1, m + 1)));
  }
  return mesh;
}

MeshData MakeIcosahedron(double radius) {
  // The corners of three golden rectangles; every edge is 2 long in these units.
  const double g = std::numbers::phi;
  const std::array<Vec3, 12> unit = {{{-1, g, 0},
                                      {1, g, 0},
                                      {-1, -g, 0},
                                      {1, -g, 0},
                                      {0, -1, g},
                                      {0, 1, g},
                                      {0, -1, -g},
                                      {0, 1, -g},
                                      {g, 0, -1},
                                      {g, 0, 1},
                                      {-g, 0, -1},
                                      {-g, 0, 1}}};
  const double scale = std::abs(radius) / std::sqrt(1 + g * g);

  MeshData mesh;
  for (const Vec3& p : unit) mesh.points.push_back({p.x * scale, p.y * scale, p.z * scale});
  // The faces are exactly the triples of mutually adjacent corners; each is turned to
  // face away from the centre.
  auto adjacent = [&](int i, int j) {
    const Vec3 e = Sub(unit[static_cast<std::size_t>(i)], unit[static_cast<std::size_t>(j)]);
    return std::abs(Dot(e, e) - 4) < 1e-9;
  };
  for (int a = 0; a < 12; ++a) {
    for (int b = a + 1; b < 12; ++b) {
      if (!adjacent(a, b)) continue;
      for (int c = b + 1; c < 12; ++c) {
        if (!adjacent(a, c) || !adjacent(b, c)) continue;
        const Vec3& pa = unit[static_cast<std::size_t>(a)];
        const Vec3 normal = Cross(Sub(unit[static_cast<std::size_t>(b)], pa),
                                  Sub(unit[static_cast<std::size_t>(c)], pa));
        mesh.polygons.push_back(Dot(normal, pa) > 0 ? Triangle(a, b, c) : Triangle(a, c, b));
      }
    }
  }
  return mesh;
}

namespace {

// An undirected edge as seen from its lower corner: the higher corner, and the polygon
// that uses it with bit 0 set when the polygon runs from the lower corner to the higher.
struct EdgeUse {
  std::uint32_t hi;
  std::uint32_t tag;
};
bool operator<(const EdgeUse& l, const EdgeUse& r) {
  return l.hi != r.hi ? l.hi < r.hi : l.tag < r.tag;
}

// Owned scratch storage that is written before it is read, so it skips zero-filling.
template <typename T>
std::unique_ptr<T[]> Scratch(std::size_t count) {
  return std::make_unique_for_overwrite<T[]>(count);
}

constexpr std::uint32_t kNone = UINT32_MAX;

// The polygon's corners as a closed cycle: a, b, c[, d], a.
struct Cycle {
  std::array<std::uint32_t, 5> v;
  int count;  // 3 or 4; 0 when the polygon is unusable
};

// `limit` is the point count capped at 2^31, so that negative indices fail the range test.
// A polygon is unusable with a repeated corner (other than d == c for a triangle) or one
// outside the point list.
inline Cycle CornersOf(const Quad& q, std::uint32_t limit) {
  const auto a = static_cast<std::uint32_t>(q.a), b = static_cast<std::uint32_t>(q.b);
  const auto c = static_cast<std::uint32_t>(q.c), d = static_cast<std::uint32_t>(q.d);
  const bool usable = (a < limit) & (b < limit) & (c < limit) & (a != b) & (b != c) & (a != c);
  if (c == d) return {{a, b, c, a, a}, usable ? 3 : 0};
  const bool quad = usable & (d < limit) & (a != d) & (b != d);
  return {{a, b, c, d, a}, quad ? 4 : 0};
}

void Flip(Quad& q) {
  if (q.d == q.c) {
    q = {q.a, q.c, q.b, q.b};
  } else {
    std::swap(q.b, q.d);
  }
}

// Six times the signed volume that the polygon's triangles (a, b, c) and (a, c, d) span
// with `ref`, plus the magnitude of the same terms for judging cancellation.
std::pair<double, double> VolumeTerm(const MeshData& mesh, const Quad& q, const Vec3& ref) {
  const Vec3 a = Sub(mesh.points[static_cast<std::size_t>(q.a)], ref);
  const Vec3 b = Sub(mesh.points[static_cast<std::size_t>(q.b)], ref);
  const Vec3 c = Sub(mesh.points[static_cast<std::size_t>(q.c)], ref);
  const double first = Dot(a, Cross(b, c));
  if (q.d == q.c) return {first, std::abs(first)};
  const Vec3 d = Sub(mesh.points[static_cast<std::size_t>(q.d)], ref);
  const double second = Dot(a, Cross(c, d));
  return {first + second, std::abs(first) + std::abs(second)};
}

}  // namespace

long AlignNormals(MeshData& mesh) {
  std::vector<Quad>& polys = mesh.polygons;
  const std::size_t polyCount = polys.size();
  const std::size_t pointCount = mesh.points.size();
  if (polyCount == 0) return 0;
  // Edge uses are counted in 32 bits: at most 4 per polygon.
  if (polyCount >= (std::size_t{1} << 30))
    throw std::length_error("AlignNormals: too many polygons");

  // Edge uses bucketed by their lower corner (a counting sort), then sorted within each
  // bucket, so that the uses of one edge end up next to each other.
  const auto limit = static_cast<std::uint32_t>(std::min(pointCount, std::size_t{1} << 31));
  std::vector<std::uint8_t> usable(polyCount);
  std::vector<std::uint32_t> bucketStart(pointCount + 1, 0);
  struct Unsorted {
    std::uint32_t lo;
    EdgeUse use;
  };
  const auto unsorted = Scratch<Unsorted>(polyCount * 4);
  std::size_t useCount = 0;
  for (std::size_t p = 0; p < polyCount; ++p) {
    const Cycle cycle = CornersOf(polys[p], limit);
    usable[p] = cycle.count != 0;
    for (int i = 0; i < cycle.count; ++i) {
      const std::uint32_t from = cycle.v[static_cast<std::size_t>(i)];
      const std::uint32_t to = cycle.v[static_cast<std::size_t>(i) + 1];
      const std::uint32_t lo = std::min(from, to);
      unsorted[useCount++] = {
          lo, {std::max(from, to), static_cast<std::uint32_t>(p) << 1 | (from < to ? 1u : 0u)}};
      ++bucketStart[lo + 1];
    }
  }
  for (std::size_t v = 0; v < pointCount; ++v) bucketStart[v + 1] += bucketStart[v];
  const auto uses = Scratch<EdgeUse>(useCount);
  {
    auto cursor = Scratch<std::uint32_t>(pointCount);
    std::copy(bucketStart.begin(), bucketStart.end() - 1, cursor.get());
    for (std::size_t u = 0; u < useCount; ++u) uses[cursor[unsorted[u].lo]++] = unsorted[u].use;
  }

  // Pair up the polygons across every edge used exactly twice; `same` is set when the two
  // run along the edge in the same direction, i.e. disagree in winding.
  const auto links = Scratch<std::uint32_t>(polyCount * 4);  // neighbour << 1 | same
  std::vector<std::uint8_t> linkCount(polyCount, 0);
  std::vector<std::uint8_t> onBorder(polyCount, 0);
  std::vector<std::pair<std::uint32_t, std::uint32_t>>
      crowded;  // [begin, end) of edges with 3+ uses
  for (std::size_t v = 0; v < pointCount; ++v) {
    EdgeUse* const first = uses.get() + bucketStart[v];
    EdgeUse* const last = uses.get() + bucketStart[v + 1];
    if (last - first > 32) {
      std::sort(first, last);
    } else {
      // Insertion sort on the higher corner; being stable, it keeps polygon order.
      for (EdgeUse* it = first + (first != last); it < last; ++it) {
        const EdgeUse moving = *it;
        EdgeUse* hole = it;
        for (; hole != first && moving.hi < (hole - 1)->hi; --hole) *hole = *(hole - 1);
        *hole = moving;
      }
    }
    for (EdgeUse* run = first; run != last;) {
      EdgeUse* end = run + 1;
      while (end != last && end->hi == run->hi) ++end;
      if (end - run == 1) {
        onBorder[run->tag >> 1] = 1;
      } else if (end - run == 2) {
        const std::uint32_t p = run[0].tag >> 1;
        const std::uint32_t q = run[1].tag >> 1;
        const std::uint32_t same = ((run[0].tag ^ run[1].tag) & 1u) ^ 1u;
        links[p * 4 + linkCount[p]++] = q << 1 | same;
        links[q * 4 + linkCount[q]++] = p << 1 | same;
      } else {
        crowded.emplace_back(static_cast<std::uint32_t>(run - uses.get()),
                             static_cast<std::uint32_t>(end - uses.get()));
      }
      run = end;
    }
  }

  // Breadth-first over the links from each piece's lowest-numbered polygon; `flipped`
  // records each polygon's winding relative to that polygon. Each piece's polygons are a
  // contiguous range of `order`.
  struct Piece {
    std::uint32_t begin, end;
    double volume, magnitude;
    bool open;
  };
  std::vector<Piece> pieces;
  const auto order = Scratch<std::uint32_t>(polyCount);
  std::uint32_t ordered = 0;
  std::vector<std::uint32_t> pieceOf(polyCount, kNone);
  std::vector<std::uint8_t> flipped(polyCount, 0);
  for (std::size_t seed = 0; seed < polyCount; ++seed) {
    if (!usable[seed] || pieceOf[seed] != kNone) continue;
    const auto id = static_cast<std::uint32_t>(pieces.size());
    Piece piece{ordered, 0, 0.0, 0.0, false};
    // Measuring from a corner of the piece keeps the volume accurate far from the origin.
    const Vec3 ref = mesh.points[static_cast<std::size_t>(polys[seed].a)];
    pieceOf[seed] = id;
    order[ordered++] = static_cast<std::uint32_t>(seed);
    for (std::uint32_t head = piece.begin; head < ordered; ++head) {
      const std::uint32_t p = order[head];
      const auto [volume, magnitude] = VolumeTerm(mesh, polys[p], ref);
      piece.volume += flipped[p] ? -volume : volume;
      piece.magnitude += magnitude;
      piece.open = piece.open || onBorder[p];
      for (std::uint32_t i = 0; i < linkCount[p]; ++i) {
        const std::uint32_t link = links[p * 4 + i];
        const std::uint32_t q = link >> 1;
        if (pieceOf[q] != kNone) continue;  // a disagreement here means a non-orientable piece
        pieceOf[q] = id;
        flipped[q] = static_cast<std::uint8_t>(flipped[p] ^ (link & 1u));
        order[ordered++] = q;
      }
    }
    piece.end = ordered;
    pieces.push_back(piece);
  }

  // A piece that uses a crowded edge an odd number of times has a border there.
  std::vector<std::uint32_t> touching;
  for (const auto& [begin, end] : crowded) {
    touching.clear();
    for (std::uint32_t u = begin; u < end; ++u) touching.push_back(pieceOf[uses[u].tag >> 1]);
    std::sort(touching.begin(), touching.end());
    for (std::size_t i = 0; i < touching.size();) {
      std::size_t j = i;
      while (j < touching.size() && touching[j] == touching[i]) ++j;
      if ((j - i) % 2 == 1) pieces[touching[i]].open = true;
      i = j;
    }
  }

  // Bring every polygon to its piece's first polygon's winding, or to the opposite one when
  // the piece is closed and that winding encloses a clearly negative volume.
  constexpr double kCancellation = 1e-9;
  long flips = 0;
  for (const Piece& piece : pieces) {
    const bool inward = !piece.open && piece.volume < -kCancellation * piece.magnitude;
    const std::uint8_t flipWhen = inward ? 0 : 1;
    for (std::uint32_t i = piece.begin; i < piece.end; ++i) {
      const std::uint32_t p = order[i];
      if (flipped[p] == flipWhen) {
        Flip(polys[p]);
        ++flips;
      }
    }
  }
  return flips;
}

}  // namespace zvhost
