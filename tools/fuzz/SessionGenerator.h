// Makes random session scripts from a class's pin description, for the
// fuzz command: texts of every kind on text pins, floats (non-finite, huge,
// tiny) on float pins, notifications, waits that let timers fire, events
// played from inside sendPinValue (a release among them), and sometimes a
// release in the middle followed only by waits. For an object with a window
// of its own it adds window lines among them: the window opened and closed,
// arranged at various rectangles (which re-opens it), painted, and the mouse
// pressed, dragged and released at points inside and outside it; for
// composited drawing only arrange. The same seed gives the same script
// everywhere.
#pragma once

#include <cstdint>

#include "interfaces/GraphicsTypes.h"
#include "tools/hosting/PinDescription.h"
#include "tools/session/SessionScript.h"

/// A small generator whose sequence is fixed by the seed on every platform.
class FuzzRandom {
public:
    explicit FuzzRandom(std::uint64_t seed) : state(seed) {}
    std::uint64_t next();
    /// A number from 0 to below `bound` (which is above 0).
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }

private:
    std::uint64_t state;
};

/// What an object draws, which decides the window lines a session gets.
enum class ObjectDrawing { None, Composited, Window };

/// A script of at most `steps` events on the class `pins`, its lines numbered
/// from 1. Every script it makes passes SessionScript::check; for `None` it
/// holds no window line and is the same as before window lines existed; for
/// `None` and `Composited` a seed gives the script it always gave.
SessionScript randomSession(const ClassPins& pins, FuzzRandom& random, int steps, ObjectDrawing drawing = ObjectDrawing::None);
