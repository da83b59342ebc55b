// Parameters of the pyramid primitive.
#pragma once

enum {
  PRIM_PYRAMID_LEN = 1220,
};
