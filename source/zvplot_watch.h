// What a component last saw of its plot, so that its checks rebuild only on a change.
#pragma once

#include "zvplot_sdk.h"

// Every field starts at a value no real plot has, so that the first check always sees a change.
struct PlotWatch {
  Int32 frame = LIMIT<Int32>::MIN;
  Float height = -1.0;
  Float size = -1.0;
  UInt32 dirty = 0;  // the plot's data dirty count

  // Each takes the plot's present value and answers whether it differs from the one last taken.
  // The box compares the height and size (a NaN always differs); the dirty count moves whenever
  // the plot has new samples.
  Bool TakeFrame(Int32 now);
  Bool TakeBox(const BaseObject* plot);
  Bool TakeDirty(const BaseObject* plot);
};
