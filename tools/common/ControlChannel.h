// The control channel between the harness and a child of its own: a pipe
// beside standard output on which the child says where it is, in typed
// marker lines. The plug-in shares standard output with the child, and so
// cannot forge what the child says here by printing a line.
//
// The child (a check, a session, the first look at a library) writes the
// markers; the parent reads them back into a ControlRecord, from which
// ChildEnding.h decides how the child ended. The markers:
//   loading / loaded   around loading the plug-in library and running its start-up code
//   step TEXT          before each host call a check makes ("setPin(1)")
//   line N             the session script line being played
//   report TEXT        a sanitizer's report line (the parent adds those it reads back)
//   frame OFFSET PATH  a frame of a crash, the faulting one first (CrashPlace.h)
//   exit N             the child's final verdict, its exit status, written last
// and a session's own ones (object, threw, broken, error), kept in order for it.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/CrashPlace.h"

/// The child's first two arguments when it has a control channel: this
/// option and the channel's number (a descriptor or handle value).
constexpr const char* controlChannelOption = "--control-channel";

/// What the child says just before it loads the plug-in library, and once
/// the library's start-up code has run.
constexpr const char* loadingMarker = "loading";
constexpr const char* loadedMarker = "loaded";

/// The child's side: takes the channel named by the option's value and keeps
/// it from this process's own children. False for a value that names none.
bool openParentChannel(const std::string& number);
/// True once openParentChannel took a channel.
bool hasParentChannel();
/// Writes `line` and a line feed on the channel at once; nothing when this
/// process has no channel.
void tellParent(std::string_view line);
/// Writes `bytes` on the channel with the system's write call alone (no
/// allocation, no lock): what a signal or fault handler may do. Nothing when
/// this process has no channel.
void tellParentRaw(const char* bytes, std::size_t size);
/// A stream on the channel (each flush sends what it holds), or null when
/// this process has none.
std::ostream* parentChannel();
/// "step TEXT": the host call a check is about to make.
void tellParentStep(std::string_view step);
/// "exit N": the child's final verdict, the last thing it says. A child that
/// ends without it was ended by the plug-in.
void tellParentFinished(int exitStatus);

/// Held while the plug-in library is loaded: says "loading" and, at its
/// end, "loaded" to a watching parent, which can then place a crash, hang
/// or exit of the library's start-up code. (A contained child calls
/// endQuietlyOnCrash first, so that such a crash ends it even where the
/// system's loader would catch it and only fail the load.)
class LoadingLibrary {
public:
    LoadingLibrary();
    ~LoadingLibrary();
    LoadingLibrary(const LoadingLibrary&) = delete;
    LoadingLibrary& operator=(const LoadingLibrary&) = delete;
};

/// The parent's side: what a child said on its channel, line by line.
class ControlRecord {
public:
    /// Takes one line (without its line feed); a leading record separator
    /// (how a session marks lines it writes among its transcript) is dropped.
    void take(std::string_view line);
    /// Every line of `text`, each ended by a line feed.
    static ControlRecord of(const std::string& text);

    bool loading() const { return inLoading; }  // said "loading" and not yet "loaded"
    bool loaded() const { return everLoaded; }
    const std::string& lastStep() const { return step; }  // the last "step", or empty
    int line() const { return currentLine; }              // the last "line", or 0
    int furthestLine() const { return furthest; }
    std::optional<int> finished() const { return exitStatus; }  // the "exit" marker's status
    const std::vector<std::string>& report() const { return reportLines; }
    void addReport(std::vector<std::string> lines) { reportLines = std::move(lines); }
    /// The frames of a crash, the faulting one first, as the child told them.
    const std::vector<CrashFrame>& crashFrames() const { return frames; }
    /// The other markers, in order, as written ("object version-2", "threw ...").
    const std::vector<std::string>& others() const { return rest; }

private:
    bool inLoading = false;
    bool everLoaded = false;
    std::string step;
    int currentLine = 0;
    int furthest = 0;
    std::optional<int> exitStatus;
    std::vector<std::string> reportLines;
    std::vector<CrashFrame> frames;
    std::vector<std::string> rest;
};
