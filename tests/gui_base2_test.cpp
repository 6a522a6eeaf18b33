// A version-2 GUI object as a host reaches it: created through MP_GetFactory,
// attached with setHost, fed through the eleven slots of IMpUserInterface2B.
// The test class is registered with the factory when the test program loads.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "testing/RecordingHost.h"
#include "TestSupport.h"
#include "c_host.h"
#include "factory/Export.h"
#include "factory/MpFactory.h"
#include "gui/StringGuiPin.h"
#include "gui/ZuGuiInvisibleBase.h"
#include "interfaces/InterfaceIds.h"

using corvane::testing::RecordingHost;

using namespace gmpi;

namespace {

// A pin whose storage always fails, as when memory runs out.
class FailingPin final : public MpGuiPin<int> {
public:
    bool setValueRaw(std::int32_t, std::int32_t, const void*) override { throw std::bad_alloc(); }
    std::int32_t pinQueryA() override { return 0; }
    std::int32_t rawSize() const override { return sizeof value; }
    const void* rawData() const override { return &value; }
    std::int32_t pinQueryB() override { return 0; }
};

// Pins: 0 text with a plain callback (index chosen by the base), 5 text with
// an indexed callback, 7 text without callback, 8 a pin that cannot store.
class TestGui final : public ZuGuiInvisibleBase {
public:
    TestGui() {
        ++alive;
        registerPin(textPin, &TestGui::onText);
        registerPin(5, voicePin, &TestGui::onVoice);
        registerPin(7, quietPin);
        registerPin(8, failingPin);
    }
    ~TestGui() override { --alive; }

    void onText() {
        ++textCalls;
        if (callbackThrows) throw std::bad_alloc();
    }
    void onVoice(std::int32_t voice) { voices.push_back(voice); }

    static inline int alive = 0;
    StringGuiPin textPin, voicePin, quietPin;
    FailingPin failingPin;
    int textCalls = 0;
    std::vector<std::int32_t> voices;
    bool callbackThrows = false;
};

const bool registered = [] {
    registerClass(ObjectKindGui, u"Test-Gui2", [] { return static_cast<IMpUnknown*>(new TestGui); });
    return true;
}();

class GuiBase2 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registered);
        void* unknown = nullptr;
        ASSERT_EQ(MP_GetFactory(&unknown), ResultOk);
        void* factory = nullptr;
        ASSERT_EQ(static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &factory), ResultOk);
        void* created = sentinel();
        ASSERT_EQ(static_cast<IMpFactory2*>(factory)->createObject2(u"Test-Gui2", ObjectKindGui, &created), ResultOk);
        object = static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(created));
        gui = static_cast<TestGui*>(object);
    }
    void TearDown() override {
        if (object != nullptr) {
            EXPECT_EQ(object->release(), 0);
        }
        EXPECT_EQ(TestGui::alive, 0);
    }

    static std::int32_t bytesOf(const std::u16string& text) { return static_cast<std::int32_t>(text.size() * 2); }

    IMpUserInterface2B* object = nullptr;
    TestGui* gui = nullptr;
    RecordingHost host;
};

InterfaceId lastByteChanged(InterfaceId iid) {
    iid.data4[7] ^= 1;
    return iid;
}

}  // namespace

TEST_F(GuiBase2, IdentityAndCounting) {
    EXPECT_EQ(TestGui::alive, 1);
    EXPECT_EQ(object->addRef(), 2);
    EXPECT_EQ(object->release(), 1);

    struct Case {
        const char* name;
        InterfaceId iid;
        bool answered;
    };
    const Case cases[] = {
        {"IMpUnknown", IID_IMpUnknown, true},
        {"IMpUserInterface2", IID_IMpUserInterface2, true},
        {"IMpUserInterface2B", IID_IMpUserInterface2B, true},
        {"IGuiHost2", IID_IGuiHost2, false},
        {"IMpUserInterface", IID_IMpUserInterface, false},
        {"IMpLegacyInitialization", IID_IMpLegacyInitialization, false},
        {"COM IUnknown", IID_ComIUnknown, false},
        {"IMpUserInterface2B, last byte changed", lastByteChanged(IID_IMpUserInterface2B), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = sentinel();
        EXPECT_EQ(object->queryInterface(c.iid, &out), c.answered ? ResultOk : ResultNoInterface);
        EXPECT_EQ(out, c.answered ? static_cast<void*>(object) : nullptr);
        EXPECT_REF(object, c.answered ? 2 : 1);
        if (c.answered) object->release();
    }
    EXPECT_EQ(object->queryInterface(IID_IMpUnknown, nullptr), ResultFail);
    EXPECT_REF(object, 1);

    object->release();
    object = nullptr;
    EXPECT_EQ(TestGui::alive, 0) << "the last release destroys the object";
}

TEST_F(GuiBase2, SetHost) {
    host.answersGuiHost2 = false;
    EXPECT_EQ(object->setHost(host.asUnknown()), ResultNoInterface) << "a host without IGuiHost2";
    const std::u16string abc = u"abc";
    EXPECT_EQ(object->setPin(0, 0, bytesOf(abc), abc.data()), ResultOk) << "values still arrive";
    EXPECT_EQ(object->notifyPin(0, 0), ResultOk);
    EXPECT_EQ(gui->textCalls, 1);
    gui->textPin.setValue(u"unsent");
    EXPECT_EQ(gui->sendPinValue(0, 0, nullptr, 0), ResultFail) << "nothing to send to";
    EXPECT_TRUE(host.sent.empty());

    host.answersGuiHost2 = true;
    EXPECT_EQ(object->setHost(host.asUnknown()), ResultOk);
    gui->textPin.setValue(u"sent");
    EXPECT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.releases, 0) << "the object keeps the host without releasing it";

    EXPECT_EQ(object->setHost(nullptr), ResultNoInterface) << "no host: nothing to ask";
    gui->textPin.setValue(u"after detaching");
    EXPECT_EQ(host.sent.size(), 1u);
}

TEST_F(GuiBase2, HostValuesAndNotifications) {
    ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
    const std::u16string abc = u"abc";
    struct Case {
        const char* name;
        std::int32_t pinIndex;
        std::int32_t byteSize;
        const void* data;
        std::int32_t result;
    };
    const Case cases[] = {
        {"text pin", 0, bytesOf(abc), abc.data(), ResultOk},
        {"same value again", 0, bytesOf(abc), abc.data(), ResultOk},
        {"unregistered index", 1, bytesOf(abc), abc.data(), ResultFail},
        {"negative index", -1, bytesOf(abc), abc.data(), ResultFail},
        {"negative size", 0, -6, abc.data(), ResultFail},
        {"null data with a size", 0, 2, nullptr, ResultFail},
        {"pin without callback", 7, 2, abc.data(), ResultOk},
        {"pin whose storage fails", 8, 4, abc.data(), ResultFail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(object->setPin(c.pinIndex, 3, c.byteSize, c.data), c.result);
    }
    EXPECT_EQ(gui->textPin.getValue(), abc);
    EXPECT_EQ(gui->quietPin.getValue(), u"a");
    EXPECT_EQ(gui->textCalls, 0) << "setPin runs no callback";

    EXPECT_EQ(object->notifyPin(0, 11), ResultOk);
    EXPECT_EQ(gui->textCalls, 1);
    EXPECT_EQ(object->notifyPin(5, 12), ResultOk);
    EXPECT_EQ(object->notifyPin(5, -4), ResultOk);
    EXPECT_EQ(gui->voices, (std::vector<std::int32_t>{12, -4})) << "the indexed callback gets the voice";
    EXPECT_EQ(object->notifyPin(7, 0), ResultOk) << "no callback, nothing runs";
    EXPECT_EQ(object->notifyPin(1, 0), ResultFail);
    EXPECT_EQ(gui->textCalls, 1);
    EXPECT_TRUE(host.sent.empty()) << "host values are not echoed";
}

TEST_F(GuiBase2, ExceptionsStayInsideTheObject) {
    ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
    gui->callbackThrows = true;
    EXPECT_EQ(object->notifyPin(0, 0), ResultFail);
    gui->callbackThrows = false;
    EXPECT_EQ(object->notifyPin(0, 0), ResultOk);
    EXPECT_EQ(gui->textCalls, 2);

    const std::u16string before = u"kept";
    EXPECT_EQ(object->setPin(0, 0, bytesOf(before), before.data()), ResultOk);
    EXPECT_EQ(object->setPin(8, 0, 4, before.data()), ResultFail);
    EXPECT_EQ(gui->textPin.getValue(), before) << "the other pins are untouched";

    class ThrowingHost final : public IMpUnknown {
    public:
        std::int32_t queryInterface(const InterfaceId&, void**) override { throw std::bad_alloc(); }
        std::int32_t addRef() override { return 1; }
        std::int32_t release() override { return 1; }
    } throwingHost;
    EXPECT_EQ(object->setHost(&throwingHost), ResultFail);
    gui->textPin.setValue(u"still attached");
    EXPECT_EQ(host.sent.size(), 1u) << "a failed setHost keeps the earlier host";
}

TEST_F(GuiBase2, HostCalls) {
    EXPECT_EQ(object->hostCallA(), ResultOk);
    EXPECT_EQ(object->hostCallB(), ResultFail);
    EXPECT_EQ(object->hostCallC(), ResultFail);
    EXPECT_EQ(object->hostCallD(), ResultFail);
    EXPECT_EQ(object->hostCallE(), ResultFail);
}

TEST_F(GuiBase2, PinValuesReachTheHostUnchanged) {
    ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
    gui->voicePin.setValue(u"hello, world");
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0].pinIndex, 5);
    EXPECT_EQ(host.sent[0].byteSize, 24);
    EXPECT_EQ(host.sent[0].data, gui->voicePin.rawData()) << "a long text goes as the pin's own storage";
    EXPECT_EQ(host.sent[0].voice, 0);
    EXPECT_EQ(host.sent[0].text(), u"hello, world");

    // Whatever a pin passes to its owner reaches the host as it is, and the
    // host's answer comes back.
    GuiPinOwner& owner = *gui->textPin.getOwner();
    const float number = 2.5f;
    host.answer = ResultFail;
    EXPECT_EQ(owner.sendPinValue(-9, 4, &number, 77), ResultFail);
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.sent[1].pinIndex, -9);
    EXPECT_EQ(host.sent[1].byteSize, 4);
    EXPECT_EQ(host.sent[1].data, &number);
    EXPECT_EQ(host.sent[1].voice, 77);
    host.answer = ResultOk;
    EXPECT_EQ(owner.sendPinValue(1, 4, &number, 0), ResultOk);
}

TEST_F(GuiBase2, AllElevenSlotsThroughACHost) {
    void* out = sentinel();
    EXPECT_EQ(c_queryInterface(object, reinterpret_cast<const CInterfaceId*>(&IID_IMpUserInterface2B), &out),
              ResultOk);
    EXPECT_EQ(out, static_cast<void*>(object));
    EXPECT_EQ(c_addRef(object), 3);
    EXPECT_EQ(c_release(object), 2);
    EXPECT_EQ(c_release(object), 1);

    EXPECT_EQ(c_gui2_setHost(object, host.asUnknown()), ResultOk);
    EXPECT_EQ(c_gui2_hostCallA(object), ResultOk);
    const char16_t text[] = u"xy";
    EXPECT_EQ(c_gui2_setPin(object, 5, 0, 4, text), ResultOk);
    EXPECT_EQ(gui->voicePin.getValue(), u"xy");
    EXPECT_EQ(c_gui2_hostCallB(object), ResultFail);
    EXPECT_EQ(c_gui2_hostCallC(object), ResultFail);
    EXPECT_EQ(c_gui2_hostCallD(object), ResultFail);
    EXPECT_EQ(c_gui2_hostCallE(object), ResultFail);
    EXPECT_EQ(c_gui2_notifyPin(object, 5, 42), ResultOk);
    EXPECT_EQ(gui->voices, std::vector<std::int32_t>{42});
    EXPECT_EQ(c_gui2_notifyPin(object, 6, 0), ResultFail);
    gui->textPin.setValue(u"out");
    ASSERT_EQ(host.sent.size(), 1u) << "the host given through the C table is the one used";
}
