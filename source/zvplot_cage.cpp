#include "zvplot_cage.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "c4d_symbols.h"
#include "c4dapi.h"
#include "o3dplot.h"
#include "o3dplotcage.h"
#include "zvplot.h"
#include "zvplot_estimate.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

// Segment point counts of the bare box: top and bottom face, then the four vertical edges.
constexpr Int32 kBoxSegmentPoints[] = {4, 4, 2, 2, 2, 2};
constexpr Int32 kBoxSegments = 6;
constexpr Int32 kBoxPoints = 16;

void PutRect(Vector*& p, const Vector& a, const Vector& b, const Vector& c, const Vector& d) {
  *p++ = a;
  *p++ = b;
  *p++ = c;
  *p++ = d;
}

void PutBox(Vector*& p, Float a, Float b) {
  PutRect(p, Vector(-a, b, -a), Vector(a, b, -a), Vector(a, b, a), Vector(-a, b, a));
  PutRect(p, Vector(-a, -b, -a), Vector(a, -b, -a), Vector(a, -b, a), Vector(-a, -b, a));
  const Vector corners[] = {Vector(-a, 0, -a), Vector(a, 0, -a), Vector(a, 0, a), Vector(-a, 0, a)};
  for (const Vector& c : corners) {
    *p++ = Vector(c.x, b, c.z);
    *p++ = Vector(c.x, -b, c.z);
  }
}

// Levels run from the top down and cut the height into levels + 1 equal parts; sections run from
// -a towards +a, each a rectangle in the plane x = s followed by one in the plane z = s.
void PutCage(Vector* p, Float a, Float b, Int32 levels, Int32 sections) {
  PutBox(p, a, b);
  for (Int32 j = 1; j <= levels; ++j) {
    const Float y = b - j * (2.0 * b / (levels + 1));
    PutRect(p, Vector(-a, y, -a), Vector(a, y, -a), Vector(a, y, a), Vector(-a, y, a));
  }
  for (Int32 j = 1; j <= sections; ++j) {
    const Float s = j * (2.0 * a / (sections + 1)) - a;
    PutRect(p, Vector(s, b, -a), Vector(s, b, a), Vector(s, -b, a), Vector(s, -b, -a));
    PutRect(p, Vector(-a, b, s), Vector(a, b, s), Vector(a, -b, s), Vector(-a, -b, s));
  }
}

SplineObject* EmptySpline() { return SplineObject::Alloc(0, SPLINETYPE::LINEAR); }

}  // namespace

Bool ZVPlotCage::Init(GeListNode* node, Bool) {
  watch = PlotWatch();
  BaseContainer* bc = static_cast<BaseObject*>(node)->GetDataInstance();
  bc->SetInt32(O3DPLOTCAGE_LEVELS, 0);
  bc->SetInt32(O3DPLOTCAGE_SECTIONS, 0);
  bc->SetVector(O3DPLOTCAGE_COLOR, Vector(0.8, 0.8, 0.8));
  return true;
}

Bool ZVPlotCage::CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
                        AliasTrans* trn) const {
  if (!dest) return false;
  static_cast<ZVPlotCage*>(dest)->watch = watch;
  return SUPER::CopyTo(dest, snode, dnode, flags, trn);
}

Bool ZVPlotCage::GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                              DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const {
  if (!static_cast<const BaseObject*>(node)->GetDeformMode()) return false;
  return SUPER::GetDEnabling(node, id, t_data, flags, itemdesc);
}

Bool ZVPlotCage::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, PRIORITY_ZVPLOT_SPLINES, EXECUTIONFLAGS::NONE);
  return true;
}

EXECUTIONRESULT ZVPlotCage::Execute(BaseObject*, BaseDocument*, BaseThread*, Int32,
                                    EXECUTIONFLAGS) {
  return EXECUTIONRESULT::OK;
}

// A frame change alone marks the cage dirty; the plot's box is compared (and remembered) only on
// a check that sees the same frame again.
void ZVPlotCage::CheckDirty(BaseObject* op, const BaseDocument* doc) {
  const BaseObject* plot = FindParentPlot(op);
  const Int32 frame = DocumentFrame(doc);
  if (watch.TakeFrame(frame)) {
    op->SetDirty(DIRTYFLAGS::DATA);
    return;
  }
  if (plot && watch.TakeBox(plot)) op->SetDirty(DIRTYFLAGS::DATA);
}

SplineObject* ZVPlotCage::GetContour(BaseObject* op, BaseDocument*, Float, BaseThread*) {
  const BaseContainer& bc = op->GetDataInstanceRef();
  // The colour comes first so that the cage shows in it even without a plot.
  SetDisplayColor(op, bc.GetVector(O3DPLOTCAGE_COLOR));
  BaseObject* plot = FindParentPlot(op);
  if (!plot || !plot->GetNodeData<ZVPlot>() || !op->GetDeformMode()) return EmptySpline();

  const Float a = plot->GetDataInstanceRef().GetFloat(O3DPLOT_SIZE) * 0.5;
  const Float b = plot->GetDataInstanceRef().GetFloat(O3DPLOT_HEIGHT) * 0.5;
  const Int32 levels = std::max<Int32>(bc.GetInt32(O3DPLOTCAGE_LEVELS), 0);
  const Int32 sections = std::max<Int32>(bc.GetInt32(O3DPLOTCAGE_SECTIONS), 0);
  // In 64 bits: counts written into the container directly are not held to the description.
  const Int64 points = kBoxPoints + 4 * Int64(levels) + 8 * Int64(sections);
  const Int64 segments = kBoxSegments + Int64(levels) + 2 * Int64(sections);
  if (points > INT32_MAX) return EmptySpline();

  SplineObject* spline = SplineObject::Alloc(static_cast<Int32>(points), SPLINETYPE::LINEAR);
  if (!spline) return EmptySpline();
  PutCage(spline->GetPointW(), a, b, levels, sections);
  if (spline->ResizeObject(-1, static_cast<Int32>(segments)) && spline->GetSegmentW()) {
    Segment* seg = spline->GetSegmentW();
    for (Int32 i = 0; i < segments; ++i) seg[i].cnt = i < kBoxSegments ? kBoxSegmentPoints[i] : 4;
  }
  spline->GetDataInstance()->SetBool(SPLINEOBJECT_CLOSED, true);
  return spline;
}

Bool ZVPlotCage::Message(GeListNode* node, Int32 type, void* data) {
  if (type == MSG_ZVPLOT_ESTIMATEMEMORY && data)
    return EstimateCageMemory(static_cast<BaseObject*>(node),
                              static_cast<ZVPlotMemoryEstimate*>(data));
  return SUPER::Message(node, type, data);
}

Bool RegisterZVPlotCage(BaseBitmap* icon) {
  return RegisterObjectPlugin(
      ID_ZVPLOTCAGE, GeLoadString(IDS_ZVPLOTCAGE),
      OBJECT_GENERATOR | OBJECT_ISSPLINE | OBJECT_CALL_ADDEXECUTION | PLUGINFLAG_HIDEPLUGINMENU,
      ZVPlotCage::Alloc, String("o3dplotcage"), icon, 0);
}
