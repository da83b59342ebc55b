// The host's threads as plug-ins see them.
#pragma once

#include "ge_math.h"

class BaseThread;

// How many workers the host's parallel loops use (at least 1).
Int32 GeGetCurrentThreadCount();
