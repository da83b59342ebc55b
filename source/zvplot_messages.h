// What the plot object publishes to readers outside the module (the runner, the studio, tools):
// one message, answered in the plot's Message, with a plain-data view of its evaluated samples.
// Header-only and dependent on nothing but the host's basic types, so a reader includes this file
// and nothing else of the module.
#pragma once

#include "c4d_basetypes.h"

// One sample: position (x, y, z), then colour (r, g, b).
struct PlotSample {
  Vector position;
  Vector color;
};
static_assert(sizeof(PlotSample) == 48, "a sample is six doubles");

// Sent to a plot object with a ZVPlotSampleView as its data; the plot fills the view and answers
// true. The id is the plot's registered plug-in id, which no other message uses.
constexpr Int32 MSG_ZVPLOT_GETSAMPLES = 1055349;

// A read-only view of the plot's sample set as of its last evaluation. `samples` points into the
// plot's own storage: valid until the plot evaluates again, is changed or is freed; never kept.
// Samples are in x-major order: sample k has x index k / (resolution + 1) and z index
// k % (resolution + 1). A count of 0 means the plot awaits evaluation.
struct ZVPlotSampleView {
  const PlotSample* samples = nullptr;
  Int64 count = 0;
  Int32 resolution = 0;       // R of the last evaluation: (R + 1)^2 samples when complete
  Float valueMin = 0.0;       // the formula's value range over the finite samples
  Float valueMax = 0.0;
  Bool timeDependent = false;  // the formula uses t or f, so it changes with the frame
};
