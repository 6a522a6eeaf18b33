#include "tools/validate/PinTraffic.h"

#include "tools/session/Session.h"

using namespace gmpi;

PinTraffic::PinTraffic(HostedPlugin& plugin, Attach attach, StepListener afterStep)
    : listener(std::move(afterStep)), host([this](const SentValue& value) { values.push_back({value, current}); }) {
    if (attach == Attach::ByCreateObject) {
        current = "during createObject";
        object = GuiObject(plugin.createWithHost(host.unknown()));
        after("createObject");
    } else if (attach == Attach::AsItsFamily) {
        const char* step = plugin.profile().family == GuiFamily::Legacy ? "createObject" : "setHost";
        current = std::string("during ") + step;
        std::int32_t attached = ResultOk;
        object = plugin.createAttached(host, attached);
        after(step);
    } else {
        current = "during createObject2";
        object = plugin.createDetached();
        after("createObject2");
    }
}

PinTraffic::~PinTraffic() {
    if (object.held()) release();
}

void PinTraffic::after(const std::string& step) {
    current = "after " + step;
    if (listener) listener(current);
}

PinTraffic::Answers PinTraffic::deliver(const PinEntry& pin, std::int32_t index) {
    static const char16_t text[] = u"1,2.5";
    const float number = 1.5f;
    const std::string step = "setPin(" + std::to_string(index) + ")";
    current = "during " + step;
    const std::int32_t set = pin.type == PinType::Text ? object.setPin(index, 0, sizeof text - sizeof(char16_t), text)
                                                       : object.setPin(index, 0, sizeof number, &number);
    after(step);
    return {set, notify(index)};
}

std::int32_t PinTraffic::setFloat(std::int32_t index) {
    const float number = 1.5f;
    const std::string step = "setPin(" + std::to_string(index) + ")";
    current = "during " + step;
    const std::int32_t answer = object.setPin(index, 0, sizeof number, &number);
    after(step);
    return answer;
}

std::int32_t PinTraffic::notify(std::int32_t index) {
    const std::string step = "notifyPin(" + std::to_string(index) + ")";
    current = "during " + step;
    const std::int32_t answer = object.notifyPin(index, 0);
    after(step);
    return answer;
}

void PinTraffic::letTimersRun() {
    const std::string before = current;
    current = "while timers ran " + before;
    pumpMessagesFor(5);
    after("the timers ran");
}

std::int32_t PinTraffic::release() {
    current = "during the release";
    const std::int32_t last = object.release();
    after("the release");
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
