// The SDK's entry code, compiled into the module: the host calls c4d_main, which forwards to the
// module's PluginStart, PluginEnd and PluginMessage.
#include <cstdint>

#include "c4d.h"

GeResource g_resource;

namespace {
Int32 g_starts = 0;
}  // namespace

extern "C" __attribute__((visibility("default"))) Int32 c4d_main(Int32 action, void* p1, void* p2,
                                                                 void*) {
  switch (action) {
    case C4DPL_INIT_SYS:
      // The version is checked on every call: the library may stay mapped between two hosts.
      if (GetC4DVersion() < API_VERSION_MIN) return C4DPL_ERROR_VERSION;
      return 1;
    case C4DPL_INIT:
      ++g_starts;
      return PluginStart() ? 1 : 0;
    case C4DPL_END:
      if (g_starts > 0 && --g_starts == 0) PluginEnd();
      return 1;
    case C4DPL_INIT_VERSION:
      return C4DPL_VERSION;
    case C4DPL_MESSAGE:
      return PluginMessage(static_cast<Int32>(reinterpret_cast<intptr_t>(p1)), p2) ? 1 : -1;
    default:
      return 0;
  }
}
