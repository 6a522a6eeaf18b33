// A plug-in as the harness works on it: the library file, its pin
// description, the chosen class, and once opened, the loaded library and its
// factory. Both the session runner and the validator start here; every step
// that fails throws HostError with its own exit code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUserInterface2.h"
#include "tools/hosting/GuiObject.h"
#include "tools/hosting/HostObject.h"
#include "tools/hosting/PinDescription.h"
#include "tools/hosting/PluginLibrary.h"

struct PluginChoice {
    std::string libraryPath;               // UTF-8
    std::optional<std::string> identifier; // default: the description's first class
    std::optional<std::int32_t> kind;      // default: that class's kind
    std::optional<std::string> pinsFile;   // default: the library's own description
};

/// The command-line options that make the same choice in a child process
/// (--class, --kind, --pins), without the library path.
std::vector<std::string> choiceArguments(const PluginChoice& choice);

class HostedPlugin {
public:
    /// Checks the file exists and reads the description; chooses the class.
    /// Loads nothing yet.
    explicit HostedPlugin(const PluginChoice& choice);
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;
    /// Gives the factory reference back before the library unloads.
    ~HostedPlugin();

    /// Loads the library and obtains IMpFactory2 through MP_GetFactory.
    void open();
    /// Creates the chosen class with createObject2 and answers its
    /// IMpUserInterface2B with the one reference the caller owns.
    gmpi::IMpUserInterface2B* create();
    /// Creates the chosen class with createObject, which attaches a legacy
    /// object to `host` itself, and answers it with the caller's one
    /// reference. The host is described first (see describe).
    gmpi::IMpUnknown* createWithHost(HostObject& host);
    /// Makes `host` hold every value sent to it against the chosen class's
    /// pins and tell the listener given to onContractBreak of each that breaks
    /// them. createWithHost and createAttached do it themselves.
    void describe(HostObject& host) const { host.describedBy(pins(), breakListener); }
    /// Who hears of a value that breaks the description, on every host described from now on.
    void onContractBreak(HostObject::Listener listener) { breakListener = std::move(listener); }
    /// Creates the chosen class with createObject2, attached to nothing,
    /// whatever its family.
    GuiObject createDetached();
    /// What the chosen class's objects are: one made with createObject2,
    /// asked by query and released. Found once, then kept.
    const ObjectProfile& profile();
    /// Creates the chosen class and attaches it to `host` as its family is
    /// attached: a version-2 object by createObject2 and then its own setHost,
    /// a legacy one by createObject, which calls its setHost. `attached` is
    /// what setHost answered (ResultOk for a legacy object that was created).
    /// Throws HostError when the factory gives no object.
    GuiObject createAttached(HostObject& host, std::int32_t& attached);

    const std::string& libraryPath() const { return path; }
    const PinDescription& description() const { return pinDescription; }
    const ClassPins& pins() const { return *classPins; }
    const std::u16string& identifier() const { return identifierUnits; }
    PluginLibrary& library() { return loaded; }
    gmpi::IMpFactory2* factory() const { return factoryInterface; }

private:
    std::string className() const;
    /// "of the classes its pin description names, it registers: A (kind 2)",
    /// for a class the factory does not know.
    std::string registeredClasses() const;
    /// Throws HostError unless the factory answered ResultOk with an object;
    /// releases an object handed out with a failure.
    void expectCreated(std::int32_t result, void* object) const;

    std::string path;
    PinDescription pinDescription;
    const ClassPins* classPins = nullptr;
    std::u16string identifierUnits;
    PluginLibrary loaded;
    gmpi::IMpFactory2* factoryInterface = nullptr;
    std::optional<ObjectProfile> classProfile;
    HostObject::Listener breakListener;
    bool usesOtherDescription = false;  // --pins: the library's own may name other classes
};
