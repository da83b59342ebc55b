// What the module's objects allocate when they are next built, for MSG_ZVPLOT_ESTIMATEMEMORY: a
// reader refuses an evaluation that would not fit in memory before anything is built. Each estimate
// is an upper bound, from the object's settings and its plot's, and includes what the host keeps
// for each object the module asks it for (containers, tags, the previous cache while the next one
// is built).
#pragma once

#include "zvplot_sdk.h"
#include "zvplot_messages.h"

// Each fills *out for the object `op` and answers true (for the message's return value).
Bool EstimatePlotMemory(BaseObject* op, ZVPlotMemoryEstimate* out);
Bool EstimateMeshMemory(BaseObject* op, ZVPlotMemoryEstimate* out);
Bool EstimateGridMemory(BaseObject* op, ZVPlotMemoryEstimate* out);
Bool EstimateCageMemory(BaseObject* op, ZVPlotMemoryEstimate* out);
Bool EstimateLabelsMemory(BaseObject* op, ZVPlotMemoryEstimate* out);
