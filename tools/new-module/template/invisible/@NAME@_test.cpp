// Unit test of @CLASS@Gui: the readout texts, and the object made through
// the module's factory on a recording host, as a host makes it, sending
// them. A plain program: exit 0 when all is as expected, 1 with each
// difference printed otherwise.
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "@CLASS@Gui.h"
#include "testing/ModuleFactory.h"
#include "testing/RecordingHost.h"

namespace {

int failures = 0;

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

void expectText(const std::u16string& got, const std::u16string& wanted, const std::string& what) {
    if (got == wanted) return;
    std::printf("FAIL: %s: \"%s\", expected \"%s\"\n", what.c_str(), narrow(got).c_str(), narrow(wanted).c_str());
    ++failures;
}

void expect(bool holds, const std::string& what) {
    if (holds) return;
    std::printf("FAIL: %s\n", what.c_str());
    ++failures;
}

void readoutTexts() {
    const struct {
        float gain;
        const char16_t* text;
    } cases[] = {
        {1.0f, u"0.0 dB"},
        {0.5f, u"-6.0 dB"},
        {2.0f, u"6.0 dB"},
        {-0.5f, u"-6.0 dB"},     // the sign is the phase, not the level
        {0.99999f, u"0.0 dB"},   // rounds to zero without a minus
        {0.0f, u"-inf dB"},
        {std::numeric_limits<float>::quiet_NaN(), u"nan dB"},
    };
    for (const auto& c : cases) expectText(@CLASS@Gui::readoutText(c.gain), c.text, "gain " + std::to_string(c.gain));
}

void sendsTheReadoutForEachGain() {
    corvane::testing::RecordingHost host;
    const auto created = corvane::testing::createVersion2(u"@ID@", host.asUnknown());
    expect(created.result == 0 && created.object != nullptr, "the factory makes and attaches the object");
    if (created.object == nullptr) return;
    gmpi::IMpUserInterface2B* object = created.version2();

    for (const float gain : {0.5f, 2.0f}) {
        object->setPin(0, 0, sizeof gain, &gain);
        object->notifyPin(0, 0);
    }
    expect(host.sent.size() == 2, "one readout per gain, got " + std::to_string(host.sent.size()));
    if (host.sent.size() == 2) {
        expect(host.sent[0].pinIndex == 1, "the readout goes out on pin 1");
        expectText(host.sent[0].text(), u"-6.0 dB", "first readout");
        expectText(host.sent[1].text(), u"6.0 dB", "second readout");
    }
    expect(object->release() == 0, "the host's release frees the object");
}

}  // namespace

int main() {
    readoutTexts();
    sendsTheReadoutForEachGain();
    if (failures == 0) std::printf("@NAME@_test: all as expected\n");
    return failures == 0 ? 0 : 1;
}
