// Names for how a process crashed, as the harness reports them: a signal
// natively, an exception code on Windows. And the child's side of a crash:
// ending at once, quietly, so the parent can name it. Used by the child
// runners and by the harness's child commands.
#pragma once

#include <string>

/// The name of a Windows exception code ("access violation"), or empty.
std::string exceptionName(unsigned long code);

/// "signal 11 (Segmentation fault)".
std::string signalEnding(int signal, std::string& name);
/// "exception 0xC0000005 (access violation)".
std::string exceptionEnding(unsigned long code, std::string& name);

/// Makes a crash of this process end it at once with the fault as its
/// status, without a debugger, error dialog or crash dump (Windows), having
/// told a watching parent where it happened (CrashTelling.h; natively too).
void endQuietlyOnCrash();
