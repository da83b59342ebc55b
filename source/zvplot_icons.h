// The icons of the module's five object types, cut from one strip.
#pragma once

#include "zvplot_sdk.h"

// Icon slots: 0 plot, 1 mesh, 2 grid, 3 cage, 4 labels; slot 5 stays empty.
constexpr Int32 ICON_COUNT = 6;
BaseBitmap* GetPlotIcon(Int32 slot);
// Loads "res/3dPlot.tif" and cuts it into the icons; false when there is no usable strip.
Bool RegisterPlotIcon();
void FreePlotIcons();
