// The loaded module's framework timers when the harness runs natively: with
// no thread message loop to fire them, the harness calls the library's
// CorvaneFireDueTimers (interfaces/NativeTimerEntry.h) while it waits.
// HostedPlugin::open adopts the entry of the library it loads; the session's
// message pump (pumpMessagesFor) fires through it. On Windows the system's
// thread timers fire through the message loop, and nothing here is used.
// The harness's one thread only.
#pragma once

#include <cstdint>

#include "tools/hosting/PluginLibrary.h"

namespace moduleTimers {

/// Takes `library`'s timer entry as the one to fire; a library without it
/// leaves none (its timers never fire natively). Natively only.
void adopt(const PluginLibrary& library);

/// Fires the module's due timers; answers the milliseconds until the next is
/// due, or -1 when none is set or there is no entry.
std::int32_t fireDue();

}  // namespace moduleTimers
