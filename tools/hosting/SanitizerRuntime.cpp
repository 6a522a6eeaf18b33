#include "tools/hosting/SanitizerRuntime.h"

#ifdef _WIN32

void provideSanitizerRuntime(const std::string&, char**) {}

#else

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tools/common/ChildProcess.h"
#include "tools/common/HostError.h"
#include "tools/common/SanitizerReports.h"
#include "tools/common/SystemError.h"
#include "tools/hosting/ExportTable.h"

namespace {

bool isAddressRuntime(const std::string& name) {
    return name.rfind("libasan.so", 0) == 0 || name.rfind("libclang_rt.asan", 0) == 0;
}

bool isUndefinedRuntime(const std::string& name) {
    return name.rfind("libubsan.so", 0) == 0 || name.rfind("libclang_rt.ubsan", 0) == 0;
}

/// A runtime of either kind already in this process: linked into the harness
/// (a sanitizer build of it) or preloaded.
bool runtimePresent() {
    return dlsym(RTLD_DEFAULT, "__asan_init") != nullptr || dlsym(RTLD_DEFAULT, "__ubsan_handle_builtin_unreachable") != nullptr;
}

/// The runtime's file as the compilers on this machine know it (the one that
/// built the module is among them); else the bare name, which the loader
/// looks up in the system's folders.
std::string runtimeFile(const std::string& name) {
    std::vector<std::string> compilers;
    if (const char* chosen = std::getenv("CXX")) compilers.emplace_back(chosen);
    for (const char* compiler : {"c++", "g++", "clang++"}) compilers.emplace_back(compiler);
    for (const std::string& compiler : compilers) {
        for (const char* folder : {"/usr/bin/", "/usr/local/bin/", ""}) {
            const std::string program = compiler.find('/') == std::string::npos ? folder + compiler : compiler;
            if (program.empty() || access(program.c_str(), X_OK) != 0) continue;
            ChildOptions options;
            options.timeoutSeconds = 30;
            const ChildOutcome answer = runProgram(program, {"-print-file-name=" + name}, options);
            std::string path = answer.output;
            while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
            std::error_code ignored;
            if (answer.exited && answer.exitCode == 0 && !path.empty() && path.front() == '/' &&
                std::filesystem::is_regular_file(path, ignored))
                return path;
            break;
        }
    }
    return name;
}

/// Puts `first` in front of the variable's current value (joined by `separator`).
void prepend(const char* variable, const std::string& first, const char* separator) {
    const char* old = std::getenv(variable);
    const std::string value = old != nullptr && *old != '\0' ? first + separator + old : first;
    setenv(variable, value.c_str(), 1);
}

}  // namespace

void provideSanitizerRuntime(const std::string& libraryPath, char** argv) {
    if (sanitizerRuntimeProvided() || runtimePresent()) return;
    std::string preload;
    bool needed = false;
    for (const std::string& name : readNeededLibraries(libraryPath)) {
        if (isAddressRuntime(name)) {
            needed = true;
            if (preload.empty()) preload = runtimeFile(name);
        } else if (isUndefinedRuntime(name)) {
            needed = true;  // loads with the library; only its options are wanted
        }
    }
    if (!needed) return;
    if (!preload.empty()) prepend("LD_PRELOAD", preload, ":");
    // A report ends the process by a fault, as any crash of the plug-in does;
    // the user's own options come after these and win.
    prepend("ASAN_OPTIONS", "abort_on_error=1:detect_leaks=0:halt_on_error=1", ":");
    prepend("UBSAN_OPTIONS", "abort_on_error=1:halt_on_error=1:print_stacktrace=1", ":");
    setenv(sanitizerRuntimeVariable, preload.empty() ? "-" : preload.c_str(), 1);
    execv("/proc/self/exe", argv);
    throw HostError(ExitCode::PluginFailed, "cannot start corvane-host again with the sanitizer runtime " + preload +
                                                " that " + libraryPath + " needs: " +
                                                systemErrorWords(static_cast<unsigned long>(errno)));
}

#endif
