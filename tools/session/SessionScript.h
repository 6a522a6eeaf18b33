// A session script: the host events the harness plays to one plug-in object,
// one per line. Read from a file or standard input by the host harness.
//
//   # comment (also after an event)       text 0 " 1, 2.5 ,abc"
//   float 2 7.25                           notify 0
//   wait 20                                release
//   on-send float 5 1    # played from inside the next value the object sends
//
// Objects with a window of their own also take window lines (points and
// rectangles in pixels of the object's window, x and y first; a point may lie
// outside it):
//   open                 close                  paint
//   arrange 10 10 200 80 (x y width height; or only width and height, at 0 0)
//   press 20 30          move 60 30             release-mouse 300 30
//   right-press 20 30    right-release 20 30    double-click 20 30
//   wheel 20 30 -120     (x y, then the turn: 120 a notch, away from the user)
//   key a                key-up a               (a key pressed and released)
// Key names: a to z, 0 to 9, f1 to f12, space, enter, escape, tab,
// backspace, delete, insert, home, end, page-up, page-down, left, right, up,
// down, shift, control.
//
// Texts are in double quotes with \" \\ \n \r \t and \uXXXX (one UTF-16
// unit) escapes; pin indices are 32-bit integers; floats are decimal, with
// "inf" and "nan" allowed; waits are whole milliseconds up to an hour.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hosting/PinDescription.h"

struct ScriptEvent {
    enum class Kind {
        Text, Float, Notify, Wait, Release, Open, Close, Arrange, Paint, Press, Move, ReleaseMouse,
        RightPress, RightRelease, DoubleClick, Wheel, Key, KeyUp
    };

    Kind kind = Kind::Release;
    int line = 0;               // 1-based line in the script
    std::int32_t pin = 0;       // Text, Float, Notify
    std::u16string text;        // Text
    double number = 0;          // Float, as written; narrowed when sent
    std::int32_t waitMs = 0;    // Wait
    std::int32_t x = 0;         // Arrange and the mouse lines
    std::int32_t y = 0;
    std::int32_t width = 0;     // Arrange
    std::int32_t height = 0;
    std::int32_t delta = 0;     // Wheel: the turn, 120 a notch
    std::int32_t key = 0;       // Key, KeyUp: the virtual-key code
    /// "on-send EVENT" (Text, Float, Notify, Release): armed here, played by
    /// the host from inside the next sendPinValue call it receives, as a
    /// re-entrant call. Events that need the object after such a release
    /// are skipped.
    bool onSend = false;
};

/// A line for the object's window (open, close, arrange, paint and the
/// mouse and key lines).
bool isWindowEvent(const ScriptEvent& event);
/// A line for the mouse (press, move, release-mouse, right-press,
/// right-release, double-click, wheel).
bool isMouseEvent(const ScriptEvent& event);
/// A line for the keyboard (key, key-up).
bool isKeyEvent(const ScriptEvent& event);

/// The virtual-key code of a key name a script writes, or 0 for none.
std::int32_t keyCode(std::string_view name);
/// The name of a virtual-key code keyCode knows, or empty.
std::string_view keyName(std::int32_t code);

struct ScriptError {
    int line = 0;
    std::string message;  // what was expected, without the place
    bool valueTooLarge = false;
};

/// Reads one line; nullopt for a blank or comment line. Throws nothing: a line
/// it cannot read gives `error`.
std::optional<ScriptEvent> parseScriptLine(std::string_view line, int lineNumber, std::optional<ScriptError>& error);

struct SessionScript {
    std::vector<ScriptEvent> events;

    /// Reads a whole script. Throws HostError (BadScriptLine) naming
    /// "source:line: what was expected".
    static SessionScript read(std::istream& in, const std::string& source);

    /// Checks every event against the class's pins: the pin is described,
    /// texts go to text pins and floats to float pins, and values fit
    /// (a float within single precision, a text within 2^31 bytes).
    std::optional<ScriptError> check(const ClassPins& pins) const;

    /// The script as text, one event per line (which renumbers its lines).
    std::string text() const;
};

/// The event as a script line would write it (transcripts echo host events),
/// without its "on-send" prefix.
std::string describeEvent(const ScriptEvent& event);
/// The whole script line, with the prefix.
std::string scriptLine(const ScriptEvent& event);
