// One object driven through its pins the way the pin checks drive it, for
// every object family: created attached to a recording host (or without
// one), given values and notifications, left to its timers, released. It
// keeps every value the object sends with the host step it followed, so a
// failing check can say which call led to it ("after notifyPin(1)").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hosting/GuiObject.h"
#include "tools/hosting/HostObject.h"
#include "tools/hosting/HostedPlugin.h"
#include "tools/validate/ContractChecks.h"

class PinTraffic {
public:
    struct Sent {
        SentValue value;
        std::string step;  // "after notifyPin(1)", "while timers ran after setPin(2)", ...
    };
    struct Answers {
        std::int32_t set;
        std::int32_t notified;
    };
    /// How the object is made: attached as its family is (createObject2
    /// and setHost, or createObject), by createObject whatever the family
    /// (which attaches legacy objects only), or by createObject2 alone.
    enum class Attach { AsItsFamily, ByCreateObject, None };
    using StepListener = std::function<void(const std::string& step)>;

    /// Creates the chosen class of the opened `plugin` with a recording host
    /// as `attach` says. Each host step, creation included, is named to
    /// `report` before it is taken (so a crash in it is reported with it),
    /// and `afterStep` is told after it. Throws HostError when the factory
    /// gives no object.
    PinTraffic(HostedPlugin& plugin, Attach attach, CheckReport& report, StepListener afterStep = {});
    PinTraffic(const PinTraffic&) = delete;
    PinTraffic& operator=(const PinTraffic&) = delete;
    /// Releases the object if release() has not.
    ~PinTraffic();

    /// setPin with a value of the pin's type (a text or a float), then notifyPin.
    Answers deliver(const PinEntry& pin, std::int32_t index);
    /// setPin with `text` on a text pin, then notifyPin.
    Answers deliverText(std::int32_t index, std::u16string_view text);
    /// setPin with a float value on any index.
    std::int32_t setFloat(std::int32_t index);
    std::int32_t notify(std::int32_t index);
    /// Lets the object's timers run for a few milliseconds.
    void letTimersRun();
    /// Releases the object; answers what the last release answered.
    std::int32_t release();

    const std::vector<Sent>& sent() const { return values; }

private:
    /// Takes one host step: names it, runs `call` with sent values marked
    /// `during`, then marks them "after step".
    template <typename Call>
    void take(const std::string& step, const std::string& during, Call call);

    CheckReport& report;
    std::vector<Sent> values;
    std::string current;
    StepListener listener;
    HostObject host;
    GuiObject object;
};

/// The input pins of a description (in and in-out), each delivered by the
/// pin checks on its index and, for a repeated entry, also on the next
/// index and the last one.
std::vector<const PinEntry*> inputPins(const ClassPins& pins);
std::vector<std::int32_t> indicesOf(const PinEntry& pin);
