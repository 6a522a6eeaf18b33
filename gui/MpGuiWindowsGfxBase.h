// The base of legacy GUI objects that draw with GDI into a child window of
// their own. The host sizes and places the object and opens and closes the
// window through IMpGraphicsWinGdi; the window's messages reach the virtual
// handlers below through the window class "DefaultMpWClass", registered while
// at least one such window is open in the process. Windows build only; all
// calls and messages on the host's GUI thread.
//
// Window lifetime: the object owns at most one window. A window destroyed by
// other means (WM_CLOSE, its parent's destruction) is forgotten when it
// receives its last message, so the count stays balanced and no stale handle
// is destroyed later. A second openWindow closes the first window, and the
// destructor destroys a window the host left open, so no message can reach a
// destroyed object. An exception from a derived class's hook or handler
// stays inside: a failed hook in openWindow counts as a failed creation.
//
// The object holds itself through measure, arrange, openWindow, closeWindow
// and each window message (a handler may send, and the host let go of the
// object inside the send): those entry points are final, and derived classes
// override the hooks and handlers they call and take no hold and catch
// nothing themselves.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/MpGuiBase.h"
#include "interfaces/GraphicsTypes.h"
#include "interfaces/HostInterfaces.h"
#include "interfaces/IMpGraphicsWinGdi.h"

class MpGuiWindowsGfxBase : public MpGuiBase, public IMpGraphicsWinGdi {
public:
    MpGuiWindowsGfxBase() = default;

    // IMpUnknown, for every view of the object.
    /// Answers IMpGraphicsWinGdi with that view, anything else as the legacy
    /// base does. One reference added on success.
    std::int32_t queryInterface(const gmpi::InterfaceId& iid, void** out) override;
    /// The legacy base's one count; declared here so that this view's slots
    /// reach it too.
    std::int32_t addRef() override;
    std::int32_t release() override;

    // IMpGraphicsWinGdi. measure and arrange run onMeasure and onArrange
    // under the object's hold and answer what they answer; ResultFail when
    // they throw, and for a null `desired` or `rect` (no hook runs then).
    std::int32_t measure(MpSize proposed, MpSize* desired) final;
    std::int32_t arrange(const MpRect* rect) final;
    /// Under the object's hold: closes a window still open (as closeWindow),
    /// creates the window at the arranged placement, then runs onOpenWindow.
    /// ResultOk, with the window in *newWindow, or null there when creation
    /// failed or a hook threw; ResultFail for a null `newWindow`.
    std::int32_t openWindow(void* parentWindow, void** newWindow) final;
    /// Under the object's hold: runs onCloseWindow, then unregisters the
    /// window class after the process's last window. ResultOk, also with no
    /// window open and when the hook throws.
    std::int32_t closeWindow() final;

    /// Destroys a window the host left open (see above), then the base.
    ~MpGuiWindowsGfxBase() override;

protected:
    /// setHost's work: asks for IGuiHost, then for IGraphicsHostWinGdi, and
    /// answers the last query's result. Throws hostInterfacesNotSupported at
    /// the first one missing; what was obtained before stays stored.
    std::int32_t onSetHost(gmpi::IMpUnknown* hostObject) override;
    /// Handles the window's messages: paint, close, destroy, timer and the
    /// left-button and mouse-move messages answer 1; all others go to
    /// DefWindowProcW. Messages before openWindow returns go there too.
    virtual LRESULT onWindowMessage(HWND messageWindow, UINT message, WPARAM wParam, LPARAM lParam);
    /// Fills the window class record: redraw on resize, windowProcedure, the
    /// library's handle, the arrow cursor, "DefaultMpWClass". ResultOk.
    virtual std::int32_t getWindowClass(WNDCLASSEXW* windowClass);
    /// Styles of the window openWindow creates: visible child, no extended style.
    virtual void getWindowStyle(DWORD* style, DWORD* extendedStyle);
    /// Called by the first openWindow and the last close in the process. The
    /// class registered is the one getWindowClass names; windows are created
    /// of it, and it is the one unregistered, also when the last window goes
    /// with an object's destruction, where a derived class's overrides no
    /// longer run.
    virtual std::int32_t registerWindowClass();
    virtual std::int32_t unregisterWindowClass();
    /// Drawing and input handlers; the defaults do nothing and answer 0.
    /// `flags` are the key-state bits, `point` the client position, signed.
    virtual std::int32_t onPaint(HDC deviceContext);
    virtual std::int32_t onLButtonDown(std::uint32_t flags, POINT point);
    virtual std::int32_t onLButtonUp(std::uint32_t flags, POINT point);
    virtual std::int32_t onMouseMove(std::uint32_t flags, POINT point);
    virtual std::int32_t onWindowTimer();
    /// The size the object wants for `proposed`: by default each side
    /// clamped to 15..100 pixels. ResultOk.
    virtual std::int32_t onMeasure(MpSize proposed, MpSize& desired);
    /// The placement of the next window opened: by default stored in
    /// placementRect, which openWindow reads. ResultOk.
    virtual std::int32_t onArrange(const MpRect& rect);
    /// Runs once the window is open: `window` is its handle, its messages
    /// reach the handlers. The place for what needs the window (a timer of
    /// its own, child controls). The default does nothing. A throw closes
    /// the window again, and the host gets none.
    virtual void onOpenWindow();
    /// The host's close: by default destroys the window, if one is open,
    /// which forgets it. An override does its own work first and then calls
    /// this; one that does not leaves the window open until the object goes.
    virtual void onCloseWindow();

    /// Asks for a repaint of `rect` (null: the whole window) if a window is open.
    void invalidateRect(const RECT* rect, bool erase);
    /// True when this object's window holds the mouse capture; false while
    /// the object has no window (even when no window at all holds it).
    bool getCapture() const;
    void setCapture();
    void releaseCapture();
    /// The module that holds this code (the library), or null.
    static HINSTANCE libraryHandle();

    static constexpr const wchar_t* windowClassName = L"DefaultMpWClass";
    /// Windows open in the process from objects of the GDI bases.
    static inline std::int32_t openWindowCount = 0;
    /// The class registerWindowClass registered, 0 while none is.
    static inline ATOM registeredClass = 0;

    HWND window = nullptr;
    IGraphicsHostWinGdi* gdiHost = nullptr;  // kept for derived classes, never released
    MpRect placementRect{};                  // from the last arrange

private:
    /// The window class's procedure: finds the object through the window's
    /// back pointer and hands it the message; no exception leaves it.
    static LRESULT CALLBACK windowProcedure(HWND messageWindow, UINT message, WPARAM wParam, LPARAM lParam);
    /// Drops the back pointer and the count of `gone`, this object's window,
    /// whose last message has come or which is about to be destroyed.
    void forgetWindow(HWND gone);
    /// Destroys this object's window, if one is open, its handlers no longer
    /// reached: for a window no hook closed, and for the destructor.
    void destroyWindowUnheard();
    /// Runs onCloseWindow, keeping what it throws inside.
    void closeThroughHook();
    /// Unregisters the class if a window of this object went and no other is open.
    void unregisterClassIfLast();
    /// The class windows are created of: the one registered, else the default name.
    static LPCWSTR windowClass();

    bool closedSinceUnregister = false;  // a window of ours went since the class was last checked
};
