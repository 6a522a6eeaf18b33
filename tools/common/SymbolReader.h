// Names the function, source file and line of a place in a module file from
// the module's debug information: natively through binutils' addr2line,
// on Windows (and Wine) through the system's symbol reader, dbghelp. The
// harness's parent process asks it about a crashed child's frames
// (CrashPlace.h); nothing runs in the crashed process itself.
#pragma once

#include "tools/common/CrashPlace.h"

/// What the debug information of `frame`'s module says of its place: the
/// innermost function (an inlined one included), its file and line; or, in
/// `missing`, why nothing is known.
SourcePlace readSourcePlace(const CrashFrame& frame);

/// The crash's place of interest (pickCrashWhere) with the source places looked up.
std::optional<CrashWhere> locateCrash(const std::vector<CrashFrame>& frames);
