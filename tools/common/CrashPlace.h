// Where a crash happened: the module and offset of the faulting instruction
// and of a few callers, as the crashing child tells them to its parent on
// the control channel ("frame 0x1a2b fault /path/module" lines, the faulting
// one first: CrashTelling.h), and what the parent makes of them for its
// reports. The parent reads the lines back (ControlChannel.h), looks up
// function, file and line (SymbolReader.h) and words them here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The marker before each frame: "frame OFFSET MODULE", OFFSET in hex.
constexpr const char* crashFrameMarker = "frame";

struct CrashFrame {
    std::string module;        // the module file's path as the child's system names it; empty when none holds it
    std::uint64_t offset = 0;  // from the module's start; the address itself when no module holds it
    bool returnAddress = false;  // a caller's frame: the offset is where its call returns to
};

/// The frame a "frame ..." marker holds (the text after the marker and its space).
std::optional<CrashFrame> parseCrashFrame(std::string_view text);

/// Function, file and line of a place in a module, as its debug information has them.
struct SourcePlace {
    std::string function;
    std::string file;
    int line = 0;
    /// Why there is no function, when there is none: "no debug information
    /// for it", "addr2line is not installed", ...
    std::string missing;
};

/// The place of interest of a crash: the faulting frame and, when that is
/// in a system library (the C library's memcpy, msvcrt), the innermost
/// frame outside them, the caller that handed it what made it fault.
struct CrashWhere {
    CrashFrame frame;
    SourcePlace source;
    std::optional<CrashFrame> caller;
    SourcePlace callerSource;
};

/// True for a module of the system's own libraries (/lib, /usr/lib; the
/// Windows folder), as opposed to the plug-in, its own libraries or the harness.
bool isSystemModule(const std::string& module);

/// The frame of the fault and, when that is in a system module, the
/// innermost one outside them; without their source places.
std::optional<CrashWhere> pickCrashWhere(const std::vector<CrashFrame>& frames);

/// "at test_plugin.so+0x1a2b in TestObject::setPin(...) test_plugin.cpp:88",
/// with ", called from ..." for the caller; module and file by their names only.
std::string whereWords(const CrashWhere& where);
/// {"module":"/path/test_plugin.so","offset":"0x1a2b","function":...,"file":...,"line":88,
///  "caller":{...}}: what is known, the paths whole.
std::string whereJson(const CrashWhere& where);
