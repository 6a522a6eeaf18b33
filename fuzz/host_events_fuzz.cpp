// One CorvaneGui driven by a host whose every call comes from the input:
// texts on pin 0 (with and without the change report), notifications, float
// values of odd sizes on any index, timer messages (live and stale), extra
// references, identity queries, and a host that acts from inside its next
// sendPinValue (of a float or of the text): delivers a value, changes and
// reports the text, drops all its references, throws, or faults in a way the
// message dispatch would catch (longjmp, inside a tick), abandoning the
// library's frames. After each step the pin contract is checked:
// - every float sent is 4 bytes with voice 0 on a pin in 1..N, and N never falls;
// - what the host last set or was sent on pin 0 is the text pin's value;
// - after a text change or an accepted float value, the text is the values
//   formatted as "%.4f" in the classic locale (the indeterminate NaN as the
//   Windows runtime spells it, "-nan(ind)"), joined by commas;
// - a text change sends pins 1..N in order with the values kept;
// - a timer message sends the text at most once and leaves no timer running.
// A host that let go from inside a call ends the session there: the object
// must have lived to the end of that call (its release answered 1). At the
// end the object is released: no timer, no client of the timer service and
// no late message may remain, and LeakSanitizer sees whatever was not freed.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <locale>
#include <set>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "factory/Export.h"
#include "factory/MpFactory.h"
#include "gui/StringGuiPin.h"
#include "gui/TimerService.h"
#include "interfaces/InterfaceIds.h"
#include "module/CorvaneGui.h"
#include "platform/ThreadTimerStub.h"
#include "testing/RecordingHost.h"

using namespace gmpi;
namespace stub = platform::stub;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) fail(what);
}

struct Sent {
    std::int32_t pinIndex;
    std::int32_t byteSize;
    std::int32_t voice;
    std::vector<unsigned char> bytes;
};

// The message dispatch around a timer message: resumes here, unwinding
// nothing, when host code inside faults.
std::jmp_buf dispatchHandler;

[[gnu::noinline]] void dispatch(platform::TimerId id) {
    if (setjmp(dispatchHandler) == 0) stub::fire(id);
}

// What the host does from inside its next sendPinValue of the chosen kind.
enum class Inside { nothing, deliverValue, changeText, releaseAll, throwError, fault };

class EventHost final : public corvane::testing::UncountedGuiHost {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        check(!released, "the object sent to a host that let go of it");
        check(byteSize >= 0 && (byteSize == 0 || data != nullptr), "a value sent with no bytes to read");
        const auto* first = static_cast<const unsigned char*>(data);
        sent.push_back(Sent{pinIndex, byteSize, voice, {first, first + byteSize}});
        if (pinIndex == 0 && byteSize % 2 == 0) {
            text.assign(static_cast<std::size_t>(byteSize / 2), u'\0');
            if (byteSize > 0) std::memcpy(text.data(), data, static_cast<std::size_t>(byteSize));
        }
        if (inside == Inside::nothing || (pinIndex == 0) != onTextSend) return ResultOk;
        const Inside now = inside;
        inside = Inside::nothing;
        calledBack = true;
        switch (now) {
            case Inside::deliverValue:
                object->setPin(insidePin, 0, sizeof insideValue, &insideValue);
                break;
            case Inside::changeText: {
                const std::vector<char16_t> exact(insideText.begin(), insideText.end());
                text = insideText;
                object->setPin(0, 0, static_cast<std::int32_t>(exact.size() * 2), exact.data());
                object->notifyPin(0, 0);
                break;
            }
            case Inside::releaseAll: {
                std::int32_t left = 0;
                for (int i = 0; i <= *extraReferences; ++i) left = object->release();
                check(left == 1, "a release inside a call did not leave the object's own hold");
                *extraReferences = 0;
                released = true;
                break;
            }
            case Inside::fault:
                threw = true;
                if (inTick) std::longjmp(dispatchHandler, 1);
                throw std::runtime_error("host code failed");
            case Inside::throwError:
                threw = true;
                throw std::runtime_error("host code failed");
            case Inside::nothing:
                break;
        }
        return ResultOk;
    }

    IMpUserInterface2B* object = nullptr;
    int* extraReferences = nullptr;
    std::vector<Sent> sent;  // this step's
    std::u16string text;     // pin 0 as far as the host knows: last set or sent
    Inside inside = Inside::nothing;
    bool onTextSend = false;  // act inside a send of the text, else of a float
    std::int32_t insidePin = 0;
    float insideValue = 0;
    std::u16string insideText;
    bool inTick = false;
    bool calledBack = false;  // this step's
    bool threw = false;       // this step's
    bool released = false;
};

std::uint32_t bits(float value) {
    std::uint32_t out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

std::u16string formatted(std::span<const float> values) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        out << (i == 0 ? "" : ",");
        // The Windows runtime's indeterminate value has a spelling of its own.
        if (bits(values[i]) == 0xFFC00000u) {
            out << "-nan(ind)";
        } else {
            out << static_cast<double>(values[i]);
        }
    }
    const std::string ascii = out.str();
    return std::u16string(ascii.begin(), ascii.end());
}


bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (bits(a[i]) != bits(b[i])) return false;
    return true;
}

std::vector<float> valuesOf(const CorvaneGui& gui) { return {gui.floatValues().begin(), gui.floatValues().end()}; }

const std::u16string& pinText(CorvaneGui& gui) { return static_cast<StringGuiPin*>(gui.getPin(0))->getValue(); }

std::int32_t pickIndex(FuzzedDataProvider& input) {
    const auto pick = input.ConsumeIntegral<std::uint8_t>();
    if (pick < 16) return 0;
    if (pick < 20) return -1;
    if (pick < 24) return INT_MIN;
    if (pick < 232) return 1 + (pick - 24) % 24;
    if (pick < 244) return 25 + (pick - 232) * 3;
    if (pick < 250) return CorvaneGui::LastFloatPin + 1;
    return INT_MAX;
}

std::u16string pickText(FuzzedDataProvider& input) {
    static constexpr char16_t alphabet[] = u"0123456789.,,,-+eE xXinfaNpP\t";
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    std::u16string text;
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        const auto pick = input.ConsumeIntegral<std::uint8_t>();
        text.push_back(pick < 240 ? alphabet[pick % (std::size(alphabet) - 1)] : input.ConsumeIntegral<char16_t>());
    }
    return text;
}

const InterfaceId queried[] = {IID_IMpUnknown, IID_IMpUserInterface2, IID_IMpUserInterface2B,
                               IID_IGuiHost2,  IID_IMpFactory,        IID_ComIUnknown};

class Session {
public:
    Session() {
        void* unknown = nullptr;
        check(MP_GetFactory(&unknown) == ResultOk, "no factory");
        void* factory = nullptr;
        static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &factory);
        void* out = nullptr;
        check(static_cast<IMpFactory2*>(factory)->createObject2(u"Orvex-Corvane", ObjectKindGui, &out) == ResultOk,
              "creation failed");
        object = static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(out));
        gui = static_cast<CorvaneGui*>(object);
        host.object = object;
        host.extraReferences = &extraReferences;
        check(object->setHost(&host) == ResultOk, "setHost failed");
    }

    /// False once the host has let go of the object from inside a call.
    bool alive() const { return object != nullptr; }

    void step(FuzzedDataProvider& input) {
        const std::vector<float> before = valuesOf(*gui);
        const std::u16string textBefore = pinText(*gui);
        host.sent.clear();
        host.calledBack = false;
        host.threw = false;
        bool rebuilt = false;       // the text must now be the values formatted
        bool textChanged = false;   // a text change ran without the host calling back
        bool valuesKept = false;    // nothing may have changed the values
        bool timerMessage = false;
        const auto voice = input.ConsumeIntegral<std::int32_t>();
        switch (input.ConsumeIntegralInRange(0, 10)) {
            case 0:
            case 1: {  // a text, reported or not
                const std::u16string text = pickText(input);
                const std::vector<char16_t> exact(text.begin(), text.end());
                check(object->setPin(0, voice, static_cast<std::int32_t>(exact.size() * 2), exact.data()) == ResultOk,
                      "setPin of a text refused");
                host.text = text;
                valuesKept = true;
                if (input.ConsumeBool()) break;
                [[fallthrough]];
            }
            case 2: {  // the text pin's change report
                const std::int32_t answer = object->notifyPin(0, voice);
                check(answer == ResultOk || (host.threw && answer == ResultFail), "notifyPin(0) refused");
                valuesKept = false;
                rebuilt = true;
                textChanged = true;
                break;
            }
            case 3: {  // a notification for another index
                const std::int32_t index = pickIndex(input);
                if (index == 0) break;
                check(object->notifyPin(index, voice) == ResultFail, "notifyPin of a float pin accepted");
                valuesKept = true;
                break;
            }
            case 4:
            case 5: {  // a float value: odd sizes, odd indices, sometimes no data
                const std::int32_t index = pickIndex(input);
                if (index == 0) break;
                const std::int32_t size = input.ConsumeIntegralInRange(-2, 9);
                const bool noData = input.ConsumeIntegralInRange(0, 15) == 0;
                std::vector<unsigned char> exact(static_cast<std::size_t>(size < 0 ? 0 : size));
                for (unsigned char& byte : exact) byte = input.ConsumeIntegral<std::uint8_t>();
                const void* data = noData ? nullptr : exact.data();
                check(object->setPin(index, voice, size, data) == ResultFail, "a float pin answered other than ResultFail");
                if (host.calledBack) break;  // from inside the text's send
                const bool accepted = index >= 1 && index <= CorvaneGui::LastFloatPin && size >= 0 &&
                                      (size == 0 || data != nullptr);
                const std::vector<float> after = valuesOf(*gui);
                check(host.sent.size() <= 1 && (host.sent.empty() || host.sent[0].pinIndex == 0),
                      "a float value sent anything but the text");
                if (!accepted) {
                    valuesKept = true;
                    break;
                }
                float expected = 0.0f;
                if (!exact.empty()) std::memcpy(&expected, exact.data(), std::min(exact.size(), sizeof expected));
                const auto slot = static_cast<std::size_t>(index) - 1;
                check(after.size() == std::max(before.size(), slot + 1), "float pins did not grow to the index");
                for (std::size_t i = 0; i < after.size(); ++i) {
                    const float was = i < before.size() ? before[i] : 0.0f;
                    check(bits(after[i]) == bits(i == slot ? expected : was), "a float slot holds the wrong value");
                }
                rebuilt = true;
                break;
            }
            case 6:  // raw bytes on pin 0: odd sizes, sometimes no data
            {
                const std::int32_t size = input.ConsumeIntegralInRange(-3, 17);
                const bool noData = input.ConsumeIntegralInRange(0, 7) == 0;
                std::vector<unsigned char> exact(static_cast<std::size_t>(size < 0 ? 0 : size));
                for (unsigned char& byte : exact) byte = input.ConsumeIntegral<std::uint8_t>();
                const void* data = noData ? nullptr : exact.data();
                const bool accepted = size >= 0 && (size == 0 || data != nullptr);
                check(object->setPin(0, voice, size, data) == (accepted ? ResultOk : ResultFail),
                      "setPin(0) answered wrongly for its size");
                if (accepted) {
                    host.text.assign(exact.size() / 2, u'\0');
                    if (!host.text.empty()) std::memcpy(host.text.data(), exact.data(), host.text.size() * 2);
                }
                valuesKept = true;
                break;
            }
            case 7:  // timer messages for every live timer, and a stale one
                host.inTick = true;
                for (const stub::LiveTimer& timer : stub::liveTimers()) {
                    timersSeen.insert(timer.id);
                    dispatch(timer.id);
                }
                if (!timersSeen.empty()) dispatch(*timersSeen.begin());
                host.inTick = false;
                if (!host.calledBack) check(stub::liveTimers().empty(), "the one-shot re-send left its timer running");
                timerMessage = true;
                valuesKept = true;
                break;
            case 8:  // an extra reference taken, or given back
                if (input.ConsumeBool() || extraReferences == 0) {
                    check(object->addRef() == 2 + extraReferences, "addRef answered the wrong count");
                    ++extraReferences;
                } else {
                    check(object->release() == extraReferences, "release answered the wrong count");
                    --extraReferences;
                }
                valuesKept = true;
                break;
            case 9: {  // an identity query, and one of the reserved calls
                void* out = nullptr;
                const InterfaceId& iid = queried[input.ConsumeIntegralInRange<std::size_t>(0, std::size(queried) - 1)];
                if (object->queryInterface(iid, &out) == ResultOk) {
                    check(out == object, "a query gave another pointer");
                    object->release();
                } else {
                    check(out == nullptr, "a failed query left a pointer");
                }
                check(object->hostCallA() == ResultOk && object->hostCallE() == ResultFail, "reserved calls answered wrongly");
                valuesKept = true;
                break;
            }
            default:  // the host acts from inside its next send of a float, or of the text
                host.inside = static_cast<Inside>(input.ConsumeIntegralInRange(1, 5));
                host.onTextSend = input.ConsumeBool();
                host.insidePin = 1 + input.ConsumeIntegralInRange(0, 30);
                host.insideValue = input.ConsumeFloatingPoint<float>();
                host.insideText = pickText(input);
                valuesKept = true;
                break;
        }
        if (host.released) {  // the object lived to the end of the call, and went
            object = nullptr;
            gui = nullptr;
            return;
        }
        if (host.calledBack) {
            textChanged = false;
            valuesKept = false;
            if (host.threw) rebuilt = false;  // the change stopped where the host failed
        }

        const std::vector<float> after = valuesOf(*gui);
        check(after.size() >= before.size(), "N fell");
        if (valuesKept) check(sameBits(after, before), "values changed by a call that must not change them");
        for (const Sent& sent : host.sent) {
            check(sent.voice == 0, "a value sent with a voice other than 0");
            if (sent.pinIndex == 0) {
                check(sent.byteSize % 2 == 0, "a text sent with an odd size");
            } else {
                check(sent.byteSize == 4, "a float sent with other than 4 bytes");
                check(sent.pinIndex >= 1 && static_cast<std::size_t>(sent.pinIndex) <= after.size(),
                      "a float sent on a pin outside 1..N");
            }
        }
        check(host.text == pinText(*gui), "the text pin changed without the host knowing");
        if (rebuilt) check(pinText(*gui) == formatted(after), "the text is not the values formatted");
        if (textChanged) {
            check(host.sent.size() == before.size() || host.sent.size() == before.size() + 1,
                  "a text change sent other than N floats and at most the text");
            for (std::size_t i = 0; i < before.size(); ++i) {
                float value;
                std::memcpy(&value, host.sent[i].bytes.data(), sizeof value);
                check(host.sent[i].pinIndex == static_cast<std::int32_t>(i + 1), "floats not sent in pin order");
                check(bits(value) == bits(after[i]), "a float sent differs from the value kept");
            }
        }
        if (timerMessage && !host.calledBack) {
            check(host.sent.size() <= 1, "one timer message sent more than once");
            check(host.sent.empty() || (host.sent[0].pinIndex == 0 && pinText(*gui) == textBefore),
                  "a timer message changed the text or sent other than it");
        }
    }

    ~Session() {
        while (object != nullptr && extraReferences > 0) {
            object->release();
            --extraReferences;
        }
        for (const stub::LiveTimer& timer : stub::liveTimers()) timersSeen.insert(timer.id);
        // Also after a fault left a call of the object's without returning.
        if (object != nullptr) check(object->release() == 0, "the last release did not destroy the object");
        check(stub::liveTimers().empty(), "a timer outlives its object");
        // A group emptied by its own tick stays for its period's next client, idle.
        for (const TimerGroup& group : TimerService::instance()->groupList())
            check(group.clients.empty() && group.timerId == 0, "the service still holds a released object");
        host.sent.clear();
        for (const platform::TimerId id : timersSeen) stub::fire(id);
        check(host.sent.empty(), "a timer message reached a released object");
    }

private:
    EventHost host;
    IMpUserInterface2B* object = nullptr;
    CorvaneGui* gui = nullptr;
    int extraReferences = 0;
    std::set<platform::TimerId> timersSeen;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Session session;
    for (int steps = 0; steps < 64 && session.alive() && input.remaining_bytes() > 0; ++steps) session.step(input);
    return 0;
}
