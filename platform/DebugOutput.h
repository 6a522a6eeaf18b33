// The platform's debug-output channel: where the framework says what a host
// would otherwise never hear of, such as an exception its boundary guard
// caught. On Windows it is OutputDebugStringW, which a debugger (or a harness
// watching for it) shows and which costs a host without one nothing. Off
// Windows there is no such channel, so a watching host names a descriptor in
// the environment variable CORVANE_DEBUG_OUTPUT_FD and each message arrives
// there as one line; without it nothing is written. Called by the boundary
// guards of factory/ and gui/.
#pragma once

#include <string_view>

/// The environment variable that names the native channel's descriptor.
inline constexpr const char* debugOutputVariable = "CORVANE_DEBUG_OUTPUT_FD";

/// Says `text` (UTF-8, one line: line breaks become spaces) on the channel.
/// Never throws and never blocks: a message the channel cannot take now is lost.
void sayOnDebugOutput(std::string_view text) noexcept;
