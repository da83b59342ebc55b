// The surface mesh component: turns the samples of the plot above it into a coloured quad surface,
// into one polygon object with a small solid at every sample, or into a null holding one tinted
// host primitive per sample.
#pragma once

#include "zvplot_sdk.h"
#include "o3dplotmesh.h"
#include "zvplot_watch.h"

class PlotSampleArray;

class ZVPlotMesh : public PluginObjectData {
  INSTANCEOF(ZVPlotMesh, PluginObjectData)

 public:
  static NodeData* Alloc() { return NewObjClear(ZVPlotMesh); }

  Bool Init(GeListNode* node, Bool isCloneInit) override;
  Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
              AliasTrans* trn) const override;
  Bool Message(GeListNode* node, Int32 type, void* data) override;
  Bool GetDDescription(const GeListNode* node, Description* description,
                       DESCFLAGS_DESC& flags) const override;
  Bool GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                    DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const override;
  Bool AddToExecution(BaseObject* op, PriorityList* list) override;
  EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                          EXECUTIONFLAGS flags) override;
  BaseObject* GetVirtualObjects(BaseObject* op, const HierarchyHelp* hh) override;

  const PlotWatch& GetWatch() const { return watch; }
  Bool HasPlotChanged() const { return plotChanged; }

 private:
  BaseObject* BuildGeometry(BaseObject* op, const BaseContainer& bc, const PlotSampleArray& samples,
                            Int32 resolution, const HierarchyHelp* hh);

  PlotWatch watch;  // the plot's dirty count of the last step, the frame of the last build
  Bool plotChanged;
  // The last result was the render-only gate's empty null: it must not be handed back as the
  // cache once a render opens the gate.
  Bool renderGated;
};

// The point and polygon counts of one built object. Counts are derived in 64 bits and refused
// when they leave the int32 range that the host's objects and tags are sized with.
struct MeshCounts {
  Int32 points = 0;
  Int32 polygons = 0;
};
// The surface of resolution R: (R + 1)^2 points and R^2 quads. False for R < 1 or counts that do
// not fit.
Bool SurfaceCounts(Int32 resolution, MeshCounts* counts);
// The marker mesh of `samples` solids of the shape (O3DPLOTMESH_MARKERSHAPE_...). False for an
// unknown shape, no samples or counts that do not fit.
Bool MarkerCounts(Int64 samples, Int32 shape, MeshCounts* counts);
// Whether a sample set of `count` samples covers the whole grid of resolution R, (R + 1)^2 nodes.
Bool SamplesMatchGrid(Int64 count, Int32 resolution);

// The UVW of surface point k at resolution R: u runs 0 to 1 along x, v 1 to 0 along z, w = 0.
Vector SurfacePointUV(Int32 k, Int32 resolution);

// Builds the quad surface through a complete sample set. `op` is the component, which keeps a copy
// of the surface's vertex colour tag (or loses it when vertex colours are off). Nothing when the
// counts do not fit or memory runs out.
PolygonObject* BuildSurface(BaseObject* op, const BaseContainer& bc, const PlotSampleArray& samples,
                            Int32 resolution);
// Builds the surface closed into a solid (O3DPLOTMESH_SOLID), with the bottom Base Depth below the
// lowest sample or the plot box's floor. The component keeps a copy of its vertex colour tag.
PolygonObject* BuildSolidSurface(BaseObject* op, const BaseContainer& bc,
                                 const PlotSampleArray& samples, Int32 resolution,
                                 const BaseObject* plot);
// Keeps the component's vertex colour tag equal to `tag`: overwritten in place when the point count
// is unchanged, replaced by a clone otherwise.
void TransferVertexColorTag(BaseObject* op, VertexColorTag* tag);
void RemoveVertexColorTag(BaseObject* op);

// One polygon object with a solid of half-extent `size` around every sample; nothing for an
// unknown shape, counts that do not fit or no memory.
PolygonObject* BuildMarkerMesh(const PlotSampleArray& samples, Float size, Int32 shape,
                               BaseDocument* doc);
// A null with one host primitive of full size `size` per sample, placed and tinted per sample.
BaseObject* BuildPrimitiveMarkers(const PlotSampleArray& samples, Float size, Int32 primitive,
                                  const HierarchyHelp* hh);

// Registers the mesh component type.
Bool RegisterZVPlotMesh(BaseBitmap* icon);
