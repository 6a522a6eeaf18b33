#include "platform/StackFrames.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unwind.h>
#endif

namespace platform {
namespace {

// Follows the frames from the asker's upwards: first finds the frame that
// `returnAddress` returns into, climbs `up` more, then hands each frame's
// place to `visit`, that frame's first, until `visit` answers true.
// Answers false when the stack could not be read that far.
template <class Visit>
struct Walk {
    std::uintptr_t returnAddress;
    unsigned up;
    bool found = false;  // the frame returnAddress returns into has been seen
    bool done = false;
    Visit& visit;

    // One frame, lowest first: `ip` where it continues, `place` its place.
    bool step(std::uintptr_t ip, FramePlace place) {
        if (!found) {
            if (ip != returnAddress) return false;
            found = true;
        } else if (up > 0) {
            --up;
        }
        if (found && up == 0) done = visit(place);
        return done;
    }
};

#if defined(_WIN32)

// Past this many frames the walk gives up: a stack that deep is not one a
// recorded call and its asker share.
constexpr unsigned MaxFrames = 4096;

template <class Visit>
bool walkFrames(const void* returnAddress, unsigned up, Visit visit) noexcept {
    Walk<Visit> walk{reinterpret_cast<std::uintptr_t>(returnAddress), up, false, false, visit};
    CONTEXT context{};
    RtlCaptureContext(&context);
    for (unsigned frame = 0; frame < MaxFrames; ++frame) {
        const DWORD64 ip = context.Rip;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(ip, &imageBase, nullptr);
        if (function == nullptr) {
            // Only a leaf function, which never moves the stack pointer, has
            // no unwind data, and only the first frame can be one.
            if (frame != 0) return false;
            context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
            context.Rsp += sizeof(DWORD64);
        } else {
            void* handlerData = nullptr;
            DWORD64 establisherFrame = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, ip, function, &context, &handlerData,
                             &establisherFrame, nullptr);
        }
        // The stack pointer of the caller at its call and where the caller
        // goes on: the place of the frame just left.
        if (walk.step(ip, FramePlace{context.Rsp, context.Rip})) return true;
        if (context.Rip == 0) return false;
    }
    return false;
}

#else

// A frame is stepped once its caller's is seen, whose instruction pointer is
// where the frame returns to.
template <class Visit>
struct NativeWalk {
    Walk<Visit> walk;
    std::uintptr_t ip = 0;
    std::uintptr_t stack = 0;
};

template <class Visit>
_Unwind_Reason_Code visitFrame(_Unwind_Context* context, void* argument) {
    auto& native = *static_cast<NativeWalk<Visit>*>(argument);
    const auto ip = static_cast<std::uintptr_t>(_Unwind_GetIP(context));
    const auto stack = static_cast<std::uintptr_t>(_Unwind_GetCFA(context));
    if (native.stack != 0 && native.walk.step(native.ip, FramePlace{native.stack, ip})) return _URC_NORMAL_STOP;
    if (stack == 0) return _URC_NORMAL_STOP;
    native.ip = ip;
    native.stack = stack;
    return _URC_NO_REASON;
}

template <class Visit>
bool walkFrames(const void* returnAddress, unsigned up, Visit visit) noexcept {
    NativeWalk<Visit> native{Walk<Visit>{reinterpret_cast<std::uintptr_t>(returnAddress), up, false, false, visit}};
    _Unwind_Backtrace(&visitFrame<Visit>, &native);
    return native.walk.done;
}

#endif

}  // namespace

FramePlace framePlace(const void* returnAddress, unsigned up) noexcept {
    FramePlace result;
    walkFrames(returnAddress, up, [&result](FramePlace place) {
        result = place;
        return true;
    });
    return result;
}

Encloses frameEncloses(FramePlace target, const void* returnAddress, unsigned up) noexcept {
    bool first = true;
    Encloses answer = Encloses::unknown;
    const bool read = walkFrames(returnAddress, up, [&](FramePlace place) {
        const bool asker = first;
        first = false;
        if (place.stack < target.stack) return false;  // below the target: climb on
        if (place.stack == target.stack && place.resume == target.resume) {
            answer = asker ? Encloses::itself : Encloses::yes;
        } else {
            // Past the target, or another frame where it was: it is gone.
            answer = Encloses::no;
        }
        return true;
    });
    return read ? answer : Encloses::unknown;
}

}  // namespace platform
