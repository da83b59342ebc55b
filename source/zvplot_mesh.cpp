#include "zvplot_mesh.h"

#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

#include "c4d_symbols.h"
#include "c4dapi.h"
#include "o3dplot.h"
#include "zvplot.h"
#include "zvplot_estimate.h"
#include "zvplot_gradient.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"
#include "zvplot_solid.h"

namespace {

// Hosts before this interface version have no vertex colour tag.
constexpr Int32 kVertexColorMinVersion = 18000;
// Host objects and tags are sized with int32 counts.
constexpr Int64 kMaxCount = std::numeric_limits<Int32>::max();

// A solid around a sample: corner offsets in units of the marker size, and the corners of its
// polygons (a triangle repeats its third corner). Plain numbers, so that the tables are fixed at
// compile time whatever the host's vector and polygon types are.
struct MarkerShape {
  const Float (*offsets)[3];
  Int32 pointCount;
  const Int32 (*polygons)[4];
  Int32 polygonCount;
};

constexpr Float kCubeOffsets[][3] = {{-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},  {1, 1, -1},
                                     {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, -1, -1}};
// Not wound alike; the align-normals command run after building makes them so.
constexpr Int32 kCubePolygons[][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                      {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 2, 6, 5}};

// A square base turned so that its corners lie on the x and z directions, apex up.
constexpr Float kPyramidOffsets[][3] = {
    {-1, -1, 0}, {0, -1, -1}, {1, -1, 0}, {0, -1, 1}, {0, 1, 0}};
constexpr Int32 kPyramidPolygons[][4] = {
    {0, 4, 1, 1}, {1, 4, 2, 2}, {2, 4, 3, 3}, {3, 4, 0, 0}, {0, 1, 2, 3}};

// Corners at distance about 1 from the centre.
constexpr Float kIcoE = 0.526;
constexpr Float kIcoF = 0.851;
constexpr Float kIcosahedronOffsets[][3] = {
    {0, kIcoE, -kIcoF}, {0, -kIcoE, -kIcoF}, {kIcoF, 0, -kIcoE},  {kIcoF, 0, kIcoE},
    {0, kIcoE, kIcoF},  {0, -kIcoE, kIcoF},  {-kIcoF, 0, kIcoE},  {-kIcoF, 0, -kIcoE},
    {kIcoE, kIcoF, 0},  {-kIcoE, kIcoF, 0},  {-kIcoE, -kIcoF, 0}, {kIcoE, -kIcoF, 0}};
constexpr Int32 kIcosahedronPolygons[][4] = {
    {9, 8, 0, 0},   {8, 2, 0, 0},   {8, 3, 2, 2},    {8, 4, 3, 3},   {8, 9, 4, 4},
    {4, 9, 6, 6},   {6, 9, 7, 7},   {9, 0, 7, 7},    {11, 10, 1, 1}, {2, 11, 1, 1},
    {2, 3, 11, 11}, {3, 5, 11, 11}, {5, 10, 11, 11}, {5, 6, 10, 10}, {6, 7, 10, 10},
    {7, 1, 10, 10}, {1, 7, 0, 0},   {2, 1, 0, 0},    {4, 5, 3, 3},   {4, 6, 5, 5}};

template <size_t P, size_t Q>
constexpr MarkerShape MakeShape(const Float (&offsets)[P][3], const Int32 (&polygons)[Q][4]) {
  return {offsets, static_cast<Int32>(P), polygons, static_cast<Int32>(Q)};
}

// Indexed by O3DPLOTMESH_MARKERSHAPE.
constexpr MarkerShape kMarkerShapes[] = {MakeShape(kCubeOffsets, kCubePolygons),
                                         MakeShape(kPyramidOffsets, kPyramidPolygons),
                                         MakeShape(kIcosahedronOffsets, kIcosahedronPolygons)};
constexpr Int32 kMarkerShapeCount = static_cast<Int32>(std::size(kMarkerShapes));

// Every polygon of the marker mesh shows the whole texture.
UVWStruct MarkerUVW() {
  return UVWStruct(Vector(1, 0, 0), Vector(0, 0, 0), Vector(0, 1, 0), Vector(1, 1, 0));
}

BaseObject* EmptyNull() { return BaseObject::Alloc(Onull); }

Bool IsRendering() {
  return CheckIsRunning(CHECKISRUNNING::EDITORRENDERING) ||
         CheckIsRunning(CHECKISRUNNING::EXTERNALRENDERING);
}

}  // namespace

// ---- Counts ----------------------------------------------------------------------------------

Bool SurfaceCounts(Int32 resolution, MeshCounts* counts) {
  if (resolution < 1) return false;
  const Int64 side = static_cast<Int64>(resolution) + 1;
  const Int64 points = side * side;
  const Int64 polygons = static_cast<Int64>(resolution) * resolution;
  if (points > kMaxCount) return false;
  counts->points = static_cast<Int32>(points);
  counts->polygons = static_cast<Int32>(polygons);
  return true;
}

Bool MarkerCounts(Int64 samples, Int32 shape, MeshCounts* counts) {
  if (shape < 0 || shape >= kMarkerShapeCount || samples < 1 || samples > kMaxCount) return false;
  const MarkerShape& m = kMarkerShapes[shape];
  const Int64 points = samples * m.pointCount;
  const Int64 polygons = samples * m.polygonCount;
  if (points > kMaxCount || polygons > kMaxCount) return false;
  counts->points = static_cast<Int32>(points);
  counts->polygons = static_cast<Int32>(polygons);
  return true;
}

Bool SamplesMatchGrid(Int64 count, Int32 resolution) {
  if (resolution < 1) return false;
  const Int64 side = static_cast<Int64>(resolution) + 1;
  return count == side * side;
}

// ---- Surface ---------------------------------------------------------------------------------

Vector SurfacePointUV(Int32 k, Int32 resolution) {
  const Int64 side = static_cast<Int64>(resolution) + 1;
  const Float r = static_cast<Float>(resolution);
  return Vector(static_cast<Float>(k / side) / r, 1.0 - static_cast<Float>(k % side) / r, 0.0);
}

void RemoveVertexColorTag(BaseObject* op) {
  if (op && op->GetTag(Tvertexcolor)) op->KillTag(Tvertexcolor);
}

void TransferVertexColorTag(BaseObject* op, VertexColorTag* tag) {
  if (!op || !tag) return;
  // Every vertex colour tag the host makes is a VertexColorTag.
  auto* own = static_cast<VertexColorTag*>(op->GetTag(Tvertexcolor));
  if (own && own->GetDataCount() == tag->GetDataCount() &&
      own->GetDataSize() == tag->GetDataSize()) {
    std::memcpy(own->GetLowlevelDataAddressW(), tag->GetLowlevelDataAddressR(),
                static_cast<size_t>(tag->GetDataCount()) * static_cast<size_t>(tag->GetDataSize()));
    op->Message(MSG_UPDATE);
    return;
  }
  if (own) op->KillTag(Tvertexcolor);
  auto* copy = static_cast<BaseTag*>(tag->GetClone(COPYFLAGS::NONE, nullptr));
  if (!copy) return;
  op->InsertTag(copy);
  op->Message(MSG_UPDATE);
}

namespace {

// A point-mode vertex colour tag with one entry per point, inserted first; nothing when the host
// cannot make one.
VertexColorTag* MakeVertexColorTag(PolygonObject* poly, Int32 pointCount) {
  VertexColorTag* tag = VertexColorTag::Alloc(pointCount);
  if (!tag) return nullptr;
  tag->SetPerPointMode(true);
  poly->InsertTag(tag);
  return tag;
}

void WriteSurfacePoints(Vector* points, VertexColorTag* colors, const PlotSampleArray& samples,
                        Int32 count) {
  VertexColorHandle handle = colors ? colors->GetDataAddressW() : nullptr;
  for (Int32 k = 0; k < count; ++k) {
    const PlotSample& s = samples[k];
    points[k] = s.position;
    if (handle) {
      const Vector32 c{static_cast<Float32>(s.color.x), static_cast<Float32>(s.color.y),
                       static_cast<Float32>(s.color.z)};
      SetVertexColor(handle, nullptr, nullptr, k, c);
    }
  }
}

// Quad (i, j) joins x rows i and i + 1 at z columns j and j + 1.
void WriteSurfacePolygons(CPolygon* polys, Int32 resolution) {
  const Int32 side = resolution + 1;
  for (Int32 i = 0; i < resolution; ++i) {
    Int32 base = i * side;
    for (Int32 j = 0; j < resolution; ++j, ++base)
      *polys++ = CPolygon(base, base + 1, base + side + 1, base + side);
  }
}

// The UVW sets of the quads. u depends only on the x row and v only on the z column, so both are
// taken once per row and column from SurfacePointUV instead of dividing four times per quad.
void WriteSurfaceUVW(UVWTag* tag, Int32 resolution) {
  const UVWHandle entries = tag->GetDataAddressW();
  const Int32 side = resolution + 1;
  std::unique_ptr<Float[]> table(new (std::nothrow) Float[2 * static_cast<size_t>(side)]);
  if (!entries || !table) return;
  Float* u = table.get();
  Float* v = u + side;
  for (Int32 i = 0; i < side; ++i) {
    u[i] = SurfacePointUV(i * side, resolution).x;
    v[i] = SurfacePointUV(i, resolution).y;
  }
  Int32 q = 0;
  for (Int32 i = 0; i < resolution; ++i) {
    for (Int32 j = 0; j < resolution; ++j)
      UVWTag::Set(entries, q++,
                  UVWStruct(Vector(u[i], v[j], 0.0), Vector(u[i], v[j + 1], 0.0),
                            Vector(u[i + 1], v[j + 1], 0.0), Vector(u[i + 1], v[j], 0.0)));
  }
}

}  // namespace

PolygonObject* BuildSurface(BaseObject* op, const BaseContainer& bc, const PlotSampleArray& samples,
                            Int32 resolution) {
  MeshCounts counts;
  if (!SurfaceCounts(resolution, &counts) || samples.GetCount() != counts.points) return nullptr;
  PolygonObject* poly = PolygonObject::Alloc(counts.points, counts.polygons);
  if (!poly) return nullptr;

  VertexColorTag* colors = nullptr;
  if (!bc.GetBool(O3DPLOTMESH_VERTEXCOLORS))
    RemoveVertexColorTag(op);
  else if (GetC4DVersion() >= kVertexColorMinVersion)
    colors = MakeVertexColorTag(poly, counts.points);

  Vector* points = poly->GetPointW();
  CPolygon* polys = poly->GetPolygonW();
  if (!points || !polys) return poly;
  if (bc.GetBool(O3DPLOTMESH_PHONG)) poly->MakeTag(Tphong);

  WriteSurfacePoints(points, colors, samples, counts.points);
  if (colors) TransferVertexColorTag(op, colors);
  WriteSurfacePolygons(polys, resolution);
  if (UVWTag* uvw = UVWTag::Alloc(counts.polygons)) {
    poly->InsertTag(uvw);
    WriteSurfaceUVW(uvw, resolution);
  }
  return poly;
}

// ---- Solid -----------------------------------------------------------------------------------

namespace {

constexpr Float kDefaultBaseDepth = 10.0;
constexpr Float kDefaultThickness = 2.0;

// A distance the user gives, or its default where the container holds none that is usable.
Float Distance(const BaseContainer& bc, Int32 id, Float fallback) {
  const Float v = bc.GetFloat(id, fallback);
  return v > 0.0 && std::isfinite(v) ? v : fallback;
}

// The bottom's colour: the colour the plot gives its lowest values, the gradient's start.
Vector BottomColour(const BaseObject* plot, const BaseDocument* doc) {
  const BaseContainer& bc = plot->GetDataInstanceRef();
  if (bc.GetInt32(O3DPLOT_COLORMODE) != O3DPLOT_COLORMODE_GRADIENT)
    return bc.GetVector(O3DPLOT_COLOR);
  PreparedGradient gradient;
  if (!gradient.Prepare(GetCustomData<Gradient>(bc, O3DPLOT_GRADIENT), doc)) return Vector(1.0);
  return gradient.Colour(0.0);
}

}  // namespace

PolygonObject* BuildSolidSurface(BaseObject* op, const BaseContainer& bc,
                                 const PlotSampleArray& samples, Int32 resolution,
                                 const BaseObject* plot) {
  if (!plot) return nullptr;
  SolidShape shape;
  shape.mode = bc.GetInt32(O3DPLOTMESH_SOLID);
  shape.colours = bc.GetBool(O3DPLOTMESH_VERTEXCOLORS) && GetC4DVersion() >= kVertexColorMinVersion;
  shape.phong = bc.GetBool(O3DPLOTMESH_PHONG);
  shape.thickness = Distance(bc, O3DPLOTMESH_THICKNESS, kDefaultThickness);
  // Base Depth below the lowest point of the surface, or of the plot box's floor when that is
  // lower.
  Float lowest = -0.5 * std::fabs(plot->GetDataInstanceRef().GetFloat(O3DPLOT_HEIGHT));
  for (Int64 k = 0; k < samples.GetCount(); ++k) {
    const Float y = samples[k].position.y;
    if (std::isfinite(y) && y < lowest) lowest = y;
  }
  shape.bottom = lowest - Distance(bc, O3DPLOTMESH_BASEDEPTH, kDefaultBaseDepth);
  if (shape.colours) shape.bottomColour = BottomColour(plot, op->GetDocument());
  PolygonObject* solid = BuildSolid(samples, resolution, shape);
  if (!shape.colours) {
    RemoveVertexColorTag(op);
  } else if (solid) {
    if (auto* tag = static_cast<VertexColorTag*>(solid->GetTag(Tvertexcolor)))
      TransferVertexColorTag(op, tag);
  }
  return solid;
}

// ---- Markers ---------------------------------------------------------------------------------

PolygonObject* BuildMarkerMesh(const PlotSampleArray& samples, Float size, Int32 shape,
                               BaseDocument* doc) {
  MeshCounts counts;
  if (!MarkerCounts(samples.GetCount(), shape, &counts)) return nullptr;
  PolygonObject* poly = PolygonObject::Alloc(counts.points, counts.polygons);
  if (!poly) return nullptr;
  Vector* points = poly->GetPointW();
  CPolygon* polys = poly->GetPolygonW();
  if (!points || !polys) return poly;

  const MarkerShape& m = kMarkerShapes[shape];
  const Int32 n = static_cast<Int32>(samples.GetCount());
  for (Int32 i = 0; i < n; ++i) {
    const Vector& p = samples[i].position;
    for (Int32 k = 0; k < m.pointCount; ++k) {
      const Float* o = m.offsets[k];
      *points++ = p + Vector(o[0], o[1], o[2]) * size;
    }
  }
  for (Int32 i = 0; i < n; ++i) {
    const Int32 first = i * m.pointCount;
    for (Int32 k = 0; k < m.polygonCount; ++k) {
      const Int32* q = m.polygons[k];
      *polys++ = CPolygon(q[0] + first, q[1] + first, q[2] + first, q[3] + first);
    }
  }
  if (UVWTag* uvw = UVWTag::Alloc(counts.polygons)) {
    poly->InsertTag(uvw);
    const UVWStruct whole = MarkerUVW();
    if (const UVWHandle entries = uvw->GetDataAddressW())
      for (Int32 q = 0; q < counts.polygons; ++q) UVWTag::Set(entries, q, whole);
  }
  ModelingCommandData mcd;
  mcd.doc = doc;
  mcd.op = poly;
  mcd.bc = nullptr;
  mcd.mode = MODELINGCOMMANDMODE::ALL;
  mcd.flags = MODELINGCOMMANDFLAGS::NONE;
  SendModelingCommand(MCOMMAND_ALIGNNORMALS, mcd);
  return poly;
}

namespace {

// Fills the generator settings of the primitive choice; the host primitive type, or 0 for an
// unknown choice.
Int32 PrimitiveSettings(Int32 primitive, Float size, BaseContainer* bc) {
  switch (primitive) {
    case O3DPLOTMESH_PRIMITIVE_CUBE:
      bc->SetVector(PRIM_CUBE_LEN, Vector(size));
      bc->SetInt32(PRIM_CUBE_SUBX, 1);
      bc->SetInt32(PRIM_CUBE_SUBY, 1);
      bc->SetInt32(PRIM_CUBE_SUBZ, 1);
      return Ocube;
    case O3DPLOTMESH_PRIMITIVE_SPHERE:
      bc->SetFloat(PRIM_SPHERE_RAD, size * 0.5);
      bc->SetInt32(PRIM_SPHERE_SUB, 12);
      return Osphere;
    case O3DPLOTMESH_PRIMITIVE_PYRAMID:
      bc->SetVector(PRIM_PYRAMID_LEN, Vector(size));
      return Opyramid;
    case O3DPLOTMESH_PRIMITIVE_ICOSAHEDRON:
      bc->SetFloat(PRIM_PLATONIC_RAD, size * 0.5);
      bc->SetInt32(PRIM_PLATONIC_TYPE, PRIM_PLATONIC_TYPE_ICOSA);
      return Oplatonic;
    default:
      return 0;
  }
}

}  // namespace

BaseObject* BuildPrimitiveMarkers(const PlotSampleArray& samples, Float size, Int32 primitive,
                                  const HierarchyHelp* hh) {
  BaseContainer settings;
  const Int32 type = PrimitiveSettings(primitive, size, &settings);
  BaseObject* null = BaseObject::Alloc(Onull);
  if (!null || type == 0) return null;
  const Float lod = HierarchyLod(hh);
  BaseThread* thread = HierarchyThread(hh);
  BaseObject* last = nullptr;
  for (Int64 k = 0; k < samples.GetCount(); ++k) {
    BaseObject* prim = GeneratePrimitive(nullptr, type, settings, lod, false, thread);
    if (!prim) continue;
    if (type == Osphere && !prim->GetTag(Tphong)) prim->MakeTag(Tphong);
    const PlotSample& s = samples[k];
    prim->SetRelPos(s.position);
    ObjectColorProperties colour;
    colour.usecolor = ID_BASEOBJECT_USECOLOR_AUTOMATIC;
    colour.color = s.color;
    colour.xray = false;
    prim->SetColorProperties(&colour);
    // Appending after the previous child keeps sample order without walking the list each time.
    if (last)
      prim->InsertAfter(last);
    else
      prim->InsertUnder(null);
    last = prim;
  }
  return null;
}

// ---- Host operations -------------------------------------------------------------------------

Bool ZVPlotMesh::Init(GeListNode* node, Bool) {
  BaseContainer* bc = static_cast<BaseList2D*>(node)->GetDataInstance();
  watch = PlotWatch();
  plotChanged = false;
  renderGated = false;
  bc->SetBool(O3DPLOTMESH_VERTEXCOLORS, false);
  bc->SetBool(O3DPLOTMESH_PHONG, true);
  bc->SetInt32(O3DPLOTMESH_MODE, O3DPLOTMESH_MODE_SURFACE);
  bc->SetFloat(O3DPLOTMESH_MARKERSIZE, 1.0);
  bc->SetInt32(O3DPLOTMESH_MARKERSHAPE, O3DPLOTMESH_MARKERSHAPE_CUBE);
  bc->SetInt32(O3DPLOTMESH_PRIMITIVE, O3DPLOTMESH_PRIMITIVE_CUBE);
  bc->SetBool(O3DPLOTMESH_RENDERONLY, false);
  bc->SetInt32(O3DPLOTMESH_SOLID, O3DPLOTMESH_SOLID_OFF);
  bc->SetFloat(O3DPLOTMESH_BASEDEPTH, kDefaultBaseDepth);
  bc->SetFloat(O3DPLOTMESH_THICKNESS, kDefaultThickness);
  return true;
}

Bool ZVPlotMesh::CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
                        AliasTrans* trn) const {
  if (!dest) return false;
  static_cast<ZVPlotMesh*>(dest)->watch.dirty = watch.dirty;
  return SUPER::CopyTo(dest, snode, dnode, flags, trn);
}

Bool ZVPlotMesh::Message(GeListNode* node, Int32 type, void* data) {
  if (type == MSG_ZVPLOT_ESTIMATEMEMORY && data)
    return EstimateMeshMemory(static_cast<BaseObject*>(node),
                              static_cast<ZVPlotMemoryEstimate*>(data));
  return SUPER::Message(node, type, data);
}

Bool ZVPlotMesh::GetDDescription(const GeListNode* node, Description* description,
                                 DESCFLAGS_DESC& flags) const {
  if (!description->LoadDescription(node->GetType())) return false;
  const DescID vertexColors = ConstDescID(DescLevel(O3DPLOTMESH_VERTEXCOLORS, DTYPE_BOOL, 0));
  const DescID* single = description->GetSingleDescID();
  const auto hide = [&](const DescID& id, Bool hidden) {
    if (single && !id.IsPartOf(*single, nullptr)) return;
    if (BaseContainer* item = description->GetParameterI(id, nullptr))
      item->SetBool(DESC_HIDE, hidden);
  };
  hide(vertexColors, GetC4DVersion() < kVertexColorMinVersion);
  // Each distance of the solid shows in its own mode only.
  const Int32 solid =
      static_cast<const BaseObject*>(node)->GetDataInstanceRef().GetInt32(O3DPLOTMESH_SOLID);
  hide(ConstDescID(DescLevel(O3DPLOTMESH_BASEDEPTH)), solid != O3DPLOTMESH_SOLID_BASE);
  hide(ConstDescID(DescLevel(O3DPLOTMESH_THICKNESS)), solid != O3DPLOTMESH_SOLID_SHELL);
  flags |= DESCFLAGS_DESC::LOADED;
  return SUPER::GetDDescription(node, description, flags);
}

Bool ZVPlotMesh::GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                              DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const {
  const auto* op = static_cast<const BaseObject*>(node);
  if (!op->GetDeformMode()) return false;
  const Int32 mode = op->GetDataInstanceRef().GetInt32(O3DPLOTMESH_MODE);
  switch (id[0].id) {
    case O3DPLOTMESH_VERTEXCOLORS:
    case O3DPLOTMESH_PHONG:
    case O3DPLOTMESH_SOLID:
    case O3DPLOTMESH_BASEDEPTH:
    case O3DPLOTMESH_THICKNESS:
      return mode == O3DPLOTMESH_MODE_SURFACE;
    case O3DPLOTMESH_MARKERSIZE:
      return mode == O3DPLOTMESH_MODE_MARKERS || mode == O3DPLOTMESH_MODE_PRIMITIVES;
    case O3DPLOTMESH_MARKERSHAPE:
      return mode == O3DPLOTMESH_MODE_MARKERS;
    case O3DPLOTMESH_PRIMITIVE:
      return mode == O3DPLOTMESH_MODE_PRIMITIVES;
    default:
      return SUPER::GetDEnabling(node, id, t_data, flags, itemdesc);
  }
}

Bool ZVPlotMesh::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, PRIORITY_ZVPLOTMESH, EXECUTIONFLAGS::NONE);
  return true;
}

// The change watch: the plot raises its data dirty count whenever it has new samples.
EXECUTIONRESULT ZVPlotMesh::Execute(BaseObject* op, BaseDocument*, BaseThread*, Int32,
                                    EXECUTIONFLAGS) {
  BaseObject* plot = FindParentPlot(op);
  if (!plot) return EXECUTIONRESULT::OK;
  plotChanged = watch.TakeDirty(plot);
  if (plotChanged) op->Message(MSG_UPDATE);
  return EXECUTIONRESULT::OK;
}

BaseObject* ZVPlotMesh::GetVirtualObjects(BaseObject* op, const HierarchyHelp* hh) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  BaseObject* plotObject = FindParentPlot(op);
  const ZVPlot* plot = plotObject ? plotObject->GetNodeData<ZVPlot>() : nullptr;
  if (!plot) return EmptyNull();
  const Bool animated =
      plotObject->GetDataInstanceRef().GetBool(O3DPLOT_ANIMATE) && plot->IsTimeDependent();

  if (!IsRendering() && bc.GetBool(O3DPLOTMESH_RENDERONLY)) {
    renderGated = true;
    return EmptyNull();
  }
  const Int32 frame = DocumentFrame(op->GetDocument());
  if ((frame == watch.frame || !animated) && !plotChanged && !renderGated &&
      !op->IsDirty(DIRTYFLAGS::DATA) && op->GetCache())
    return op->GetCache();
  renderGated = false;

  if (plot->GetSamples().GetCount() < 1) return EmptyNull();
  watch.TakeFrame(frame);
  return BuildGeometry(op, bc, plot->GetSamples(), plot->GetResolution(), hh);
}

// The geometry of the current mode; an empty null when the samples do not cover the grid (the
// resolution changed but the plot has not sampled again), for an unknown mode, or when building
// fails.
BaseObject* ZVPlotMesh::BuildGeometry(BaseObject* op, const BaseContainer& bc,
                                      const PlotSampleArray& samples, Int32 resolution,
                                      const HierarchyHelp* hh) {
  if (!SamplesMatchGrid(samples.GetCount(), resolution)) return EmptyNull();
  const Float size = bc.GetFloat(O3DPLOTMESH_MARKERSIZE);
  BaseObject* result = nullptr;
  switch (bc.GetInt32(O3DPLOTMESH_MODE)) {
    case O3DPLOTMESH_MODE_SURFACE:
      if (bc.GetInt32(O3DPLOTMESH_SOLID) == O3DPLOTMESH_SOLID_OFF)
        result = BuildSurface(op, bc, samples, resolution);
      else
        result = BuildSolidSurface(op, bc, samples, resolution, FindParentPlot(op));
      break;
    case O3DPLOTMESH_MODE_MARKERS:
      result =
          BuildMarkerMesh(samples, size, bc.GetInt32(O3DPLOTMESH_MARKERSHAPE), op->GetDocument());
      break;
    case O3DPLOTMESH_MODE_PRIMITIVES:
      result = BuildPrimitiveMarkers(samples, size, bc.GetInt32(O3DPLOTMESH_PRIMITIVE), hh);
      break;
    default:
      break;
  }
  return result ? result : EmptyNull();
}

Bool RegisterZVPlotMesh(BaseBitmap* icon) {
  return RegisterObjectPlugin(ID_ZVPLOTMESH, GeLoadString(IDS_ZVPLOTMESH),
                              OBJECT_GENERATOR | OBJECT_UNIQUEENUMERATION | OBJECT_USECACHECOLOR |
                                  OBJECT_CALL_ADDEXECUTION | PLUGINFLAG_HIDEPLUGINMENU,
                              ZVPlotMesh::Alloc, String("o3dplotmesh"), icon, 0);
}
