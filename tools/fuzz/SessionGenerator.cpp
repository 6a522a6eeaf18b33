#include "tools/fuzz/SessionGenerator.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using Kind = ScriptEvent::Kind;

template <typename T, std::size_t N>
const T& pick(FuzzRandom& random, const T (&choices)[N]) {
    return choices[random.below(N)];
}

/// A pin index in `pin`'s range; for a repeated entry mostly its first few
/// indices, sometimes its last or any.
std::int32_t indexIn(const PinEntry& pin, FuzzRandom& random) {
    if (!pin.repeat) return pin.index;
    const std::int64_t first = pin.index;
    const std::int64_t last = pin.last();
    const std::int64_t span = last - first + 1;
    const std::uint64_t roll = random.below(100);
    std::int64_t index = first;
    if (roll < 30) index = first;
    else if (roll < 55) index = first + 1;
    else if (roll < 75) index = first + 2;
    else if (roll < 92) index = first + static_cast<std::int64_t>(random.below(16));
    else if (roll < 96) index = last;
    else index = first + static_cast<std::int64_t>(random.below(static_cast<std::uint64_t>(span)));
    return static_cast<std::int32_t>(index > last ? last : index);
}

std::u16string randomItem(FuzzRandom& random) {
    static const char16_t* const items[] = {
        u"1", u"-0", u"2.5", u" 3 ", u"abc", u"", u"1e39", u"1e400", u"-1e-400", u"nan", u"inf", u"-inf",
        u"0x1p3", u"1.5e3", u"99999999999", u"0.00004", u"-0.00004", u"\u00e9", u"\U0001F3B5", u"1;2", u"\t7",
        u"+5", u"--1", u".", u"1e", u"3.4028235e38"};
    std::u16string item = pick(random, items);
    if (random.chance(10)) item = std::u16string(1, static_cast<char16_t>(random.below(0x10000)));  // any unit, a lone surrogate or NUL too
    if (random.chance(10)) item = u"-" + item;
    if (random.chance(15)) {
        std::u16string digits;
        for (std::uint64_t n = random.below(12) + 1; n > 0; --n) digits += static_cast<char16_t>(u'0' + random.below(10));
        item = digits;
    }
    return item;
}

std::u16string randomText(FuzzRandom& random) {
    if (random.chance(10)) return u"";
    std::uint64_t items = random.below(8) + 1;
    if (random.chance(5)) items = 100 + random.below(400);  // long lists
    std::u16string text;
    for (std::uint64_t i = 0; i < items; ++i) {
        if (i > 0) text += random.chance(90) ? u"," : random.chance(50) ? u", " : u";";
        text += randomItem(random);
    }
    return text;
}

double randomFloat(FuzzRandom& random) {
    static const double values[] = {0.0,
                                    -0.0,
                                    1.0,
                                    -1.0,
                                    2.5,
                                    7.25,
                                    0.1,
                                    1e-45,
                                    -1e-45,
                                    1.17549435e-38,
                                    3.4028234663852886e38,
                                    -3.4028234663852886e38,
                                    1e30,
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    std::numeric_limits<double>::quiet_NaN(),
                                    65536.0,
                                    -123456.789};
    if (random.chance(30)) return (static_cast<double>(random.below(200001)) - 100000.0) / 100.0;
    return pick(random, values);
}

}  // namespace

std::uint64_t FuzzRandom::next() {
    // splitmix64: fixed by the seed, whatever the standard library.
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

namespace {

/// A coordinate along a side of `extent` pixels: mostly inside, sometimes
/// just outside or far outside.
std::int32_t randomCoordinate(FuzzRandom& random, std::int32_t extent) {
    const std::uint64_t roll = random.below(100);
    if (roll < 75) return static_cast<std::int32_t>(random.below(static_cast<std::uint64_t>(extent)));
    if (roll < 90) return static_cast<std::int32_t>(random.below(static_cast<std::uint64_t>(extent) + 60)) - 30;
    return random.chance(50) ? -static_cast<std::int32_t>(random.below(3000)) - 1 : extent + static_cast<std::int32_t>(random.below(3000));
}

/// A window line for an object that draws; only arrange for composited drawing.
ScriptEvent randomWindowEvent(FuzzRandom& random, ObjectDrawing drawing, MpSize& size) {
    ScriptEvent event;
    const std::uint64_t roll = drawing == ObjectDrawing::Window ? random.below(100) : 0;
    if (roll < 10) {
        static const std::int32_t sides[] = {1, 15, 40, 100, 160, 300, 700};
        event.kind = Kind::Arrange;
        event.x = static_cast<std::int32_t>(random.below(60));
        event.y = static_cast<std::int32_t>(random.below(60));
        event.width = random.chance(30) ? static_cast<std::int32_t>(random.below(1024)) + 1 : pick(random, sides);
        event.height = random.chance(30) ? static_cast<std::int32_t>(random.below(1024)) + 1 : pick(random, sides);
        size = {event.width, event.height};
        return event;
    }
    if (roll < 16) event.kind = Kind::Open;
    else if (roll < 21) event.kind = Kind::Close;
    else if (roll < 32) event.kind = Kind::Paint;
    else if (roll < 48) event.kind = Kind::Press;
    else if (roll < 66) event.kind = Kind::Move;
    else if (roll < 76) event.kind = Kind::ReleaseMouse;
    else if (roll < 80) event.kind = Kind::RightPress;
    else if (roll < 84) event.kind = Kind::RightRelease;
    else if (roll < 88) event.kind = Kind::DoubleClick;
    else if (roll < 92) event.kind = Kind::Wheel;
    else if (roll < 97) event.kind = Kind::Key;
    else event.kind = Kind::KeyUp;
    if (isMouseEvent(event)) {
        event.x = randomCoordinate(random, size.width);
        event.y = randomCoordinate(random, size.height);
    }
    if (event.kind == Kind::Wheel) {
        static const std::int32_t turns[] = {120, -120, 240, -360, 1, -1, 32767, -32768};
        event.delta = pick(random, turns);
    }
    if (isKeyEvent(event)) {
        // Keys a control acts on, and the modifiers that change what the mouse does.
        static const char* const keys[] = {"a", "z", "0", "9", "space", "enter", "escape", "tab", "backspace", "delete",
                                           "left", "right", "up", "down", "home", "end", "page-up", "shift", "control", "f1"};
        event.key = keyCode(pick(random, keys));
    }
    return event;
}

}  // namespace

SessionScript randomSession(const ClassPins& pins, FuzzRandom& random, int steps, ObjectDrawing drawing) {
    std::vector<const PinEntry*> texts;
    std::vector<const PinEntry*> floats;
    for (const PinEntry& pin : pins.pins) {
        if (pin.direction == PinDirection::Out) continue;
        (pin.type == PinType::Text ? texts : floats).push_back(&pin);
    }
    const int releaseAt = random.chance(25) ? steps / 2 + static_cast<int>(random.below(static_cast<std::uint64_t>(steps / 2 + 1))) : -1;

    SessionScript script;
    const auto add = [&script](ScriptEvent event) {
        event.line = static_cast<int>(script.events.size()) + 1;
        script.events.push_back(std::move(event));
    };
    const auto valueEvent = [&](ScriptEvent& event) -> bool {
        const bool wantText = !texts.empty() && (floats.empty() || random.chance(45));
        const std::vector<const PinEntry*>& from = wantText ? texts : floats;
        if (from.empty()) return false;
        const PinEntry& pin = *from[random.below(from.size())];
        event.pin = indexIn(pin, random);
        if (wantText) {
            event.kind = Kind::Text;
            event.text = randomText(random);
        } else {
            event.kind = Kind::Float;
            event.number = randomFloat(random);
        }
        return true;
    };
    // A window a script never arranges is as large as the object asks; the
    // graphics bases ask for at most 100 pixels a side unless a module says otherwise.
    MpSize windowSize{100, 100};
    for (int step = 0; step < steps; ++step) {
        ScriptEvent event;
        if (drawing == ObjectDrawing::Window && step == 0 && step != releaseAt && random.chance(90)) {
            event.kind = Kind::Open;  // most sessions of a windowed object start with its window open
            add(event);
            continue;
        }
        if (drawing != ObjectDrawing::None && step != releaseAt && random.chance(drawing == ObjectDrawing::Window ? 45 : 10)) {
            add(randomWindowEvent(random, drawing, windowSize));
            continue;
        }
        if (step == releaseAt) {
            event.kind = Kind::Release;
            add(event);
            // After a release only time passes: what the object does then is its own.
            for (std::uint64_t n = random.below(2) + 1; n > 0 && script.events.size() < static_cast<std::size_t>(steps); --n) {
                ScriptEvent wait;
                wait.kind = Kind::Wait;
                wait.waitMs = 20;
                add(wait);
            }
            break;
        }
        const std::uint64_t roll = random.below(100);
        if (roll < 55) {
            if (!valueEvent(event)) continue;
        } else if (roll < 80) {
            if (pins.pins.empty()) continue;
            const PinEntry& pin = pins.pins[random.below(pins.pins.size())];
            event.kind = Kind::Notify;
            event.pin = indexIn(pin, random);
        } else if (roll < 90) {
            event.kind = Kind::Wait;
            static const std::int32_t waits[] = {0, 1, 2, 5, 20};
            event.waitMs = pick(random, waits);
        } else {
            // An event armed to be played from inside the object's next send.
            const bool made = valueEvent(event);
            if (random.chance(10)) {
                event = ScriptEvent{};
                event.kind = Kind::Release;  // the host letting go while the object is calling it
            } else if (!made || random.chance(40)) {
                if (pins.pins.empty()) continue;
                event = ScriptEvent{};
                event.kind = Kind::Notify;
                event.pin = indexIn(pins.pins[random.below(pins.pins.size())], random);
            }
            event.onSend = true;
        }
        add(event);
    }
    return script;
}
