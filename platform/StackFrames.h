// This thread's call stack as the unwinder sees it, for telling whether a
// call recorded earlier is still in progress (gui/CallInProgress): it is
// exactly when its frame is among those of the code asking. Only the frames
// from the asker upwards are read, all of them live, through the system's
// unwind data (Windows) or the C++ runtime's unwinder (elsewhere); nothing
// is read from a frame that has gone.
#pragma once

#include <cstdint>

namespace platform {

/// A frame's place: the stack address just above it, the same for the
/// frame's whole life and higher for every frame that encloses it, and the
/// address it returns to, which tells it from a later frame at the same
/// stack address (another call made from a frame of the same size). Zero
/// when unknown.
struct FramePlace {
    std::uintptr_t stack = 0;
    std::uintptr_t resume = 0;
    bool known() const noexcept { return stack != 0; }
};

/// The place of the frame `up` frames above the one that `returnAddress`
/// returns into, or 0 when the stack cannot be read that far.
FramePlace framePlace(const void* returnAddress, unsigned up) noexcept;

enum class Encloses { yes, no, itself, unknown };

/// Whether the frame at `target` encloses the frame `up` frames above the
/// one that `returnAddress` returns into: yes when a frame above it lies at
/// `target`, no when the frames above it pass `target` or it lies above
/// `target` itself, itself when it lies at `target`, unknown when the stack
/// cannot be read.
Encloses frameEncloses(FramePlace target, const void* returnAddress, unsigned up) noexcept;

}  // namespace platform
