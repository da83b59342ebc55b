// Parameters of the sphere primitive.
#pragma once

enum {
  PRIM_SPHERE_RAD = 1110,
  PRIM_SPHERE_SUB = 1111,
};
