// The surface closed into a printable solid, checked as a slicer would check it: every edge used
// by exactly two faces wound against each other (by index, and by position as a reader of STL sees
// it), no face without area, the volume positive and as large as the shape says.
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>
#include <vector>

#include "o3dplot.h"
#include "sdk_support.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_ids.h"
#include "zvplot_mesh.h"
#include "zvplot_solid.h"

namespace {

struct Check {
  bool closed = true;  // every edge twice, once each way
  bool closedByPosition = true;
  int degenerate = 0;
  double volume = 0.0;
  double topArea = 0.0;  // the faces facing up
  int parts = 0;         // pieces joined by edges
};

using Triangle = std::array<Int32, 3>;

std::vector<Triangle> Triangles(const PolygonObject& poly) {
  std::vector<Triangle> out;
  for (Int32 i = 0; i < poly.GetPolygonCount(); ++i) {
    const CPolygon& q = poly.GetPolygonR()[i];
    out.push_back({q.a, q.b, q.c});
    if (!q.IsTriangle()) out.push_back({q.a, q.c, q.d});
  }
  return out;
}

// Independent of the builder: edge use counts and the divergence-theorem volume.
Check Inspect(const PolygonObject& poly) {
  Check c;
  const Vector* p = poly.GetPointR();
  const std::vector<Triangle> tris = Triangles(poly);
  std::map<std::pair<Int32, Int32>, int> edges;
  using Key = std::tuple<float, float, float>;
  const auto key = [&](Int32 v) {
    return Key(static_cast<float>(p[v].x), static_cast<float>(p[v].y), static_cast<float>(p[v].z));
  };
  std::map<std::pair<Key, Key>, int> byPosition;
  std::vector<int> parent(tris.size());
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&](int x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
  };
  std::map<std::pair<Int32, Int32>, int> firstFace;
  for (size_t t = 0; t < tris.size(); ++t) {
    const Triangle& tr = tris[t];
    const Vector n = Cross(p[tr[1]] - p[tr[0]], p[tr[2]] - p[tr[0]]);
    if (n.GetLength() < 1e-12) ++c.degenerate;
    c.volume += Dot(p[tr[0]], Cross(p[tr[1]], p[tr[2]])) / 6.0;
    if (n.y > 0.0) c.topArea += n.GetLength() / 2.0;
    for (int k = 0; k < 3; ++k) {
      const Int32 a = tr[k], b = tr[(k + 1) % 3];
      ++edges[{a, b}];
      ++byPosition[{key(a), key(b)}];
      const auto undirected = std::minmax(a, b);
      auto [it, fresh] = firstFace.emplace(undirected, static_cast<int>(t));
      if (!fresh) parent[root(static_cast<int>(t))] = root(it->second);
    }
  }
  for (const auto& [e, n] : edges)
    if (n != 1 || edges.count({e.second, e.first}) == 0 || edges[{e.second, e.first}] != 1)
      c.closed = false;
  for (const auto& [e, n] : byPosition)
    if (n != 1 || byPosition.count({e.second, e.first}) == 0) c.closedByPosition = false;
  for (size_t t = 0; t < tris.size(); ++t)
    c.parts += root(static_cast<int>(t)) == static_cast<int>(t);
  return c;
}

class SolidTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.Set(mesh, O3DPLOTMESH_VERTEXCOLORS, GeData(true));
    s.Set(mesh, O3DPLOTMESH_SOLID, GeData(Int32(O3DPLOTMESH_SOLID_BASE)));
  }
  const PolygonObject* Build(const char* formula, Int32 resolution = 50) {
    s.Set(s.plot, O3DPLOT_FORMULA, GeData(formula));
    s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(resolution));
    s.Evaluate();
    const BaseObject* c = mesh->GetCache();
    return c && c->IsInstanceOf(Opolygon) ? static_cast<const PolygonObject*>(c) : nullptr;
  }
  void ExpectPrintable(const PolygonObject* solid, int parts, const char* what) {
    ASSERT_NE(solid, nullptr) << what;
    const Check c = Inspect(*solid);
    EXPECT_TRUE(c.closed) << what;
    EXPECT_TRUE(c.closedByPosition) << what;
    EXPECT_EQ(c.degenerate, 0) << what;
    EXPECT_GT(c.volume, 0.0) << what << ": wound inward";
    EXPECT_EQ(c.parts, parts) << what;
  }

  zvtest::Scene s;
  BaseObject* mesh = s.Add(ID_ZVPLOTMESH);
};

TEST_F(SolidTest, BaseAndShellOfAFlatPlotHaveTheirExactVolume) {
  // The bottom stands Base Depth below the box's floor, which lies below the surface at 0.
  ExpectPrintable(Build("0"), 1, "flat base");
  EXPECT_NEAR(Inspect(*Build("0")).volume, 200.0 * 200.0 * (25.0 + 10.0), 1e-6);
  s.Set(mesh, O3DPLOTMESH_BASEDEPTH, GeData(4.0));
  EXPECT_NEAR(Inspect(*Build("0")).volume, 200.0 * 200.0 * (25.0 + 4.0), 1e-6);
  s.Set(mesh, O3DPLOTMESH_SOLID, GeData(Int32(O3DPLOTMESH_SOLID_SHELL)));
  s.Set(mesh, O3DPLOTMESH_THICKNESS, GeData(2.0));
  ExpectPrintable(Build("0"), 1, "flat shell");
  EXPECT_NEAR(Inspect(*Build("0")).volume, 200.0 * 200.0 * 2.0, 1e-6);
  // Curved, the skin keeps its thickness: its volume is its area times the thickness.
  const Check curved = Inspect(*Build("Sin(x) * Cos(z)"));
  EXPECT_NEAR(curved.volume / (curved.topArea * 2.0), 1.0, 0.05);
}

TEST_F(SolidTest, HolesIslandsPolesAndCornersStayClosed) {
  ExpectPrintable(Build("Sin(x) * Cos(z)"), 1, "the default plot");
  ExpectPrintable(Build("Sqrt(10000 - x^2 - z^2)"), 1, "a dome: the grid's outside is a hole");
  ExpectPrintable(Build("Sqrt(x^2 + z^2 - 3600)"), 1, "a hole in the middle");
  ExpectPrintable(Build("Sqrt(Abs(x) - 20) * Sqrt(Abs(z) - 20)"), 4, "four islands");
  ExpectPrintable(Build("(x * x) / (z * z)"), 2, "a pole along a line");
  // NaN at two opposite corners of R = 2: the two remaining cells meet at the middle point only.
  ExpectPrintable(Build("Sqrt(x * z + 32000)", 2), 2, "two cells meeting at a corner");
  ExpectPrintable(Build("x", 1), 1, "R = 1");
  EXPECT_EQ(Build("Sqrt(-1)"), nullptr);  // nothing to close: the mesh shows an empty null
  s.Set(mesh, O3DPLOTMESH_SOLID, GeData(Int32(O3DPLOTMESH_SOLID_SHELL)));
  ExpectPrintable(Build("Sqrt(Abs(x) - 20) * Sqrt(Abs(z) - 20)"), 4, "four shell islands");
  ExpectPrintable(Build("Sqrt(x * z + 32000)", 2), 2, "shell cells meeting at a corner");
}

TEST_F(SolidTest, WallsTakeTheirEdgesColourAndTheBottomTheGradientsStart) {
  const PolygonObject* solid = Build("x * z / 1000", 4);
  ASSERT_TRUE(solid);
  const auto* tag = static_cast<const VertexColorTag*>(solid->GetTag(Tvertexcolor));
  ASSERT_TRUE(tag && !tag->IsPerPointColor());
  ASSERT_EQ(tag->GetDataCount(), solid->GetPolygonCount());
  ASSERT_TRUE(solid->GetTag(Tuvw));
  const auto* colours = static_cast<const VertexColorStruct*>(tag->GetDataAddressR());
  const Vector* p = solid->GetPointR();
  const Float bottom = -25.0 - 10.0;  // every value lies inside the box
  int walls = 0, bottoms = 0;
  for (Int32 f = 0; f < solid->GetPolygonCount(); ++f) {
    const CPolygon& q = solid->GetPolygonR()[f];
    const Int32 corner[4] = {q.a, q.b, q.c, q.d};
    const maxon::ColorA32 c[4] = {colours[f].a, colours[f].b, colours[f].c, colours[f].d};
    int low = 0;
    for (const Int32 v : corner) low += p[v].y == bottom;
    if (low == 4) {  // the bottom: the default gradient starts in blue
      for (const auto& k : c) EXPECT_TRUE(k.r == 0 && k.g == 0 && k.b == 1);
      ++bottoms;
    } else if (low == 2) {  // a wall: the colour of the top point above each of its feet
      EXPECT_TRUE(c[2].r == c[1].r && c[2].g == c[1].g && c[3].r == c[0].r && c[3].b == c[0].b);
      ++walls;
    }
  }
  EXPECT_EQ(walls, 16);  // four walls on each side of a 4 x 4 grid
  EXPECT_GT(bottoms, 0);
  // The component keeps a copy of the solid's colours, as it does of the surface's.
  const auto* own = static_cast<const VertexColorTag*>(mesh->GetTag(Tvertexcolor));
  ASSERT_TRUE(own);
  EXPECT_EQ(own->GetDataCount(), tag->GetDataCount());
}

TEST_F(SolidTest, SolidIsASurfaceSettingAndOffLeavesTheSurfaceAsItWas) {
  EXPECT_TRUE(zvhost::IsParameterEnabled(mesh, O3DPLOTMESH_SOLID));
  s.Set(mesh, O3DPLOTMESH_MODE, GeData(Int32(O3DPLOTMESH_MODE_MARKERS)));
  EXPECT_FALSE(zvhost::IsParameterEnabled(mesh, O3DPLOTMESH_SOLID));
  const PolygonObject* markers = Build("Sin(x) * Cos(z)", 4);
  ASSERT_TRUE(markers);
  EXPECT_EQ(markers->GetPolygonCount(), 25 * 6);  // a cube per sample, the solid left alone
  s.Set(mesh, O3DPLOTMESH_MODE, GeData(Int32(O3DPLOTMESH_MODE_SURFACE)));
  s.Set(mesh, O3DPLOTMESH_SOLID, GeData(Int32(O3DPLOTMESH_SOLID_OFF)));
  const PolygonObject* open = Build("Sin(x) * Cos(z)", 4);
  ASSERT_TRUE(open);
  EXPECT_EQ(open->GetPolygonCount(), 16);
  EXPECT_FALSE(Inspect(*open).closed);
}

// The estimate bounds what a build makes, on the worst shapes too.
TEST_F(SolidTest, CountsStayWithinTheirBound) {
  for (const char* formula : {"Sin(x) * Cos(z)", "Sqrt(Abs(x) - 20) * Sqrt(Abs(z) - 20)",
                              "Sqrt(Sin(x * 9) * Sin(z * 9))"}) {
    for (const Int32 mode : {O3DPLOTMESH_SOLID_BASE, O3DPLOTMESH_SOLID_SHELL}) {
      s.Set(mesh, O3DPLOTMESH_SOLID, GeData(mode));
      const PolygonObject* solid = Build(formula, 40);
      ASSERT_TRUE(solid) << formula;
      Int64 points = 0, polygons = 0;
      SolidCountsAtMost(40, mode, &points, &polygons);
      EXPECT_LE(solid->GetPointCount(), points) << formula;
      EXPECT_LE(solid->GetPolygonCount(), polygons) << formula;
    }
  }
}

}  // namespace
