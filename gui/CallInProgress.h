// The record of one call in progress on this thread's stack, which code that
// runs later can test without relying on that call's own way out. A fault in
// host code that the system's message dispatch catches (a timer proc's send
// under Wine with MinGW) abandons every frame in between without running any
// of their cleanups, so a flag cleared on the way out would stay set for
// good. The timer service records its tick with it, a pin its send, and a
// GUI object the host call it holds itself through (ObjectLifetime).
// One thread only (the GUI thread).
//
// A recorded call is in progress exactly when its frame encloses the frame of
// the code asking; the unwinder tells (platform/StackFrames.h), reading only
// the live frames from the asker upwards, never the recorded call's own
// memory, which is gone once the call is abandoned.
#pragma once

#include "platform/Compiler.h"
#include "platform/StackFrames.h"

class CallInProgress {
public:
    CallInProgress() = default;
    CallInProgress(const CallInProgress&) = delete;
    CallInProgress& operator=(const CallInProgress&) = delete;

    /// Records as the call in progress the function calling this, or the one
    /// `up` frames above it; `key` (any local of the recorded call, say) tells
    /// it from a later call of the same code at the same place (see
    /// enclosesCaller). Called before the recorded call calls anything that
    /// may call back.
    CORVANE_NOINLINE void begin(const void* key = nullptr, unsigned up = 0) noexcept;
    /// The recorded call is returning normally.
    void end() noexcept { inProgress = false; }
    /// True when a call was recorded and has not ended: still running, or
    /// abandoned on the way out.
    bool recorded() const noexcept { return inProgress; }
    /// True when the function calling this (or the one `up` frames above it)
    /// runs inside the recorded call: the recorded call's frame encloses it.
    /// At the recorded call's own place it is inside only when `key` is given
    /// and differs from the recorded one (code placed into the recorded
    /// function by the optimiser, asking with a key of its own); the same key
    /// there, or none, means a later call of the same code, so the recorded
    /// one was abandoned. When the stack cannot be read, answers true: an
    /// abandoned call taken for a live one only keeps its leftovers until code
    /// higher up asks, while a live call taken for an abandoned one would lose
    /// what it still uses.
    CORVANE_NOINLINE bool enclosesCaller(const void* key = nullptr, unsigned up = 0) const noexcept;

private:
    bool inProgress = false;
    platform::FramePlace place;  // unknown: the stack could not be read at begin
    const void* recordedKey = nullptr;
};
