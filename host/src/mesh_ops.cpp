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
  const int pointCount = CheckedCount(static_cast<long long>(bands - 1) * columns + 2,
                                      "MakeSphere: too many segments");

  MeshData mesh;
  mesh.points.reserve(static_cast<std::size_t>(pointCount));
  mesh.polygons.reserve(static_cast<std::size_t>(bands) * static_cast<std::size_t>(columns));

  // Point 0 is the north pole, then rings 1 .. bands-1 from north to south, then the
  // south pole. Going around a ring turns right-handedly about +y (from +x towards -z).
  const int top = 0;
  const int bottom = pointCount - 1;
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
bool operator<(const EdgeUse& l, const EdgeUse& r) { return l.hi < r.hi; }

// Owned scratch storage that is written before it is read, so it skips zero-filling.
template <typename T>
std::unique_ptr<T[]> Scratch(std::size_t count) {
  return std::make_unique_for_overwrite<T[]>(count);
}

constexpr std::uint32_t kNone = UINT32_MAX;

// A polygon's use of the edge from `from` to `to`: its index, and bit 0 set when it runs
// from the lower corner to the higher.
std::uint32_t Tag(std::size_t polygon, std::uint32_t from, std::uint32_t to) {
  return static_cast<std::uint32_t>(polygon) << 1 | (from < to ? 1u : 0u);
}

// Sorts a bucket of edge uses by their higher corner.
void SortBucket(EdgeUse* first, EdgeUse* last) {
  if (last - first > 16) {
    std::sort(first, last);
    return;
  }
  for (EdgeUse* it = first + (first != last); it < last; ++it) {  // insertion sort
    const EdgeUse moving = *it;
    EdgeUse* hole = it;
    for (; hole != first && moving < *(hole - 1); --hole) *hole = *(hole - 1);
    *hole = moving;
  }
}

// Union-find over polygons that also tracks the winding of each relative to its set's
// root, the set's lowest-numbered polygon: up_[p] is p's parent and odd_[p] tells whether p
// is wound against it.
class WindingSets {
 public:
  explicit WindingSets(std::size_t count) : up_(Scratch<std::uint32_t>(count)), odd_(count, 0) {
    for (std::size_t p = 0; p < count; ++p) up_[p] = static_cast<std::uint32_t>(p);
  }

  // The root of p's set; p then points straight at it, and Odd(p) is relative to it.
  std::uint32_t Find(std::uint32_t p) {
    std::uint32_t root = p;
    std::uint8_t odd = 0;
    while (up_[root] != root) {
      odd ^= odd_[root];
      root = up_[root];
    }
    while (p != root) {  // path compression, without recursion
      const std::uint32_t next = up_[p];
      const std::uint8_t step = odd_[p];
      up_[p] = root;
      odd_[p] = odd;
      odd ^= step;
      p = next;
    }
    return root;
  }
  bool Odd(std::uint32_t p) const { return odd_[p] != 0; }

  // Records that p and q are wound against each other when `against` is set. Joining two
  // sets keeps the lower root; a constraint within one set that contradicts it (which
  // only a non-orientable surface produces) is ignored.
  void Join(std::uint32_t p, std::uint32_t q, bool against) {
    const std::uint32_t rp = Find(p), rq = Find(q);
    if (rp == rq) return;
    const auto odd = static_cast<std::uint8_t>(odd_[p] ^ odd_[q] ^ (against ? 1 : 0));
    const std::uint32_t low = std::min(rp, rq), high = std::max(rp, rq);
    up_[high] = low;
    odd_[high] = odd;
  }

 private:
  std::unique_ptr<std::uint32_t[]> up_;
  std::vector<std::uint8_t> odd_;
};

// The polygon's corners as a closed cycle: a, b, c[, d], a.
struct Cycle {
  std::array<std::uint32_t, 5> v;
  std::uint8_t count;  // 3 or 4
};

inline Cycle CycleOf(const Quad& q) {
  const auto a = static_cast<std::uint32_t>(q.a), b = static_cast<std::uint32_t>(q.b);
  const auto c = static_cast<std::uint32_t>(q.c), d = static_cast<std::uint32_t>(q.d);
  if (c == d) return {{a, b, c, a, a}, 3};
  return {{a, b, c, d, a}, 4};
}

// Whether a polygon can take part: no corner outside the point list and none repeated
// (other than d == c for a triangle). `limit` is the point count capped at 2^31, so that
// negative indices fail the range test too.
inline bool Usable(const Cycle& cycle, std::uint32_t limit) {
  const auto& [a, b, c, d, unused] = cycle.v;
  const bool triangle = (a < limit) & (b < limit) & (c < limit) & (a != b) & (b != c) & (a != c);
  if (cycle.count == 3) return triangle;
  return triangle & (d < limit) & (a != d) & (b != d);
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
  if (polyCount >= (std::size_t{1} << 30)) {
    throw std::length_error("AlignNormals: too many polygons");
  }
  const auto limit = static_cast<std::uint32_t>(std::min(pointCount, std::size_t{1} << 31));

  // Bucket the edge uses by their lower corner with a counting sort; filling each bucket
  // from its end leaves bucketStart[v] at the start of bucket v.
  std::vector<std::uint8_t> corners(polyCount);
  std::vector<std::uint32_t> bucketStart(pointCount + 1, 0);
  for (std::size_t p = 0; p < polyCount; ++p) {
    const Cycle cycle = CycleOf(polys[p]);
    corners[p] = Usable(cycle, limit) ? cycle.count : 0;
    for (std::size_t i = 0; i < corners[p]; ++i) {
      ++bucketStart[std::min(cycle.v[i], cycle.v[i + 1])];
    }
  }
  std::uint32_t total = 0;
  for (std::size_t v = 0; v < pointCount; ++v) bucketStart[v] = total += bucketStart[v];
  bucketStart[pointCount] = total;
  const auto uses = Scratch<EdgeUse>(total);
  for (std::size_t p = 0; p < polyCount; ++p) {
    const Cycle cycle = CycleOf(polys[p]);
    for (std::size_t i = 0; i < corners[p]; ++i) {
      const std::uint32_t from = cycle.v[i], to = cycle.v[i + 1];
      uses[--bucketStart[std::min(from, to)]] = {std::max(from, to), Tag(p, from, to)};
    }
  }

  // Sorting each bucket brings the uses of one edge together. Polygons across an edge used
  // exactly twice join one set, wound against each other when they run along the edge in
  // the same direction; an edge used once is a border.
  WindingSets sets(polyCount);
  std::vector<std::uint8_t> onBorder(polyCount, 0);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> crowded;  // use ranges, edges with 3+
  for (std::size_t v = 0; v < pointCount; ++v) {
    EdgeUse* const first = uses.get() + bucketStart[v];
    EdgeUse* const last = uses.get() + bucketStart[v + 1];
    SortBucket(first, last);
    for (EdgeUse* run = first; run != last;) {
      EdgeUse* end = run + 1;
      while (end != last && end->hi == run->hi) ++end;
      if (end - run == 1) {
        onBorder[run->tag >> 1] = 1;
      } else if (end - run == 2) {
        sets.Join(run[0].tag >> 1, run[1].tag >> 1, ((run[0].tag ^ run[1].tag) & 1u) == 0);
      } else {
        crowded.emplace_back(static_cast<std::uint32_t>(run - uses.get()),
                             static_cast<std::uint32_t>(end - uses.get()));
      }
      run = end;
    }
  }

  // One piece per set, numbered in the order of their roots, with the signed volume of its
  // polygons wound like the root.
  struct Piece {
    Vec3 ref;  // a corner of the root: measuring from there keeps far pieces accurate
    double volume, magnitude;
    bool open;
  };
  std::vector<Piece> pieces;
  std::vector<std::uint32_t> pieceOf(polyCount, kNone);
  for (std::uint32_t p = 0; p < polyCount; ++p) {
    if (corners[p] == 0) continue;
    const std::uint32_t root = sets.Find(p);
    if (root == p) {
      pieceOf[p] = static_cast<std::uint32_t>(pieces.size());
      pieces.push_back({mesh.points[static_cast<std::size_t>(polys[p].a)], 0.0, 0.0, false});
    } else {
      pieceOf[p] = pieceOf[root];
    }
    Piece& piece = pieces[pieceOf[p]];
    const auto [volume, magnitude] = VolumeTerm(mesh, polys[p], piece.ref);
    piece.volume += sets.Odd(p) ? -volume : volume;
    piece.magnitude += magnitude;
    piece.open = piece.open || onBorder[p];
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

  // Bring every polygon to its root's winding, or to the opposite one when the piece is
  // closed and the root's winding encloses a clearly negative volume.
  constexpr double kCancellation = 1e-9;
  long flips = 0;
  for (std::uint32_t p = 0; p < polyCount; ++p) {
    if (corners[p] == 0) continue;
    const Piece& piece = pieces[pieceOf[p]];
    const bool inward = !piece.open && piece.volume < -kCancellation * piece.magnitude;
    if (sets.Odd(p) != inward) {
      Flip(polys[p]);
      ++flips;
    }
  }
  return flips;
}

}  // namespace zvhost
