// Reports of the sanitizers a module was built with (CORVANE_SANITIZE), as the
// harness's children write them. When corvane-host has brought a sanitizer
// runtime into its process (tools/hosting/SanitizerRuntime.h), each session
// child writes its report into a folder of its own instead of on standard
// error, and the session runner reads the first lines of it back: a report
// ends the session as a crash, and says what happened in its place.
// Native only; on Windows nothing is captured.
#pragma once

#include <string>
#include <vector>

/// Set in the environment of a corvane-host that was started again with a
/// sanitizer runtime: its value is the runtime preloaded (or "-" for none).
constexpr const char* sanitizerRuntimeVariable = "CORVANE_SANITIZER_RUNTIME";

/// True in a process that was started again with a sanitizer runtime.
bool sanitizerRuntimeProvided();

/// While held (and only in such a process), the children this process starts
/// write their sanitizer reports into a scratch folder of the capture's own,
/// which is removed again at the end.
class SanitizerReportCapture {
public:
    SanitizerReportCapture();
    ~SanitizerReportCapture();
    SanitizerReportCapture(const SanitizerReportCapture&) = delete;
    SanitizerReportCapture& operator=(const SanitizerReportCapture&) = delete;

    /// The first lines of the first report written since the capture began,
    /// from its "ERROR: AddressSanitizer: ..." or "runtime error: ..." line on,
    /// without the process number prefix; empty when there was none.
    std::vector<std::string> firstLines(std::size_t count) const;

private:
    std::string folder;  // empty: not capturing
    std::string savedAsan, savedUbsan;
    bool hadAsan = false, hadUbsan = false;
};
