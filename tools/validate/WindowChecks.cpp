#include "tools/validate/WindowChecks.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "tools/hosting/HostObject.h"
#include "tools/hosting/PinValue.h"
#include "tools/validate/CheckSupport.h"
#include "tools/validate/GdiWindowChecks.h"

namespace {

/// The largest side a host can make a window or a surface for.
constexpr std::int32_t largestSide = 8192;

std::string sizeText(MpSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

/// Whichever graphics view the object has: the GDI and the composited
/// interface size and place an object alike.
struct Sizing {
    std::function<std::int32_t(MpSize, MpSize*)> measure;
    std::function<std::int32_t(const MpRect*)> arrange;
};

Sizing sizingOf(const GuiObject& object) {
    if (IMpGraphicsWinGdi* gdi = object.gdi())
        return {[gdi](MpSize proposed, MpSize* desired) { return gdi->measure(proposed, desired); },
                [gdi](const MpRect* rect) { return gdi->arrange(rect); }};
    IZuGraphicsComposited* composited = object.composited();
    return {[composited](MpSize proposed, MpSize* desired) { return composited->measure(proposed, desired); },
            [composited](const MpRect* rect) { return composited->arrange(rect); }};
}

void graphicsMeasure(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    HostObject host(nullptr);
    std::int32_t attached = 0;
    GuiObject object = plugin.createAttached(host, attached);
    report.expect(attached == gmpi::ResultOk, "attaching the host answered " + result(attached));
    if (object.gdi() == nullptr && object.composited() == nullptr) {
        report.expect(false, "the object answers neither IMpGraphicsWinGdi nor IZuGraphicsComposited once attached");
        return;
    }
    const Sizing sizing = sizingOf(object);
    const MpSize proposals[] = {{0, 0}, {1, 1}, {10, 10}, {320, 240}, {8192, 8192}, {65536, 65536}, {8192, 0}};
    for (const MpSize proposed : proposals) {
        MpSize desired{-1, -1};
        report.step("measure(" + sizeText(proposed) + ")");
        const std::int32_t answer = sizing.measure(proposed, &desired);
        report.expect(answer == gmpi::ResultOk, "measure(" + sizeText(proposed) + ") answered " + result(answer));
        if (answer != gmpi::ResultOk) continue;
        report.expect(desired.width >= 1 && desired.width <= largestSide && desired.height >= 1 && desired.height <= largestSide,
                      "measure(" + sizeText(proposed) + ") wants " + sizeText(desired) + ": each side must be 1 to " +
                          std::to_string(largestSide) + " pixels");
    }
    for (const MpRect rect : {MpRect{0, 100, 0, 200}, MpRect{10, 40, 20, 120}, MpRect{0, 0, 0, 0}}) {
        report.step("arrange after measure");
        const std::int32_t answer = sizing.arrange(&rect);
        report.expect(answer == gmpi::ResultOk, "arrange(top " + std::to_string(rect.top) + ", bottom " + std::to_string(rect.bottom) +
                                                    ", left " + std::to_string(rect.left) + ", right " + std::to_string(rect.right) +
                                                    ") answered " + result(answer));
    }
}

/// A value of the pin's type, as the checks deliver them.
void deliver(GuiObject& object, const PinEntry& pin) {
    static const char16_t text[] = u"0.5";
    const float number = 0.5f;
    if (pin.type == PinType::Text) object.setPin(pin.index, 0, sizeof text - sizeof(char16_t), text);
    else object.setPin(pin.index, 0, sizeof number, &number);
    object.notifyPin(pin.index, 0);
}

void compositedRequests(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    HostObject host(nullptr);
    bool released = false;
    std::string afterRelease;
    host.onRequest([&](const std::string& request) {
        if (released && afterRelease.empty()) afterRelease = request;
    });
    std::int32_t attached = 0;
    GuiObject object = plugin.createAttached(host, attached);
    report.expect(attached == gmpi::ResultOk, "attaching the host answered " + result(attached));
    IZuGraphicsComposited* composited = object.composited();
    if (composited == nullptr) {
        report.expect(false, "the object does not answer IZuGraphicsComposited once attached");
        return;
    }
    const auto captureLeft = [&](const std::string& after) {
        report.expect(!host.captureHeld(), "after " + after + ", the object still holds the mouse capture (setCapture: " +
                                               std::to_string(host.captureSets()) + ", releaseCapture: " +
                                               std::to_string(host.captureReleases()) + ")");
    };
    MpSize desired{0, 0};
    report.step("measure(240x120) and arrange");
    composited->measure({240, 120}, &desired);
    const MpRect rect{0, desired.height > 0 ? desired.height : 120, 0, desired.width > 0 ? desired.width : 240};
    composited->arrange(&rect);
    captureLeft("measure and arrange");
    std::string pins;
    for (const PinEntry& pin : plugin.pins().pins) {
        if (pin.direction == PinDirection::Out) continue;
        report.step("setPin(" + std::to_string(pin.index) + ") and notifyPin(" + std::to_string(pin.index) + ")");
        deliver(object, pin);
        pins += (pins.empty() ? "" : ", ") + std::string("setPin(") + std::to_string(pin.index) + ") and notifyPin(" +
                std::to_string(pin.index) + ")";
    }
    if (!pins.empty()) captureLeft(pins);
    // The host-defined calls, which take no arguments in this interface, in
    // slot order: an object that takes the capture in one gives it back by
    // the last.
    using Call = std::int32_t (IZuGraphicsComposited::*)();
    const std::pair<const char*, Call> calls[] = {
        {"compositedCallA", &IZuGraphicsComposited::compositedCallA}, {"compositedCallB", &IZuGraphicsComposited::compositedCallB},
        {"compositedCallC", &IZuGraphicsComposited::compositedCallC}, {"compositedCallD", &IZuGraphicsComposited::compositedCallD},
        {"compositedCallE", &IZuGraphicsComposited::compositedCallE}, {"compositedCallF", &IZuGraphicsComposited::compositedCallF}};
    for (const auto& [name, call] : calls) {
        report.step(name);
        (composited->*call)();
    }
    captureLeft("compositedCallA to compositedCallF (in slot order)");
    if (host.captureHeld()) host.releaseCapture();
    released = true;
    report.step("the last release");
    const std::int32_t last = object.release();
    report.expect(last == 0, "the last release answered " + result(last) + " (want 0)");
    report.expect(afterRelease.empty(), "the object asked the host for " + afterRelease + " after its last release");
}

}  // namespace

const std::vector<ContractCheck>& windowChecks() {
    constexpr unsigned gdi = Covers::Legacy | Covers::WinGdi;
    static const std::vector<ContractCheck> checks{
        {"graphics-measure", "measure answers ResultOk with 1 to 8192 pixels a side for zero, small and large proposals; arrange answers ResultOk",
         graphicsMeasure, Covers::Legacy | Covers::WinGdi | Covers::Composited},
        {"window-open", "arrange then openWindow makes one visible child of the given parent at the arranged rectangle and gives its handle",
         gdiWindowOpen, gdi},
        {"window-paint", "a forced repaint is answered and leaves nothing to paint", gdiWindowPaint, gdi},
        {"window-mouse", "a press, drag and release inside, and a release outside after a press inside, leave no capture behind",
         gdiWindowMouse, gdi},
        {"window-close", "closeWindow destroys the window; a second closeWindow, and one before any open, are harmless",
         gdiWindowClose, gdi},
        {"window-rounds", "50 open and close rounds leave no window, no GDI or USER objects and no window class of the library",
         gdiWindowRounds, gdi},
        {"window-release-open", "the last release with the window open destroys the window", gdiReleaseWithWindowOpen, gdi},
        {"composited-requests", "repaint and capture requests reach the host, and no capture is left held or request made after the last release",
         compositedRequests, Covers::Legacy | Covers::Composited},
    };
    return checks;
}
