// The labels component: extruded text objects for the axis values and the formula legend, inserted
// as real scene objects below the component and found again by their names.
#pragma once

#include "zvplot_sdk.h"
#include "o3dplotlabel.h"
#include "zvplot_watch.h"

// Which label objects an operation concerns.
enum LabelGroup : Int32 {
  LABELGROUP_ALL = 0,
  LABELGROUP_HORIZONTAL = 1,
  LABELGROUP_VERTICAL = 2,
  LABELGROUP_LEGEND = 4,
};

// Name prefixes of the axis labels (the index and "_" follow) and the name of the legend.
constexpr const char* kHorizontalLabelPrefix = "_3dPlotHLabel";
constexpr const char* kVerticalLabelPrefix = "_3dPlotVLabel";
constexpr const char* kLegendName = "_3dPlotLegend_";
constexpr Int32 kAxisLabelCount = 6;

class ZVPlotLabels : public PluginObjectData {
  INSTANCEOF(ZVPlotLabels, PluginObjectData)

 public:
  static NodeData* Alloc() { return NewObjClear(ZVPlotLabels); }

  Bool Init(GeListNode* node, Bool isCloneInit) override;
  void Free(GeListNode* node) override;
  Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
              AliasTrans* trn) const override;
  Bool Message(GeListNode* node, Int32 type, void* data) override;
  Bool GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                    DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const override;
  Bool AddToExecution(BaseObject* op, PriorityList* list) override;
  EXECUTIONRESULT Execute(BaseObject* op, BaseDocument* doc, BaseThread* bt, Int32 priority,
                          EXECUTIONFLAGS flags) override;
  BaseObject* GetVirtualObjects(BaseObject* op, const HierarchyHelp* hh) override;

  // Writes every default of the parameters into `bc`, the font excepted.
  static void SetDefaults(BaseContainer* bc);
  // Deletes and re-creates the label objects of `group` below `op`. Does nothing without a plot
  // with its plug-in instance, or while `op` is disabled.
  static void BuildLabels(BaseDocument* doc, BaseObject* op, const BaseContainer* bc,
                          BaseObject* plot, LabelGroup group);
  // Shows or hides existing label objects of `group` without rebuilding them; `axes` is the
  // O3DPLOTLABEL_AXES choice the axis groups follow when shown.
  static void SetLabelVisibility(BaseObject* op, BaseDocument* doc, LabelGroup group, Int32 axes,
                                 Bool hide);
  // Stores the preferred label font (the host's default font when it is not installed) in
  // O3DPLOTLABEL_FONT; false when nothing was stored.
  static Bool ChooseDefaultFont(BaseContainer* bc);
  static void SetupLabelText(BaseObject* text, Float height, Int32 alignment, const FontData* font,
                             const String& str);
  static void PlaceLabelObject(BaseObject* label, Float depth, const Vector& pos, const Vector& rot,
                               const Vector& color);
  // Changes the existing legend in place after the parameter `id` changed (show flag, offset or
  // orientation).
  static void UpdateLegend(BaseObject* op, BaseDocument* doc, Int32 id);

  const PlotWatch& GetWatch() const { return watch; }

 private:
  void ParameterChanged(BaseObject* op, Int32 id);
  void CommandPressed(BaseObject* op, Int32 id);
  void EnabledChanged(BaseObject* op);

  PlotWatch watch;  // the plot's dirty count of the last step
};

// Registers the labels component type.
Bool RegisterZVPlotLabels(BaseBitmap* icon);
