#include "tools/session/SessionScript.h"

#include <charconv>
#include <cmath>

#include "tools/common/HostError.h"
#include "tools/common/HostText.h"

namespace {

constexpr std::int32_t longestWaitMs = 3600000;
/// Coordinates of window lines: far beyond any screen, well within 32 bits
/// and the 16-bit halves a mouse message carries them in.
constexpr std::int32_t farthestPixel = 30000;
constexpr std::int32_t largestSide = 8192;
/// A wheel turn travels in the signed 16-bit half of the message's wParam.
constexpr std::int32_t largestTurn = 32767;

/// Named keys and their virtual-key codes (letters, digits and f1 to f12 are
/// worked out in keyCode).
struct NamedKey {
    std::string_view name;
    std::int32_t code;
};
constexpr NamedKey namedKeys[] = {
    {"backspace", 0x08}, {"tab", 0x09},  {"enter", 0x0D},  {"shift", 0x10},     {"control", 0x11},
    {"escape", 0x1B},    {"space", 0x20}, {"page-up", 0x21}, {"page-down", 0x22}, {"end", 0x23},
    {"home", 0x24},      {"left", 0x25},  {"up", 0x26},      {"right", 0x27},     {"down", 0x28},
    {"insert", 0x2D},    {"delete", 0x2E}};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits a line into its keyword, arguments and an optional trailing comment.
class LineReader {
public:
    explicit LineReader(std::string_view text) : line(text) {}

    void skipSpace() {
        while (at < line.size() && isSpace(line[at])) ++at;
    }
    /// True at the end of the line or at a comment.
    bool atEnd() {
        skipSpace();
        return at >= line.size() || line[at] == '#';
    }
    std::string_view word() {
        skipSpace();
        const std::size_t start = at;
        while (at < line.size() && !isSpace(line[at]) && line[at] != '#') ++at;
        return line.substr(start, at - start);
    }
    std::string_view rest() { return line.substr(at); }
    void advance(std::size_t count) { at += count; }

private:
    std::string_view line;
    std::size_t at = 0;
};

std::string shown(std::string_view word) {
    if (word.empty()) return "the end of the line";
    std::string quoted(1, '\'');
    quoted.append(word);
    quoted += '\'';
    return quoted;
}

template <typename Number>
bool readWhole(std::string_view word, Number& out) {
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
    return ec == std::errc() && end == word.data() + word.size();
}

}  // namespace

std::optional<ScriptEvent> parseScriptLine(std::string_view text, int lineNumber, std::optional<ScriptError>& error) {
    const auto fail = [&](std::string message, bool tooLarge = false) -> std::optional<ScriptEvent> {
        error = ScriptError{lineNumber, std::move(message), tooLarge};
        return std::nullopt;
    };
    LineReader reader(text);
    if (reader.atEnd()) return std::nullopt;

    ScriptEvent event;
    event.line = lineNumber;
    std::string_view keyword = reader.word();
    if (keyword == "on-send") {
        event.onSend = true;
        keyword = reader.word();
        if (keyword != "text" && keyword != "float" && keyword != "notify" && keyword != "release")
            return fail("expected text, float, notify or release after on-send; got " + shown(keyword));
    }
    if (keyword == "text") event.kind = ScriptEvent::Kind::Text;
    else if (keyword == "float") event.kind = ScriptEvent::Kind::Float;
    else if (keyword == "notify") event.kind = ScriptEvent::Kind::Notify;
    else if (keyword == "wait") event.kind = ScriptEvent::Kind::Wait;
    else if (keyword == "release") event.kind = ScriptEvent::Kind::Release;
    else if (keyword == "open") event.kind = ScriptEvent::Kind::Open;
    else if (keyword == "close") event.kind = ScriptEvent::Kind::Close;
    else if (keyword == "arrange") event.kind = ScriptEvent::Kind::Arrange;
    else if (keyword == "paint") event.kind = ScriptEvent::Kind::Paint;
    else if (keyword == "press") event.kind = ScriptEvent::Kind::Press;
    else if (keyword == "move") event.kind = ScriptEvent::Kind::Move;
    else if (keyword == "release-mouse") event.kind = ScriptEvent::Kind::ReleaseMouse;
    else if (keyword == "right-press") event.kind = ScriptEvent::Kind::RightPress;
    else if (keyword == "right-release") event.kind = ScriptEvent::Kind::RightRelease;
    else if (keyword == "double-click") event.kind = ScriptEvent::Kind::DoubleClick;
    else if (keyword == "wheel") event.kind = ScriptEvent::Kind::Wheel;
    else if (keyword == "key") event.kind = ScriptEvent::Kind::Key;
    else if (keyword == "key-up") event.kind = ScriptEvent::Kind::KeyUp;
    else
        return fail("expected text, float, notify, wait, release, on-send or a window line (open, close, arrange, paint, "
                    "press, move, release-mouse, right-press, right-release, double-click, wheel, key, key-up); got " +
                    shown(keyword));

    if (event.kind == ScriptEvent::Kind::Text || event.kind == ScriptEvent::Kind::Float ||
        event.kind == ScriptEvent::Kind::Notify) {
        const std::string_view pin = reader.word();
        std::int64_t index = 0;
        if (!readWhole(pin, index)) return fail("expected a pin index (an integer) after " + std::string(keyword) + "; got " + shown(pin));
        if (index < INT32_MIN || index > INT32_MAX) return fail("pin index " + std::string(pin) + " is outside the 32-bit range");
        event.pin = static_cast<std::int32_t>(index);
    }

    if (isMouseEvent(event)) {
        for (std::int32_t* coordinate : {&event.x, &event.y}) {
            const std::string_view word = reader.word();
            if (!readWhole(word, *coordinate) || *coordinate < -farthestPixel || *coordinate > farthestPixel)
                return fail("expected x and y (whole pixels from " + std::to_string(-farthestPixel) + " to " +
                            std::to_string(farthestPixel) + ") after " + std::string(keyword) + "; got " + shown(word));
        }
        if (event.kind == ScriptEvent::Kind::Wheel) {
            const std::string_view word = reader.word();
            if (!readWhole(word, event.delta) || event.delta == 0 || event.delta < -largestTurn - 1 || event.delta > largestTurn)
                return fail("expected the wheel's turn after x and y (a whole number from " + std::to_string(-largestTurn - 1) +
                            " to " + std::to_string(largestTurn) + ", not 0; 120 a notch away from the user); got " + shown(word));
        }
    }
    switch (event.kind) {
        case ScriptEvent::Kind::Text: {
            reader.skipSpace();
            std::size_t consumed = 0;
            std::string why;
            auto units = unquoteUtf16(reader.rest(), consumed, why);
            if (!units) return fail(why + " after text " + std::to_string(event.pin));
            event.text = std::move(*units);
            reader.advance(consumed);
            break;
        }
        case ScriptEvent::Kind::Float: {
            const std::string_view number = reader.word();
            const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), event.number);
            if (ec == std::errc::result_out_of_range && end == number.data() + number.size())
                return fail("value " + std::string(number) + " does not fit a float pin", true);
            if (ec != std::errc() || end != number.data() + number.size())
                return fail("expected a number after float " + std::to_string(event.pin) + "; got " + shown(number));
            break;
        }
        case ScriptEvent::Kind::Wait: {
            const std::string_view ms = reader.word();
            std::int64_t value = 0;
            if (!readWhole(ms, value) || value < 0 || value > longestWaitMs)
                return fail("expected milliseconds from 0 to " + std::to_string(longestWaitMs) + " after wait; got " + shown(ms));
            event.waitMs = static_cast<std::int32_t>(value);
            break;
        }
        case ScriptEvent::Kind::Key:
        case ScriptEvent::Kind::KeyUp: {
            const std::string_view name = reader.word();
            event.key = keyCode(name);
            if (event.key == 0)
                return fail("expected a key name after " + std::string(keyword) +
                            " (a to z, 0 to 9, f1 to f12, space, enter, escape, tab, backspace, delete, insert, home, end, "
                            "page-up, page-down, left, right, up, down, shift, control); got " + shown(name));
            break;
        }
        case ScriptEvent::Kind::Arrange: {
            std::int32_t numbers[4] = {};
            int count = 0;
            for (; count < 4 && !reader.atEnd(); ++count) {
                const std::string_view word = reader.word();
                if (!readWhole(word, numbers[count]))
                    return fail("expected x y width height, or width height, after arrange; got " + shown(word));
            }
            if (count != 2 && count != 4)
                return fail("expected x y width height, or width height, after arrange; got " + std::to_string(count) +
                            (count == 1 ? " number" : " numbers"));
            const int at = count == 4 ? 2 : 0;
            event.x = count == 4 ? numbers[0] : 0;
            event.y = count == 4 ? numbers[1] : 0;
            event.width = numbers[at];
            event.height = numbers[at + 1];
            if (event.x < -farthestPixel || event.x > farthestPixel || event.y < -farthestPixel || event.y > farthestPixel)
                return fail("the arranged corner is beyond " + std::to_string(farthestPixel) + " pixels");
            if (event.width < 1 || event.width > largestSide || event.height < 1 || event.height > largestSide)
                return fail("an arranged side is 1 to " + std::to_string(largestSide) + " pixels; got " +
                            std::to_string(event.width) + " by " + std::to_string(event.height));
            break;
        }
        default: break;
    }
    if (!reader.atEnd()) {
        const std::string_view extra = reader.word();
        return fail("unexpected " + shown(extra.empty() ? reader.rest().substr(0, 1) : extra) + " after " + std::string(keyword) +
                    " (a comment starts with #)");
    }
    return event;
}

SessionScript SessionScript::read(std::istream& in, const std::string& source) {
    SessionScript script;
    std::string line;
    bool released = false;
    for (int number = 1; std::getline(in, line); ++number) {
        std::optional<ScriptError> error;
        auto event = parseScriptLine(line, number, error);
        if (error)
            throw HostError(error->valueTooLarge ? ExitCode::ValueTooLarge : ExitCode::BadScriptLine,
                            source + ":" + std::to_string(number) + ": " + error->message);
        if (!event) continue;
        if (released && event->kind != ScriptEvent::Kind::Wait)
            throw HostError(ExitCode::BadScriptLine,
                            source + ":" + std::to_string(number) + ": expected only wait after release; the object is gone");
        // Only a release the script makes itself is sure to happen; one
        // played from inside a send may not, so events may follow it.
        released = released || (event->kind == ScriptEvent::Kind::Release && !event->onSend);
        script.events.push_back(std::move(*event));
    }
    return script;
}

std::optional<ScriptError> SessionScript::check(const ClassPins& pins) const {
    for (const ScriptEvent& event : events) {
        if (event.kind == ScriptEvent::Kind::Wait || event.kind == ScriptEvent::Kind::Release || isWindowEvent(event)) continue;
        const std::string pinName = "pin " + std::to_string(event.pin);
        const PinEntry* pin = pins.find(event.pin);
        if (pin == nullptr) return ScriptError{event.line, pinName + " is not in the pin description of " + pins.identifier};
        if (event.kind == ScriptEvent::Kind::Notify) continue;
        if (pin->direction == PinDirection::Out)
            return ScriptError{event.line, pinName + " is an output pin; the host delivers nothing on it"};
        const PinType wanted = event.kind == ScriptEvent::Kind::Text ? PinType::Text : PinType::Float;
        if (pin->type != wanted)
            return ScriptError{event.line, pinName + " is a " + pinTypeName(pin->type) + " pin; expected " +
                                               pinTypeName(pin->type) + " " + std::to_string(event.pin) + " ..."};
        // Finite doubles from here on round to a float infinity.
        constexpr double firstOverflow = 0x1.ffffffp127;
        if (event.kind == ScriptEvent::Kind::Float && std::isfinite(event.number) && std::fabs(event.number) >= firstOverflow)
            return ScriptError{event.line, "value " + formatNumber(event.number) + " does not fit float " + pinName + " (largest is 3.4028235e38)", true};
        if (event.kind == ScriptEvent::Kind::Text && event.text.size() > INT32_MAX / 2)
            return ScriptError{event.line, "text too large for " + pinName + " (its byte size must fit 32 bits)", true};
    }
    return std::nullopt;
}

std::string describeEvent(const ScriptEvent& event) {
    switch (event.kind) {
        case ScriptEvent::Kind::Text: return "text " + std::to_string(event.pin) + " " + quoteUtf16(event.text);
        case ScriptEvent::Kind::Float: return "float " + std::to_string(event.pin) + " " + formatNumber(event.number);
        case ScriptEvent::Kind::Notify: return "notify " + std::to_string(event.pin);
        case ScriptEvent::Kind::Wait: return "wait " + std::to_string(event.waitMs);
        case ScriptEvent::Kind::Release: return "release";
        case ScriptEvent::Kind::Open: return "open";
        case ScriptEvent::Kind::Close: return "close";
        case ScriptEvent::Kind::Paint: return "paint";
        case ScriptEvent::Kind::Arrange:
            return "arrange " + std::to_string(event.x) + " " + std::to_string(event.y) + " " + std::to_string(event.width) + " " +
                   std::to_string(event.height);
        case ScriptEvent::Kind::Press: return "press " + std::to_string(event.x) + " " + std::to_string(event.y);
        case ScriptEvent::Kind::Move: return "move " + std::to_string(event.x) + " " + std::to_string(event.y);
        case ScriptEvent::Kind::ReleaseMouse: return "release-mouse " + std::to_string(event.x) + " " + std::to_string(event.y);
        case ScriptEvent::Kind::RightPress: return "right-press " + std::to_string(event.x) + " " + std::to_string(event.y);
        case ScriptEvent::Kind::RightRelease: return "right-release " + std::to_string(event.x) + " " + std::to_string(event.y);
        case ScriptEvent::Kind::DoubleClick: return "double-click " + std::to_string(event.x) + " " + std::to_string(event.y);
        case ScriptEvent::Kind::Wheel:
            return "wheel " + std::to_string(event.x) + " " + std::to_string(event.y) + " " + std::to_string(event.delta);
        case ScriptEvent::Kind::Key: return "key " + std::string(keyName(event.key));
        case ScriptEvent::Kind::KeyUp: return "key-up " + std::string(keyName(event.key));
    }
    return {};
}

std::int32_t keyCode(std::string_view name) {
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') return 'A' + (name[0] - 'a');
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return name[0];
    std::int32_t number = 0;
    if (name.size() >= 2 && name[0] == 'f' && name[1] != '0' && readWhole(name.substr(1), number) && number >= 1 && number <= 12)
        return 0x70 + number - 1;
    for (const NamedKey& key : namedKeys)
        if (key.name == name) return key.code;
    return 0;
}

std::string_view keyName(std::int32_t code) {
    constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz";
    constexpr std::string_view digits = "0123456789";
    constexpr std::string_view functions[] = {"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9", "f10", "f11", "f12"};
    if (code >= 'A' && code <= 'Z') return letters.substr(static_cast<std::size_t>(code - 'A'), 1);
    if (code >= '0' && code <= '9') return digits.substr(static_cast<std::size_t>(code - '0'), 1);
    if (code >= 0x70 && code <= 0x7B) return functions[code - 0x70];
    for (const NamedKey& key : namedKeys)
        if (key.code == code) return key.name;
    return {};
}

bool isWindowEvent(const ScriptEvent& event) {
    switch (event.kind) {
        case ScriptEvent::Kind::Open:
        case ScriptEvent::Kind::Close:
        case ScriptEvent::Kind::Arrange:
        case ScriptEvent::Kind::Paint: return true;
        default: return isMouseEvent(event) || isKeyEvent(event);
    }
}

bool isMouseEvent(const ScriptEvent& event) {
    switch (event.kind) {
        case ScriptEvent::Kind::Press:
        case ScriptEvent::Kind::Move:
        case ScriptEvent::Kind::ReleaseMouse:
        case ScriptEvent::Kind::RightPress:
        case ScriptEvent::Kind::RightRelease:
        case ScriptEvent::Kind::DoubleClick:
        case ScriptEvent::Kind::Wheel: return true;
        default: return false;
    }
}

bool isKeyEvent(const ScriptEvent& event) { return event.kind == ScriptEvent::Kind::Key || event.kind == ScriptEvent::Kind::KeyUp; }

std::string scriptLine(const ScriptEvent& event) { return (event.onSend ? "on-send " : "") + describeEvent(event); }

std::string SessionScript::text() const {
    std::string out;
    for (const ScriptEvent& event : events) out += scriptLine(event) + "\n";
    return out;
}
