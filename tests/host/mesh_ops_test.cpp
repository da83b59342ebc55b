#include "mesh_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace zvhost {
namespace {

Vec3 Sub(const Vec3& p, const Vec3& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
Vec3 Cross(const Vec3& p, const Vec3& q) {
  return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
double Dot(const Vec3& p, const Vec3& q) { return p.x * q.x + p.y * q.y + p.z * q.z; }

std::array<int, 4> Ids(const Quad& q) { return {q.a, q.b, q.c, q.d}; }

std::vector<int> Cycle(const Quad& q) {
  if (q.c == q.d) return {q.a, q.b, q.c};
  return {q.a, q.b, q.c, q.d};
}

Quad Flipped(Quad q) { return q.c == q.d ? Quad{q.a, q.c, q.b, q.b} : Quad{q.a, q.d, q.c, q.b}; }

std::map<std::pair<int, int>, int> DirectedEdges(const MeshData& mesh, std::size_t first = 0,
                                                 std::size_t last = SIZE_MAX) {
  std::map<std::pair<int, int>, int> directed;
  for (std::size_t p = first; p < std::min(last, mesh.polygons.size()); ++p) {
    const auto c = Cycle(mesh.polygons[p]);
    for (std::size_t i = 0; i < c.size(); ++i) ++directed[{c[i], c[(i + 1) % c.size()]}];
  }
  return directed;
}

// Every directed edge appears once and its reverse once: closed and wound alike.
void ExpectClosedAndConsistent(const MeshData& mesh) {
  const auto directed = DirectedEdges(mesh);
  for (const auto& [edge, count] : directed) {
    ASSERT_EQ(count, 1) << edge.first << "->" << edge.second;
    ASSERT_EQ(directed.count({edge.second, edge.first}), 1u) << edge.first << "->" << edge.second;
  }
}

double Volume(const MeshData& mesh) {
  double six = 0;
  for (const Quad& q : mesh.polygons) {
    const auto c = Cycle(q);
    for (std::size_t i = 1; i + 1 < c.size(); ++i) {
      six += Dot(mesh.points[c[0]], Cross(mesh.points[c[i]], mesh.points[c[i + 1]]));
    }
  }
  return six / 6;
}

// For a convex solid around `inside`: each polygon's normal points away from it, and
// each quad is flat.
void ExpectFacesAway(const MeshData& mesh, const Vec3& inside) {
  for (std::size_t i = 0; i < mesh.polygons.size(); ++i) {
    const Quad& q = mesh.polygons[i];
    const Vec3 &a = mesh.points[q.a], &b = mesh.points[q.b], &c = mesh.points[q.c],
               &d = mesh.points[q.d];
    const Vec3 n = Cross(Sub(b, a), Sub(c, a));
    ASSERT_GT(Dot(n, Sub(a, inside)), 1e-12) << "polygon " << i;
    EXPECT_NEAR(Dot(n, Sub(d, a)), 0, 1e-9) << "polygon " << i;
  }
}

// Half extents along x, y and z; the primitives are meant to be exactly symmetric.
std::array<double, 3> HalfExtents(const MeshData& mesh) {
  std::array<double, 6> b{};  // -min, max per axis
  for (const Vec3& p : mesh.points) {
    b = {std::max(b[0], -p.x), std::max(b[1], -p.y), std::max(b[2], -p.z),
         std::max(b[3], p.x),  std::max(b[4], p.y),  std::max(b[5], p.z)};
  }
  EXPECT_EQ(b[0], b[3]);
  EXPECT_EQ(b[1], b[4]);
  EXPECT_EQ(b[2], b[5]);
  return {b[3], b[4], b[5]};
}

int Triangles(const MeshData& mesh) {
  return static_cast<int>(std::count_if(mesh.polygons.begin(), mesh.polygons.end(),
                                        [](const Quad& q) { return q.c == q.d; }));
}

// Points from x, y, z triples; polygons from groups of `corners` indices.
MeshData Build(const std::vector<double>& xyz, const std::vector<int>& ids, std::size_t corners) {
  MeshData m;
  for (std::size_t i = 0; i + 2 < xyz.size(); i += 3)
    m.points.push_back({xyz[i], xyz[i + 1], xyz[i + 2]});
  for (std::size_t i = 0; i + corners <= ids.size(); i += corners) {
    m.polygons.push_back({ids[i], ids[i + 1], ids[i + 2], ids[i + corners - 1]});
  }
  return m;
}

void Append(MeshData& into, const MeshData& piece, const Vec3& offset) {
  const int base = static_cast<int>(into.points.size());
  for (const Vec3& p : piece.points)
    into.points.push_back({p.x + offset.x, p.y + offset.y, p.z + offset.z});
  for (const Quad& q : piece.polygons)
    into.polygons.push_back({q.a + base, q.b + base, q.c + base, q.d + base});
}

TEST(Primitives, BoxesAndPyramidsAreClosedOutwardAndSized) {
  struct Case {
    MeshData mesh;
    std::size_t points, polys;
    int triangles;
    std::array<double, 3> half;
    double volume;
  };
  const Case cases[] = {
      {MakeCube({2, 3, 4}, 1, 1, 1), 8, 6, 0, {1, 1.5, 2}, 24},
      {MakeCube({2, 3, 4}, 2, 3, 4), 3 * 4 * 5 - 1 * 2 * 3, 2 * (6 + 12 + 8), 0, {1, 1.5, 2}, 24},
      {MakeCube({-1, 5, -2}, 0, -3, 2), 12, 10, 0, {0.5, 2.5, 1}, 10},  // clamped, by magnitude
      {MakePyramid({2, 3, 4}, 1, 1, 1), 5, 5, 4, {1, 1.5, 2}, 8},
      {MakePyramid({2, -3, 4}, 3, 2, 4), 20 + 14 + 1, 12 + 2 * 14, 14, {1, 1.5, 2}, 8},
      {MakePyramid({2, 3, 4}, 1, 5, -1), 4 + 16 + 1, 1 + 20, 4, {1, 1.5, 2}, 8},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(k.mesh.points.size(), k.points);
    EXPECT_EQ(k.mesh.polygons.size(), k.polys);
    EXPECT_EQ(Triangles(k.mesh), k.triangles);
    ExpectClosedAndConsistent(k.mesh);
    ExpectFacesAway(k.mesh, {});
    EXPECT_EQ(HalfExtents(k.mesh), k.half);
    EXPECT_NEAR(Volume(k.mesh), k.volume, 1e-9);
  }
}

TEST(Primitives, SphereIsClosedOutwardAndConverges) {
  double lastError = 1e9;
  for (int segments : {3, 4, 7, 24, 96}) {
    const MeshData m = MakeSphere(-2.0, segments);  // radius taken by magnitude
    const int columns = std::max(segments, 3), bands = std::max(columns / 2, 2);
    EXPECT_EQ(m.points.size(), static_cast<std::size_t>(2 + (bands - 1) * columns));
    ASSERT_EQ(m.polygons.size(), static_cast<std::size_t>(bands * columns));
    EXPECT_EQ(Triangles(m), 2 * columns);
    for (const Vec3& p : m.points) EXPECT_NEAR(std::sqrt(Dot(p, p)), 2.0, 1e-12);
    ExpectClosedAndConsistent(m);
    ExpectFacesAway(m, {});
    const double error = 4.0 / 3 * std::numbers::pi * 8 - Volume(m);
    EXPECT_GT(error, 0);  // inscribed
    EXPECT_LT(error, lastError);
    lastError = error;
  }
  EXPECT_LT(lastError, 0.005 * 4.0 / 3 * std::numbers::pi * 8);
}

TEST(Primitives, IcosahedronIsRegular) {
  const MeshData m = MakeIcosahedron(1.5);
  ASSERT_EQ(m.points.size(), 12u);
  ASSERT_EQ(m.polygons.size(), 20u);
  for (const Vec3& p : m.points) EXPECT_NEAR(std::sqrt(Dot(p, p)), 1.5, 1e-12);
  ExpectClosedAndConsistent(m);
  ExpectFacesAway(m, {});
  const double edge = 1.5 / std::sin(2 * std::numbers::pi / 5);
  for (const Quad& q : m.polygons) {
    const Vec3 e = Sub(m.points[q.a], m.points[q.b]);
    EXPECT_NEAR(std::sqrt(Dot(e, e)), edge, 1e-12);
  }
  EXPECT_NEAR(Volume(m), 5.0 / 12 * (3 + std::sqrt(5.0)) * edge * edge * edge, 1e-9);
}

// Winds the chosen polygons of an outward mesh the other way, repairs it, and expects
// exactly those flipped back.
void ExpectRepaired(const MeshData& outward, const std::vector<bool>& scramble) {
  MeshData m = outward;
  long expected = 0;
  for (std::size_t i = 0; i < m.polygons.size(); ++i) {
    if (scramble[i]) m.polygons[i] = Flipped(m.polygons[i]), ++expected;
  }
  EXPECT_EQ(AlignNormals(m), expected);
  for (std::size_t i = 0; i < m.polygons.size(); ++i)
    ASSERT_EQ(Ids(m.polygons[i]), Ids(outward.polygons[i])) << i;
}

TEST(AlignNormals, RepairsHandBuiltSolids) {
  MeshData cube =
      Build({-1, 1, -1, -1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1, 1, 1, -1, 1, 1, -1, -1},
            {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 5, 4, 3, 2, 6, 7, 0, 3, 7, 4, 1, 2, 6, 5}, 4);
  EXPECT_EQ(AlignNormals(cube), 3);  // bottom, -x and +z came in facing inward
  EXPECT_EQ(Ids(cube.polygons[0]), (std::array{0, 1, 2, 3}));
  ExpectClosedAndConsistent(cube);
  ExpectFacesAway(cube, {});

  const MeshData pyramid = Build({-1, -1, 0, 0, -1, -1, 1, -1, 0, 0, -1, 1, 0, 1, 0},
                                 {0, 4, 1, 1, 1, 4, 2, 2, 2, 4, 3, 3, 3, 4, 0, 0, 0, 1, 2, 3}, 4);
  ExpectFacesAway(pyramid, {0, -0.5, 0});

  const double e = 0.526, f = 0.851;
  const MeshData ico = Build({0,  e, -f, 0,  -e, -f, f, 0, -e, f,  0, e, 0,  e,  f, 0, -e, f,
                              -f, 0, e,  -f, 0,  -e, e, f, 0,  -e, f, 0, -e, -f, 0, e, -f, 0},
                             {9, 8,  0, 8, 2,  0,  8, 3,  2,  8, 4, 3, 8,  9, 4, 4,  9, 6,  6,  9,
                              7, 9,  0, 7, 11, 10, 1, 2,  11, 1, 2, 3, 11, 3, 5, 11, 5, 10, 11, 5,
                              6, 10, 6, 7, 10, 7,  1, 10, 1,  7, 0, 2, 1,  0, 4, 5,  3, 4,  6,  5},
                             3);
  ASSERT_EQ(ico.polygons.size(), 20u);
  ExpectFacesAway(ico, {});

  MeshData specks;  // tiny and far out: volumes must be measured locally
  for (int k = 0; k < 10; ++k) {
    Append(specks, MakeCube({1e-3, 1e-3, 1e-3}, 1, 1, 1),
           {1e7 + k * 123457.1, -1e7 + k * 7771.3, 1e7 - k * 99991.7});
  }

  const MeshData sphere = MakeSphere(1, 96);  // poles shared by many edges
  for (const MeshData* m :
       {&std::as_const(cube), &pyramid, &ico, &std::as_const(specks), &sphere}) {
    const std::size_t n = m->polygons.size();
    ExpectRepaired(*m, std::vector<bool>(n, false));
    ExpectRepaired(*m, std::vector<bool>(n, true));  // inside out
    std::vector<bool> some(n);
    for (std::size_t i = 0; i < n; i += 2) some[i] = true;
    ExpectRepaired(*m, some);
  }
}

TEST(AlignNormals, RepairsEachOfManyPiecesOnItsOwn) {
  MeshData outward;
  std::vector<bool> scramble;
  std::mt19937 random(7);
  for (int i = 0; i < 51 * 51; ++i) {
    const Vec3 centre{1000.0 + 3 * (i % 51), -500.0, 3.0 * (i / 51)};
    const std::size_t first = outward.polygons.size();
    Append(outward,
           i % 3 == 0   ? MakeCube({1, 1, 1}, 1, 2, 1)
           : i % 3 == 1 ? MakePyramid({1, 1, 1}, 1, 1, 1)
                        : MakeIcosahedron(1),
           centre);
    for (std::size_t p = first; p < outward.polygons.size(); ++p) {
      // As is, inside out, or mixed.
      scramble.push_back(i % 4 == 1 || (i % 4 >= 2 && random() % 2 == 1));
    }
  }
  ExpectRepaired(outward, scramble);
}

// A strip of quads along x, every other one wound the other way.
MeshData Strip(int quads) {
  MeshData m;
  for (int i = 0; i <= quads; ++i)
    m.points.insert(m.points.end(), {{double(i), 0, 0}, {double(i), 1, 0}});
  for (int i = 0; i < quads; ++i) {
    const Quad q{2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1};
    m.polygons.push_back(i % 2 ? Flipped(q) : q);
  }
  return m;
}

TEST(AlignNormals, OpenPiecesFollowTheirFirstPolygon) {
  MeshData strip = Strip(9);
  for (std::size_t i = 2; i < 9; i += 2) strip.polygons[i] = Flipped(strip.polygons[i]);
  const Quad first = strip.polygons[0];  // the odd one out, but it leads
  EXPECT_EQ(AlignNormals(strip), 8);
  EXPECT_EQ(Ids(strip.polygons[0]), Ids(first));
  ExpectFacesAway(strip, {0, 0, -1});  // all towards +z

  // Open boxes stay as they are however they face: one with a plain rim, one whose rim
  // edges each also carry two copies of the lid.
  MeshData boxes;
  MeshData box = MakeCube({1, 1, 1}, 1, 1, 1);
  const Quad lid = box.polygons.front();
  box.polygons.erase(box.polygons.begin());
  for (Quad& q : box.polygons) q = Flipped(q);
  Append(boxes, box, {});
  box.polygons.insert(box.polygons.end(), {lid, lid});
  Append(boxes, box, {5, 0, 0});
  const MeshData unchanged = boxes;
  EXPECT_EQ(AlignNormals(boxes), 0);
  for (std::size_t i = 0; i < boxes.polygons.size(); ++i)
    EXPECT_EQ(Ids(boxes.polygons[i]), Ids(unchanged.polygons[i]));

  // Two triangles back to back enclose nothing: the first one's winding is kept.
  MeshData sheet{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 2}, {0, 1, 2, 2}}};
  EXPECT_EQ(AlignNormals(sheet), 1);
  EXPECT_EQ(Ids(sheet.polygons[0]), (std::array{0, 1, 2, 2}));
  EXPECT_EQ(Ids(sheet.polygons[1]), (std::array{0, 2, 1, 1}));
}

TEST(AlignNormals, SurvivesCrowdedEdgesAndTwists) {
  // Two cubes sharing an edge, both inside out, a fin on that edge, a fan of pages on
  // another edge, and a Moebius band.
  const MeshData cube = MakeCube({1, 1, 1}, 1, 1, 1);
  MeshData outward;
  Append(outward, cube, {0, 0, 0});
  Append(outward, cube, {1, 1, 0});
  std::map<std::array<double, 3>, int> weld;
  for (Quad& q : outward.polygons) {
    for (int* v : {&q.a, &q.b, &q.c, &q.d}) {
      const Vec3& p = outward.points[*v];
      *v = weld.try_emplace({p.x, p.y, p.z}, *v).first->second;
    }
  }
  MeshData mesh = outward;
  for (Quad& q : mesh.polygons) q = Flipped(q);
  const int base = static_cast<int>(mesh.points.size());
  const int shared0 = weld.at({0.5, 0.5, -0.5}), shared1 = weld.at({0.5, 0.5, 0.5});
  mesh.points.insert(mesh.points.end(), {{3, 3, 0}, {4, 3, 0}, {2, -1, 0}});
  mesh.polygons.push_back({shared0, shared1, base + 2, base + 2});  // the fin
  for (int page = 0; page < 5; ++page) {
    mesh.points.push_back({3.5, 4, double(page)});
    mesh.polygons.push_back({base, base + 1, base + 3 + page, base + 3 + page});
  }
  const MeshData band = Strip(6);
  const int bandBase = static_cast<int>(mesh.points.size());
  Append(mesh, band, {10, 0, 0});
  mesh.polygons.push_back({bandBase + 12, bandBase + 1, bandBase, bandBase + 13});  // half twist

  const std::vector<Quad> before = mesh.polygons;
  const long flips = AlignNormals(mesh);
  EXPECT_GE(flips, 12);
  for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(Ids(mesh.polygons[i]), Ids(outward.polygons[i]));
  for (std::size_t i = 12; i < 18; ++i)
    EXPECT_EQ(Ids(mesh.polygons[i]), Ids(before[i]));  // each its own piece
  // The band can only be wound alike up to one edge.
  const auto directed = DirectedEdges(mesh, 18, 25);
  EXPECT_EQ(
      std::count_if(directed.begin(), directed.end(), [](const auto& e) { return e.second > 1; }),
      1);
  EXPECT_EQ(AlignNormals(mesh), 0);
}

TEST(AlignNormals, LeavesBrokenPolygonsAlone) {
  // Listed ahead of a strip, these would set its winding if they counted.
  const std::vector<Quad> broken = {{0, 0, 2, 1}, {1, 0, 5, 1}, {0, 2, -1, -1}, {0, 2, 99, 99}};
  MeshData mesh = Strip(4);
  mesh.polygons.insert(mesh.polygons.begin(), broken.begin(), broken.end());
  EXPECT_EQ(AlignNormals(mesh), 2);
  for (std::size_t i = 0; i < broken.size(); ++i) EXPECT_EQ(Ids(mesh.polygons[i]), Ids(broken[i]));
  EXPECT_EQ(Ids(mesh.polygons[broken.size()]), Ids(Strip(4).polygons[0]));
}

TEST(AlignNormals, HandlesEmptyAndHugeMeshes) {
  MeshData empty;
  EXPECT_EQ(AlignNormals(empty), 0);
  MeshData strip = Strip(1'000'000);  // a million-long chain of neighbours
  EXPECT_EQ(AlignNormals(strip), 500'000);
  EXPECT_EQ(Ids(strip.polygons.back()), (std::array{1'999'998, 2'000'000, 2'000'001, 1'999'999}));
}

}  // namespace
}  // namespace zvhost
