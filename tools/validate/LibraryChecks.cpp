#include "tools/validate/LibraryChecks.h"

#include <cstdint>

#include "interfaces/InterfaceIds.h"
#include "interfaces/NativeTimerEntry.h"
#include "tools/hosting/ExportTable.h"
#include "tools/hosting/HostObject.h"
#include "tools/validate/CheckSupport.h"
#include "tools/validate/ObjectQueries.h"

using namespace gmpi;

namespace {

/// MP_GetFactory's IMpUnknown, with the reference it carries.
IMpUnknown* entryUnknown(HostedPlugin& plugin) {
    void* out = nullptr;
    plugin.library().entry()(&out);
    return static_cast<IMpUnknown*>(out);
}

}  // namespace

void exportTable(HostedPlugin& plugin, CheckReport& report) {
    std::string error;
    const auto names = readExportTable(plugin.libraryPath(), error);
    report.expect(names.has_value(), "cannot read the export table: " + error);
    if (!names) return;
    bool entry = false;
    for (const std::string& name : *names) {
        entry = entry || name == "MP_GetFactory";
#ifdef _WIN32
        const bool allowed = name == "MP_GetFactory";
#else
        // A native library may also offer its framework timers to the host.
        const bool allowed = name == "MP_GetFactory" || name == nativeTimerEntryName;
#endif
        report.expect(allowed, "exports " + name + " beside MP_GetFactory");
    }
    report.expect(entry, "does not export MP_GetFactory");
}

void factoryIdentity(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    IMpUnknown* first = entryUnknown(plugin);
    IMpUnknown* second = entryUnknown(plugin);
    report.expect(first != nullptr, "MP_GetFactory gave no factory");
    report.expect(first == second, "two calls of MP_GetFactory gave two pointers");
    if (first == nullptr) return;
    for (const NamedId& id : {NamedId{"IMpUnknown", IID_IMpUnknown}, NamedId{"IMpFactory", IID_IMpFactory},
                              NamedId{"IMpFactory2", IID_IMpFactory2}}) {
        void* out = untouched;
        const std::int32_t answer = first->queryInterface(id.iid, &out);
        report.expect(answer == ResultOk, std::string("the factory answered ") + result(answer) + " for " + id.name);
        report.expect(out == first, std::string("the factory's ") + id.name + " pointer is not its primary pointer");
        if (answer != ResultOk || out == nullptr || out == untouched) continue;
        void* again = nullptr;
        static_cast<IMpUnknown*>(out)->queryInterface(IID_IMpUnknown, &again);
        report.expect(again == first, std::string("IMpUnknown asked through the factory's ") + id.name + " differs");
        if (again != nullptr) static_cast<IMpUnknown*>(again)->release();
        static_cast<IMpUnknown*>(out)->release();
    }
    first->release();
    if (second != nullptr) second->release();
}

void factoryCounting(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    IMpUnknown* factory = entryUnknown(plugin);
    const std::int32_t added = factory->addRef();
    const std::int32_t dropped = factory->release();
    // An uncounted factory answers 1 to both; a counted one steps down by one.
    report.expect((added == 1 && dropped == 1) || (dropped == added - 1 && dropped >= 1),
                  "addRef answered " + result(added) + ", release " + result(dropped));
    for (int i = 0; i < 100; ++i) {
        factory->addRef();
        factory->release();
    }
    void* out = nullptr;
    report.expect(factory->queryInterface(IID_IMpFactory2, &out) == ResultOk && out != nullptr,
                  "the factory no longer answers after balanced addRef and release");
    if (out != nullptr) static_cast<IMpUnknown*>(out)->release();
    factory->release();
}

void createUnknownClass(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const std::u16string& identifier = plugin.identifier();
    const std::int32_t kind = plugin.pins().kind;
    struct Attempt {
        std::string what;
        std::u16string identifier;
        std::int32_t kind;
    };
    std::vector<Attempt> attempts{{"an unregistered identifier", u"No-Such-Class", kind},
                                  {"the empty identifier", u"", kind},
                                  {"the identifier followed by a blank", identifier + u" ", kind}};
    for (const std::int32_t other : {kind == INT32_MAX ? kind : kind + 1, kind == INT32_MIN ? kind : kind - 1})
        if (other != kind) attempts.push_back({"the identifier under kind " + std::to_string(other), identifier, other});
    if (identifier.size() > 1)
        attempts.push_back({"the identifier without its last unit", identifier.substr(0, identifier.size() - 1), kind});
    HostObject host(nullptr);
    plugin.describe(host);
    for (const Attempt& attempt : attempts) {
        void* out = untouched;
        std::int32_t answer = plugin.factory()->createObject2(attempt.identifier.c_str(), attempt.kind, &out);
        report.expect(answer == ResultNoInterface && out == nullptr,
                      "createObject2 with " + attempt.what + " answered " + result(answer) + " and " + hex(out));
        if (answer == ResultOk && out != nullptr && out != untouched) static_cast<IMpUnknown*>(out)->release();
        out = untouched;
        answer = plugin.factory()->createObject(attempt.identifier.c_str(), attempt.kind, host.unknown(), &out);
        report.expect(answer == ResultNoInterface && out == nullptr,
                      "createObject with " + attempt.what + " answered " + result(answer) + " and " + hex(out));
        if (answer == ResultOk && out != nullptr && out != untouched) static_cast<IMpUnknown*>(out)->release();
    }
}
