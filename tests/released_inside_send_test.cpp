// GUI objects written as a module author writes them, with no hold on
// themselves and no try of their own, against a host that lets go of the
// object inside a send: from a pin change, from a timer tick (of the object
// as its own timer client, and of a member client) and from a click. Each sends a text too long for the string's own buffer, which the
// pin still looks at when the host's call returns, so an object freed inside
// the send is a use after free (AddressSanitizer reports it natively); the
// objects also note a destruction in the middle of their own send, which
// shows in every build.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <stdexcept>
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

// Objects alive, so that a test sees the host's release destroy the object;
// sends in progress, and objects destroyed while one was.
int alive = 0;
int sending = 0;
int destroyedMidSend = 0;

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
    ~Sender() override {
        --alive;
        if (sending > 0) ++destroyedMidSend;
    }

    bool onTimer() override {
        send();
        return true;
    }

protected:
    void send() {
        ++sends;
        ++sending;
        output.setValue(u"send number " + std::u16string(1, static_cast<char16_t>(u'0' + sends)) +
                        u", longer than a short text");
        --sending;
    }

private:
    FloatGuiPin trigger;
    StringGuiPin output;
    int sends = 0;
};

class InvisibleSender final : public Sender<ZuGuiInvisibleBase> {};

// The same object with its timer a member that sends through the object, as
// a helper class of the author's would.
template <class Base>
class MemberTimerSender final : public Base {
public:
    MemberTimerSender() {
        ++alive;
        this->registerPin(1, output);
    }
    ~MemberTimerSender() override {
        --alive;
        if (sending > 0) ++destroyedMidSend;
    }

    void startTimer(std::int32_t periodMs) { ticker.startTimer(periodMs); }

private:
    struct Ticker final : TimerClient {
        explicit Ticker(MemberTimerSender& gui) : TimerClient(gui), object(gui) {}
        bool onTimer() override {
            ++sending;
            object.output.setValue(u"a tick's text, longer than a short text");
            --sending;
            return true;
        }
        MemberTimerSender& object;
    };

    StringGuiPin output;
    Ticker ticker{*this};
};

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

// Makes `event` happen to `gui`, whose one reference `host` drops inside the
// send that follows, and checks that the object went after that send, not in
// it. `gui` is not touched once the event has started.
template <class Gui, class Host>
void expectLetGoInsideSend(Event event, Gui* gui, Host& host) {
    SCOPED_TRACE(nameOf(event));
    destroyedMidSend = 0;
    Gui* reference = gui;
    host.onSend = [&](const auto&...) {
        if (reference != nullptr) std::exchange(reference, nullptr)->release();
    };
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
        if constexpr (requires { gui->click(); })
            gui->click();
        else
            ADD_FAILURE() << "nothing to click";
        break;
    }
    EXPECT_EQ(reference, nullptr) << "the host was never sent to";
    EXPECT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(alive, 0) << "the host's release did not destroy the object";
    EXPECT_EQ(destroyedMidSend, 0) << "destroyed in the middle of its own send";
}

class ReleasedInsideSend : public ::testing::Test {
protected:
    void SetUp() override {
        alive = sending = 0;
#ifndef _WIN32
        platform::stub::reset();
#endif
    }
#ifndef _WIN32
    // A destroyed object has left the timer service, and its timer is gone.
    void TearDown() override { EXPECT_TRUE(corvane::testing::liveTimers().empty()); }
#endif
};

}  // namespace

TEST_F(ReleasedInsideSend, VersionTwoObjectOnAPinChangeAndATimerTick) {
    for (const Event event : {Event::PinChange, Event::TimerTick}) {
        corvane::testing::RecordingHost host;
        auto* gui = new InvisibleSender;
        ASSERT_EQ(gui->setHost(host.asUnknown()), gmpi::ResultOk);
        expectLetGoInsideSend(event, gui, host);
    }
}

TEST_F(ReleasedInsideSend, CompositedObjectOnAPinChangeATimerTickAndAClick) {
    for (const Event event : {Event::PinChange, Event::TimerTick, Event::Click}) {
        corvane::testing::LegacyHost host;
        auto* gui = new CompositedSender;
        static_cast<IoldSchoolInitialisation*>(gui)->setHost(host.unknown());
        expectLetGoInsideSend(event, gui, host);
    }
}

TEST_F(ReleasedInsideSend, MemberTimerClientOnItsTickOnBothFamilies) {
    {
        corvane::testing::RecordingHost host;
        auto* gui = new MemberTimerSender<ZuGuiInvisibleBase>;
        ASSERT_EQ(gui->setHost(host.asUnknown()), gmpi::ResultOk);
        expectLetGoInsideSend(Event::TimerTick, gui, host);
    }
    {
        corvane::testing::LegacyHost host;
        auto* gui = new MemberTimerSender<ZuGuiCompositedGfxBase>;
        static_cast<IoldSchoolInitialisation*>(gui)->setHost(host.unknown());
        expectLetGoInsideSend(Event::TimerTick, gui, host);
    }
}

// A member client made without naming its object would tick without the
// hold: starting it is refused, and from a hook the host hears ResultFail.
TEST_F(ReleasedInsideSend, MemberTimerClientWithoutItsOwnerIsRefused) {
    class Forgetful final : public ZuGuiInvisibleBase {
    public:
        Forgetful() { registerPin(0, trigger, &Forgetful::start); }
        void start() { ticker.startTimer(TickMs); }

        struct Ticker final : TimerClient {
            bool onTimer() override { return true; }
        } ticker;
        FloatGuiPin trigger;
    };
    auto* gui = new Forgetful;
    EXPECT_THROW(gui->start(), std::logic_error);
    EXPECT_EQ(gui->notifyPin(0, 0), gmpi::ResultFail);
    EXPECT_EQ(gui->release(), 0);
}

#ifdef _WIN32
TEST_F(ReleasedInsideSend, WindowObjectOnAPinChangeATimerTickAndAClick) {
    for (const Event event : {Event::PinChange, Event::TimerTick, Event::Click}) {
        ParentWindow parent;
        corvane::testing::LegacyHost host;
        auto* gui = new WindowSender;
        static_cast<IoldSchoolInitialisation*>(gui)->setHost(host.unknown());
        gui->open(parent.handle);
        expectLetGoInsideSend(event, gui, host);
    }
}
#endif
