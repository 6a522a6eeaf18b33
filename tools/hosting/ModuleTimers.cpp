#include "tools/hosting/ModuleTimers.h"

#include "interfaces/NativeTimerEntry.h"

namespace moduleTimers {
namespace {

// The harness loads one library per process and keeps it mapped until it
// exits (HostedPlugin::open), so the entry stays valid once adopted.
NativeTimerEntryFunction entry = nullptr;

}  // namespace

void adopt(const PluginLibrary& library) {
#ifdef _WIN32
    (void)library;
#else
    entry = reinterpret_cast<NativeTimerEntryFunction>(library.symbol(nativeTimerEntryName));
#endif
}

std::int32_t fireDue() { return entry != nullptr ? entry() : -1; }

}  // namespace moduleTimers
