// The composited graphics base against a recording host: views and counts,
// attaching, sizing and placement, and requests forwarded to the host.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "FactoryAttachChecks.h"
#include "TestSupport.h"
#include "ViewChecks.h"
#include "c_host.h"
#include "factory/MpFactory.h"
#include "gui/ZuGuiCompositedGfxBase.h"
#include "interfaces/InterfaceIds.h"

using corvane::testing::LegacyHost;

using namespace gmpi;

namespace {

// Opens the base's protected parts to the tests.
class CompositedGui : public ZuGuiCompositedGfxBase {
public:
    IMpUserInterface* primary() { return this; }
    IMpLegacyInitialization* legacyView() { return this; }
    IZuGraphicsComposited* compositedView() { return this; }
    gmpi::IGuiHost* storedHost() const { return host; }

    using ZuGuiCompositedGfxBase::compositedHost;
    using ZuGuiCompositedGfxBase::getCapture;
    using ZuGuiCompositedGfxBase::invalidateRect;
    using ZuGuiCompositedGfxBase::placementRect;
    using ZuGuiCompositedGfxBase::releaseCapture;
    using ZuGuiCompositedGfxBase::setCapture;
};

// Distinct answers for the host-defined calls, so a slot out of place shows.
class SlotProbeGui final : public ZuGuiCompositedGfxBase {
public:
    std::int32_t onCompositedCallA() override { return 51; }
    std::int32_t onCompositedCallB() override { return 52; }
    std::int32_t onCompositedCallC() override { return 53; }
    std::int32_t onCompositedCallD() override { return 54; }
    std::int32_t onCompositedCallE() override { return 55; }
    std::int32_t onCompositedCallF() override { return 56; }
};

// Every hook throws, as a derived class's code may.
class ThrowingGui final : public ZuGuiCompositedGfxBase {
protected:
    std::int32_t onMeasure(MpSize, MpSize&) override { throw std::bad_alloc(); }
    std::int32_t onArrange(const MpRect&) override { throw std::bad_alloc(); }
    std::int32_t onCompositedCallA() override { throw std::bad_alloc(); }
    std::int32_t onCompositedCallB() override { throw std::bad_alloc(); }
    std::int32_t onCompositedCallC() override { throw std::bad_alloc(); }
    std::int32_t onCompositedCallD() override { throw std::bad_alloc(); }
    std::int32_t onCompositedCallE() override { throw std::bad_alloc(); }
    std::int32_t onCompositedCallF() override { throw std::bad_alloc(); }
};

const bool registered = [] {
    registerClass(ObjectKindGui, u"Test-CompositedGui",
                  [] { return static_cast<IMpUnknown*>(static_cast<IMpUserInterface*>(new CompositedGui)); });
    return true;
}();

}  // namespace

TEST(CompositedGfxBase, ViewsAnswerAsThePrimaryPointer) {
    auto* gui = new CompositedGui;
    expectViews(gui->primary(),
                {{"IMpUnknown", IID_IMpUnknown, gui->primary()},
                 {"IMpUserInterface", IID_IMpUserInterface, gui->primary()},
                 {"IMpLegacyInitialization", IID_IMpLegacyInitialization, gui->legacyView()},
                 {"IZuGraphicsComposited", IID_IZuGraphicsComposited, gui->compositedView()}},
                {{"IMpGraphicsWinGdi", IID_IMpGraphicsWinGdi},
                 {"IGraphicsHostComposited", IID_IGraphicsHostComposited},
                 {"IMpUserInterface2B", IID_IMpUserInterface2B},
                 {"IZuGraphicsComposited, last byte changed", withLastByteChanged(IID_IZuGraphicsComposited)}});

    EXPECT_EQ(gui->compositedView()->addRef(), 2);
    EXPECT_EQ(gui->legacyView()->addRef(), 3);
    EXPECT_EQ(c_release(gui->compositedView()), 2);
    EXPECT_EQ(gui->primary()->release(), 1);
    EXPECT_EQ(gui->compositedView()->release(), 0);
}

TEST(CompositedGfxBase, SetHostNeedsBothHostInterfaces) {
    {
        CompositedGui gui;
        LegacyHost host;
        host.queryAnswer = 3;
        EXPECT_EQ(gui.legacyView()->setHost(host.unknown()), 3);
        EXPECT_EQ(host.asked, (std::vector<InterfaceId>{IID_IGuiHost, IID_IGraphicsHostComposited}));
        EXPECT_EQ(gui.compositedHost, static_cast<IGraphicsHostComposited*>(&host));
    }
    {
        // The host pointer obtained before the failing step stays stored.
        CompositedGui gui;
        LegacyHost host({.composited = false});
        EXPECT_THROW(static_cast<IoldSchoolInitialisation&>(gui).setHost(host.unknown()), char*);
        EXPECT_EQ(gui.storedHost(), static_cast<IGuiHost*>(&host));
        EXPECT_EQ(gui.compositedHost, nullptr);
    }
    ASSERT_TRUE(registered);
    expectFactoryAttach(
        u"Test-CompositedGui",
        {{"full host", {}, false, ResultOk, {IID_IGuiHost, IID_IGraphicsHostComposited}},
         {"without IGuiHost", {.guiHost = false}, false, ResultFail, {IID_IGuiHost}},
         {"without IGraphicsHostComposited", {.composited = false}, false, ResultFail,
          {IID_IGuiHost, IID_IGraphicsHostComposited}}});
}

TEST(CompositedGfxBase, MeasureClampsEachSide) {
    CompositedGui gui;
    struct Case {
        MpSize proposed;
        MpSize desired;
    };
    const Case cases[] = {
        {{0, 1000}, {15, 100}}, {{10, 200}, {15, 100}}, {{50, 60}, {50, 60}},
        {{15, 100}, {15, 100}}, {{-5, -2147483647 - 1}, {15, 15}}, {{101, 14}, {100, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.proposed.width << " x " << c.proposed.height);
        CMpSize desired{-1, -1};
        EXPECT_EQ(c_composited_measure(gui.compositedView(), {c.proposed.width, c.proposed.height}, &desired),
                  ResultOk);
        EXPECT_EQ(desired.width, c.desired.width);
        EXPECT_EQ(desired.height, c.desired.height);
    }
    EXPECT_EQ(gui.measure({50, 50}, nullptr), ResultFail);
}

TEST(CompositedGfxBase, ArrangeKeepsTheLastRectangle) {
    CompositedGui gui;
    EXPECT_EQ(gui.placementRect, (MpRect{0, 0, 0, 0}));
    const CMpRect first{10, 110, 20, 220};
    const CMpRect second{-4, 6, 7, 9};
    EXPECT_EQ(c_composited_arrange(gui.compositedView(), &first), ResultOk);
    EXPECT_EQ(c_composited_arrange(gui.compositedView(), &second), ResultOk);
    EXPECT_EQ(gui.placementRect, (MpRect{-4, 6, 7, 9}));
    EXPECT_EQ(gui.arrange(nullptr), ResultFail);
    EXPECT_EQ(gui.placementRect, (MpRect{-4, 6, 7, 9}));
}

TEST(CompositedGfxBase, RequestsGoToTheHost) {
    CompositedGui gui;
    // Before a host is attached the requests are refused instead of crashing.
    EXPECT_EQ(gui.invalidateRect(nullptr), ResultFail);
    EXPECT_EQ(gui.setCapture(), ResultFail);
    EXPECT_EQ(gui.releaseCapture(), ResultFail);
    EXPECT_FALSE(gui.getCapture());

    LegacyHost host;
    ASSERT_EQ(gui.legacyView()->setHost(host.unknown()), ResultOk);
    host.forwardAnswer = 8;
    const MpRect area{1, 2, 3, 4};
    EXPECT_EQ(gui.invalidateRect(&area), 8);
    EXPECT_EQ(gui.invalidateRect(nullptr), 8);
    EXPECT_EQ(host.invalidated, (std::vector<const MpRect*>{&area, nullptr}));
    EXPECT_EQ(gui.setCapture(), 8);
    EXPECT_EQ(gui.releaseCapture(), 8);
    EXPECT_EQ(host.captureSets, 1);
    EXPECT_EQ(host.captureReleases, 1);
    for (const std::int32_t report : {0, 1, -1, 256}) {
        SCOPED_TRACE(report);
        host.captureReport = report;
        EXPECT_EQ(gui.getCapture(), report != 0);
    }
}

TEST(CompositedGfxBase, CHostCallsTheTableInSlotOrder) {
    CompositedGui plain;
    void* view = plain.compositedView();
    for (auto call : {c_composited_callA, c_composited_callB, c_composited_callC, c_composited_callD,
                      c_composited_callE, c_composited_callF}) {
        EXPECT_EQ(call(view), ResultOk);
    }
    SlotProbeGui probe;
    void* probeView = static_cast<IZuGraphicsComposited*>(&probe);
    EXPECT_EQ(c_composited_callA(probeView), 51);
    EXPECT_EQ(c_composited_callB(probeView), 52);
    EXPECT_EQ(c_composited_callC(probeView), 53);
    EXPECT_EQ(c_composited_callD(probeView), 54);
    EXPECT_EQ(c_composited_callE(probeView), 55);
    EXPECT_EQ(c_composited_callF(probeView), 56);
}

TEST(CompositedGfxBase, AThrowingHookAnswersResultFail) {
    ThrowingGui gui;
    void* view = static_cast<IZuGraphicsComposited*>(&gui);
    CMpSize desired{};
    EXPECT_EQ(c_composited_measure(view, {50, 50}, &desired), ResultFail);
    const CMpRect rect{0, 10, 0, 10};
    EXPECT_EQ(c_composited_arrange(view, &rect), ResultFail);
    for (auto call : {c_composited_callA, c_composited_callB, c_composited_callC, c_composited_callD,
                      c_composited_callE, c_composited_callF}) {
        EXPECT_EQ(call(view), ResultFail);
    }
}
