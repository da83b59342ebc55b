// What the module publishes to readers outside it (the runner, the studio, tools): two messages,
// a plain-data view of the plot's evaluated samples, and what the next evaluation will allocate.
// Header-only and dependent on nothing but the host's basic types, so a reader includes this file
// and nothing else of the module.
#pragma once

#include "ge_math.h"

// The formula's variables, in the order of FormulaVariable: time in seconds, x, z, the
// resolution, the half height and the frame. A letter is a variable where it stands alone: no
// lower-case letter or digit right before or after it.
constexpr char ZVPLOT_FORMULA_VARIABLES[] = "txzhrf";

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
  Int32 resolution = 0;  // R of the last evaluation: (R + 1)^2 samples when complete
  Float valueMin = 0.0;  // the formula's value range over the finite samples
  Float valueMax = 0.0;
  Bool timeDependent = false;  // the formula uses t or f, so it changes with the frame
};

// Sent to any of the module's objects (the plot and its four components) with a
// ZVPlotMemoryEstimate as its data, before an evaluation: the object fills in what its next build
// allocates at most, from its own settings and its plot's, and answers true. Nothing is built or
// changed. The id is the mesh component's registered plug-in id, which no other message uses.
constexpr Int32 MSG_ZVPLOT_ESTIMATEMEMORY = 1055457;

// One object's estimate. A reader adds up the objects' bytes; the counts let it size what it makes
// of the geometry (an export), and `what` names the object's largest part in a message.
struct ZVPlotMemoryEstimate {
  Int64 bytes = 0;       // at most this many bytes: samples, points, polygons, tags, objects
  Int64 points = 0;      // points of the polygon and spline objects it builds
  Int64 polygons = 0;    // their polygons
  Int64 vertices = 0;    // corners told apart: each polygon's own where it has UVWs, else points
  Int64 objects = 0;     // objects it builds (a primitive per sample, a text per label)
  Int32 resolution = 0;  // the plot's resolution the estimate is for
  char what[16] =
      {};  // "samples", "surface", "solid", "markers", "primitives", "grid", "cage", "labels"
};
