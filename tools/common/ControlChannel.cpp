#include "tools/common/ControlChannel.h"

#include <charconv>
#include <cstdint>
#include <streambuf>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#endif

namespace {

void writeChannel(const char* bytes, std::size_t size);

/// The stream a child writes its control lines on: each flush is one write.
class ChannelBuffer : public std::streambuf {
protected:
    int overflow(int c) override {
        if (c != traits_type::eof()) held += static_cast<char>(c);
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        held.append(bytes, static_cast<std::size_t>(count));
        return count;
    }
    int sync() override {
        writeChannel(held.data(), held.size());
        held.clear();
        return 0;
    }

private:
    std::string held;
};

// The child's one channel to its parent: process-wide by nature, as its
// standard output is.
bool channelOpen = false;
ChannelBuffer channelBuffer;
std::ostream channelStream(&channelBuffer);

#ifdef _WIN32

HANDLE channelHandle = nullptr;

void writeChannel(const char* bytes, std::size_t size) {
    while (size > 0) {
        DWORD wrote = 0;
        if (!WriteFile(channelHandle, bytes, static_cast<DWORD>(size), &wrote, nullptr) || wrote == 0) return;
        bytes += wrote;
        size -= wrote;
    }
}

#else

/// The descriptor number a child finds its control channel on.
constexpr int childChannelFd = 3;

void writeChannel(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t wrote = write(childChannelFd, bytes, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;  // the parent is gone; nobody listens
        bytes += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
}

#endif

int numberAfter(std::string_view line, std::size_t from) {
    int value = 0;
    std::from_chars(line.data() + from, line.data() + line.size(), value);
    return value;
}

bool startsWith(std::string_view line, std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; }

}  // namespace

#ifdef _WIN32

bool openParentChannel(const std::string& number) {
    unsigned long long value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || value == 0) return false;
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    if (GetFileType(handle) != FILE_TYPE_PIPE) return false;
    // The plug-in's own children get no copy of it.
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    channelHandle = handle;
    channelOpen = true;
    return true;
}

#else

bool openParentChannel(const std::string& number) {
    if (number != std::to_string(childChannelFd) || fcntl(childChannelFd, F_GETFD) < 0) return false;
    // The plug-in's own children get no copy of it.
    fcntl(childChannelFd, F_SETFD, FD_CLOEXEC);
#ifdef __linux__
    // In a process group of its own, a child does not get the terminal's
    // Ctrl-C with its parent: it ends when its parent does instead.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    channelOpen = true;
    return true;
}

#endif

bool hasParentChannel() { return channelOpen; }

void tellParent(std::string_view line) {
    if (!channelOpen) return;
    std::string text(line);
    text += '\n';
    writeChannel(text.data(), text.size());
}

void tellParentRaw(const char* bytes, std::size_t size) {
    if (channelOpen) writeChannel(bytes, size);
}

std::ostream* parentChannel() { return channelOpen ? &channelStream : nullptr; }

void tellParentStep(std::string_view step) { tellParent("step " + std::string(step)); }

void tellParentFinished(int exitStatus) {
    if (!channelOpen) return;
    channelStream.flush();
    tellParent("exit " + std::to_string(exitStatus));
}

LoadingLibrary::LoadingLibrary() { tellParent(loadingMarker); }

LoadingLibrary::~LoadingLibrary() { tellParent(loadedMarker); }

void ControlRecord::take(std::string_view line) {
    if (!line.empty() && line[0] == '\x1e') line.remove_prefix(1);
    if (line == loadingMarker) {
        inLoading = true;
    } else if (line == loadedMarker) {
        inLoading = false;
        everLoaded = true;
    } else if (startsWith(line, "step ")) {
        step = line.substr(5);
    } else if (startsWith(line, "line ")) {
        currentLine = numberAfter(line, 5);
        if (currentLine > furthest) furthest = currentLine;
    } else if (startsWith(line, "exit ")) {
        exitStatus = numberAfter(line, 5);
    } else if (startsWith(line, crashFrameMarker) && line.size() > 6 && line[5] == ' ') {
        if (auto frame = parseCrashFrame(line.substr(6))) frames.push_back(std::move(*frame));
    } else if (startsWith(line, "report ")) {
        reportLines.emplace_back(line.substr(7));
    } else {
        rest.emplace_back(line);
    }
}

ControlRecord ControlRecord::of(const std::string& text) {
    ControlRecord record;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        record.take(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    return record;
}
