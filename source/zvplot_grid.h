// The grid component: a net of smooth curves through the plot's samples, every step-th row and
// column and always the last one; or, in its level lines mode, the curves along which the surface
// keeps one height, on the surface, on the box's floor or on both (zvplot_levels.h).
#pragma once

#include "zvplot_sdk.h"
#include "zvplot_watch.h"

class ZVPlotGrid : public PluginObjectData {
  INSTANCEOF(ZVPlotGrid, PluginObjectData)

 public:
  static NodeData* Alloc() { return NewObjClear(ZVPlotGrid); }

  Bool Init(GeListNode* node, Bool isCloneInit) override;
  Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
              AliasTrans* trn) const override;
  Bool GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                    DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const override;
  Bool AddToExecution(BaseObject* op, PriorityList* list) override;
  EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                          EXECUTIONFLAGS flags) override;
  void CheckDirty(BaseObject* op, const BaseDocument* doc) override;
  SplineObject* GetContour(BaseObject* op, BaseDocument* doc, Float lod, BaseThread* bt) override;
  Bool Message(GeListNode* node, Int32 type, void* data) override;

  Bool IsUpdatePending() const { return updatePending; }

 private:
  PlotWatch watch;  // the frame, the plot's box and its dirty count of the last dirty check
  Bool updatePending;
};

// Registers the grid object type.
Bool RegisterZVPlotGrid(BaseBitmap* icon);
