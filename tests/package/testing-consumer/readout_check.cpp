// The value readout made through its factory on a recording host, its
// throttle released by the framework's timers fired by the test (natively the
// stand-in timers, on Windows the thread's messages): exit 0 when the
// readouts are as expected, 1 with the first difference otherwise.
#include <cstdio>
#include <string>
#include <vector>

#include "ValueReadoutGui.h"
#include "testing/ModuleFactory.h"
#include "testing/RecordingHost.h"
#include "testing/TimerPump.h"

namespace {

int failures = 0;

void expect(bool holds, const char* what) {
    if (!holds) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

std::vector<std::string> takeSent(corvane::testing::RecordingHost& host) {
    std::vector<std::string> texts;
    for (const auto& sent : host.sent) {
        const std::u16string text = sent.text();
        texts.emplace_back(text.begin(), text.end());
    }
    host.sent.clear();
    return texts;
}

}  // namespace

int main() {
    corvane::testing::RecordingHost host;
    const auto created = corvane::testing::createVersion2(u"Example-ValueReadout", host.asUnknown());
    expect(created.result == 0 && created.object != nullptr, "the factory makes and attaches the readout");
    if (created.object == nullptr) return 1;
    gmpi::IMpUserInterface2B* readout = created.version2();

    float value = 1.0f;
    readout->setPin(0, 0, sizeof value, &value);
    readout->notifyPin(0, 0);
    expect(takeSent(host) == std::vector<std::string>{"1.00"}, "the first change goes out at once");

    value = 2.0f;
    readout->setPin(0, 0, sizeof value, &value);
    readout->notifyPin(0, 0);
    expect(takeSent(host).empty(), "a change within the period waits");
    corvane::testing::runTimersFor(ValueReadoutGui::QuietPeriodMs * 3);
    expect(takeSent(host) == std::vector<std::string>{"2.00"}, "the timer sends the held readout");

    expect(readout->release() == 0, "the last release frees the readout");
    if (failures == 0) std::printf("readout_check: all as expected\n");
    return failures == 0 ? 0 : 1;
}
