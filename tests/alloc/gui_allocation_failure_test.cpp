// Memory running out inside the operations a host calls on a version-2 GUI
// object: creation through the factory, setPin and notifyPin. Each sweep fails
// the first, second, ... allocation of the operation until one run completes,
// and after every failed run checks the result code and that the object is as
// it was and still works. Leaks show up under the sanitizer build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FailingAllocator.h"
#include "SteadyHost.h"
#include "TestSupport.h"
#include "factory/Export.h"
#include "factory/MpFactory.h"
#include "gui/StringGuiPin.h"
#include "gui/ZuGuiInvisibleBase.h"
#include "interfaces/InterfaceIds.h"

using namespace gmpi;

namespace {

// Counts live objects; a member, so a constructor that throws counts down too.
struct Alive {
    Alive() { ++count; }
    ~Alive() { --count; }
    Alive(const Alive&) = delete;
    Alive& operator=(const Alive&) = delete;
    static inline int count = 0;
};

// Pins: 0 text whose callback writes "seen <text>" to pin 1; 1 text without
// callback; 2 text whose indexed callback records the voice.
class AllocGui final : public ZuGuiInvisibleBase {
public:
    AllocGui() {
        registerPin(textPin, &AllocGui::onText);
        registerPin(1, mirrorPin);
        registerPin(2, voicePin, &AllocGui::onVoice);
    }

    void onText() { mirrorPin.setValue(u"seen " + textPin.getValue()); }
    void onVoice(std::int32_t voice) { voices.push_back(voice); }

    Alive alive;
    StringGuiPin textPin, mirrorPin, voicePin;
    std::vector<std::int32_t> voices;
};

constexpr char16_t className[] = u"Alloc-Test-Gui";

const bool registered = [] {
    registerClass(ObjectKindGui, className, [] { return static_cast<IMpUnknown*>(new AllocGui); });
    return true;
}();

IMpFactory2* factory() {
    void* unknown = nullptr;
    MP_GetFactory(&unknown);
    void* out = nullptr;
    static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &out);
    return static_cast<IMpFactory2*>(out);
}

std::int32_t bytesOf(const std::u16string& text) { return static_cast<std::int32_t>(text.size() * 2); }

// A text long enough that no implementation keeps it in the string object itself.
const std::u16string longText = u"a text of some length, well beyond any small-string buffer";

class GuiAllocationFailure : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registered);
        void* out = nullptr;
        ASSERT_EQ(factory()->createObject2(className, ObjectKindGui, &out), ResultOk);
        object = static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(out));
        gui = static_cast<AllocGui*>(object);
        ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
    }
    void TearDown() override {
        if (object != nullptr) {
            EXPECT_EQ(object->release(), 0);
        }
        EXPECT_EQ(Alive::count, 0);
    }

    // The object still takes a text, runs its callback and sends through the host.
    void expectWorking() {
        const std::u16string probe = u"probe";
        host.recorder.sent.clear();
        EXPECT_EQ(object->setPin(0, 0, bytesOf(probe), probe.data()), ResultOk);
        EXPECT_EQ(object->notifyPin(0, 0), ResultOk);
        ASSERT_EQ(host.recorder.sent.size(), 1u);
        EXPECT_EQ(host.recorder.sent[0].pinIndex, 1);
        EXPECT_EQ(host.recorder.sent[0].text(), u"seen probe");
    }

    IMpUserInterface2B* object = nullptr;
    AllocGui* gui = nullptr;
    SteadyHost host;
};

}  // namespace

TEST(GuiCreationAllocationFailure, FactoryAnswersFailAndNothingIsLeft) {
    ASSERT_TRUE(registered);
    IMpFactory2* const creator = factory();
    void* out = nullptr;
    const std::size_t failures = AllocationFault::sweep(
        [&] {
            out = sentinel();
            return creator->createObject2(className, ObjectKindGui, &out);
        },
        [&](bool faulted, std::int32_t result) {
            SCOPED_TRACE(faulted ? "an allocation failed" : "no allocation failed");
            if (faulted) {
                EXPECT_EQ(result, ResultFail);
                EXPECT_EQ(out, nullptr);
                EXPECT_EQ(Alive::count, 0) << "a half-built object is taken down";
            } else {
                EXPECT_EQ(result, ResultOk);
                EXPECT_EQ(Alive::count, 1);
            }
        });
    EXPECT_GE(failures, 4u) << "the key, the holders and the registry entries allocate";

    ASSERT_NE(out, nullptr);
    auto* object = static_cast<IMpUserInterface2B*>(static_cast<IMpUnknown*>(out));
    SteadyHost host;
    ASSERT_EQ(object->setHost(host.asUnknown()), ResultOk);
    const std::u16string text = u"x";
    EXPECT_EQ(object->setPin(0, 0, bytesOf(text), text.data()), ResultOk);
    EXPECT_EQ(object->notifyPin(0, 0), ResultOk);
    ASSERT_EQ(host.recorder.sent.size(), 1u);
    EXPECT_EQ(host.recorder.sent[0].text(), u"seen x");
    EXPECT_EQ(object->release(), 0);
    EXPECT_EQ(Alive::count, 0);
}

TEST_F(GuiAllocationFailure, SetPinKeepsTheOldText) {
    const std::u16string old = u"the old text, also longer than a small-string buffer";
    ASSERT_EQ(object->setPin(0, 0, bytesOf(old), old.data()), ResultOk);
    const std::size_t failures = AllocationFault::sweep(
        [&] { return object->setPin(0, 0, bytesOf(longText), longText.data()); },
        [&](bool faulted, std::int32_t result) {
            EXPECT_EQ(result, faulted ? ResultFail : ResultOk);
            EXPECT_EQ(gui->textPin.getValue(), faulted ? old : longText);
        });
    EXPECT_GE(failures, 1u);
    EXPECT_TRUE(host.recorder.sent.empty()) << "host values are never echoed";
    expectWorking();
}

TEST_F(GuiAllocationFailure, NotifyPinLeavesTheCallbacksWorkUndone) {
    ASSERT_EQ(object->setPin(0, 0, bytesOf(longText), longText.data()), ResultOk);
    std::size_t failures = AllocationFault::sweep(
        [&] { return object->notifyPin(0, 3); },
        [&](bool faulted, std::int32_t result) {
            EXPECT_EQ(result, faulted ? ResultFail : ResultOk);
            EXPECT_EQ(gui->mirrorPin.getValue(), faulted ? u"" : u"seen " + longText);
            EXPECT_EQ(host.recorder.sent.size(), faulted ? 0u : 1u) << "a failed change sends nothing";
        });
    EXPECT_GE(failures, 1u) << "building the text allocates";

    failures = AllocationFault::sweep(
        [&] { return object->notifyPin(2, 9); },
        [&](bool faulted, std::int32_t result) {
            EXPECT_EQ(result, faulted ? ResultFail : ResultOk);
            EXPECT_EQ(gui->voices, faulted ? std::vector<std::int32_t>{} : std::vector<std::int32_t>{9});
        });
    EXPECT_GE(failures, 1u);
    expectWorking();
}
