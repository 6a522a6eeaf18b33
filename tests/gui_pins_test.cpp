// Pin semantics against a bare GuiPinOwner that records what its pins send:
// the registry, storing host values, and sending only on change.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "gui/GuiPinOwner.h"
#include "gui/IGuiPinCallback.h"
#include "gui/IGuiPinCallbackImpl.h"
#include "gui/IGuiPinCallbackIndexed.h"
#include "gui/StringGuiPin.h"
#include "interfaces/InterfaceId.h"

using namespace gmpi;

namespace {

struct Sent {
    std::int32_t pinIndex;
    std::u16string text;
    std::int32_t voice;
};

class RecordingOwner final : public GuiPinOwner {
public:
    std::int32_t sendPinValue(std::int32_t pinIndex, std::int32_t byteSize, const void* data,
                              std::int32_t voice) override {
        std::u16string text(static_cast<std::size_t>(byteSize) / 2, u'\0');
        if (byteSize > 0) std::memcpy(text.data(), data, static_cast<std::size_t>(byteSize));
        sent.push_back({pinIndex, text, voice});
        return answer;
    }
    using GuiPinOwner::nextPinIndex;

    std::vector<Sent> sent;
    std::int32_t answer = ResultOk;
};

// Counts its runs and remembers the last voice.
class CountingHolder final : public IGuiPinCallbackImpl {
public:
    explicit CountingHolder(std::vector<std::int32_t>& voicesSeen) : voices(voicesSeen) {}
    void invoke(std::int32_t voice) override { voices.push_back(voice); }

private:
    std::vector<std::int32_t>& voices;
};

class Pins : public ::testing::Test {
protected:
    // Binds `pin` under `index` with a holder that records into `voices`.
    void bind(StringGuiPin& pin, std::int32_t index, bool withCallback = true) {
        pin.bindToOwner(&owner, index, withCallback ? std::make_unique<CountingHolder>(voices) : nullptr);
    }
    static std::int32_t bytesOf(const std::u16string& text) { return static_cast<std::int32_t>(text.size() * 2); }

    RecordingOwner owner;
    std::vector<std::int32_t> voices;
};

}  // namespace

TEST_F(Pins, ANewPinIsUnboundAndEmpty) {
    StringGuiPin pin;
    EXPECT_EQ(pin.getPinIndex(), -1);
    EXPECT_EQ(pin.getOwner(), nullptr);
    EXPECT_FALSE(pin.hasCallback());
    EXPECT_EQ(pin.rawSize(), 0);
    EXPECT_NE(pin.rawData(), nullptr);
    EXPECT_EQ(pin.pinQueryA(), 1);
    EXPECT_EQ(pin.pinQueryB(), 0);
    pin.sendValue();  // unbound: goes nowhere
    EXPECT_TRUE(owner.sent.empty());
}

TEST_F(Pins, IndexChoice) {
    EXPECT_EQ(owner.nextPinIndex(), 0) << "empty registry";
    StringGuiPin a, b, c;
    bind(a, 0);
    bind(b, 5);
    EXPECT_EQ(owner.nextPinIndex(), 6) << "one above the highest, not the number of pins";

    RecordingOwner negativeOnly;
    c.bindToOwner(&negativeOnly, -3, nullptr);
    EXPECT_EQ(negativeOnly.nextPinIndex(), -2);

    RecordingOwner full;
    StringGuiPin last;
    last.bindToOwner(&full, 2147483647, nullptr);
    EXPECT_THROW(full.nextPinIndex(), std::out_of_range) << "no index above the largest";
}

TEST_F(Pins, ATakenIndexKeepsItsFirstPin) {
    StringGuiPin first, second;
    bind(first, 2);
    bind(second, 2, false);
    EXPECT_EQ(owner.getPin(2), &first);
    EXPECT_EQ(second.getPinIndex(), 2) << "the second pin's own fields are set all the same";

    const std::u16string abc = u"abc";
    EXPECT_EQ(owner.setPin(2, 0, bytesOf(abc), abc.data()), ResultOk);
    EXPECT_EQ(first.getValue(), abc);
    EXPECT_EQ(second.getValue(), u"");

    second.setValue(u"x");
    ASSERT_EQ(owner.sent.size(), 1u);
    EXPECT_EQ(owner.sent[0].pinIndex, 2) << "the second pin still sends under its index";
}

TEST_F(Pins, SetValueRawComparesBeforeStoring) {
    struct Case {
        const char* name;
        std::u16string stored;
        std::vector<unsigned char> bytes;
        bool changed;
        std::u16string after;
    };
    const std::vector<unsigned char> abc = {'a', 0, 'b', 0, 'c', 0};
    std::vector<unsigned char> abcOdd = abc;
    abcOdd.push_back('!');
    const Case cases[] = {
        {"same text", u"abc", abc, false, u"abc"},
        {"into an empty pin", u"", abc, true, u"abc"},
        {"empty into empty", u"", {}, false, u""},
        {"empty into text", u"abc", {}, true, u""},
        {"odd size: last byte dropped, reported as a change", u"abc", abcOdd, true, u"abc"},
        {"one byte", u"", {'a'}, true, u""},
        {"non-ASCII units, little-endian", u"", {0xE9, 0x00, 0x3D, 0xD8}, true, u"\u00E9\xD83D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StringGuiPin pin;
        bind(pin, 0);
        pin.setValueRaw(0, bytesOf(c.stored), c.stored.data());
        EXPECT_EQ(pin.setValueRaw(7, static_cast<std::int32_t>(c.bytes.size()), c.bytes.data()), c.changed);
        EXPECT_EQ(pin.getValue(), c.after);
        EXPECT_EQ(pin.rawSize(), bytesOf(c.after));
        EXPECT_TRUE(voices.empty()) << "storing runs no callback";
    }
    EXPECT_TRUE(owner.sent.empty()) << "host values are never echoed";
}

TEST_F(Pins, SetValueSendsOnlyOnChange) {
    StringGuiPin pin;
    bind(pin, 4);
    pin.setValue(u"");
    EXPECT_TRUE(owner.sent.empty()) << "two empty texts are equal";

    const std::u16string hello = u"hello";
    EXPECT_EQ(&pin.setValue(hello), &hello) << "answers the text it was given";
    EXPECT_EQ(pin.rawSize(), 10);
    pin.setValue(u"hello");
    ASSERT_EQ(owner.sent.size(), 1u);
    EXPECT_EQ(owner.sent[0].pinIndex, 4);
    EXPECT_EQ(owner.sent[0].text, hello);
    EXPECT_EQ(owner.sent[0].voice, 0);

    pin.setValue(u"hell");
    ASSERT_EQ(owner.sent.size(), 2u);
    owner.answer = ResultFail;  // the owner's answer changes nothing
    pin.sendValue();
    ASSERT_EQ(owner.sent.size(), 3u);
    EXPECT_EQ(owner.sent[2].text, u"hell");
}

TEST_F(Pins, OwnerDeliversAndNotifies) {
    StringGuiPin withCallback, without;
    bind(withCallback, 0);
    bind(without, 1, false);
    const std::u16string abc = u"abc";

    EXPECT_EQ(owner.setPin(0, 3, bytesOf(abc), abc.data()), ResultOk);
    EXPECT_EQ(owner.setPin(0, 3, bytesOf(abc), abc.data()), ResultOk) << "an unchanged value is still accepted";
    EXPECT_TRUE(voices.empty());
    EXPECT_EQ(owner.notifyPin(0, 9), ResultOk);
    EXPECT_EQ(voices, std::vector<std::int32_t>{9});
    EXPECT_EQ(owner.notifyPin(1, 9), ResultOk) << "a pin without callback";
    EXPECT_EQ(owner.notifyPin(2, 9), ResultFail);
    EXPECT_EQ(owner.setPin(2, 0, bytesOf(abc), abc.data()), ResultFail);

    voices.clear();
    EXPECT_EQ(owner.setPinAndNotify(0, 5, bytesOf(abc), abc.data()), ResultOk);
    EXPECT_TRUE(voices.empty()) << "unchanged: no callback";
    EXPECT_EQ(owner.setPinAndNotify(0, 5, 2, abc.data()), ResultOk);
    EXPECT_EQ(voices, std::vector<std::int32_t>{5});
    EXPECT_EQ(owner.setPinAndNotify(1, 5, 2, abc.data()), ResultOk) << "changed, no callback";
    EXPECT_EQ(without.getValue(), u"a");
    EXPECT_EQ(owner.setPinAndNotify(2, 5, 2, abc.data()), ResultFail);
    EXPECT_TRUE(owner.sent.empty());
}

TEST_F(Pins, MalformedHostValuesAreRefused) {
    StringGuiPin pin;
    bind(pin, 0);
    pin.setValueRaw(0, 6, u"abc");
    struct Case {
        const char* name;
        std::int32_t byteSize;
        const void* data;
    };
    const Case cases[] = {
        {"negative size", -2, u"xyz"},
        {"most negative size", -2147483647 - 1, u"xyz"},
        {"null data, non-zero size", 6, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(owner.setPin(0, 0, c.byteSize, c.data), ResultFail);
        EXPECT_EQ(owner.setPinAndNotify(0, 0, c.byteSize, c.data), ResultFail);
        EXPECT_EQ(pin.getValue(), u"abc");
    }
    EXPECT_EQ(owner.setPin(0, 0, 0, nullptr), ResultOk) << "null data with size 0 is an empty text";
    EXPECT_EQ(pin.getValue(), u"");
    EXPECT_TRUE(voices.empty());
}

TEST_F(Pins, ASecondBindReplacesTheHolder) {
    std::vector<std::int32_t> otherVoices;
    StringGuiPin pin;
    bind(pin, 0);
    pin.bindToOwner(&owner, 0, std::make_unique<CountingHolder>(otherVoices));
    EXPECT_EQ(owner.notifyPin(0, 1), ResultOk);
    EXPECT_TRUE(voices.empty());
    EXPECT_EQ(otherVoices, std::vector<std::int32_t>{1});
}

namespace {

// A legacy-interface object with one operation of each callback form; the
// holders reach it through its IMpUserInterface part only.
class LegacyObject final : public IMpUserInterface {
public:
    std::int32_t queryInterface(const InterfaceId&, void** out) override {
        *out = nullptr;
        return ResultNoInterface;
    }
    std::int32_t addRef() override { return 1; }
    std::int32_t release() override { return 1; }
    std::int32_t legacyCallA() override { return ResultOk; }
    std::int32_t setPin(std::int32_t, std::int32_t, std::int32_t, const void*) override { return ResultOk; }
    std::int32_t notifyPin(std::int32_t, std::int32_t) override { return ResultOk; }
    std::int32_t legacyCallB() override { return ResultOk; }
    std::int32_t legacyCallC() override { return ResultOk; }
    std::int32_t legacyCallD() override { return ResultOk; }

    void changed() { voices.push_back(-1); }
    void changedOnVoice(std::int32_t voice) { voices.push_back(voice); }
    std::vector<std::int32_t> voices;
};

}  // namespace

TEST(Holders, CallTheObjectsOwnOperation) {
    LegacyObject object;
    IGuiPinCallback<IMpUserInterface> plain(&object, static_cast<void (IMpUserInterface::*)()>(&LegacyObject::changed));
    IGuiPinCallbackIndexed<IMpUserInterface> indexed(
        &object, static_cast<void (IMpUserInterface::*)(std::int32_t)>(&LegacyObject::changedOnVoice));
    IGuiPinCallbackImpl& plainHolder = plain;
    IGuiPinCallbackImpl& indexedHolder = indexed;
    plainHolder.invoke(8);
    indexedHolder.invoke(8);
    EXPECT_EQ(object.voices, (std::vector<std::int32_t>{-1, 8})) << "the plain form drops the voice";

    IGuiPinCallbackIndexed<IMpUserInterface> empty(&object, nullptr);
    empty.invoke(1);
    EXPECT_EQ(object.voices.size(), 2u) << "a holder without an operation runs nothing";
}
