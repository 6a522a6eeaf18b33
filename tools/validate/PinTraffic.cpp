#include "tools/validate/PinTraffic.h"

#include "tools/hosting/MessagePump.h"

using namespace gmpi;

PinTraffic::PinTraffic(HostedPlugin& plugin, Attach attach, CheckReport& checkReport, StepListener afterStep)
    : report(checkReport),
      listener(std::move(afterStep)),
      host([this](const SentValue& value) { values.push_back({value, current}); }) {
    if (attach == Attach::ByCreateObject) {
        take("createObject", "during createObject", [&] { object = GuiObject(plugin.createWithHost(host)); });
    } else if (attach == Attach::AsItsFamily) {
        const std::string step = plugin.profile().family == GuiFamily::Legacy ? "createObject" : "setHost";
        std::int32_t attached = ResultOk;
        take(step, "during " + step, [&] { object = plugin.createAttached(host, attached); });
    } else {
        take("createObject2", "during createObject2", [&] { object = plugin.createDetached(); });
    }
}

PinTraffic::~PinTraffic() {
    if (object.held()) release();
}

template <typename Call>
void PinTraffic::take(const std::string& step, const std::string& during, Call call) {
    report.step(step);
    current = during;
    call();
    current = "after " + step;
    if (listener) listener(current);
}

PinTraffic::Answers PinTraffic::deliver(const PinEntry& pin, std::int32_t index) {
    if (pin.type != PinType::Text) return {setFloat(index), notify(index)};
    return deliverText(index, u"1,2.5");
}

PinTraffic::Answers PinTraffic::deliverText(std::int32_t index, std::u16string_view text) {
    const std::string step = "setPin(" + std::to_string(index) + ")";
    std::int32_t set = ResultFail;
    take(step, "during " + step,
         [&] { set = object.setPin(index, 0, static_cast<std::int32_t>(text.size() * sizeof(char16_t)), text.data()); });
    report.heardAfterCall("setPin", set);
    return {set, notify(index)};
}

std::int32_t PinTraffic::setFloat(std::int32_t index) {
    const float number = 1.5f;
    const std::string step = "setPin(" + std::to_string(index) + ")";
    std::int32_t answer = ResultFail;
    take(step, "during " + step, [&] { answer = object.setPin(index, 0, sizeof number, &number); });
    report.heardAfterCall("setPin", answer);
    return answer;
}

std::int32_t PinTraffic::notify(std::int32_t index) {
    const std::string step = "notifyPin(" + std::to_string(index) + ")";
    std::int32_t answer = ResultFail;
    take(step, "during " + step, [&] { answer = object.notifyPin(index, 0); });
    report.heardAfterCall("notifyPin", answer);
    return answer;
}

void PinTraffic::letTimersRun() {
    // What a timer sends is named after the host step before it.
    const std::string before = current;
    take("a 5 ms wait for the object's timers", "while timers ran " + before, [] { pumpMessagesFor(5); });
}

std::int32_t PinTraffic::release() {
    std::int32_t last = 0;
    take("the release", "during the release", [&] { last = object.release(); });
    return last;
}

std::vector<const PinEntry*> inputPins(const ClassPins& pins) {
    std::vector<const PinEntry*> out;
    for (const PinEntry& pin : pins.pins)
        if (pin.direction != PinDirection::Out) out.push_back(&pin);
    return out;
}

std::vector<std::int32_t> indicesOf(const PinEntry& pin) {
    if (!pin.repeat) return {pin.index};
    return {pin.index, pin.index + 1, pin.last()};
}
