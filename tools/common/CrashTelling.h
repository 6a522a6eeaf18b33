// The crashing child's side of naming where a crash happened: at the crash
// itself, in a signal handler or the first-chance fault handler
// (CrashNames.cpp), it reads only the fault's context and the loaded modules
// and writes one "frame" marker per frame to its parent on the control
// channel (CrashPlace.h has the format), without allocating.
#pragma once

/// The child's side: makes a crash of this process tell its parent where,
/// on the control channel, before it ends as it would have. Natively a
/// handler of the fatal signals on a stack of its own, left out when a
/// sanitizer runtime is in the process (it reports the place itself); on
/// Windows nothing (the first-chance handler calls tellParentCrashFrames).
void tellParentWhereOnCrash();

#ifdef _WIN32
/// The Windows child's side, from the ending path of its fault handler:
/// `pointers` is the handler's EXCEPTION_POINTERS.
void tellParentCrashFrames(const void* pointers);
#endif
