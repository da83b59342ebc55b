// The module's entry points: start, end and the host's messages.
#include "zvplot_sdk.h"
#include "zvplot.h"
#include "zvplot_icons.h"

Bool RegisterZVPlotMesh(BaseBitmap* icon);
Bool RegisterZVPlotGrid(BaseBitmap* icon);
Bool RegisterZVPlotCage(BaseBitmap* icon);
Bool RegisterZVPlotLabels(BaseBitmap* icon);

ZVPLOT_ENTRY_BEGIN

Bool PluginStart() {
  // Registration results are not checked: a type the host refuses is simply missing.
  RegisterZVPlot(GetPlotIcon(0));
  RegisterZVPlotMesh(GetPlotIcon(1));
  RegisterZVPlotGrid(GetPlotIcon(2));
  RegisterZVPlotCage(GetPlotIcon(3));
  RegisterZVPlotLabels(GetPlotIcon(4));
  return true;
}

void PluginEnd() { FreePlotIcons(); }

Bool PluginMessage(Int32 id, void*) {
  if (id == C4DPL_INIT_SYS && g_resource.Init()) RegisterPlotIcon();
  return false;
}

ZVPLOT_ENTRY_END
