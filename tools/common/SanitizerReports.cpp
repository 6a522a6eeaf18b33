#include "tools/common/SanitizerReports.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

bool sanitizerRuntimeProvided() {
#ifdef _WIN32
    return false;
#else
    return std::getenv(sanitizerRuntimeVariable) != nullptr;
#endif
}

#ifdef _WIN32

SanitizerReportCapture::SanitizerReportCapture() = default;
SanitizerReportCapture::~SanitizerReportCapture() = default;
std::vector<std::string> SanitizerReportCapture::firstLines(std::size_t) const { return {}; }

#else

namespace {

/// Adds log_path to a sanitizer's options; later options win, so it goes last.
void pointInto(const char* variable, const std::string& path, bool& had, std::string& saved) {
    const char* old = std::getenv(variable);
    had = old != nullptr;
    saved = had ? old : "";
    const std::string options = (saved.empty() ? "" : saved + ":") + "log_path=" + path;
    setenv(variable, options.c_str(), 1);
}

void restore(const char* variable, bool had, const std::string& saved) {
    if (had) setenv(variable, saved.c_str(), 1);
    else unsetenv(variable);
}

/// "==1234==ERROR: AddressSanitizer: ..." without its "==1234==".
std::string withoutProcessNumber(const std::string& line) {
    if (line.rfind("==", 0) != 0) return line;
    const std::size_t end = line.find("==", 2);
    return end == std::string::npos ? line : line.substr(end + 2);
}

}  // namespace

SanitizerReportCapture::SanitizerReportCapture() {
    if (!sanitizerRuntimeProvided()) return;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::string pattern = (base / "corvane-sanitizer-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    folder = pattern;
    // A child names its report after its process: report.asan.<pid>.
    pointInto("ASAN_OPTIONS", folder + "/report.asan", hadAsan, savedAsan);
    pointInto("UBSAN_OPTIONS", folder + "/report.ubsan", hadUbsan, savedUbsan);
}

SanitizerReportCapture::~SanitizerReportCapture() {
    if (folder.empty()) return;
    restore("ASAN_OPTIONS", hadAsan, savedAsan);
    restore("UBSAN_OPTIONS", hadUbsan, savedUbsan);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::vector<std::string> SanitizerReportCapture::firstLines(std::size_t count) const {
    if (folder.empty()) return {};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::ifstream in(entry.path());
        std::vector<std::string> lines;
        std::string line;
        bool started = false;
        while (lines.size() < count && std::getline(in, line)) {
            const std::string text = withoutProcessNumber(line);
            started = started || text.rfind("ERROR: ", 0) == 0 || text.find("runtime error: ") != std::string::npos;
            if (started && !text.empty()) lines.push_back(text.rfind("ERROR: ", 0) == 0 ? text.substr(7) : text);
        }
        if (!lines.empty()) return lines;
    }
    return {};
}

#endif
