// Whose a hardware fault is, decided at first chance, before any handler of
// the faulting thread runs: the plug-in's own (it catches the fault itself and
// goes on), or one that reaches the harness's frames or a system handler that
// would swallow it (window dispatch, system callbacks, the loader). Asked by
// the child's first-chance fault handler (CrashNames.cpp); Windows only.
#pragma once

#ifdef _WIN32

struct _EXCEPTION_POINTERS;

/// True when a handler of the faulting code will take the fault before it
/// reaches a frame of this program or a system handler above a plug-in
/// frame: a __try/__except scope of the plug-in whose filter accepts it, or a
/// guarded system function the plug-in called (IsBadReadPtr). Walks the
/// thread's stack from the fault; a scope's filter function is called here,
/// so it runs twice. False whenever the walk cannot tell.
bool faultIsHandledBelowTheHost(_EXCEPTION_POINTERS* fault);

#endif
