// Parameters of the cube primitive.
#pragma once

enum {
  PRIM_CUBE_LEN = 1100,
  PRIM_CUBE_SUBX = 1102,
  PRIM_CUBE_SUBY = 1103,
  PRIM_CUBE_SUBZ = 1104,
};
