#include "zvplot_gradient.h"

#include <cmath>

#include "o3dplot.h"

namespace {

// A NaN position is passed on: the host samples the gradient's start for it, and the colour of a
// hole is never seen.
Float ClampUnit(Float p) {
  if (p < 0.0) p = 0.0;
  if (p > 1.0) p = 1.0;
  return p;
}

}  // namespace

Float GradientPosition(Float value, Float halfHeight, Bool absolute) {
  if (absolute) return ClampUnit(halfHeight > 0.0 ? std::fabs(value) / halfHeight : 0.0);
  return ClampUnit(halfHeight > 0.0 ? (value + halfHeight) / (2.0 * halfHeight) : 0.5);
}

GradientSpan GradientSpan::Box(Float halfHeight) {
  return halfHeight > 0.0 ? GradientSpan{-halfHeight, halfHeight} : GradientSpan{};
}

GradientSpan GradientSpan::Data(const PlotSample* samples, Int64 count) {
  Float low = MAXVALUE_FLOAT;
  Float high = -MAXVALUE_FLOAT;
  for (Int64 k = 0; k < count; ++k) {
    const Float y = samples[k].position.y;
    if (!std::isfinite(y)) continue;
    if (y < low) low = y;
    if (y > high) high = y;
  }
  return low <= high ? GradientSpan{low, high} : GradientSpan{};
}

GradientSpan GradientSpan::Of(Int32 colorRange, const PlotSample* samples, Int64 count,
                              Float halfHeight) {
  return colorRange == O3DPLOT_COLORRANGE_DATA ? Data(samples, count) : Box(halfHeight);
}

// The ends map exactly: the lowest height to 0 and the highest to 1.
Float GradientSpan::Position(Float height, Bool absolute) const {
  if (absolute) {
    const Float largest = std::fmax(std::fabs(low), std::fabs(high));
    return ClampUnit(largest > 0.0 ? std::fabs(height) / largest : 0.0);
  }
  return ClampUnit(high > low ? (height - low) / (high - low) : 0.5);
}

void ColourByHeight(PlotSample* samples, Int64 count, const GradientSpan& span, Bool absolute,
                    const PreparedGradient& gradient) {
  for (Int64 k = 0; k < count; ++k)
    samples[k].color = gradient.Colour(span.Position(samples[k].position.y, absolute));
}
