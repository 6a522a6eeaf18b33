#include "tools/validate/AttachChecks.h"

#include <exception>

#include "tools/hosting/HostObject.h"
#include "tools/validate/CheckSupport.h"

using namespace gmpi;

namespace {

/// What createObject did: its answer, its out pointer, and what came out of
/// it instead of an answer (empty when nothing did).
struct Creation {
    std::int32_t answer = ResultFail;
    void* out = untouched;
    std::string escaped;

    bool gaveObject() const { return out != nullptr && out != untouched; }
};

/// createObject with `host`, named `step` to the report first.
Creation createObjectWith(HostedPlugin& plugin, IMpUnknown* host, const std::string& step, CheckReport& report) {
    report.step(step);
    Creation creation;
    try {
        creation.answer = plugin.factory()->createObject(plugin.identifier().c_str(), plugin.pins().kind, host, &creation.out);
    } catch (const char* text) {
        creation.escaped = text == nullptr ? "a null text" : "the text \"" + std::string(text).substr(0, 100) + "\"";
    } catch (const std::exception& error) {
        creation.escaped = std::string("an exception (") + error.what() + ")";
    } catch (...) {
        creation.escaped = "an exception of unknown type";
    }
    return creation;
}

}  // namespace

void setHost(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    {
        HostObject host(nullptr);
        plugin.describe(host);
        IMpUserInterface2B* object = plugin.create();
        const std::int32_t answer = object->setHost(host.unknown());
        report.expect(answer == ResultOk, "setHost with an IGuiHost2 host answered " + result(answer));
        report.expect(host.guiHost2Queries() > 0, "setHost never asked the host for IGuiHost2");
        object->release();
    }
    {
        HostObject bare(nullptr, HostOffers::none());
        plugin.describe(bare);
        IMpUserInterface2B* object = plugin.create();
        const std::int32_t answer = object->setHost(bare.unknown());
        report.expect(answer == ResultNoInterface, "setHost with a host without IGuiHost2 answered " + result(answer) + " (want -2)");
        object->release();
    }
    {
        IMpUserInterface2B* object = plugin.create();
        const std::int32_t answer = object->setHost(nullptr);
        report.expect(answer != ResultOk, "setHost with no host at all answered ResultOk");
        object->release();
    }
}

void legacySetHost(HostedPlugin& plugin, CheckReport& report) {
    plugin.open();
    const ObjectProfile& profile = plugin.profile();
    report.expect(profile.legacyInitialization,
                  "the object does not answer IMpLegacyInitialization, through which createObject attaches it");
    // A legacy host: IGuiHost and the graphics host interfaces, not IGuiHost2.
    const HostOffers legacyHost = HostOffers::all().without(HostInterface::GuiHost2);
    {
        HostObject host(nullptr, legacyHost);
        plugin.describe(host);
        const std::string step = "createObject with a host offering IGuiHost and the graphics host interfaces";
        const Creation created = createObjectWith(plugin, host.unknown(), step, report);
        report.expect(created.escaped.empty(), created.escaped + " came out of " + step);
        report.expect(created.answer == ResultOk && created.gaveObject(),
                      step + " answered " + result(created.answer) + " and " + hex(created.out));
        report.expect(host.queries(HostInterface::GuiHost) > 0, step + " never asked the host for IGuiHost");
        if (profile.winGdi)
            report.expect(host.queries(HostInterface::WinGdi) > 0,
                          step + " never asked the host for IGraphicsHostWinGdi, though the object answers IMpGraphicsWinGdi");
        if (profile.composited)
            report.expect(host.queries(HostInterface::Composited) > 0,
                          step + " never asked the host for IGraphicsHostComposited, though the object answers IZuGraphicsComposited");
        if (created.gaveObject()) {
            const std::int32_t last = static_cast<IMpUnknown*>(created.out)->release();
            report.expect(last == 0, "releasing the object that " + step + " handed out answered " + result(last) + " (want 0)");
        }
    }
    // A host lacking what the object needs: creation answers ResultFail and
    // lets nothing out. The out pointer is null, or holds the object that
    // could not be attached, with the one reference that goes to the caller
    // (the framework's factory hands it out so); that release must end it.
    struct Lacking {
        std::string what;
        HostOffers offers;
        bool noHost = false;
    };
    std::vector<Lacking> hosts{{"a host without IGuiHost", legacyHost.without(HostInterface::GuiHost)}};
    if (profile.winGdi) hosts.push_back({"a host without IGraphicsHostWinGdi", legacyHost.without(HostInterface::WinGdi)});
    if (profile.composited)
        hosts.push_back({"a host without IGraphicsHostComposited", legacyHost.without(HostInterface::Composited)});
    hosts.push_back({"no host at all (null)", HostOffers::none(), true});
    for (const Lacking& lacking : hosts) {
        HostObject host(nullptr, lacking.offers);
        plugin.describe(host);
        const std::string step = "createObject with " + lacking.what;
        const Creation created = createObjectWith(plugin, lacking.noHost ? nullptr : host.unknown(), step, report);
        report.expect(created.escaped.empty(),
                      created.escaped + " came out of " + step + " (the factory catches what setHost throws and answers -1)");
        if (!created.escaped.empty()) continue;
        report.expect(created.answer == ResultFail, step + " answered " + result(created.answer) + " (want -1)");
        report.expect(created.out != untouched, step + " left the out pointer unwritten (want null)");
        if (!created.gaveObject()) continue;
        const std::int32_t last = static_cast<IMpUnknown*>(created.out)->release();
        report.expect(last == 0, step + " handed out the object; its one release answered " + result(last) +
                                     " (want 0: the object leaks)");
    }
}
