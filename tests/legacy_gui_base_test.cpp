// The legacy GUI object base as a host meets it: views and counts, attaching
// through either initialisation interface and through the factory, pins
// driven by setPin and notifyPin, and values forwarded to the host.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "FactoryAttachChecks.h"
#include "TestSupport.h"
#include "ViewChecks.h"
#include "c_host.h"
#include "factory/MpFactory.h"
#include "gui/MpGuiBase.h"
#include "gui/StringGuiPin.h"
#include "interfaces/InterfaceIds.h"

using corvane::testing::LegacyHost;

using namespace gmpi;

namespace {

// A legacy GUI object with one pin of each registration form: plain callback
// (index 0), indexed callback (1), none (2).
class LegacyGui : public MpGuiBase {
public:
    explicit LegacyGui(bool* destroyedFlag = nullptr) : destroyed(destroyedFlag) {
        registerPin(0, plain, &LegacyGui::onPlain);
        registerPin(1, indexed, &LegacyGui::onIndexed);
        registerPin(2, silent);
    }
    ~LegacyGui() override {
        if (destroyed != nullptr) *destroyed = true;
    }
    void onPlain() {
        ++plainRuns;
        if (throwFromCallback) throw std::runtime_error("callback failed");
        for (int i = 0; i < sendsFromCallback; ++i) plain.sendValue();
    }
    void onIndexed(std::int32_t voice) { indexedVoices.push_back(voice); }

    IMpUserInterface* primary() { return this; }
    IMpLegacyInitialization* legacyView() { return this; }
    IoldSchoolInitialisation* oldSchool() { return this; }
    gmpi::IGuiHost* storedHost() const { return host; }

    StringGuiPin plain, indexed, silent;
    int plainRuns = 0;
    std::vector<std::int32_t> indexedVoices;
    bool throwFromCallback = false;
    int sendsFromCallback = 0;

private:
    bool* destroyed;
};

// MpGuiBase_base used directly: the object's one count lives there in every case.
class BareLegacyGui final : public MpGuiBase_base {
public:
    explicit BareLegacyGui(bool& destroyedFlag) : destroyed(destroyedFlag) {}
    ~BareLegacyGui() override { destroyed = true; }

private:
    bool& destroyed;
};

// Distinct answers for the reserved calls, so a slot out of place shows.
class SlotProbeGui final : public MpGuiBase {
public:
    std::int32_t legacyCallA() override { return 41; }
    std::int32_t legacyCallB() override { return 42; }
    std::int32_t legacyCallC() override { return 43; }
    std::int32_t legacyCallD() override { return 44; }
};

const bool registered = [] {
    registerClass(ObjectKindGui, u"Test-LegacyGui",
                  [] { return static_cast<IMpUnknown*>(static_cast<IMpUserInterface*>(new LegacyGui)); });
    return true;
}();

const char16_t abc[] = u"abc";

}  // namespace

TEST(LegacyGuiBase, ViewsAnswerAsThePrimaryPointer) {
    auto* gui = new LegacyGui;
    expectViews(gui->primary(),
                {{"IMpUnknown", IID_IMpUnknown, gui->primary()},
                 {"IMpUserInterface", IID_IMpUserInterface, gui->primary()},
                 {"IMpLegacyInitialization", IID_IMpLegacyInitialization, gui->legacyView()}},
                {{"IGuiHost", IID_IGuiHost},
                 {"IMpUserInterface2", IID_IMpUserInterface2},
                 {"IMpUserInterface2B", IID_IMpUserInterface2B},
                 {"IMpGraphicsWinGdi", IID_IMpGraphicsWinGdi},
                 {"IZuGraphicsComposited", IID_IZuGraphicsComposited},
                 {"COM IUnknown", IID_ComIUnknown},
                 {"IMpUserInterface, last byte changed", withLastByteChanged(IID_IMpUserInterface)}});
    EXPECT_NE(static_cast<void*>(gui->legacyView()), static_cast<void*>(gui->primary()));
    EXPECT_EQ(gui->primary()->release(), 0);
}

TEST(LegacyGuiBase, AllViewsShareTheMostDerivedCount) {
    bool destroyed = false;
    auto* gui = new LegacyGui(&destroyed);
    EXPECT_EQ(gui->primary()->addRef(), 2);
    EXPECT_EQ(gui->legacyView()->addRef(), 3);
    EXPECT_EQ(c_addRef(gui->legacyView()), 4);
    EXPECT_EQ(gui->legacyView()->release(), 3);
    EXPECT_EQ(c_release(gui->primary()), 2);
    EXPECT_EQ(gui->primary()->release(), 1);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(gui->legacyView()->release(), 0);
    EXPECT_TRUE(destroyed);

    // Used directly, the legacy base counts on its own field.
    bool bareDestroyed = false;
    IMpUserInterface* bare = new BareLegacyGui(bareDestroyed);
    EXPECT_EQ(bare->addRef(), 2);
    EXPECT_EQ(bare->release(), 1);
    EXPECT_EQ(bare->release(), 0);
    EXPECT_TRUE(bareDestroyed);
}

TEST(LegacyGuiBase, SetHostThroughEitherInitialisationInterface) {
    struct Way {
        const char* name;
        std::int32_t (*setHost)(LegacyGui&, IMpUnknown*);
        bool throughC;  // no exception is sent through C frames
    };
    const Way ways[] = {
        {"IMpLegacyInitialization", [](LegacyGui& gui, IMpUnknown* h) { return gui.legacyView()->setHost(h); }, false},
        {"IoldSchoolInitialisation", [](LegacyGui& gui, IMpUnknown* h) { return gui.oldSchool()->setHost(h); }, false},
        {"C table of IMpLegacyInitialization",
         [](LegacyGui& gui, IMpUnknown* h) { return c_legacyInit_setHost(gui.legacyView(), h); }, true},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        LegacyGui gui;
        LegacyHost host;
        host.queryAnswer = 7;  // the host's own answer is passed on
        EXPECT_EQ(way.setHost(gui, host.unknown()), 7);
        EXPECT_EQ(gui.storedHost(), static_cast<IGuiHost*>(&host));
        EXPECT_EQ(host.asked, std::vector<InterfaceId>{IID_IGuiHost});
    }
    for (const Way& way : ways) {
        if (way.throughC) continue;
        SCOPED_TRACE(way.name);
        LegacyGui gui;
        LegacyHost lacking({.guiHost = false});
        try {
            way.setHost(gui, lacking.unknown());
            ADD_FAILURE() << "setHost returned for a host without IGuiHost";
        } catch (char* text) {  // the text itself, as legacy hosts catch it
            EXPECT_STREQ(text, "host Interfaces not supported");
        }
        EXPECT_EQ(gui.storedHost(), nullptr);
        // A null host is a host without interfaces, not a crash; catchable as an untyped pointer too.
        EXPECT_THROW(way.setHost(gui, nullptr), void*);
        EXPECT_THROW(way.setHost(gui, nullptr), const char*);
    }
}

TEST(LegacyGuiBase, AReleaseInsideACallbacksSendTakesEffectWhenNotifyPinReturns) {
    bool destroyed = false;
    auto* gui = new LegacyGui(&destroyed);
    LegacyHost host;
    ASSERT_EQ(gui->legacyView()->setHost(host.unknown()), ResultOk);
    gui->sendsFromCallback = 2;
    std::int32_t answered = -1;
    host.onSend = [&] {
        if (answered == -1) answered = gui->primary()->release();
    };
    EXPECT_EQ(gui->primary()->notifyPin(0, 0), ResultOk);
    EXPECT_EQ(answered, 1) << "the object holds itself through notifyPin";
    EXPECT_EQ(host.sent.size(), 1u) << "nothing more is sent to a host that let go";
    EXPECT_TRUE(destroyed);
}

TEST(LegacyGuiBase, FactoryAttachesThroughTheLegacyInitialisation) {
    ASSERT_TRUE(registered);
    expectFactoryAttach(u"Test-LegacyGui",
                        {{"full host", {}, false, ResultOk, {IID_IGuiHost}},
                         {"host without IGuiHost", {.guiHost = false}, false, ResultFail, {IID_IGuiHost}},
                         {"no host", {}, true, ResultFail, {}}});
}

TEST(LegacyGuiBase, PinsTakeValuesAndRunCallbacksOnlyWhenNotified) {
    LegacyGui gui;
    IMpUserInterface* ui = gui.primary();
    struct Case {
        const char* name;
        std::int32_t pinIndex;
        std::int32_t result;
    };
    const Case cases[] = {
        {"plain callback", 0, ResultOk}, {"indexed callback", 1, ResultOk}, {"no callback", 2, ResultOk},
        {"unregistered", 3, ResultFail}, {"negative", -1, ResultFail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ui->setPin(c.pinIndex, 5, 6, abc), c.result);
    }
    EXPECT_EQ(gui.plainRuns, 0);
    EXPECT_TRUE(gui.indexedVoices.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ui->notifyPin(c.pinIndex, 9), c.result);
    }
    EXPECT_EQ(gui.plain.getValue(), u"abc");
    EXPECT_EQ(gui.silent.getValue(), u"abc");
    EXPECT_EQ(gui.plainRuns, 1);
    EXPECT_EQ(gui.indexedVoices, std::vector<std::int32_t>{9});

    // Unsafe sizes and a throwing callback are refused, not thrown at the host.
    EXPECT_EQ(ui->setPin(0, 0, -2, abc), ResultFail);
    EXPECT_EQ(ui->setPin(0, 0, 6, nullptr), ResultFail);
    EXPECT_EQ(gui.plain.getValue(), u"abc");
    gui.throwFromCallback = true;
    EXPECT_EQ(ui->notifyPin(0, 0), ResultFail);
}

TEST(LegacyGuiBase, PinValuesReachTheHostUnchanged) {
    LegacyGui gui;
    LegacyHost host;
    gui.indexed.setValue(u"early");  // before setHost: refused, not a crash
    EXPECT_EQ(gui.sendPinValue(1, 10, u"early", 0), ResultFail);

    ASSERT_EQ(gui.legacyView()->setHost(host.unknown()), ResultOk);
    host.sendAnswer = 12;
    EXPECT_EQ(gui.sendPinValue(4, 6, abc, 3), 12);
    gui.plain.setValue(u"xy");
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.sent[0].pinIndex, 4);
    EXPECT_EQ(host.sent[0].byteSize, 6);
    EXPECT_EQ(host.sent[0].data, abc);
    EXPECT_EQ(host.sent[0].voice, 3);
    EXPECT_EQ(host.sent[1].pinIndex, 0);
    EXPECT_EQ(host.sent[1].text(), u"xy");
    EXPECT_EQ(host.sent[1].voice, 0);
}

TEST(LegacyGuiBase, CHostCallsTheTableInSlotOrder) {
    auto* gui = new LegacyGui;
    void* primary = gui->primary();
    EXPECT_EQ(c_legacy_legacyCallA(primary), ResultOk);
    EXPECT_EQ(c_legacy_setPin(primary, 1, 0, 6, abc), ResultOk);
    EXPECT_EQ(c_legacy_notifyPin(primary, 1, 4), ResultOk);
    EXPECT_EQ(gui->indexed.getValue(), u"abc");
    EXPECT_EQ(gui->indexedVoices, std::vector<std::int32_t>{4});
    EXPECT_EQ(c_legacy_legacyCallB(primary), ResultOk);
    EXPECT_EQ(c_legacy_legacyCallC(primary), ResultOk);
    EXPECT_EQ(c_legacy_legacyCallD(primary), ResultOk);
    EXPECT_EQ(c_release(primary), 0);

    SlotProbeGui probe;
    void* probePrimary = static_cast<IMpUserInterface*>(&probe);
    EXPECT_EQ(c_legacy_legacyCallA(probePrimary), 41);
    EXPECT_EQ(c_legacy_legacyCallB(probePrimary), 42);
    EXPECT_EQ(c_legacy_legacyCallC(probePrimary), 43);
    EXPECT_EQ(c_legacy_legacyCallD(probePrimary), 44);
    EXPECT_EQ(c_legacy_setPin(probePrimary, 0, 0, 0, nullptr), ResultFail);
    EXPECT_EQ(c_legacy_notifyPin(probePrimary, 0, 0), ResultFail);
}
