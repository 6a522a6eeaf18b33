// Compiled by the test command, never built into anything: a GDI object that
// overrides what its base keeps final. REFUSED_OPEN_WINDOW or
// REFUSED_CLOSE_WINDOW overrides that entry point, which would drop the
// object's hold and guard, and the compiler must refuse it; without either,
// the same object overrides the hooks instead and compiles.
#include <cstdint>

#include "gui/MpGuiWindowsGfxBase.h"

class Overriding final : public MpGuiWindowsGfxBase {
public:
#if defined(REFUSED_OPEN_WINDOW)
    std::int32_t openWindow(void*, void**) override { return gmpi::ResultOk; }
#elif defined(REFUSED_CLOSE_WINDOW)
    std::int32_t closeWindow() override { return gmpi::ResultOk; }
#endif

protected:
    void onOpenWindow() override { SetTimer(window, 1, 100, nullptr); }
    void onCloseWindow() override {
        KillTimer(window, 1);
        MpGuiWindowsGfxBase::onCloseWindow();
    }
};
