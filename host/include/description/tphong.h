// Parameters of the phong tag.
#pragma once

enum {
  PHONGTAG_PHONG_ANGLELIMIT = 1001,
  PHONGTAG_PHONG_ANGLE = 1002,
};
