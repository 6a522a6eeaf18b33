#include "tools/HostedPlugin.h"

#include <filesystem>

#include "interfaces/InterfaceIds.h"
#include "tools/HostError.h"
#include "tools/HostText.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

using namespace gmpi;

HostedPlugin::HostedPlugin(const PluginChoice& choice) : path(choice.libraryPath) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(pathFromUtf8(path), ignored))
        throw HostError(ExitCode::MissingFile, "no such library file: " + path);
    pinDescription = choice.pinsFile ? PinDescription::loadFile(*choice.pinsFile) : PinDescription::loadFor(path);

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
    if (!loaded.open(absolute.empty() ? path : std::string(absolute.begin(), absolute.end()))) throw HostError(ExitCode::NotALibrary, "cannot load " + path + ": " + loaded.error());
#ifndef _WIN32
    // Natively the library stays mapped until the harness exits: the native
    // timer stand-in keeps its records for the process's life on purpose,
    // and unmapping them would show as a leak to leak checkers.
    dlopen(absolute.empty() ? path.c_str() : reinterpret_cast<const char*>(absolute.c_str()),
           RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
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
        throw HostError(ExitCode::ClassNotRegistered, "the factory of " + path + " has no class " + className());
    throw HostError(ExitCode::PluginFailed, "creating " + className() + " answered " + std::to_string(result));
}

IMpUnknown* HostedPlugin::createWithHost(IMpUnknown* host) {
    void* object = nullptr;
    const std::int32_t result = factoryInterface->createObject(identifierUnits.c_str(), classPins->kind, host, &object);
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
