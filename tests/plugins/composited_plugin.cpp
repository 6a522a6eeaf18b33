// A test plug-in that the host composites: "Test-Drawn", a legacy object on
// the composited graphics base, with no window of its own, for the host
// harness's sessions. It asks its host to repaint where it is arranged, and
// its one pin drives the mouse capture:
//   pin 0  text: "capture" takes the host's capture, "free" gives it back,
//          anything else asks for a repaint of the whole object
// Taking the capture and never giving it back is the fault a session finds.
#include "factory/MpFactory.h"
#include "gui/StringGuiPin.h"
#include "gui/ZuGuiCompositedGfxBase.h"

namespace {

class DrawnGui final : public ZuGuiCompositedGfxBase {
public:
    DrawnGui() { registerPin(0, requestPin, &DrawnGui::onRequest); }

    std::int32_t arrange(const MpRect* rect) override {
        const std::int32_t result = ZuGuiCompositedGfxBase::arrange(rect);
        if (result == gmpi::ResultOk) invalidateRect(&placementRect);
        return result;
    }

private:
    void onRequest() {
        const std::u16string& request = requestPin.getValue();
        if (request == u"capture") setCapture();
        else if (request == u"free") releaseCapture();
        else invalidateRect(nullptr);
    }

    StringGuiPin requestPin;
};

[[maybe_unused]] const bool registered =
    (registerClass(ObjectKindGui, u"Test-Drawn",
                   [] { return static_cast<gmpi::IMpUnknown*>(static_cast<gmpi::IMpUserInterface*>(new DrawnGui)); }),
     true);

}  // namespace
