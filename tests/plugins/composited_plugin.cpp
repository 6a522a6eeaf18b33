// Composited plug-ins for the validator's composited checks:
// "Test-Composited", a legacy object on the composited graphics base with one
// float pin, the level it shows. A new level asks the host for a repaint;
// compositedCallC takes the mouse capture (a press) and compositedCallD
// gives it back (a release) and sends the level. Built natively and for
// Windows, once as it should be and once with a planted fault:
//   COMPOSITED_PLUGIN_KEEPS_CAPTURE  compositedCallD keeps the capture
#include <algorithm>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/ZuGuiCompositedGfxBase.h"

namespace {

class CompositedGui final : public ZuGuiCompositedGfxBase {
public:
    CompositedGui() { registerPin(0, levelPin, &CompositedGui::repaint); }

    std::int32_t measure(MpSize proposed, MpSize* desired) override {
        if (desired == nullptr) return gmpi::ResultFail;
        *desired = {std::clamp(proposed.width, 40, 400), 24};
        return gmpi::ResultOk;
    }

    std::int32_t compositedCallC() override {
        setCapture();
        return gmpi::ResultOk;
    }

    std::int32_t compositedCallD() override {
        if (getCapture()) {
#ifndef COMPOSITED_PLUGIN_KEEPS_CAPTURE
            releaseCapture();
#endif
            levelPin.setValue(std::clamp(levelPin.getValue() + 0.125f, 0.0f, 1.0f));
        }
        return gmpi::ResultOk;
    }

private:
    void repaint() { invalidateRect(nullptr); }

    FloatGuiPin levelPin;
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Composited",
                   [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface*>(new CompositedGui)); }),
     true);

}  // namespace
