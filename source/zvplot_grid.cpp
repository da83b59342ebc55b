#include "zvplot_grid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "c4d_symbols.h"
#include "c4dapi.h"
#include "o3dplotgrid.h"
#include "zvplot.h"
#include "zvplot_estimate.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"
#include "zvplot_levels.h"
#include "zvplot_settings.h"

namespace {

// The line after `k` (which is below n - 1): every step-th one, and the last one even when the
// step does not reach it.
Int32 NextLine(Int32 k, Int32 n, Int32 step) { return step < n - k ? k + step : n - 1; }

// Copies the sample positions of the lines into consecutive points: lines of constant x (samples
// k n ... k n + n - 1) or of constant z (samples k, k + n, ... k + (n - 1) n).
void PutLines(Vector*& p, const PlotSampleArray& samples, Int32 n, Int32 step, Bool constantX) {
  for (Int32 k = 0;; k = NextLine(k, n, step)) {
    for (Int32 j = 0; j < n; ++j) {
      const Int64 index = constantX ? Int64(k) * n + j : k + Int64(j) * n;
      *p++ = samples[index].position;
    }
    if (k == n - 1) break;
  }
}

SplineObject* EmptySpline() { return SplineObject::Alloc(0, SPLINETYPE::LINEAR); }

// The lines drawn for n samples per side: 0, step, 2 step, ... and always n - 1.
Int32 GridLineCount(Int32 n, Int32 step) {
  if (n < 1) return 0;
  Int32 count = 1;
  for (Int32 k = 0; k != n - 1; k = NextLine(k, n, step)) ++count;
  return count;
}

// The level lines of the plot's samples. The heights of a step's multiples are those the plot
// gives a formula value: scaled by its factor for the value's sign and, when the plot fits its
// values into the box, by the largest value's share, as the height labels read them.
SplineObject* LevelContour(const BaseContainer& bc, const BaseObject* plot, const ZVPlot& data,
                           Int32 n) {
  const PlotSettings ps = PlotSettings::Read(plot->GetDataInstanceRef());
  const Float largest = std::max(std::fabs(data.GetValueMin()), std::fabs(data.GetValueMax()));
  const Float fit = ps.heightMode == O3DPLOT_HEIGHTMODE_FIT && largest > 1.0 ? largest : 1.0;
  LevelChoice choice;
  choice.count = bc.GetInt32(O3DPLOTGRID_LEVELS, 10);
  choice.step = bc.GetFloat(O3DPLOTGRID_LEVELSTEP);
  choice.perPositive = ps.HalfHeight() * ps.scalePositive / fit;
  choice.perNegative = ps.HalfHeight() * ps.scaleNegative / fit;
  const Int32 place = bc.GetInt32(O3DPLOTGRID_PLACE);
  LevelPlaces places;
  places.surface = place != O3DPLOTGRID_PLACE_FLOOR;
  places.floor = place == O3DPLOTGRID_PLACE_FLOOR || place == O3DPLOTGRID_PLACE_BOTH;
  places.floorHeight = -ps.HalfHeight();
  return BuildLevelLines(data.GetSamples().GetFirst(), n, choice, places);
}

}  // namespace

Bool ZVPlotGrid::Init(GeListNode* node, Bool) {
  watch = PlotWatch();
  BaseContainer* bc = static_cast<BaseObject*>(node)->GetDataInstance();
  bc->SetInt32(O3DPLOTGRID_STEP, 1);
  bc->SetVector(O3DPLOTGRID_COLOR, Vector(0.8, 0.8, 0.8));
  bc->SetInt32(O3DPLOTGRID_MODE, O3DPLOTGRID_MODE_ROWS);
  bc->SetInt32(O3DPLOTGRID_LEVELS, 10);
  bc->SetFloat(O3DPLOTGRID_LEVELSTEP, 0.0);
  bc->SetInt32(O3DPLOTGRID_PLACE, O3DPLOTGRID_PLACE_SURFACE);
  return true;
}

Bool ZVPlotGrid::CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
                        AliasTrans* trn) const {
  if (!dest) return false;
  auto* d = static_cast<ZVPlotGrid*>(dest);
  d->updatePending = updatePending;
  d->watch = watch;
  return SUPER::CopyTo(dest, snode, dnode, flags, trn);
}

Bool ZVPlotGrid::GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                              DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const {
  const auto* op = static_cast<const BaseObject*>(node);
  if (!op->GetDeformMode()) return false;
  const BaseContainer& bc = op->GetDataInstanceRef();
  const Bool levels = bc.GetInt32(O3DPLOTGRID_MODE) == O3DPLOTGRID_MODE_LEVELS;
  switch (id[0].id) {
    case O3DPLOTGRID_STEP:
      return !levels;
    // A step above 0 takes the place of the count.
    case O3DPLOTGRID_LEVELS:
      return levels && !(bc.GetFloat(O3DPLOTGRID_LEVELSTEP) > 0.0);
    case O3DPLOTGRID_LEVELSTEP:
    case O3DPLOTGRID_PLACE:
      return levels;
    default:
      return SUPER::GetDEnabling(node, id, t_data, flags, itemdesc);
  }
}

Bool ZVPlotGrid::AddToExecution(BaseObject* op, PriorityList* list) {
  list->Add(op, PRIORITY_ZVPLOT_SPLINES, EXECUTIONFLAGS::NONE);
  return true;
}

// Follows up a size or height change that the last dirty check saw, after the plot's own step has
// rescaled its samples.
EXECUTIONRESULT ZVPlotGrid::Execute(BaseObject* op, BaseDocument*, BaseThread*, Int32,
                                    EXECUTIONFLAGS) {
  if (updatePending) {
    op->Message(MSG_UPDATE);
    op->SetDirty(DIRTYFLAGS::DATA);
    updatePending = false;
  }
  return EXECUTIONRESULT::OK;
}

void ZVPlotGrid::CheckDirty(BaseObject* op, const BaseDocument* doc) {
  const BaseObject* plot = FindParentPlot(op);
  // The plot raises its change count whenever it has sampled anew (a new formula, range or
  // resolution): the grid follows that on any frame, not only on the start frame.
  const Bool resampled = plot && watch.TakeDirty(plot);
  const Int32 frame = DocumentFrame(doc);
  if (watch.TakeFrame(frame)) {
    op->SetDirty(DIRTYFLAGS::DATA);
    return;
  }
  if (frame == DocumentStartFrame(doc)) {
    op->SetDirty(DIRTYFLAGS::DATA);
    return;
  }
  if (plot && watch.TakeBox(plot)) {
    op->SetDirty(DIRTYFLAGS::DATA);
    updatePending = true;
  } else if (resampled) {
    op->SetDirty(DIRTYFLAGS::DATA);
  }
}

// Rows and columns: the spline holds only the lines drawn, so with a step above 1 nothing is left
// unset after them. Level lines: see BuildLevelLines.
SplineObject* ZVPlotGrid::GetContour(BaseObject* op, BaseDocument*, Float, BaseThread*) {
  BaseObject* plot = FindParentPlot(op);
  const ZVPlot* data = plot ? plot->GetNodeData<ZVPlot>() : nullptr;
  if (!data) return EmptySpline();
  const BaseContainer& bc = op->GetDataInstanceRef();
  SetDisplayColor(op, bc.GetVector(O3DPLOTGRID_COLOR));

  // Samples of another resolution wait for the plot's next evaluation.
  const Int64 count = data->GetSamples().GetCount();
  const Int64 side = Int64(data->GetResolution()) + 1;
  if (count <= 0 || side < 1 || side * side != count) return EmptySpline();
  if (2 * count > INT32_MAX) return EmptySpline();
  const Int32 n = static_cast<Int32>(side);
  if (bc.GetInt32(O3DPLOTGRID_MODE) == O3DPLOTGRID_MODE_LEVELS)
    return LevelContour(bc, plot, *data, n);
  const Int32 step = std::max(bc.GetInt32(O3DPLOTGRID_STEP, 1), 1);
  const Int32 lines = GridLineCount(n, step);

  SplineObject* spline = SplineObject::Alloc(2 * lines * n, SPLINETYPE::CUBIC);
  if (!spline) return EmptySpline();
  Vector* p = spline->GetPointW();
  PutLines(p, data->GetSamples(), n, step, true);
  PutLines(p, data->GetSamples(), n, step, false);
  if (spline->ResizeObject(-1, 2 * lines) && spline->GetSegmentW()) {
    Segment* seg = spline->GetSegmentW();
    for (Int32 i = 0; i < 2 * lines; ++i) seg[i] = Segment{n, false};
  }
  return spline;
}

Bool ZVPlotGrid::Message(GeListNode* node, Int32 type, void* data) {
  if (type == MSG_ZVPLOT_ESTIMATEMEMORY && data)
    return EstimateGridMemory(static_cast<BaseObject*>(node),
                              static_cast<ZVPlotMemoryEstimate*>(data));
  return SUPER::Message(node, type, data);
}

Bool RegisterZVPlotGrid(BaseBitmap* icon) {
  return RegisterObjectPlugin(
      ID_ZVPLOTGRID, GeLoadString(IDS_ZVPLOTGRID),
      OBJECT_GENERATOR | OBJECT_ISSPLINE | OBJECT_CALL_ADDEXECUTION | PLUGINFLAG_HIDEPLUGINMENU,
      ZVPlotGrid::Alloc, String("o3dplotgrid"), icon, 0);
}
