// The cage component: a wire box around the plotted volume, with optional levels and sections.
#pragma once

#include "zvplot_sdk.h"
#include "zvplot_watch.h"

class ZVPlotCage : public PluginObjectData {
  INSTANCEOF(ZVPlotCage, PluginObjectData)

 public:
  static NodeData* Alloc() { return NewObjClear(ZVPlotCage); }

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

  const PlotWatch& GetWatch() const { return watch; }

 private:
  PlotWatch watch;  // the frame and the plot's box of the last dirty check
};

// Registers the cage object type.
Bool RegisterZVPlotCage(BaseBitmap* icon);
