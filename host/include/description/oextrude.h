// Parameters of the extrude object.
#pragma once

enum {
  EXTRUDEOBJECT_MOVE = 1002,
};
