// Icons and the hierarchy functions every component uses to find its plot and its siblings.
#pragma once

#include "zvplot_sdk.h"

constexpr Int32 ID_ZVPLOT = 1055349;
constexpr Int32 ID_ZVPLOTMESH = 1055457;
constexpr Int32 ID_ZVPLOTGRID = 1055458;
constexpr Int32 ID_ZVPLOTCAGE = 1055484;
constexpr Int32 ID_ZVPLOTLABELS = 1055514;

// Execution priorities, in the order the steps run in every scene evaluation: the plot samples
// first, and each component reads the samples after it.
constexpr Int32 PRIORITY_ZVPLOT = EXECUTIONPRIORITY_GENERATOR;  // 5000
constexpr Int32 PRIORITY_ZVPLOT_SPLINES = PRIORITY_ZVPLOT + 2;  // the cage and the grid
constexpr Int32 PRIORITY_ZVPLOTMESH = PRIORITY_ZVPLOT + 10;
constexpr Int32 PRIORITY_ZVPLOTLABELS = PRIORITY_ZVPLOT + 20;

// Icon slots: 0 plot, 1 mesh, 2 grid, 3 cage, 4 labels; slot 5 stays empty.
constexpr Int32 ICON_COUNT = 6;
BaseBitmap* GetPlotIcon(Int32 slot);
// Loads "res/3dPlot.tif" and cuts it into the icons; false when there is no usable strip.
Bool RegisterPlotIcon();
void FreePlotIcons();

// The nearest ancestor of `op` that is a plot (the object itself is not tested).
BaseObject* FindParentPlot(BaseObject* op);
// The first descendant of `op` of the type, in depth-first pre-order, inside op's subtree only.
BaseObject* FindChildOfType(BaseObject* op, Int32 type);
// `op` itself or the first of its descendants whose name equals `name`.
BaseObject* FindObjectByName(BaseObject* op, const String& name);
// The next object after `op` in depth-first pre-order, never leaving the subtree of `root`.
BaseObject* NextInHierarchy(BaseObject* op, BaseObject* root);
