// The surface mesh component, driven as the host drives it: parameters set as the user sets them,
// the document evaluated, the component's cache read.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_records.h"
#include "o3dplot.h"
#include "sdk_support.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"
#include "zvplot_mesh.h"

namespace {

class MeshTest : public ::testing::Test {
 protected:
  BaseObject* Cache() const { return mesh->GetCache(); }
  PolygonObject* Polygons() const {
    BaseObject* c = Cache();
    return c && c->IsInstanceOf(Opolygon) ? static_cast<PolygonObject*>(c) : nullptr;
  }
  ZVPlot* Plot() const { return s.Data<ZVPlot>(s.plot); }
  const VertexColorTag* OwnColors() const {
    return static_cast<const VertexColorTag*>(mesh->GetTag(Tvertexcolor));
  }
  Int64 Builds() const { return zvhost::GetCacheBuildCount(*mesh); }
  // Stops the plot from sampling, so that a test can pair samples and a resolution the plot itself
  // never leaves together (as between a resolution change and the next sampling).
  void FreezePlotAt(Int32 resolution) {
    s.plot->SetDeformMode(false);
    s.plot->SetParameter(CreateDescID(DescLevel(O3DPLOT_RESOLUTION)), GeData(resolution),
                         DESCFLAGS_SET::NONE);
    Plot()->ReadParameters(s.plot->GetDataInstance());
  }
  void ExpectEmptyNullInEveryMode() {
    for (Int32 mode : {0, 1, 2}) {
      s.Set(mesh, O3DPLOTMESH_MODE, GeData(mode));
      s.Evaluate();
      EXPECT_TRUE(Cache()->GetType() == Onull && !Cache()->GetDown()) << "mode " << mode;
    }
  }

  zvtest::Scene s;
  BaseObject* mesh = s.Add(ID_ZVPLOTMESH);
};

// Restores the host state a test changes, also when it fails half way.
struct HostStateGuard {
  Int32 version = GetC4DVersion();
  ~HostStateGuard() {
    zvhost::SetAPIVersion(version);
    zvhost::SetRunning(CHECKISRUNNING::EDITORRENDERING, false);
    zvhost::SetRunning(CHECKISRUNNING::EXTERNALRENDERING, false);
  }
};

const UVWTag* UVW(const BaseObject* op) { return static_cast<const UVWTag*>(op->GetTag(Tuvw)); }

TEST_F(MeshTest, DefaultPlotGivesQuadSurfaceWithUVWAndPhong) {
  s.Evaluate();
  PolygonObject* poly = Polygons();
  ASSERT_TRUE(poly && poly->GetPointCount() == 2601 && poly->GetPolygonCount() == 2500);
  for (Int32 k = 0; k < 2601; ++k)
    ASSERT_EQ(poly->GetPointR()[k], Plot()->GetSamples()[k].position);
  // After 50 quads the next row starts one point further on (51, not 50).
  EXPECT_EQ(poly->GetPolygonR()[50], CPolygon(51, 52, 103, 102));
  EXPECT_EQ(poly->GetPolygonR()[2499], CPolygon(2548, 2549, 2600, 2599));
  ASSERT_EQ(poly->GetTags().size(), 2u);
  EXPECT_EQ(poly->GetTags()[0]->GetType(), Tuvw);
  EXPECT_EQ(poly->GetTags()[1]->GetType(), Tphong);
  ASSERT_EQ(UVW(poly)->GetDataCount(), 2500);
  for (Int32 q = 0; q < 2500; ++q) {
    const CPolygon& p = poly->GetPolygonR()[q];
    ASSERT_EQ(UVW(poly)->GetSlow(q), (UVWStruct{SurfacePointUV(p.a, 50), SurfacePointUV(p.b, 50),
                                                SurfacePointUV(p.c, 50), SurfacePointUV(p.d, 50)}));
  }
  EXPECT_EQ(mesh->GetTag(Tvertexcolor), nullptr);

  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(1)));
  s.Evaluate();
  ASSERT_EQ(Polygons()->GetPointCount(), 4);
  EXPECT_EQ(Polygons()->GetPolygonR()[0], CPolygon(0, 1, 3, 2));
  EXPECT_EQ(UVW(Polygons())->GetSlow(0),
            (UVWStruct{Vector(0, 1, 0), Vector(0, 0, 0), Vector(1, 0, 0), Vector(1, 1, 0)}));
}

// Counts derived from the resolution never wrap: host objects are sized in int32, and a wrapped
// count would allocate an object of the wrong size or pass a sample count for a complete grid.
TEST(MeshCountsTest, CountsOutsideInt32AreRefused) {
  MeshCounts c;
  ASSERT_TRUE(SurfaceCounts(46339, &c));  // 46340^2 = 2147395600 still fits
  EXPECT_EQ(c.points, 2147395600);
  for (Int32 r : {46340, 46341, 65536, std::numeric_limits<Int32>::max(), 0, -2})
    EXPECT_FALSE(SurfaceCounts(r, &c)) << r;
  ASSERT_TRUE(MarkerCounts(107374182, O3DPLOTMESH_MARKERSHAPE_ICOSAHEDRON, &c));
  EXPECT_EQ(c.polygons, 2147483640);
  EXPECT_FALSE(MarkerCounts(107374183, O3DPLOTMESH_MARKERSHAPE_ICOSAHEDRON, &c));
  EXPECT_FALSE(MarkerCounts(Int64(1) << 40, O3DPLOTMESH_MARKERSHAPE_CUBE, &c));
  EXPECT_FALSE(SamplesMatchGrid(131073, 65536));  // 65537^2 wraps to 131073 in int32
}

TEST_F(MeshTest, SamplesNotCoveringTheGridGiveAnEmptyNull) {
  s.Evaluate();
  for (Int32 r : {49, 46341, std::numeric_limits<Int32>::max(), -2}) {
    SCOPED_TRACE(r);
    FreezePlotAt(r);
    ExpectEmptyNullInEveryMode();
  }
}

TEST_F(MeshTest, RenderOnlyBuildsOnlyWhileRendering) {
  HostStateGuard guard;
  s.Set(mesh, O3DPLOTMESH_RENDERONLY, GeData(true));
  s.Evaluate();
  ASSERT_EQ(Cache()->GetType(), Onull);
  // Nothing else changed: the viewport's empty null must not stand in for the render.
  zvhost::SetRunning(CHECKISRUNNING::EXTERNALRENDERING, true);
  s.Evaluate();
  ASSERT_NE(Polygons(), nullptr);
  zvhost::SetRunning(CHECKISRUNNING::EXTERNALRENDERING, false);
  s.Evaluate();
  EXPECT_EQ(Cache()->GetType(), Onull);
  zvhost::SetRunning(CHECKISRUNNING::EDITORRENDERING, true);
  s.Evaluate();
  EXPECT_NE(Polygons(), nullptr);
}

TEST_F(MeshTest, CacheIsReusedUntilPlotComponentOrAnimatedFrameChanges) {
  s.Evaluate();
  s.Evaluate();
  EXPECT_EQ(Builds(), 1);
  s.Set(mesh, O3DPLOTMESH_PHONG, GeData(false));
  s.Evaluate();
  EXPECT_EQ(Builds(), 2);
  struct Case {
    const char* formula;
    bool animate;
    Int64 rebuilds;
  };
  for (const Case& c : {Case{"x * t", true, 2}, Case{"x * t", false, 0}, Case{"x", true, 0}}) {
    SCOPED_TRACE(c.formula + std::string(c.animate ? " animated" : " still"));
    s.Set(s.plot, O3DPLOT_FORMULA, GeData(c.formula));
    s.Set(s.plot, O3DPLOT_ANIMATE, GeData(c.animate));
    s.SetFrame(0);
    s.Evaluate();
    const Int64 before = Builds();
    for (Int32 frame : {1, 2}) {
      s.SetFrame(frame);
      s.Evaluate();
    }
    EXPECT_EQ(Builds() - before, c.rebuilds);
  }
  // The frame alone makes an animated time formula rebuild, even when the plot has no new samples.
  s.Set(s.plot, O3DPLOT_FORMULA, GeData("t"));
  s.Set(s.plot, O3DPLOT_ANIMATE, GeData(true));
  s.Evaluate();
  FreezePlotAt(50);
  s.Evaluate();
  const Int64 before = Builds();
  s.SetFrame(7);
  s.Evaluate();
  s.Evaluate();
  EXPECT_EQ(Builds(), before + 1);
  EXPECT_EQ(s.Data<ZVPlotMesh>(mesh)->GetWatch().frame, 7);
}

TEST_F(MeshTest, ComponentKeepsACopyOfTheVertexColourTag) {
  auto SameColours = [&](Int32 count) {
    const auto* made = static_cast<const VertexColorTag*>(Polygons()->GetTag(Tvertexcolor));
    const VertexColorTag* own = OwnColors();
    return made && own && made->GetDataCount() == count && own->GetDataCount() == count &&
           std::memcmp(made->GetDataAddressR(), own->GetDataAddressR(), 16u * count) == 0;
  };
  s.Set(mesh, O3DPLOTMESH_VERTEXCOLORS, GeData(true));
  s.Evaluate();
  ASSERT_TRUE(SameColours(2601));
  EXPECT_EQ(Polygons()->GetTags().back()->GetType(), Tvertexcolor);
  const VertexColorTag* own = OwnColors();
  const auto* ownColors = static_cast<const Float32*>(own->GetDataAddressR());
  const std::vector<Float32> before(ownColors, ownColors + 4 * 2601);

  s.Set(s.plot, O3DPLOT_FORMULA, GeData("x * z"));  // new colours, same resolution
  s.Evaluate();
  EXPECT_TRUE(SameColours(2601));
  EXPECT_EQ(OwnColors(), own) << "updated in place";
  EXPECT_NE(std::memcmp(before.data(), own->GetDataAddressR(), 16u * 2601), 0);
  s.Set(mesh, O3DPLOTMESH_MODE, GeData(Int32(O3DPLOTMESH_MODE_MARKERS)));
  s.Evaluate();
  EXPECT_EQ(OwnColors(), own) << "markers leave it alone";

  s.Set(mesh, O3DPLOTMESH_MODE, GeData(Int32(O3DPLOTMESH_MODE_SURFACE)));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(10)));
  s.Evaluate();
  EXPECT_TRUE(SameColours(121));
  s.Set(mesh, O3DPLOTMESH_VERTEXCOLORS, GeData(false));
  s.Evaluate();
  EXPECT_EQ(OwnColors(), nullptr);
  EXPECT_EQ(Polygons()->GetTag(Tvertexcolor), nullptr);
}

TEST_F(MeshTest, VertexColoursAreClamped) {
  s.Set(mesh, O3DPLOTMESH_VERTEXCOLORS, GeData(true));
  PlotSampleArray samples;  // a surface of resolution 1, coloured out of range
  for (Int32 k = 0; k < 4; ++k)
    ASSERT_TRUE(samples.Append(PlotSample{Vector(k, 0, 0), Vector(2.0, -1.0, 0.25)}));
  samples[1].color = Vector(std::nan(""), 0.0, 1.0);
  PolygonObject* surface = BuildSurface(mesh, mesh->GetDataInstanceRef(), samples, 1);
  ASSERT_TRUE(surface);
  const auto* tag = static_cast<const VertexColorTag*>(surface->GetTag(Tvertexcolor));
  ASSERT_TRUE(tag);
  const auto* c = static_cast<const Float32*>(tag->GetDataAddressR());
  EXPECT_EQ(std::vector<Float32>(c, c + 8), (std::vector<Float32>{1, 0, 0.25f, 1, 1, 0, 1, 1}));
  BaseObject* built = surface;
  BaseObject::Free(built);
}

TEST_F(MeshTest, OldHostHidesVertexColoursAndMakesNoTag) {
  HostStateGuard guard;
  auto Hidden = [&](const DescID* single) {
    Description desc;
    EXPECT_TRUE(zvhost::GetObjectDescription(mesh, &desc, single));
    return desc.GetParameterI(CreateDescID(DescLevel(O3DPLOTMESH_VERTEXCOLORS)), nullptr)
        ->GetBool(DESC_HIDE);
  };
  const DescID phong = CreateDescID(DescLevel(O3DPLOTMESH_PHONG)),
               colours = CreateDescID(DescLevel(O3DPLOTMESH_VERTEXCOLORS));
  EXPECT_FALSE(Hidden(nullptr));
  zvhost::SetAPIVersion(17000);
  EXPECT_TRUE(Hidden(nullptr));
  EXPECT_TRUE(Hidden(&colours));
  EXPECT_FALSE(Hidden(&phong)) << "only the entry asked about is changed";
  s.Set(mesh, O3DPLOTMESH_VERTEXCOLORS, GeData(true));
  s.Evaluate();
  ASSERT_NE(Polygons(), nullptr);
  EXPECT_EQ(Polygons()->GetTag(Tvertexcolor), nullptr);
  EXPECT_EQ(OwnColors(), nullptr);
}

// Each solid of the marker mesh uses only its own points, is closed with its faces wound alike
// (every edge once in each direction) and faces outward (positive volume).
::testing::AssertionResult ClosedOutwardSolids(const PolygonObject* poly, Int32 pointsEach,
                                               Int32 polygonsEach) {
  const Vector* pts = poly->GetPointR();
  for (Int32 piece = 0; piece < poly->GetPolygonCount() / polygonsEach; ++piece) {
    std::map<std::pair<Int32, Int32>, int> edges;
    Float volume = 0.0;
    for (Int32 q = piece * polygonsEach; q < (piece + 1) * polygonsEach; ++q) {
      const CPolygon& p = poly->GetPolygonR()[q];
      std::vector<Int32> c = {p.a, p.b, p.c};
      if (!p.IsTriangle()) c.push_back(p.d);
      for (size_t k = 0; k < c.size(); ++k) {
        if (c[k] / pointsEach != piece) return ::testing::AssertionFailure() << "polygon " << q;
        ++edges[{c[k], c[(k + 1) % c.size()]}];
      }
      for (size_t k = 1; k + 1 < c.size(); ++k)
        volume += Dot(pts[c[0]], Cross(pts[c[k]], pts[c[k + 1]])) / 6.0;
    }
    for (const auto& [e, n] : edges)
      if (n != 1 || edges.count({e.second, e.first}) != 1)
        return ::testing::AssertionFailure() << "solid " << piece << " edge " << e.first;
    if (!(volume > 0.0)) return ::testing::AssertionFailure() << "solid " << piece << " inward";
  }
  return ::testing::AssertionSuccess();
}

TEST_F(MeshTest, MarkerMeshesAreClosedOutwardSolids) {
  s.Set(mesh, O3DPLOTMESH_MODE, GeData(Int32(O3DPLOTMESH_MODE_MARKERS)));
  s.Set(mesh, O3DPLOTMESH_MARKERSIZE, GeData(2.0));
  const UVWStruct fixed{Vector(1, 0, 0), Vector(0, 0, 0), Vector(0, 1, 0), Vector(1, 1, 0)};
  const Int32 counts[][2] = {{8, 6}, {5, 5}, {12, 20}};  // per cube, pyramid, icosahedron
  for (Int32 shape : {2, 1, 0}) {
    SCOPED_TRACE(shape);
    s.Set(mesh, O3DPLOTMESH_MARKERSHAPE, GeData(shape));
    s.Evaluate();
    PolygonObject* poly = Polygons();
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->GetPointCount(), 2601 * counts[shape][0]);
    EXPECT_EQ(poly->GetPolygonCount(), 2601 * counts[shape][1]);
    EXPECT_TRUE(ClosedOutwardSolids(poly, counts[shape][0], counts[shape][1]));
    EXPECT_EQ(UVW(poly)->GetSlow(poly->GetPolygonCount() - 1), fixed);
    EXPECT_EQ(poly->GetTags().size(), 1u) << "no phong, no colours";
  }
  // The size is the half-extent: the cube around a sample reaches 2 from it on every axis.
  const Vector p = Plot()->GetSamples()[0].position;
  EXPECT_EQ(Polygons()->GetPointR()[0], p + Vector(-2, 2, -2));
  EXPECT_EQ(Polygons()->GetPointR()[6], p + Vector(2, -2, 2));
}

TEST_F(MeshTest, PrimitivesAreSizedPlacedAndTintedPerSample) {
  s.Set(mesh, O3DPLOTMESH_MODE, GeData(Int32(O3DPLOTMESH_MODE_PRIMITIVES)));
  s.Set(mesh, O3DPLOTMESH_MARKERSIZE, GeData(2.0));
  for (Int32 primitive : {O3DPLOTMESH_PRIMITIVE_SPHERE, O3DPLOTMESH_PRIMITIVE_CUBE}) {
    SCOPED_TRACE(primitive);
    const bool sphere = primitive == O3DPLOTMESH_PRIMITIVE_SPHERE;
    s.Set(mesh, O3DPLOTMESH_PRIMITIVE, GeData(primitive));
    s.Evaluate();
    Int64 k = 0;
    for (BaseObject* child = Cache()->GetDown(); child; child = child->GetNext(), ++k) {
      ObjectColorProperties colour;
      child->GetColorProperties(&colour);
      ASSERT_EQ(child->GetRelPos(), Plot()->GetSamples()[k].position) << k;
      ASSERT_EQ(colour.color, Plot()->GetSamples()[k].color) << k;
      ASSERT_TRUE(colour.usecolor == ID_BASEOBJECT_USECOLOR_AUTOMATIC && !colour.xray);
      ASSERT_EQ(child->GetTag(Tphong) != nullptr, sphere);
    }
    EXPECT_EQ(k, 2601);
    // Full size: a sphere of radius 1, a cube 2 wide.
    const auto* first = static_cast<const PolygonObject*>(Cache()->GetDown());
    Float reach = 0.0;
    for (Int32 i = 0; i < first->GetPointCount(); ++i) {
      const Vector& v = first->GetPointR()[i];
      reach = std::max(reach, sphere ? v.GetLength() : std::fabs(v.x));
    }
    EXPECT_NEAR(reach, 1.0, 1e-12);
  }
  s.Set(mesh, O3DPLOTMESH_MARKERSIZE, GeData(4.0));  // a new size is not served a stale mesh
  s.Evaluate();
  EXPECT_DOUBLE_EQ(
      static_cast<const PolygonObject*>(Cache()->GetDown())->GetPointR()[0].GetLength(),
      std::sqrt(12.0));
  // A choice the description never offers yields no primitives.
  mesh->SetParameter(CreateDescID(DescLevel(O3DPLOTMESH_PRIMITIVE)), GeData(Int32(7)),
                     DESCFLAGS_SET::NONE);
  s.Evaluate();
  EXPECT_TRUE(Cache()->GetType() == Onull && !Cache()->GetDown());
}

}  // namespace
