#include "tools/common/CrashPlace.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "tools/common/HostText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string hex(std::uint64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    std::string words("0x");
    words.append(text, end);
    return words;
}

std::string quoted(const std::string& text) { return quoteUtf16(utf8ToUtf16(text).value_or(u"?")); }

std::string frameWords(const CrashFrame& frame, const SourcePlace& source) {
    // Built by appending: gcc 12 misreads some chains of + on strings (-Wrestrict).
    std::string words = frame.module.empty() ? hex(frame.offset) : baseName(frame.module);
    if (frame.module.empty()) words.append(" (in no module)");
    else words.append("+").append(hex(frame.offset));
    if (!source.function.empty()) words += " in " + source.function;
    if (!source.file.empty()) words.append(" ").append(baseName(source.file));
    if (!source.file.empty() && source.line > 0) words.append(":").append(std::to_string(source.line));
    if (source.function.empty() && source.file.empty() && !source.missing.empty()) words += " (" + source.missing + ")";
    return words;
}

std::string frameJson(const CrashFrame& frame, const SourcePlace& source) {
    std::string members = "\"module\":" + quoted(frame.module) + ",\"offset\":\"" + hex(frame.offset) + "\"";
    if (!source.function.empty()) members += ",\"function\":" + quoted(source.function);
    if (!source.file.empty()) members += ",\"file\":" + quoted(source.file);
    if (source.line > 0) members += ",\"line\":" + std::to_string(source.line);
    if (source.function.empty() && source.file.empty() && !source.missing.empty()) members += ",\"unnamed\":" + quoted(source.missing);
    return members;
}

}  // namespace

std::optional<CrashFrame> parseCrashFrame(std::string_view text) {
    // "0x1a2b fault /path/module", "0x1a2b return /path/module", or "0x0 fault " for no module.
    if (text.substr(0, 2) != "0x") return std::nullopt;
    CrashFrame frame;
    const auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), frame.offset, 16);
    if (ec != std::errc()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (text.substr(0, 7) == " fault ") {
        text.remove_prefix(7);
    } else if (text.substr(0, 8) == " return ") {
        frame.returnAddress = true;
        text.remove_prefix(8);
    } else {
        return std::nullopt;
    }
    frame.module = std::string(text);
    return frame;
}

bool isSystemModule(const std::string& module) {
#ifdef _WIN32
    wchar_t folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::string windows = utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(folder), length)) + "\\";
    if (module.size() <= windows.size()) return false;
    return std::equal(windows.begin(), windows.end(), module.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
#else
    for (const char* folder : {"/lib/", "/lib32/", "/lib64/", "/usr/lib/", "/usr/lib32/", "/usr/lib64/"})
        if (module.rfind(folder, 0) == 0) return true;
    return module.rfind("linux-vdso", 0) == 0;
#endif
}

std::optional<CrashWhere> pickCrashWhere(const std::vector<CrashFrame>& frames) {
    if (frames.empty() || frames.front().returnAddress) return std::nullopt;
    CrashWhere where;
    where.frame = frames.front();
    if (where.frame.module.empty() || isSystemModule(where.frame.module)) {
        const auto caller = std::find_if(frames.begin() + 1, frames.end(),
                                         [](const CrashFrame& frame) { return !frame.module.empty() && !isSystemModule(frame.module); });
        if (caller != frames.end()) where.caller = *caller;
    }
    return where;
}

std::string whereWords(const CrashWhere& where) {
    std::string words = "at " + frameWords(where.frame, where.source);
    if (where.caller) words += ", called from " + frameWords(*where.caller, where.callerSource);
    return words;
}

std::string whereJson(const CrashWhere& where) {
    std::string json("{");
    json.append(frameJson(where.frame, where.source));
    if (where.caller) json.append(",\"caller\":{").append(frameJson(*where.caller, where.callerSource)).append("}");
    json.append("}");
    return json;
}

