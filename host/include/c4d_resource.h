// The module's resource: its string table and descriptions, read from its "res" folder.
#pragma once

#include "c4d_string.h"

class GeResource {
 public:
  Bool Init();
};
extern GeResource g_resource;

// A text of the module's string table; empty when the module's resource is not initialised.
String GeLoadString(Int32 id);
