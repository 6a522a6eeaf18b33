// Keeps every process a child of the harness starts within the harness's
// reach, natively: the harness adopts the orphans of its descendants (a
// child subreaper), so a plug-in's process that left its process group, or
// whose parent ended, is still found by walking the harness's descendants;
// and the harness ended by SIGTERM, SIGINT or SIGHUP ends them all before
// it goes. Only the harness's own descendants are touched, so harnesses run
// side by side (ctest -j) leave each other alone. Called by the POSIX child
// runner, and by main once for the top-level harness. Nothing on Windows,
// where each child's job object holds what it starts.
#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

/// Makes this process adopt its descendants' orphans and end all its
/// descendants when a terminating signal ends it. For the top-level harness.
void containChildProcesses();

#ifndef _WIN32
/// Registers a child this process is watching, while it runs: the ends of
/// other children leave it alone.
void watchChild(pid_t child);
void unwatchChild(pid_t child);

/// Ends `child` (which has ended, unreaped, or is to be ended), its process
/// group and every process descended from it, and every orphan this process
/// adopted that no watched child owns. Safe in a signal handler.
void endChildAndDescendants(pid_t child);
#endif
