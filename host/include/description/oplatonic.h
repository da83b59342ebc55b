// Parameters of the platonic primitive.
#pragma once

enum {
  PRIM_PLATONIC_RAD = 1120,
  PRIM_PLATONIC_TYPE = 1122,
  PRIM_PLATONIC_TYPE_ICOSA = 4,
};
