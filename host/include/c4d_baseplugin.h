// Flags every plug-in registration takes.
#pragma once

#include "ge_math.h"

constexpr Int32 PLUGINFLAG_HIDEPLUGINMENU = 1 << 28;
