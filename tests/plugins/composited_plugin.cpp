// Composited plug-ins for the validator's composited checks:
// "Test-Composited", a legacy object on the composited graphics base with one
// float pin, the level it shows. A new level asks the host for a repaint;
// compositedCallC takes the mouse capture (a press) and compositedCallD
// gives it back (a release) and sends the level. Built natively and for
// Windows, once as it should be and once with a planted fault:
//   COMPOSITED_PLUGIN_KEEPS_CAPTURE  compositedCallD keeps the capture
// and, natively, once answering IMpGraphicsWinGdi as well (a window view
// that opens nothing), for the window checks a build without windows skips:
//   COMPOSITED_PLUGIN_ANSWERS_GDI
#include <algorithm>

#include "factory/MpFactory.h"
#include "gui/FloatGuiPin.h"
#include "gui/ZuGuiCompositedGfxBase.h"
#include "interfaces/IMpGraphicsWinGdi.h"
#include "interfaces/InterfaceIds.h"

namespace {

#ifdef COMPOSITED_PLUGIN_ANSWERS_GDI
/// The object's IMpGraphicsWinGdi view: sizes as the object does, opens no window.
class NoWindowView final : public IMpGraphicsWinGdi {
public:
    explicit NoWindowView(gmpi::IMpUnknown& object) : owner(object) {}
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override { return owner.queryInterface(iid, out); }
    std::int32_t addRef() override { return owner.addRef(); }
    std::int32_t release() override { return owner.release(); }
    std::int32_t measure(MpSize, MpSize* desired) override {
        if (desired == nullptr) return gmpi::ResultFail;
        *desired = {40, 24};
        return gmpi::ResultOk;
    }
    std::int32_t arrange(const MpRect*) override { return gmpi::ResultOk; }
    std::int32_t openWindow(void*, void** window) override {
        if (window != nullptr) *window = nullptr;
        return gmpi::ResultOk;
    }
    std::int32_t closeWindow() override { return gmpi::ResultOk; }

private:
    gmpi::IMpUnknown& owner;
};
#endif

class CompositedGui final : public ZuGuiCompositedGfxBase {
public:
    CompositedGui() { registerPin(0, levelPin, &CompositedGui::repaint); }

#ifdef COMPOSITED_PLUGIN_ANSWERS_GDI
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override {
        if (out == nullptr || !(iid == gmpi::IID_IMpGraphicsWinGdi)) return ZuGuiCompositedGfxBase::queryInterface(iid, out);
        *out = &gdiView;
        addRef();
        return gmpi::ResultOk;
    }
#endif

    std::int32_t onMeasure(MpSize proposed, MpSize& desired) override {
        desired = {std::clamp(proposed.width, 40, 400), 24};
        return gmpi::ResultOk;
    }

    std::int32_t onCompositedCallC() override {
        setCapture();
        return gmpi::ResultOk;
    }

    std::int32_t onCompositedCallD() override {
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
#ifdef COMPOSITED_PLUGIN_ANSWERS_GDI
    NoWindowView gdiView{*static_cast<gmpi::IMpUserInterface*>(this)};
#endif
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Composited",
                   [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface*>(new CompositedGui)); }),
     true);

}  // namespace
