// Colour gradients of the host's framework: a knot, and a gradient made ready for sampling.
#pragma once

#include <memory>
#include <vector>

#include "ge_math.h"

class Gradient;

namespace maxon {

enum class GRADIENT_INTERPOLATION_TYPE {
  INVALID = -1,
  CUBICKNOT = 0,
  CUBICBIAS = 1,
  SMOOTHKNOT = 2,
  LINEARKNOT = 3,
  NONE = 5,
  EXP_UP = 6,
  EXP_DOWN = 7,
  BLEND = 8,
};

// A knot of a gradient: its colour, brightness, position, bias towards the next knot and the
// interpolation towards it.
struct GradientKnot {
  Color col = Color(1.0);
  Float brightness = 1.0;
  Float pos = 0.0;
  Float bias = 0.5;
  Int32 index = 0;
  GRADIENT_INTERPOLATION_TYPE interpolation = GRADIENT_INTERPOLATION_TYPE::SMOOTHKNOT;
  // The stand-in host's own comparison.
  Bool operator==(const GradientKnot& o) const {
    return col == o.col && brightness == o.brightness && pos == o.pos && bias == o.bias &&
           index == o.index && interpolation == o.interpolation;
  }
};

// A gradient prepared for sampling: its knots in order of position. A copy shares the knots; its
// colours may be read from any thread.
class GradientRenderData {
 public:
  GradientRenderData() = default;
  // The colour at `pos` (clamped to 0 ... 1; a NaN takes the start), knot brightness applied.
  Color CalcGradientPixel(Float pos) const;

 private:
  friend class ::Gradient;
  std::shared_ptr<const std::vector<GradientKnot>> knots_;
};

}  // namespace maxon
