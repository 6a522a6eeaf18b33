// A framework module with an author's classic mistake: "Test-Parse", a
// version-2 invisible object whose text pin 0 takes a setting as
// "name=number" and sends the number on float pin 1. It parses with
// std::stoi and never checks the text, so a text without '=' or without a
// number throws std::invalid_argument out of the pin's callback; the
// framework's boundary guard answers ResultFail and says so on the
// debug-output channel, where the harness must hear it.
#include <string>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/StringGuiPin.h"
#include "gui/ZuGuiInvisibleBase.h"

namespace {

class ParseGui final : public ZuGuiInvisibleBase {
public:
    ParseGui() {
        registerPin(0, settingPin, &ParseGui::onSettingChanged);
        registerPin(1, numberPin);
    }

private:
    void onSettingChanged() {
        const std::string setting = settingPin.valueUtf8();
        numberPin.setValue(static_cast<float>(std::stoi(setting.substr(setting.find('=') + 1))));
    }

    StringGuiPin settingPin;
    FloatGuiPin numberPin;
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Parse", [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface2B*>(new ParseGui)); }),
     true);

}  // namespace
