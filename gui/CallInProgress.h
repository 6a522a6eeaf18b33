// The record of one call in progress on this thread's stack, which code that
// runs later can test without relying on that call's own way out. A fault in
// host code that the system's message dispatch catches (a timer proc's send
// under Wine with MinGW) abandons every frame in between without running any
// of their cleanups, so a flag cleared on the way out would stay set for
// good. The timer service records its tick with it, a pin its send, and a
// GUI object the host call it holds itself through (ObjectLifetime).
// One thread only (the GUI thread); the stack grows downwards on every target.
#pragma once

#include <cstdint>

class CallInProgress {
public:
    /// A local of the recorded call: it lives exactly as long as that call's
    /// frame, and its token shows whether that frame is still there.
    class Frame {
    public:
        Frame() = default;
        Frame(const Frame&) = delete;
        Frame& operator=(const Frame&) = delete;
        /// Wipes the token, so the memory left behind never reads as a live call.
        ~Frame() { token = 0; }

    private:
        friend class CallInProgress;
        volatile std::uint64_t token = 0;
    };

    CallInProgress() = default;
    CallInProgress(const CallInProgress&) = delete;
    CallInProgress& operator=(const CallInProgress&) = delete;

    /// Records the caller, whose local `frame` is, as the call in progress.
    /// Called directly by the recorded function, before it calls anything else.
    void begin(Frame& frame) noexcept;
    /// The recorded call is returning normally.
    void end() noexcept { frame = nullptr; }
    /// True when a call was recorded and has not ended: still running, or
    /// abandoned on the way out.
    bool recorded() const noexcept { return frame != nullptr; }
    /// True when the code calling this runs inside the recorded call: deeper
    /// on the stack than the recorded function, with its frame's token still
    /// in place. A call at the recorded function's own depth or above is not
    /// inside it, so a recorded call seen from there was abandoned.
    bool enclosesCaller() const noexcept;

private:
    const Frame* frame = nullptr;
    const void* depth = nullptr;  // the stack address just below the recorded function
    std::uint64_t token = 0;
    std::uint64_t calls = 0;      // makes each call's token its own
};
