// How a person starts this very harness again, for the commands the harness
// suggests (fuzz's replay and show lines): the native build by its name;
// the Windows build by its path, and under Wine through the kit's Wine
// runner, since a native corvane-host refuses a DLL. Used by the fuzzer.
#pragma once

#include <string>

/// "corvane-host" natively; "corvane-wine /kit/bin/corvane-host.exe" under
/// Wine; the program's path on Windows.
std::string harnessCommand();

/// Under Wine, a second way for a source tree without the kit:
/// "scripts/wine-run.sh PREFIX /path/corvane-host.exe"; else empty.
std::string harnessCommandInSourceTree();
