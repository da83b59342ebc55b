// The SDK's entry code, compiled into the module: the host calls c4d_main, which forwards to the
// module's PluginStart, PluginEnd and PluginMessage.
#include <cstdint>

#include "c4d.h"

GeResource g_resource;

namespace {
Int32 g_starts = 0;

constexpr Int32 kInitSdk = 1;
constexpr Int32 kStart = 2;
constexpr Int32 kEnd = 3;
constexpr Int32 kQueryVersion = 4;
constexpr Int32 kMessage = 6;
constexpr Int32 kRefusedVersion = -3;
constexpr Int32 kSdkVersion = 5;
}  // namespace

extern "C" __attribute__((visibility("default"))) Int32 c4d_main(Int32 action, void* p1, void* p2,
                                                                 void*) {
  switch (action) {
    case kInitSdk:
      // The version is checked on every call: the library may stay mapped between two hosts.
      if (GetC4DVersion() < API_VERSION_MIN) return kRefusedVersion;
      return 1;
    case kStart:
      ++g_starts;
      return PluginStart() ? 1 : 0;
    case kEnd:
      if (g_starts > 0 && --g_starts == 0) PluginEnd();
      return 1;
    case kQueryVersion: return kSdkVersion;
    case kMessage:
      return PluginMessage(static_cast<Int32>(reinterpret_cast<intptr_t>(p1)), p2) ? 1 : -1;
    default: return 0;
  }
}
