// What a legacy setHost's refusal looks like to whoever calls it: code linked
// into the same program (a framework object here) gets the C++ char* of this
// compiler; a host in another module (a test plug-in's DLL, loaded) gets it,
// on Windows, as Microsoft's C++ exception, caught here with the testing
// library's setHostFromOutside. Either way the object is counted as before
// and attaches to a complete host afterwards.
#include <gtest/gtest.h>

#include <string>

#include "LoadedLibrary.h"
#include "gui/MpGuiBase.h"
#include "interfaces/IZuGraphicsComposited.h"
#include "testing/LegacyHost.h"
#include "testing/SetHostFromOutside.h"

using corvane::testing::HostOffers;
using corvane::testing::LegacyHost;
using corvane::testing::setHostFromOutside;
using namespace gmpi;

namespace {

constexpr bool windows =
#ifdef _WIN32
    true;
#else
    false;
#endif

std::int32_t countOf(IMpUnknown& object) {
    object.addRef();
    return object.release();
}

class InProgramGui final : public MpGuiBase {};

TEST(LegacyThrowAbi, ACallerInsideTheProgramCatchesTheTextAsThisCompilersCharPointer) {
    auto* gui = new InProgramGui;
    IMpLegacyInitialization& init = *gui;
    LegacyHost lacking({.guiHost = false});
    const auto outcome = setHostFromOutside(init, lacking.unknown());
    EXPECT_TRUE(outcome.threw);
    EXPECT_FALSE(outcome.microsoftAbi) << "code of this program catches it with catch (const char*)";
    EXPECT_EQ(outcome.text, "host Interfaces not supported");
    EXPECT_EQ(countOf(init), 1);
    EXPECT_EQ(init.release(), 0);
}

TEST(LegacyThrowAbi, AHostInAnotherModuleGetsTheTextInTheHostsAbi) {
    PluginLibrary library;
    ASSERT_TRUE(library.open(programFolder() + "/" + COMPOSITED_PLUGIN_FILE)) << library.error();
    void* unknown = nullptr;
    ASSERT_EQ(library.entry()(&unknown), ResultOk);
    void* factory = nullptr;
    ASSERT_EQ(static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &factory), ResultOk);
    void* created = nullptr;
    ASSERT_EQ(static_cast<IMpFactory2*>(factory)->createObject2(u"Test-Composited", 2, &created), ResultOk);
    void* view = nullptr;
    ASSERT_EQ(static_cast<IMpUnknown*>(created)->queryInterface(IID_IMpLegacyInitialization, &view), ResultOk);
    static_cast<IMpUnknown*>(created)->release();
    auto& init = *static_cast<IMpLegacyInitialization*>(view);

    const struct {
        const char* name;
        HostOffers offers;
        bool null;
    } lacking[] = {{"no IGuiHost", {.guiHost = false}, false},
                   {"no IGraphicsHostComposited", {.composited = false}, false},
                   {"no host at all", {}, true}};
    for (const auto& host : lacking) {
        SCOPED_TRACE(host.name);
        LegacyHost offered(host.offers);
        const auto outcome = setHostFromOutside(init, host.null ? nullptr : offered.unknown());
        EXPECT_TRUE(outcome.threw);
        EXPECT_EQ(outcome.microsoftAbi, windows) << "on Windows as Microsoft's runtime raises a char*";
        EXPECT_EQ(outcome.text, "host Interfaces not supported");
        EXPECT_EQ(countOf(init), 1) << "the object's hold is given back before the host sees the text";
    }

    LegacyHost complete;
    const auto attached = setHostFromOutside(init, complete.unknown());
    EXPECT_FALSE(attached.threw);
    EXPECT_EQ(attached.answer, ResultOk);
    void* composited = nullptr;
    ASSERT_EQ(init.queryInterface(IID_IZuGraphicsComposited, &composited), ResultOk);
    auto& gfx = *static_cast<IZuGraphicsComposited*>(composited);
    complete.captureReport = 1;  // a press, then its release, which sends the level
    gfx.compositedCallC();
    gfx.compositedCallD();
    ASSERT_EQ(complete.sent.size(), 1u);
    EXPECT_EQ(complete.sent[0].number(), 0.125f);
    gfx.release();
    EXPECT_EQ(init.release(), 0);
}

}  // namespace
