// The module's plug-in ids and the execution priorities of its objects.
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
