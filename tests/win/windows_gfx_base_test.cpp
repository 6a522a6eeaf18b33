// The GDI graphics bases on real windows (Windows build, run under Wine):
// views, counts and attaching; placement of the child window inside a real
// parent; the window class's registration; messages reaching the handlers;
// and windows that go away by other means than closeWindow.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "../FactoryAttachChecks.h"
#include "../TestSupport.h"
#include "../ViewChecks.h"
#include "../c_host.h"
#include "TestWindows.h"
#include "factory/MpFactory.h"
#include "gui/MpGuiWindowsGfxBase.h"
#include "gui/ZuGuiWindowsGfxBase.h"
#include "interfaces/InterfaceIds.h"

using corvane::testing::LegacyHost;

using namespace gmpi;

namespace {

// What reached the handlers of every test object; static so that a call
// reaching a destroyed object would still be seen.
struct Seen {
    struct Mouse {
        std::uint32_t flags;
        LONG x;
        LONG y;
    };
    inline static int paints = 0;
    inline static HDC paintedWith = nullptr;
    inline static std::vector<Mouse> downs, ups, moves;
    inline static int timers = 0;
    inline static int registrations = 0;
    inline static int unregistrations = 0;
    // The object's window as the open and close hooks found it.
    inline static std::vector<HWND> opened, closing;

    static void reset() {
        paints = timers = registrations = unregistrations = 0;
        paintedWith = nullptr;
        opened.clear();
        closing.clear();
        downs.clear();
        ups.clear();
        moves.clear();
    }
};

// A GDI graphics object that records its handlers and opens the bases'
// protected parts to the tests. Base is MpGuiWindowsGfxBase or ZuGuiWindowsGfxBase.
template <class Base>
class GdiGui : public Base {
public:
    explicit GdiGui(bool* destroyedFlag = nullptr) : destroyed(destroyedFlag) {}
    ~GdiGui() override {
        if (destroyed != nullptr) *destroyed = true;
    }

    std::int32_t onPaint(HDC deviceContext) override {
        ++Seen::paints;
        Seen::paintedWith = deviceContext;
        return 0;
    }
    std::int32_t onLButtonDown(std::uint32_t flags, POINT point) override {
        if (sendsOnButtonDown) this->sendPinValue(1, 0, nullptr, 0);
        Seen::downs.push_back({flags, point.x, point.y});
        return 0;
    }
    std::int32_t onLButtonUp(std::uint32_t flags, POINT point) override {
        Seen::ups.push_back({flags, point.x, point.y});
        return 0;
    }
    std::int32_t onMouseMove(std::uint32_t flags, POINT point) override {
        Seen::moves.push_back({flags, point.x, point.y});
        return 0;
    }
    std::int32_t onWindowTimer() override {
        ++Seen::timers;
        return 0;
    }
    std::int32_t registerWindowClass() override {
        ++Seen::registrations;
        const std::int32_t result = Base::registerWindowClass();
        throwIf(Hook::registerClass);
        return result;
    }
    std::int32_t unregisterWindowClass() override {
        ++Seen::unregistrations;
        const std::int32_t result = Base::unregisterWindowClass();
        throwIf(Hook::unregisterClass);
        return result;
    }
    std::int32_t getWindowClass(WNDCLASSEXW* windowClass) override {
        const std::int32_t result = Base::getWindowClass(windowClass);
        if (ownClassName != nullptr) windowClass->lpszClassName = ownClassName;
        return result;
    }
    void getWindowStyle(DWORD* style, DWORD* extendedStyle) override {
        Base::getWindowStyle(style, extendedStyle);
        if (topLevel) *style = WS_POPUP;
        throwIf(Hook::style);
    }
    void onOpenWindow() override {
        Seen::opened.push_back(this->window);
        throwIf(Hook::open);
    }
    void onCloseWindow() override {
        Seen::closing.push_back(this->window);
        Base::onCloseWindow();
        throwIf(Hook::close);
    }

    IMpUserInterface* primary() { return this; }
    IMpLegacyInitialization* legacyView() { return this; }
    IMpGraphicsWinGdi* gdiView() { return this; }
    gmpi::IGuiHost* storedHost() const { return this->host; }
    static std::int32_t windowsOpen() { return Base::openWindowCount; }

    using Base::gdiHost;
    using Base::getCapture;
    using Base::invalidateRect;
    using Base::libraryHandle;
    using Base::placementRect;
    using Base::releaseCapture;
    using Base::setCapture;
    using Base::window;

    bool topLevel = false;  // open a popup without parent instead of a child
    const wchar_t* ownClassName = nullptr;  // a window class of the derived class's own
    bool sendsOnButtonDown = false;         // a handler that calls the host

    // A hook that throws after doing its base's work, as a derived class's
    // hook may: the host must not see the exception.
    enum class Hook { none, registerClass, style, open, close, unregisterClass };
    Hook throwing = Hook::none;

private:
    void throwIf(Hook hook) const {
        if (throwing == hook) throw std::runtime_error("hook failed");
    }

    bool* destroyed;
};

using MpGdiGui = GdiGui<MpGuiWindowsGfxBase>;
using ZuGdiGui = GdiGui<ZuGuiWindowsGfxBase>;

const bool registered = [] {
    registerClass(ObjectKindGui, u"Test-MpGdiGui",
                  [] { return static_cast<IMpUnknown*>(static_cast<IMpUserInterface*>(new MpGdiGui)); });
    registerClass(ObjectKindGui, u"Test-ZuGdiGui",
                  [] { return static_cast<IMpUnknown*>(static_cast<IMpUserInterface*>(new ZuGdiGui)); });
    return true;
}();

bool classRegistered() { return classRegistered(MpGdiGui::libraryHandle(), L"DefaultMpWClass"); }

// Every test starts with a real parent window, no object window open and the
// class unregistered, and leaves the same way.
class WindowsGfx : public ::testing::Test {
protected:
    void SetUp() override {
        Seen::reset();
        ASSERT_NE(parent.handle, nullptr);
        ASSERT_EQ(MpGdiGui::windowsOpen(), 0);
        ASSERT_FALSE(classRegistered());
    }
    void TearDown() override {
        pumpMessages();
        EXPECT_EQ(MpGdiGui::windowsOpen(), 0) << "a test left a window open";
        EXPECT_FALSE(classRegistered()) << "a test left the class registered";
    }

    template <class Gui>
    static HWND open(Gui& gui, HWND parentWindow) {
        void* created = sentinel();
        EXPECT_EQ(gui.gdiView()->openWindow(parentWindow, &created), ResultOk);
        return static_cast<HWND>(created);
    }

    ParentWindow parent;
    LegacyHost host;
};

template <class Gui>
void expectGdiViews() {
    auto* gui = new Gui;
    expectViews(gui->primary(),
                {{"IMpUnknown", IID_IMpUnknown, gui->primary()},
                 {"IMpUserInterface", IID_IMpUserInterface, gui->primary()},
                 {"IMpLegacyInitialization", IID_IMpLegacyInitialization, gui->legacyView()},
                 {"IMpGraphicsWinGdi", IID_IMpGraphicsWinGdi, gui->gdiView()}},
                {{"IZuGraphicsComposited", IID_IZuGraphicsComposited},
                 {"IGraphicsHostWinGdi", IID_IGraphicsHostWinGdi},
                 {"IMpGraphicsWinGdi, last byte changed", withLastByteChanged(IID_IMpGraphicsWinGdi)}});
    EXPECT_EQ(gui->gdiView()->addRef(), 2);
    EXPECT_EQ(c_addRef(gui->legacyView()), 3);
    EXPECT_EQ(gui->primary()->release(), 2);
    EXPECT_EQ(c_release(gui->gdiView()), 1);
    EXPECT_EQ(gui->gdiView()->release(), 0);
}

}  // namespace

TEST_F(WindowsGfx, ViewsAnswerAsThePrimaryPointerAndShareTheMostDerivedCount) {
    {
        SCOPED_TRACE("MpGuiWindowsGfxBase");
        expectGdiViews<MpGdiGui>();
    }
    {
        SCOPED_TRACE("ZuGuiWindowsGfxBase");
        expectGdiViews<ZuGdiGui>();
        ZuGdiGui gui;
        gui.addRef();
        EXPECT_EQ(gui.release(), 1);
    }
}

TEST_F(WindowsGfx, SetHostAsksForEachGraphicsInterfaceInTurn) {
    MpGdiGui mp;
    host.queryAnswer = 5;
    EXPECT_EQ(mp.legacyView()->setHost(host.unknown()), 5);
    EXPECT_EQ(host.asked, (std::vector<InterfaceId>{IID_IGuiHost, IID_IGraphicsHostWinGdi}));
    EXPECT_EQ(mp.gdiHost, static_cast<IGraphicsHostWinGdi*>(&host));

    // What was obtained before the missing interface stays stored.
    MpGdiGui withoutGdi;
    LegacyHost noGdi({.gdi = false});
    EXPECT_THROW(static_cast<IoldSchoolInitialisation&>(withoutGdi).setHost(noGdi.unknown()), const char*);
    EXPECT_EQ(withoutGdi.storedHost(), static_cast<IGuiHost*>(&noGdi));

    ZuGdiGui withoutExtra;
    LegacyHost noExtra({.gdiExtra = false});
    EXPECT_THROW(withoutExtra.legacyView()->setHost(noExtra.unknown()), const char*);
    EXPECT_EQ(withoutExtra.gdiHost, static_cast<IGraphicsHostWinGdi*>(&noExtra));

    ASSERT_TRUE(registered);
    const InterfaceId gui = IID_IGuiHost, gdi = IID_IGraphicsHostWinGdi, extra = IID_IGraphicsHostWinGdiExtra;
    expectFactoryAttach(u"Test-MpGdiGui", {{"full host", {}, false, ResultOk, {gui, gdi}},
                                           {"without IGuiHost", {.guiHost = false}, false, ResultFail, {gui}},
                                           {"without IGraphicsHostWinGdi", {.gdi = false}, false, ResultFail, {gui, gdi}},
                                           {"no host", {}, true, ResultFail, {}}});
    expectFactoryAttach(u"Test-ZuGdiGui",
                        {{"full host", {}, false, ResultOk, {gui, gdi, extra}},
                         {"without IGuiHost", {.guiHost = false}, false, ResultFail, {gui}},
                         {"without IGraphicsHostWinGdi", {.gdi = false}, false, ResultFail, {gui, gdi}},
                         {"without IGraphicsHostWinGdiExtra", {.gdiExtra = false}, false, ResultFail, {gui, gdi, extra}}});
}

TEST_F(WindowsGfx, OpensTheChildWindowAtTheArrangedPlacement) {
    struct Case {
        const char* name;
        bool arranged;
        CMpRect arrangement;
        RECT placement;
    };
    const Case cases[] = {
        {"arranged", true, {10, 110, 20, 220}, {20, 10, 220, 110}},
        {"never arranged", false, {}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MpGdiGui gui;
        void* view = gui.gdiView();
        CMpSize desired{};
        EXPECT_EQ(c_gdi_measure(view, {10, 200}, &desired), ResultOk);
        EXPECT_EQ(desired.width, 15);
        EXPECT_EQ(desired.height, 100);
        if (c.arranged) {
            EXPECT_EQ(c_gdi_arrange(view, &c.arrangement), ResultOk);
        }

        void* opened = sentinel();
        ASSERT_EQ(c_gdi_openWindow(view, parent.handle, &opened), ResultOk);
        auto child = static_cast<HWND>(opened);
        ASSERT_TRUE(IsWindow(child));
        EXPECT_EQ(gui.window, child);
        EXPECT_EQ(GetParent(child), parent.handle);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE)) & (WS_CHILD | WS_VISIBLE),
                  static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        EXPECT_STREQ(className, L"DefaultMpWClass");
        const RECT placed = placementInParent(child);
        EXPECT_EQ(placed.left, c.placement.left);
        EXPECT_EQ(placed.top, c.placement.top);
        EXPECT_EQ(placed.right, c.placement.right);
        EXPECT_EQ(placed.bottom, c.placement.bottom);

        // Arranging an open window changes the next placement only.
        const CMpRect later{0, 50, 0, 60};
        EXPECT_EQ(c_gdi_arrange(view, &later), ResultOk);
        pumpMessages();
        EXPECT_EQ(placementInParent(child).right, c.placement.right);
        EXPECT_EQ(gui.placementRect, (MpRect{0, 50, 0, 60}));

        EXPECT_EQ(c_gdi_closeWindow(view), ResultOk);
        EXPECT_FALSE(IsWindow(child));
        EXPECT_EQ(gui.window, nullptr);
    }
}

TEST_F(WindowsGfx, TheClassIsRegisteredWhileAnyWindowIsOpen) {
    MpGdiGui first;
    ZuGdiGui second;
    EXPECT_EQ(first.gdiView()->closeWindow(), ResultOk) << "nothing open: nothing changes";
    EXPECT_EQ(MpGdiGui::windowsOpen(), 0);

    open(first, parent.handle);
    WNDCLASSEXW registeredClass{};
    registeredClass.cbSize = sizeof registeredClass;
    ASSERT_TRUE(GetClassInfoExW(MpGdiGui::libraryHandle(), L"DefaultMpWClass", &registeredClass));
    EXPECT_EQ(MpGdiGui::libraryHandle(), GetModuleHandleW(nullptr)) << "the module holding the code";
    EXPECT_EQ(registeredClass.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(registeredClass.hCursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
    EXPECT_EQ(registeredClass.hbrBackground, nullptr);
    EXPECT_EQ(registeredClass.cbWndExtra, 0);
    open(second, parent.handle);
    EXPECT_EQ(MpGdiGui::windowsOpen(), 2);
    EXPECT_EQ(Seen::registrations, 1);

    EXPECT_EQ(first.gdiView()->closeWindow(), ResultOk);
    EXPECT_TRUE(classRegistered()) << "the second window still uses it";
    EXPECT_EQ(Seen::unregistrations, 0);
    EXPECT_EQ(second.gdiView()->closeWindow(), ResultOk);
    EXPECT_FALSE(classRegistered());
    EXPECT_EQ(Seen::unregistrations, 1);
    EXPECT_EQ(second.gdiView()->closeWindow(), ResultOk);
    EXPECT_EQ(MpGdiGui::windowsOpen(), 0);
    EXPECT_EQ(Seen::unregistrations, 1);
}

TEST_F(WindowsGfx, MessagesReachTheHandlers) {
    MpGdiGui gui;
    const MpRect placement{0, 80, 0, 120};
    gui.gdiView()->arrange(&placement);
    HWND child = open(gui, parent.handle);
    ASSERT_TRUE(IsWindow(child));

    InvalidateRect(child, nullptr, TRUE);
    UpdateWindow(child);
    EXPECT_EQ(Seen::paints, 1);
    EXPECT_NE(Seen::paintedWith, nullptr);
    RECT stillInvalid{};
    EXPECT_FALSE(GetUpdateRect(child, &stillInvalid, FALSE)) << "EndPaint validated the window";
    gui.invalidateRect(nullptr, false);
    pumpMessages();
    EXPECT_EQ(Seen::paints, 2);

    const WPARAM keys = MK_LBUTTON | MK_SHIFT;
    EXPECT_EQ(SendMessageW(child, WM_LBUTTONDOWN, keys, MAKELPARAM(-3, 7)), 1);
    EXPECT_EQ(SendMessageW(child, WM_MOUSEMOVE, keys, MAKELPARAM(-32768, 32767)), 1);
    EXPECT_EQ(SendMessageW(child, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(40, -1)), 1);
    ASSERT_EQ(Seen::downs.size(), 1u);
    EXPECT_EQ(Seen::downs[0].x, -3);
    EXPECT_EQ(Seen::downs[0].y, 7);
    EXPECT_EQ(Seen::downs[0].flags, static_cast<std::uint32_t>(keys));
    ASSERT_EQ(Seen::moves.size(), 1u);
    EXPECT_EQ(Seen::moves[0].x, -32768);
    EXPECT_EQ(Seen::moves[0].y, 32767);
    ASSERT_EQ(Seen::ups.size(), 1u);
    EXPECT_EQ(Seen::ups[0].x, 40);
    EXPECT_EQ(Seen::ups[0].y, -1);
    EXPECT_EQ(Seen::ups[0].flags, static_cast<std::uint32_t>(MK_SHIFT));

    // A real timer on the window, through the message loop.
    SetTimer(child, 1, 1, nullptr);
    for (int wait = 0; wait < 40 && Seen::timers == 0; ++wait) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMessages();
    }
    KillTimer(child, 1);
    EXPECT_GE(Seen::timers, 1);
    EXPECT_EQ(SendMessageW(child, WM_TIMER, 1, 0), 1);
    EXPECT_EQ(SendMessageW(child, WM_DESTROY, 0, 0), 1) << "a child window posts no quit";
    EXPECT_TRUE(IsWindow(child));

    // Everything else goes to the default procedure and answers what it answers.
    HDC deviceContext = GetDC(child);
    const LRESULT erased = DefWindowProcW(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(deviceContext), 0);
    EXPECT_EQ(SendMessageW(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(deviceContext), 0), erased);
    EXPECT_EQ(erased, 0) << "the class has no background brush";
    ReleaseDC(child, deviceContext);
    EXPECT_EQ(SendMessageW(child, WM_SIZE, SIZE_RESTORED, MAKELPARAM(30, 40)), 0);
    EXPECT_EQ(SendMessageW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"drawn")), TRUE);
    wchar_t text[8] = {};
    GetWindowTextW(child, text, 8);
    EXPECT_STREQ(text, L"drawn");
    EXPECT_EQ(Seen::paints, 2);
    EXPECT_EQ(Seen::downs.size() + Seen::ups.size() + Seen::moves.size(), 3u);

    gui.setCapture();
    EXPECT_TRUE(gui.getCapture());
    gui.releaseCapture();
    EXPECT_FALSE(gui.getCapture());

    EXPECT_EQ(gui.gdiView()->closeWindow(), ResultOk);
}

TEST_F(WindowsGfx, DestroyingAWindowWithoutParentPostsQuit) {
    MpGdiGui gui;
    gui.topLevel = true;
    HWND popup = open(gui, nullptr);
    ASSERT_TRUE(IsWindow(popup));
    EXPECT_EQ(gui.gdiView()->closeWindow(), ResultOk);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(WindowsGfx, AWindowDestroyedByOtherMeansIsForgotten) {
    struct Case {
        const char* name;
        void (*destroy)(HWND child, ParentWindow& parentWindow);
    };
    const Case cases[] = {
        {"WM_CLOSE", [](HWND child, ParentWindow&) { EXPECT_EQ(SendMessageW(child, WM_CLOSE, 0, 0), 1); }},
        {"parent destroyed", [](HWND, ParentWindow& parentWindow) { DestroyWindow(parentWindow.handle); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParentWindow ownParent;
        bool destroyed = false;
        auto* gui = new MpGdiGui(&destroyed);
        HWND child = open(*gui, ownParent.handle);
        ASSERT_TRUE(IsWindow(child));

        c.destroy(child, ownParent);
        EXPECT_FALSE(IsWindow(child));
        EXPECT_EQ(gui->window, nullptr) << "no stale handle left to destroy later";
        EXPECT_EQ(MpGdiGui::windowsOpen(), 0);

        // The host's closeWindow afterwards finds nothing to destroy and
        // lets the class go, which it could not while the window existed.
        EXPECT_EQ(gui->gdiView()->closeWindow(), ResultOk);
        EXPECT_EQ(MpGdiGui::windowsOpen(), 0);
        EXPECT_FALSE(classRegistered());
        EXPECT_EQ(gui->primary()->release(), 0);
        EXPECT_TRUE(destroyed);
    }
    // Released without a closeWindow, the object lets the class go itself.
    auto* gui = new MpGdiGui;
    HWND child = open(*gui, parent.handle);
    SendMessageW(child, WM_CLOSE, 0, 0);
    EXPECT_EQ(gui->primary()->release(), 0);
    EXPECT_FALSE(classRegistered());
}

TEST_F(WindowsGfx, ASecondOpenReplacesTheFirstWindow) {
    MpGdiGui gui;
    HWND first = open(gui, parent.handle);
    ParentWindow otherParent;
    HWND second = open(gui, otherParent.handle);
    EXPECT_FALSE(IsWindow(first)) << "the first window is not left behind";
    ASSERT_TRUE(IsWindow(second));
    EXPECT_EQ(GetParent(second), otherParent.handle);
    EXPECT_EQ(gui.window, second);
    EXPECT_EQ(MpGdiGui::windowsOpen(), 1);
    EXPECT_EQ(Seen::opened, (std::vector<HWND>{first, second})) << "each open hook ran with its window open";
    EXPECT_EQ(Seen::closing, std::vector<HWND>{first}) << "the replaced window went through the close hook";

    EXPECT_EQ(SendMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 2)), 1);
    EXPECT_EQ(Seen::downs.size(), 1u);
    EXPECT_EQ(gui.gdiView()->closeWindow(), ResultOk);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(MpGdiGui::windowsOpen(), 0);
    EXPECT_EQ(Seen::closing, (std::vector<HWND>{first, second}));
}

TEST_F(WindowsGfx, ReleasingAnObjectWithItsWindowOpenDestroysTheWindow) {
    bool destroyed = false;
    auto* gui = new ZuGdiGui(&destroyed);
    HWND child = open(*gui, parent.handle);
    ASSERT_TRUE(IsWindow(child));
    PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SetTimer(child, 1, 1, nullptr);

    EXPECT_EQ(gui->primary()->release(), 0);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(ZuGdiGui::windowsOpen(), 0);
    EXPECT_FALSE(classRegistered());
    Sleep(20);
    pumpMessages();
    EXPECT_TRUE(Seen::downs.empty()) << "a queued message reached the destroyed object";
    EXPECT_EQ(Seen::timers, 0);
}

TEST_F(WindowsGfx, ADerivedClassesOwnWindowClassIsTheOneCreatedAndUnregistered) {
    const wchar_t* const own = L"CorvaneTestOwnClass";
    for (const bool closedFirst : {true, false}) {
        SCOPED_TRACE(closedFirst ? "window closed, then the object released" : "object released with its window open");
        auto* gui = new MpGdiGui;
        gui->ownClassName = own;
        HWND child = open(*gui, parent.handle);
        ASSERT_TRUE(IsWindow(child));
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        EXPECT_STREQ(className, own);
        EXPECT_TRUE(classRegistered(MpGdiGui::libraryHandle(), own));
        if (closedFirst) {
            EXPECT_EQ(gui->gdiView()->closeWindow(), ResultOk);
        }
        EXPECT_EQ(gui->primary()->release(), 0);
        EXPECT_FALSE(IsWindow(child));
        EXPECT_FALSE(classRegistered(MpGdiGui::libraryHandle(), own)) << "the class registered is the one unregistered";
    }
}

TEST_F(WindowsGfx, AReleaseByTheHostInsideAMessageTakesEffectOnceItIsHandled) {
    bool destroyed = false;
    auto* gui = new MpGdiGui(&destroyed);
    ASSERT_EQ(gui->legacyView()->setHost(host.unknown()), ResultOk);
    gui->sendsOnButtonDown = true;
    HWND child = open(*gui, parent.handle);
    ASSERT_TRUE(IsWindow(child));
    std::int32_t answered = -1;
    host.onSend = [&] { answered = gui->primary()->release(); };
    EXPECT_EQ(SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 2)), 1);
    host.onSend = nullptr;
    EXPECT_EQ(answered, 1) << "the object holds itself through the message";
    EXPECT_EQ(Seen::downs.size(), 1u) << "the handler ran to its end";
    EXPECT_TRUE(destroyed) << "and went once the message was handled";
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(MpGdiGui::windowsOpen(), 0);
}

TEST_F(WindowsGfx, GetCaptureWithoutAWindowIsFalse) {
    MpGdiGui gui;
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(gui.getCapture()) << "no window: nobody's capture is this object's";
    SetCapture(parent.handle);
    EXPECT_FALSE(gui.getCapture());
    ReleaseCapture();
}

TEST_F(WindowsGfx, AHookThatThrowsStaysInsideOpenAndClose) {
    struct Case {
        const char* name;
        MpGdiGui::Hook hook;
        bool opens;
    };
    const Case cases[] = {
        {"registerWindowClass", MpGdiGui::Hook::registerClass, false},
        {"getWindowStyle", MpGdiGui::Hook::style, false},
        {"onOpenWindow", MpGdiGui::Hook::open, false},
        {"onCloseWindow", MpGdiGui::Hook::close, true},
        {"unregisterWindowClass", MpGdiGui::Hook::unregisterClass, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MpGdiGui gui;
        gui.throwing = c.hook;
        void* created = sentinel();
        EXPECT_NO_THROW(EXPECT_EQ(c_gdi_openWindow(gui.gdiView(), parent.handle, &created), ResultOk));
        EXPECT_EQ(created != nullptr, c.opens) << "a failed hook opens nothing, as a failed creation";
        EXPECT_EQ(gui.window, created);
        EXPECT_NO_THROW(EXPECT_EQ(c_gdi_closeWindow(gui.gdiView()), ResultOk));
        EXPECT_EQ(gui.window, nullptr);
        EXPECT_EQ(MpGdiGui::windowsOpen(), 0);
        EXPECT_FALSE(classRegistered());
    }
}

TEST_F(WindowsGfx, AFailedCreationLeavesNothingOpen) {
    MpGdiGui gui;
    auto notAWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7ff00));
    void* created = sentinel();
    EXPECT_EQ(gui.gdiView()->openWindow(notAWindow, &created), ResultOk);
    EXPECT_EQ(created, nullptr);
    EXPECT_EQ(gui.window, nullptr);
    EXPECT_EQ(MpGdiGui::windowsOpen(), 0) << "the count is given back";
    EXPECT_FALSE(classRegistered());
    EXPECT_EQ(gui.gdiView()->openWindow(parent.handle, nullptr), ResultFail);
    EXPECT_EQ(gui.gdiView()->closeWindow(), ResultOk);
}
