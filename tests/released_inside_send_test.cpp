// GUI objects written as a module author writes them, with no hold on
// themselves and no try of their own, against a host that lets go of the
// object inside a send: from a pin change, from a timer tick and from a
// click. Each sends a text too long for the string's own buffer, which the
// pin still looks at when the host's call returns, so an object freed inside
// the send is a use after free (AddressSanitizer reports it natively).
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "gui/FloatGuiPin.h"
#include "gui/StringGuiPin.h"
#include "gui/TimerClient.h"
#include "gui/ZuGuiCompositedGfxBase.h"
#include "gui/ZuGuiInvisibleBase.h"
#include "testing/LegacyHost.h"
#include "testing/RecordingHost.h"
#include "testing/TimerPump.h"

#ifdef _WIN32
#include "gui/MpGuiWindowsGfxBase.h"
#include "win/TestWindows.h"
#else
#include "platform/ThreadTimerStub.h"
#endif

namespace {

constexpr std::int32_t TickMs = 10;

// Objects alive, so that a test sees the host's release destroy the object.
int alive = 0;

// The author's part, the same on every base: a change of pin 0, and each
// timer tick, send a new text on pin 1.
template <class Base>
class Sender : public Base, public TimerClient {
public:
    Sender() {
        ++alive;
        this->registerPin(0, trigger, &Sender::send);
        this->registerPin(1, output);
    }
    ~Sender() override { --alive; }

    bool onTimer() override {
        send();
        return true;
    }

protected:
    void send() {
        ++sends;
        output.setValue(u"send number " + std::u16string(1, static_cast<char16_t>(u'0' + sends)) +
                        u", longer than a short text");
    }

private:
    FloatGuiPin trigger;
    StringGuiPin output;
    int sends = 0;
};

class InvisibleSender final : public Sender<ZuGuiInvisibleBase> {};

class CompositedSender final : public Sender<ZuGuiCompositedGfxBase> {
public:
    /// The host's press, as it reaches the object.
    void click() { static_cast<IZuGraphicsComposited*>(this)->compositedCallC(); }

protected:
    std::int32_t onCompositedCallC() override {
        send();
        return gmpi::ResultOk;
    }
};

#ifdef _WIN32
class WindowSender final : public Sender<MpGuiWindowsGfxBase> {
public:
    /// Opens the object's window inside `parent`, as the host does.
    void open(HWND parent) {
        const MpRect placement{0, 40, 0, 80};
        static_cast<IMpGraphicsWinGdi*>(this)->arrange(&placement);
        void* opened = nullptr;
        static_cast<IMpGraphicsWinGdi*>(this)->openWindow(parent, &opened);
        ASSERT_NE(opened, nullptr);
    }
    /// A left-button press on the window, sent as the system would.
    void click() { SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }

protected:
    std::int32_t onLButtonDown(std::uint32_t, POINT) override {
        send();
        return 0;
    }
};
#endif

enum class Event { PinChange, TimerTick, Click };

const char* nameOf(Event event) {
    switch (event) {
    case Event::PinChange: return "pin change";
    case Event::TimerTick: return "timer tick";
    case Event::Click: return "click";
    }
    return "?";
}

// The object's own tick: natively its stand-in timer fires now; on Windows
// the thread's messages are pumped until the tick has come and the object
// has gone, or two seconds have passed.
void tick() {
#ifdef _WIN32
    for (int round = 0; round < 200 && alive > 0; ++round) corvane::testing::runTimersFor(TickMs);
#else
    for (const auto& timer : corvane::testing::liveTimers())
        if (timer.periodMs == TickMs) corvane::testing::fireTimer(timer.id);
#endif
}

// Makes `event` happen to `gui`, whose last reference the host drops inside
// the send that follows. `gui` is not touched once the event has started.
template <class Gui>
void happen(Event event, Gui* gui) {
    switch (event) {
    case Event::PinChange: {
        const float value = 1.0f;
        gui->setPin(0, 0, sizeof value, &value);
        gui->notifyPin(0, 0);
        break;
    }
    case Event::TimerTick:
        gui->startTimer(TickMs);
        tick();
        break;
    case Event::Click:
        if constexpr (requires { gui->click(); }) gui->click();
        break;
    }
}

class ReleasedInsideSend : public ::testing::Test {
protected:
    void SetUp() override {
        alive = 0;
#ifndef _WIN32
        platform::stub::reset();
#endif
    }
#ifndef _WIN32
    // A destroyed object has left the timer service, and its timer is gone.
    void TearDown() override { EXPECT_TRUE(corvane::testing::liveTimers().empty()); }
#endif

    /// The host's release of the object's one reference, inside its send.
    template <class Gui>
    static void releaseOnce(Gui*& gui) {
        if (gui != nullptr) std::exchange(gui, nullptr)->release();
    }
};

}  // namespace

TEST_F(ReleasedInsideSend, VersionTwoObjectOnAPinChangeAndATimerTick) {
    for (const Event event : {Event::PinChange, Event::TimerTick}) {
        SCOPED_TRACE(nameOf(event));
        corvane::testing::RecordingHost host;
        auto* gui = new InvisibleSender;
        ASSERT_EQ(gui->setHost(host.asUnknown()), gmpi::ResultOk);
        InvisibleSender* reference = gui;
        host.onSend = [&](const corvane::testing::SentValue&) { releaseOnce(reference); };
        happen(event, gui);
        EXPECT_EQ(reference, nullptr);
        ASSERT_EQ(host.sent.size(), 1u);
        EXPECT_EQ(host.sent[0].pinIndex, 1);
        EXPECT_EQ(alive, 0);
    }
}

TEST_F(ReleasedInsideSend, CompositedObjectOnAPinChangeATimerTickAndAClick) {
    for (const Event event : {Event::PinChange, Event::TimerTick, Event::Click}) {
        SCOPED_TRACE(nameOf(event));
        corvane::testing::LegacyHost host;
        auto* gui = new CompositedSender;
        static_cast<IoldSchoolInitialisation*>(gui)->setHost(host.unknown());
        CompositedSender* reference = gui;
        host.onSend = [&] { releaseOnce(reference); };
        happen(event, gui);
        EXPECT_EQ(reference, nullptr);
        EXPECT_EQ(host.sent.size(), 1u);
        EXPECT_EQ(alive, 0);
    }
}

#ifdef _WIN32
TEST_F(ReleasedInsideSend, WindowObjectOnAPinChangeATimerTickAndAClick) {
    for (const Event event : {Event::PinChange, Event::TimerTick, Event::Click}) {
        SCOPED_TRACE(nameOf(event));
        ParentWindow parent;
        corvane::testing::LegacyHost host;
        auto* gui = new WindowSender;
        static_cast<IoldSchoolInitialisation*>(gui)->setHost(host.unknown());
        gui->open(parent.handle);
        WindowSender* reference = gui;
        host.onSend = [&] { releaseOnce(reference); };
        happen(event, gui);
        EXPECT_EQ(reference, nullptr);
        EXPECT_EQ(host.sent.size(), 1u);
        EXPECT_EQ(alive, 0);
    }
}
#endif
