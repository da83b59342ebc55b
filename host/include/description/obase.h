// Parameters of every object: its description's own tab and the display colour modes.
#pragma once

enum {
  ID_OBJECTPROPERTIES = 802,
  ID_BASEOBJECT_USECOLOR_OFF = 0,
  ID_BASEOBJECT_USECOLOR_AUTOMATIC = 1,
  ID_BASEOBJECT_USECOLOR_ALWAYS = 2,
  ID_BASEOBJECT_USECOLOR_LAYER = 3,
};
