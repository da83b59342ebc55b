// Gradients written as text: a knot list or one of a few named gradients.
//
//   0:#0000ff,0.5:#00ff00,1:#ff0000    knots as POSITION:COLOUR, position 0 ... 1
//   0:#000000@0.3,1:#ffffff            a knot's bias after @ (0 ... 1, default 0.5) moves the
//                                      middle of the blend towards the next knot
//   viridis, magma, coolwarm, grey, rgb (the plot's own default)
#pragma once

#include <string>
#include <vector>

#include "c4d.h"

namespace zvapp {

// Of a gradient, read from any text or scene file. The text of this many knots, at most 54
// characters each, fits one command-line argument (128 KB) and one string of the studio's actions.
inline constexpr size_t kMaxGradientKnots = 1000;

// The gradient the text describes: knots of full brightness with the host's smooth interpolation,
// as the plot's default gradient has them. False with a message (the first knot that is wrong and
// why, or the names of gradients near a mistyped name).
bool ParseGradient(const std::string& text, Gradient* out, std::string* error);

const std::vector<std::string>& GradientNames();

// The gradient as a knot list ParseGradient reads back: positions in their shortest form, colours
// rounded to #rrggbb, a bias after @ when it is not 0.5 (brightness and interpolation are not
// written).
std::string GradientText(const Gradient& gradient);

}  // namespace zvapp
