// What a plug-in says on the platform's debug-output channel, heard by the
// harness as a debugger would: on Windows each OutputDebugString (caught by a
// vectored handler as the exception the system raises for it), natively the
// lines the framework writes to the descriptor named by CORVANE_DEBUG_OUTPUT_FD
// (platform/DebugOutput.h). The framework says there each exception its
// boundary guard caught ("notifyPin(3): an exception left the module's
// callback: std::invalid_argument: stoi"), so the session player and the
// validator's checks take what was said after each call they make and report
// it as the plug-in's failure.
//
// The channel belongs to the process (an environment variable, a vectored
// handler), so listening is process-wide too: listen() once before the
// library is loaded, then take() from the one thread that drives the object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pluginDebugOutput {

/// Starts listening; again is harmless.
void listen();
/// The lines said since the last take, oldest first, without line ends.
std::vector<std::string> take();

/// The words for one line the framework said when the host's call `call`
/// ("notifyPin") answered `answer`: "notifyPin(3) answered ResultFail: an
/// exception left ..." when the line names that call, else the line as said.
std::string afterCall(const std::string& line, const std::string& call, std::int32_t answer);

}  // namespace pluginDebugOutput
