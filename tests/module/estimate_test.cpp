// The memory estimate each of the module's objects publishes before a build: it counts what the
// build then makes, holds the present cache too, changes nothing, and grows with what it estimates.
#include <string>

#include "host_records.h"
#include "o3dplot.h"
#include "o3dplotgrid.h"
#include "o3dplotlabel.h"
#include "o3dplotmesh.h"
#include "test_support.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

ZVPlotMemoryEstimate Estimate(BaseObject* op) {
  ZVPlotMemoryEstimate e;
  EXPECT_TRUE(op->Message(MSG_ZVPLOT_ESTIMATEMEMORY, &e));
  return e;
}

// What a built cache holds: its polygon objects' points and polygons, and its objects.
struct Built {
  Int64 points = 0, polygons = 0, objects = 0;
};
Built Count(const BaseObject* op) {
  Built b;
  for (; op; op = op->GetNext()) {
    ++b.objects;
    if (op->IsInstanceOf(Opolygon)) {
      const auto* poly = static_cast<const PolygonObject*>(op);
      b.points += poly->GetPointCount();
      b.polygons += poly->GetPolygonCount();
    }
    const Built below = Count(op->GetDown());
    b.points += below.points;
    b.polygons += below.polygons;
    b.objects += below.objects;
  }
  return b;
}

TEST(MemoryEstimate, EveryObjectAnswersWithItsPartAndThePlotsResolution) {
  zvtest::Scene s;
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(20)));
  const struct {
    BaseObject* op;
    const char* what;
  } objects[] = {{s.plot, "samples"},
                 {s.Add(ID_ZVPLOTMESH), "surface"},
                 {s.Add(ID_ZVPLOTGRID), "grid"},
                 {s.Add(ID_ZVPLOTCAGE), "cage"},
                 {s.Add(ID_ZVPLOTLABELS), "labels"}};
  for (const auto& o : objects) {
    const ZVPlotMemoryEstimate e = Estimate(o.op);
    EXPECT_STREQ(e.what, o.what);
    EXPECT_EQ(e.resolution, 20) << o.what;
    EXPECT_GT(e.bytes, 0) << o.what;
  }
  // The samples: 21 x 21 of 48 bytes, none held yet.
  EXPECT_GE(Estimate(s.plot).bytes, 441 * 48);
  EXPECT_LT(Estimate(s.plot).bytes, 2 * 441 * 48);
}

// In every mode the counts are those of the geometry then built, and the estimate says nothing
// was built: it is asked before the evaluation, and it builds nothing itself.
TEST(MemoryEstimate, CountsWhatTheMeshThenBuilds) {
  const struct {
    Int32 mode, shape;
  } cases[] = {{O3DPLOTMESH_MODE_SURFACE, 0},
               {O3DPLOTMESH_MODE_MARKERS, O3DPLOTMESH_MARKERSHAPE_CUBE},
               {O3DPLOTMESH_MODE_MARKERS, O3DPLOTMESH_MARKERSHAPE_PYRAMID},
               {O3DPLOTMESH_MODE_MARKERS, O3DPLOTMESH_MARKERSHAPE_ICOSAHEDRON},
               {O3DPLOTMESH_MODE_PRIMITIVES, O3DPLOTMESH_PRIMITIVE_CUBE},
               {O3DPLOTMESH_MODE_PRIMITIVES, O3DPLOTMESH_PRIMITIVE_SPHERE},
               {O3DPLOTMESH_MODE_PRIMITIVES, O3DPLOTMESH_PRIMITIVE_PYRAMID},
               {O3DPLOTMESH_MODE_PRIMITIVES, O3DPLOTMESH_PRIMITIVE_ICOSAHEDRON}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.shape));
    zvtest::Scene s;
    BaseObject* mesh = s.Add(ID_ZVPLOTMESH);
    s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(6)));
    s.Set(mesh, O3DPLOTMESH_MODE, GeData(c.mode));
    s.Set(mesh,
          c.mode == O3DPLOTMESH_MODE_PRIMITIVES ? O3DPLOTMESH_PRIMITIVE : O3DPLOTMESH_MARKERSHAPE,
          GeData(c.shape));
    const ZVPlotMemoryEstimate e = Estimate(mesh);
    EXPECT_EQ(zvhost::GetCacheBuildCount(*mesh), 0);
    EXPECT_EQ(mesh->GetCache(), nullptr);
    s.Evaluate();
    const Built built = Count(mesh->GetCache());
    EXPECT_EQ(e.points, built.points);
    EXPECT_EQ(e.polygons, built.polygons);
    EXPECT_EQ(e.objects, built.objects);
    EXPECT_GE(e.vertices, e.points);
    EXPECT_LE(e.vertices, 4 * e.polygons);
    // At least the points and polygons themselves.
    EXPECT_GE(e.bytes,
              built.points * Int64(sizeof(Vector)) + built.polygons * Int64(sizeof(CPolygon)));
  }
}

TEST(MemoryEstimate, GrowsWithTheResolutionAndHoldsThePresentCache) {
  zvtest::Scene s;
  BaseObject* mesh = s.Add(ID_ZVPLOTMESH);
  BaseObject* grid = s.Add(ID_ZVPLOTGRID);
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(100)));
  const Int64 first = Estimate(mesh).bytes;
  const Int64 firstGrid = Estimate(grid).bytes;
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(200)));
  EXPECT_GT(Estimate(mesh).bytes, 3 * first);  // (R + 1)^2 and R^2
  EXPECT_GT(Estimate(grid).bytes, firstGrid);

  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(100)));
  const Int64 samplesBefore = Estimate(s.plot).bytes;
  s.Evaluate();
  // The next build of the same size happens while the present surface and samples are held.
  EXPECT_GE(Estimate(mesh).bytes, 2 * first - 1024);
  EXPECT_GT(Estimate(s.plot).bytes, samplesBefore);
}

// Past the first evaluation the axis labels are as long as the plot's values; before it, as long
// as a number can be. The legend grows with the formula, up to what a text lays out.
TEST(MemoryEstimate, LabelsFollowTheirTexts) {
  zvtest::Scene s;
  BaseObject* labels = s.Add(ID_ZVPLOTLABELS);
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(4)));
  const Int64 unknown = Estimate(labels).bytes;
  s.Evaluate();
  const Int64 known = Estimate(labels).bytes;
  EXPECT_LT(known, unknown);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x * 1e300")));
  s.Evaluate();
  EXPECT_GT(Estimate(labels).bytes, 5 * known);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String(std::string(3000, '1'))));
  const Int64 long3000 = Estimate(labels).bytes;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String(std::string(6000, '1'))));
  EXPECT_LT(Estimate(labels).bytes, long3000 * 3 / 2) << "a text lays out at most 4,096 characters";
}

}  // namespace
