// Where a sample's height falls on the plot's colour gradient, under each rule of
// O3DPLOT_COLORRANGE.
#pragma once

#include "zvplot_sdk.h"
#include "zvplot_messages.h"

// The "Values" rule of the evaluation: a value of -halfHeight or below takes the gradient's
// start, +halfHeight or above its end (with `absolute`, 0 the start and |halfHeight| the end).
Float GradientPosition(Float value, Float halfHeight, Bool absolute);

// The heights that take the gradient's two ends under the "Plot Box" and "Data" rules. The
// evaluation and the recolouring both colour through here, so touching the gradient gives the
// colours an evaluation gives, bit for bit.
struct GradientSpan {
  Float low = 0.0;
  Float high = 0.0;

  // The plot box, -halfHeight ... +halfHeight; empty when the box has no height.
  static GradientSpan Box(Float halfHeight);
  // The lowest ... highest finite height: a hole or a pole has no place in the range.
  static GradientSpan Data(const PlotSample* samples, Int64 count);
  // The span of the O3DPLOT_COLORRANGE choice (not for "Values", which has no span).
  static GradientSpan Of(Int32 colorRange, const PlotSample* samples, Int64 count,
                         Float halfHeight);

  // 0 ... 1 along the span; with `absolute` the magnitude over 0 ... the larger end's magnitude.
  // A span of no length puts every height in the middle, and with `absolute` a span that reaches
  // no further than 0 puts every height at the start.
  Float Position(Float height, Bool absolute) const;
};

// Gives every sample the gradient's colour at its height's position on the span.
void ColourByHeight(PlotSample* samples, Int64 count, const GradientSpan& span, Bool absolute,
                    const PreparedGradient& gradient);
