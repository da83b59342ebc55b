// Parameters of spline objects.
#pragma once

enum {
  SPLINEOBJECT_CLOSED = 1002,
};
