// Lets time pass as a host's GUI thread does: the plug-in's timers fire and
// its windows get their messages. Used by the session player, the window
// steps and the validator's checks whenever they wait.
#pragma once

/// Waits `ms` milliseconds. On Windows it dispatches the calling thread's
/// messages meanwhile, so the plug-in's thread timers fire; elsewhere, with
/// no message loop, it fires the loaded module's framework timers through
/// its native timer entry (tools/hosting/ModuleTimers.h) on the same beat.
void pumpMessagesFor(int ms);
