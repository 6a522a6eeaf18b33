// Brings a sanitizer runtime into corvane-host for a module built with
// sanitizers (CORVANE_SANITIZE). Such a library needs the runtime of the
// compiler that built it, and AddressSanitizer's must be in the process before
// anything else is loaded: so when the library asks for a runtime this
// process does not have, the harness starts itself again with the runtime
// preloaded (LD_PRELOAD) and with options under which a report ends the
// process at once. Its children inherit both, and their reports are read
// back as crashes of their sessions (tools/common/SanitizerReports.h).
// Called by main before any command runs. Native only.
#pragma once

#include <string>

/// Starts this program again (same arguments `argv`) when the library at
/// `libraryPath` needs a sanitizer runtime this process lacks; returns when
/// it needs none, when the process has one already (a harness built with
/// sanitizers, or already started again), and on Windows. Throws HostError
/// when the program cannot be started again.
void provideSanitizerRuntime(const std::string& libraryPath, char** argv);
