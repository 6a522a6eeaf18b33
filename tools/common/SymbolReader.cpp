#include "tools/common/SymbolReader.h"

#include <charconv>

#include "tools/common/HostText.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <dbghelp.h>
#else
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tools/common/ChildProcess.h"
#endif

namespace {

/// Where a return address's call is: the byte before it.
std::uint64_t callSite(const CrashFrame& frame) { return frame.offset - (frame.returnAddress && frame.offset > 0 ? 1 : 0); }

}  // namespace

#ifdef _WIN32

SourcePlace readSourcePlace(const CrashFrame& frame) {
    SourcePlace place;
    const std::optional<std::u16string> wide = utf8ToUtf16(frame.module);
    // A symbol session of this process's own, for the module file alone: no
    // module of this process is looked at.
    const HANDLE session = GetCurrentProcess();
    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_LOAD_LINES | SYMOPT_FAIL_CRITICAL_ERRORS | SYMOPT_NO_PROMPTS);
    if (!wide || !SymInitializeW(session, nullptr, FALSE)) {
        place.missing = "the system's symbol reader did not start";
        return place;
    }
    const DWORD64 base = SymLoadModuleExW(session, nullptr, reinterpret_cast<PCWSTR>(wide->c_str()), nullptr, 0, 0, nullptr, 0);
    if (base == 0) {
        place.missing = "the system's symbol reader cannot read the module file";
        SymCleanup(session);
        return place;
    }
    const DWORD64 address = base + callSite(frame);
    alignas(SYMBOL_INFOW) char buffer[sizeof(SYMBOL_INFOW) + 512 * sizeof(wchar_t)] = {};
    auto* symbol = reinterpret_cast<SYMBOL_INFOW*>(buffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFOW);
    symbol->MaxNameLen = 511;
    DWORD64 displacement = 0;
    if (SymFromAddrW(session, address, &displacement, symbol) && symbol->NameLen > 0)
        place.function = utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(symbol->Name), symbol->NameLen));
    IMAGEHLP_LINEW64 line{};
    line.SizeOfStruct = sizeof line;
    DWORD lineDisplacement = 0;
    if (SymGetLineFromAddrW64(session, address, &lineDisplacement, &line) && line.FileName != nullptr) {
        place.file = utf16ToUtf8(reinterpret_cast<const char16_t*>(line.FileName));
        place.line = static_cast<int>(line.LineNumber);
    }
    // Only the debug information is trusted: a module's export table alone
    // names the nearest export before the place, often another function.
    if (place.file.empty()) place.function.clear();
    if (place.file.empty()) place.missing = "the system's symbol reader found no debug information for it";
    SymUnloadModule64(session, base);
    SymCleanup(session);
    return place;
}

#else

namespace {

/// addr2line's path, from PATH; empty when it is not installed.
std::string findAddr2line() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/addr2line";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

}  // namespace

SourcePlace readSourcePlace(const CrashFrame& frame) {
    SourcePlace place;
    const std::string tool = findAddr2line();
    if (tool.empty()) {
        place.missing = "addr2line is not installed (binutils)";
        return place;
    }
    char offset[24] = "0x";
    *std::to_chars(offset + 2, offset + sizeof offset - 1, callSite(frame), 16).ptr = '\0';
    ChildOptions options;
    options.timeoutSeconds = 20;
    // Function and place, the innermost first when calls were inlined; its
    // first two lines are the innermost.
    const ChildOutcome outcome = runProgram(tool, {"-f", "-C", "-i", "-e", frame.module, offset}, options);
    std::istringstream lines(outcome.output);
    std::string function;
    std::string where;
    if (!outcome.exited || outcome.exitCode != 0 || !std::getline(lines, function) || !std::getline(lines, where)) {
        place.missing = "addr2line cannot read the module file";
        return place;
    }
    // "/src/x.cpp:88", "/src/x.cpp:88 (discriminator 2)"; "??:0" or "x.cpp:?"
    // without debug information.
    const std::size_t discriminator = where.find(" (");
    if (discriminator != std::string::npos) where.erase(discriminator);
    const std::size_t colon = where.rfind(':');
    int line = 0;
    if (colon != std::string::npos) std::from_chars(where.data() + colon + 1, where.data() + where.size(), line);
    // Only the debug information is trusted: without it, addr2line names
    // the nearest symbol before the place, often another function altogether.
    if (line > 0 && where.compare(0, colon, "??") != 0) {
        place.file = std::filesystem::path(where.substr(0, colon)).lexically_normal().string();
        place.line = line;
        if (function != "??") place.function = function;
    }
    if (place.function.empty() && place.file.empty()) place.missing = "no debug information for it";
    return place;
}

#endif

std::optional<CrashWhere> locateCrash(const std::vector<CrashFrame>& frames) {
    std::optional<CrashWhere> where = pickCrashWhere(frames);
    if (!where) return where;
    if (!where->frame.module.empty()) where->source = readSourcePlace(where->frame);
    if (where->caller) where->callerSource = readSourcePlace(*where->caller);
    return where;
}

