// Parameters of the text spline object.
#pragma once

enum {
  PRIM_TEXT_TEXT = 2111,
  PRIM_TEXT_ALIGN = 2112,
  PRIM_TEXT_HEIGHT = 2115,
  PRIM_TEXT_FONT = 2117,
  PRIM_TEXT_ALIGN_LEFT = 0,
  PRIM_TEXT_ALIGN_MIDDLE = 1,
  PRIM_TEXT_ALIGN_RIGHT = 2,
};
