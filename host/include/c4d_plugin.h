// A module's entry points and the actions of the entry code's c4d_main: initialise the SDK
// (C4DPL_INIT_SYS, which is also the first message, "the system is up"), start, end, ask which
// entry protocol the module speaks, and deliver a message. Its answers: the protocol version, and
// the refusal of a host below the interface version the module was built for.
#pragma once

#include "ge_math.h"

constexpr Int32 C4DPL_INIT_SYS = 1;
constexpr Int32 C4DPL_INIT = 2;
constexpr Int32 C4DPL_END = 3;
constexpr Int32 C4DPL_INIT_VERSION = 4;
constexpr Int32 C4DPL_MESSAGE = 6;
constexpr Int32 C4DPL_VERSION = 5;
constexpr Int32 C4DPL_ERROR_VERSION = -3;

// The earliest host interface version the entry code accepts.
constexpr Int32 API_VERSION_MIN = 2023000;

// Entry points the module provides (called by the SDK's entry code).
Bool PluginStart();
void PluginEnd();
Bool PluginMessage(Int32 id, void* data);
