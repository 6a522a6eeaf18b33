#include "tools/hosting/HostedPlugin.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "interfaces/InterfaceIds.h"
#include "tools/common/ChildProcess.h"
#include "tools/common/HostError.h"
#include "tools/common/HostText.h"
#include "tools/hosting/ModuleTimers.h"
#include "tools/hosting/PluginDebugOutput.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

using namespace gmpi;

namespace {

/// The message for a folder given where a library file belongs, naming the
/// libraries inside it (build folders hold the plug-in beside other files).
std::string folderMessage(const std::string& path) {
#ifdef _WIN32
    const char* suffix = ".dll";
#else
    const char* suffix = ".so";
#endif
    std::vector<std::string> libraries;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(pathFromUtf8(path), ignored)) {
        const std::u8string name = entry.path().filename().u8string();
        if (entry.is_regular_file(ignored) && entry.path().extension() == suffix)
            libraries.emplace_back(name.begin(), name.end());
    }
    std::sort(libraries.begin(), libraries.end());
    std::string message = path + " is a folder, not a library file";
    if (libraries.empty()) return message + "; it holds no " + suffix + " file";
    message += "; the libraries in it:";
    for (std::size_t i = 0; i < libraries.size() && i < 8; ++i) message += " " + libraries[i];
    if (libraries.size() > 8) message += " ...";
    return message;
}

/// Tells a file that cannot be a library at all by its first bytes, before
/// its pin description is looked for in it.
bool looksLikeALibrary(const std::string& path) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    char start[4] = {};
    in.read(start, sizeof start);
#ifdef _WIN32
    return in.gcount() >= 2 && start[0] == 'M' && start[1] == 'Z';
#else
    return in.gcount() == 4 && start[0] == '\x7f' && start[1] == 'E' && start[2] == 'L' && start[3] == 'F';
#endif
}

}  // namespace

std::vector<std::string> choiceArguments(const PluginChoice& choice) {
    std::vector<std::string> arguments;
    if (choice.identifier) arguments.insert(arguments.end(), {"--class", *choice.identifier});
    if (choice.kind) arguments.insert(arguments.end(), {"--kind", std::to_string(*choice.kind)});
    if (choice.pinsFile) arguments.insert(arguments.end(), {"--pins", *choice.pinsFile});
    return arguments;
}

HostedPlugin::HostedPlugin(const PluginChoice& choice) : path(choice.libraryPath) {
    std::error_code ignored;
    if (std::filesystem::is_directory(pathFromUtf8(path), ignored)) throw HostError(ExitCode::MissingFile, folderMessage(path));
    if (!std::filesystem::is_regular_file(pathFromUtf8(path), ignored))
        throw HostError(ExitCode::MissingFile, "no such library file: " + path);
#ifdef _WIN32
    const char* fileKind = "a Windows DLL";
#else
    const char* fileKind = "an ELF shared library";
#endif
    if (!looksLikeALibrary(path))
        throw HostError(ExitCode::NotALibrary, path + " is not a library: its first bytes are not those of " + fileKind);
    pinDescription = choice.pinsFile ? PinDescription::loadFile(*choice.pinsFile) : PinDescription::loadFor(path);
    usesOtherDescription = choice.pinsFile.has_value();

    const ClassPins& first = pinDescription.classes.front();
    const std::string wanted = choice.identifier.value_or(first.identifier);
    std::int32_t kind = first.kind;
    if (choice.kind) {
        kind = *choice.kind;
    } else if (choice.identifier) {
        // A class named without a kind takes the kind the description gives it.
        for (const ClassPins& pins : pinDescription.classes)
            if (pins.identifier == wanted) { kind = pins.kind; break; }
    }
    classPins = pinDescription.find(wanted, kind);
    if (classPins == nullptr)
        throw HostError(ExitCode::BadPinDescription,
                        "the pin description of " + path + " has no class " + wanted + " of kind " + std::to_string(kind));
    const auto units = utf8ToUtf16(wanted);
    if (!units) throw HostError(ExitCode::Usage, "the class identifier is not valid UTF-8");
    identifierUnits = *units;
}

HostedPlugin::~HostedPlugin() {
    if (factoryInterface != nullptr) factoryInterface->release();
}

void HostedPlugin::open() {
    // The system's own search for a bare name would skip the current folder.
    std::error_code ignored;
    const std::u8string absolute = std::filesystem::absolute(pathFromUtf8(path), ignored).u8string();
    bool opened = false;
    // What the framework says of exceptions it caught is heard from the start.
    pluginDebugOutput::listen();
    {
        // A watching parent learns that a crash in here is the library's start-up code.
        const LoadingLibrary loading;
        opened = loaded.open(absolute.empty() ? path : std::string(absolute.begin(), absolute.end()));
    }
    if (!opened) throw HostError(ExitCode::NotALibrary, path + " is not a library this host can load: " + loaded.error());
#ifndef _WIN32
    // Natively the library stays mapped until the harness exits: the native
    // timer stand-in keeps its records for the process's life on purpose,
    // and unmapping them would show as a leak to leak checkers.
    dlopen(absolute.empty() ? path.c_str() : reinterpret_cast<const char*>(absolute.c_str()),
           RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    // Its framework timers fire while a session waits.
    moduleTimers::adopt(loaded);
#endif
    const MpGetFactoryFunction entry = loaded.entry();
    if (entry == nullptr) throw HostError(ExitCode::NoEntryPoint, path + " does not export MP_GetFactory");
    void* unknown = nullptr;
    const std::int32_t result = entry(&unknown);
    if (result != ResultOk || unknown == nullptr)
        throw HostError(ExitCode::PluginFailed, "MP_GetFactory answered " + std::to_string(result) + " and no factory");
    void* factory = nullptr;
    static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &factory);
    static_cast<IMpUnknown*>(unknown)->release();
    if (factory == nullptr) throw HostError(ExitCode::PluginFailed, "the factory does not answer IMpFactory2");
    factoryInterface = static_cast<IMpFactory2*>(factory);
}

std::string HostedPlugin::className() const {
    return classPins->identifier + " (kind " + std::to_string(classPins->kind) + ")";
}

void HostedPlugin::expectCreated(std::int32_t result, void* object) const {
    if (result == ResultOk && object != nullptr) return;
    // A factory may hand out the object whose set-up failed; it is ours to release.
    if (object != nullptr) static_cast<IMpUnknown*>(object)->release();
    if (result == ResultNoInterface)
        throw HostError(ExitCode::ClassNotRegistered, "the factory of " + path + " has no class " + className() + "; " + registeredClasses());
    throw HostError(ExitCode::PluginFailed, "creating " + className() + " answered " + std::to_string(result));
}

std::string HostedPlugin::registeredClasses() const {
    // The factory cannot list its classes: each one a description names (the
    // one in use and the library's own) is tried.
    std::vector<const ClassPins*> named;
    for (const ClassPins& pins : pinDescription.classes) named.push_back(&pins);
    std::optional<PinDescription> own;
    if (usesOtherDescription) {
        try {
            own = PinDescription::loadFor(path);
            for (const ClassPins& pins : own->classes) named.push_back(&pins);
        } catch (const HostError&) {
        }
    }
    std::vector<std::string> found;
    for (const ClassPins* pins : named) {
        const auto units = utf8ToUtf16(pins->identifier);
        if (!units) continue;
        const std::string name = pins->identifier + " (kind " + std::to_string(pins->kind) + ")";
        if (std::find(found.begin(), found.end(), name) != found.end()) continue;
        void* object = nullptr;
        const std::int32_t result = factoryInterface->createObject2(units->c_str(), pins->kind, &object);
        if (object != nullptr) static_cast<IMpUnknown*>(object)->release();
        if (result == ResultOk && object != nullptr) found.push_back(name);
    }
    if (found.empty())
        return "it registers none of the " + std::to_string(named.size()) + " classes its pin description names" +
               (pinDescription.classes.size() == 1 ? "" : " (choose one with --class)");
    std::string text = "of the classes its pin description names, it registers:";
    for (const std::string& name : found) text += " " + name + (&name == &found.back() ? "" : ",");
    return text + " (choose one with --class, and --kind where it differs)";
}

IMpUnknown* HostedPlugin::createWithHost(HostObject& host) {
    describe(host);
    void* object = nullptr;
    const std::int32_t result = factoryInterface->createObject(identifierUnits.c_str(), classPins->kind, host.unknown(), &object);
    expectCreated(result, object);
    return static_cast<IMpUnknown*>(object);
}

IMpUserInterface2B* HostedPlugin::create() {
    void* object = nullptr;
    const std::int32_t result = factoryInterface->createObject2(identifierUnits.c_str(), classPins->kind, &object);
    expectCreated(result, object);
    void* view = nullptr;
    static_cast<IMpUnknown*>(object)->queryInterface(IID_IMpUserInterface2B, &view);
    static_cast<IMpUnknown*>(object)->release();
    if (view == nullptr) throw HostError(ExitCode::PluginFailed, className() + " does not answer IMpUserInterface2B");
    return static_cast<IMpUserInterface2B*>(view);
}

GuiObject HostedPlugin::createDetached() {
    void* object = nullptr;
    const std::int32_t result = factoryInterface->createObject2(identifierUnits.c_str(), classPins->kind, &object);
    expectCreated(result, object);
    return GuiObject(static_cast<IMpUnknown*>(object));
}

const ObjectProfile& HostedPlugin::profile() {
    if (!classProfile) classProfile = createDetached().profile();
    return *classProfile;
}

GuiObject HostedPlugin::createAttached(HostObject& host, std::int32_t& attached) {
    if (profile().family == GuiFamily::Legacy) {
        attached = ResultOk;
        return GuiObject(createWithHost(host));
    }
    describe(host);
    GuiObject object = createDetached();
    attached = object.setHost(host.unknown());
    return object;
}
