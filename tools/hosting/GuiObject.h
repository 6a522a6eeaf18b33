// One plug-in GUI object as the harness holds it, whatever its family:
// version-2 (IMpUserInterface2B, attached by its own setHost) or legacy
// (IMpUserInterface, attached through IMpLegacyInitialization, usually by the
// factory's createObject), with the graphics interface it may add: a GDI
// window of its own (IMpGraphicsWinGdi) or drawing that the host composites
// (IZuGraphicsComposited). The family is found out by query, so checks and
// sessions deliver pins, attach and release the same way for all of them.
// Used by the validator's checks, the session player and show.
#pragma once

#include <cstdint>
#include <string>

#include "interfaces/IMpGraphicsWinGdi.h"
#include "interfaces/IMpUnknown.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/IZuGraphicsComposited.h"

enum class GuiFamily { Version2, Legacy, None };

/// What an object is, as its answers to queries tell.
struct ObjectProfile {
    GuiFamily family = GuiFamily::None;
    bool legacyInitialization = false;  // answers IMpLegacyInitialization
    bool winGdi = false;                // answers IMpGraphicsWinGdi
    bool composited = false;            // answers IZuGraphicsComposited

    /// For people: "version-2 (IMpUserInterface2B)", "legacy (IMpUserInterface)
    /// with a GDI window (IMpGraphicsWinGdi)", ...
    std::string describe() const;
};

/// Asks `object` for each interface a family is known by; changes no count.
ObjectProfile profileOf(gmpi::IMpUnknown* object);

class GuiObject {
public:
    GuiObject() = default;
    /// Takes over `created` and the one reference its creator handed out,
    /// and asks it for the views of its family (each holding one more).
    explicit GuiObject(gmpi::IMpUnknown* created);
    GuiObject(GuiObject&& other) noexcept;
    GuiObject& operator=(GuiObject&& other) noexcept;
    GuiObject(const GuiObject&) = delete;
    GuiObject& operator=(const GuiObject&) = delete;
    /// Releases what is still held.
    ~GuiObject();

    const ObjectProfile& profile() const { return objectProfile; }
    bool held() const { return object != nullptr; }
    gmpi::IMpUnknown* primary() const { return object; }
    IMpGraphicsWinGdi* gdi() const { return gdiView; }
    IZuGraphicsComposited* composited() const { return compositedView; }

    /// The family's own setHost: IMpUserInterface2B's, or IMpLegacyInitialization's
    /// (which may throw, as the legacy contract allows; the caller catches).
    std::int32_t setHost(gmpi::IMpUnknown* host);
    /// setPin and notifyPin through the family's GUI interface; ResultFail
    /// for an object with neither.
    std::int32_t setPin(std::int32_t pin, std::int32_t voice, std::int32_t byteSize, const void* data);
    std::int32_t notifyPin(std::int32_t pin, std::int32_t voice);

    /// Gives back the views' references, then the creator's, and answers what
    /// that last release answered. The object is let go of before any call,
    /// so a host may call this again from inside one of those releases.
    std::int32_t release();

private:
    gmpi::IMpUnknown* object = nullptr;
    ObjectProfile objectProfile;
    gmpi::IMpUserInterface2B* version2 = nullptr;
    gmpi::IMpUserInterface* legacy = nullptr;
    gmpi::IMpLegacyInitialization* initialization = nullptr;
    IMpGraphicsWinGdi* gdiView = nullptr;
    IZuGraphicsComposited* compositedView = nullptr;
};
