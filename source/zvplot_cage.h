// The cage component: a wire box around the plotted volume, with optional levels and sections.
#pragma once

#include "zvplot_sdk.h"

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

  Int32 GetLastFrame() const { return lastFrame; }
  Float GetLastHeight() const { return lastHeight; }
  Float GetLastSize() const { return lastSize; }

 private:
  Int32 lastFrame;
  Float lastHeight;
  Float lastSize;
};

// Reads the plot's height and size; when either differs from the remembered value (a NaN always
// does), stores both and returns true. Shared by the cage's and the grid's dirty checks.
Bool TakePlotBox(const BaseObject* plot, Float& lastHeight, Float& lastSize);

// Registers the cage object type.
Bool RegisterZVPlotCage(BaseBitmap* icon);
