// The factory as a host reaches it: through MP_GetFactory and interface calls.
// The test program registers classes of its own at load time.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TestSupport.h"
#include "c_host.h"
#include "factory/AtBoundary.h"
#include "factory/Export.h"
#include "factory/MpFactory.h"
#include "interfaces/IMpUserInterface.h"
#include "interfaces/InterfaceIds.h"
#include "platform/DebugOutput.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#endif

using namespace gmpi;

namespace {

// A counted object that tells which creation function made it.
class PlainObject final : public IMpUnknown {
public:
    explicit PlainObject(int whichMaker) : maker(whichMaker) {}
    std::int32_t queryInterface(const InterfaceId& iid, void** out) override {
        *out = nullptr;
        if (!(iid == IID_IMpUnknown)) return ResultNoInterface;
        *out = this;
        addRef();
        return ResultOk;
    }
    std::int32_t addRef() override { return ++count; }
    std::int32_t release() override {
        if (--count != 0) return count;
        delete this;
        return 0;
    }
    virtual ~PlainObject() = default;
    const int maker;

private:
    std::int32_t count = 1;
};

// A legacy-style object: the factory hands it the host through
// IMpLegacyInitialization, and it throws when the host is missing.
class PrimaryView : public IMpUnknown {};

class LegacyObject final : public PrimaryView, public IMpLegacyInitialization {
public:
    std::int32_t queryInterface(const InterfaceId&, void** out) override {
        *out = nullptr;
        return ResultNoInterface;
    }
    std::int32_t addRef() override { return ++count; }
    std::int32_t release() override {
        if (--count != 0) return count;
        delete this;
        return 0;
    }
    std::int32_t setHost(IMpUnknown* newHost) override {
        ++setHostCalls;
        host = newHost;
        if (newHost == nullptr) throw "host Interfaces not supported";
        return ResultOk;
    }
    virtual ~LegacyObject() = default;
    IMpUnknown* host = nullptr;
    int setHostCalls = 0;

private:
    std::int32_t count = 1;
};

IMpUnknown* makeFirst() { return static_cast<IMpUnknown*>(new PlainObject(1)); }
IMpUnknown* makeSecond() { return static_cast<IMpUnknown*>(new PlainObject(2)); }
IMpUnknown* makeThrowing() { throw std::runtime_error("creation failed"); }
IMpUnknown* makeLegacy() { return static_cast<PrimaryView*>(new LegacyObject); }

LegacyObject* asLegacy(void* primary) {
    return static_cast<LegacyObject*>(static_cast<PrimaryView*>(static_cast<IMpUnknown*>(primary)));
}

const bool registered = [] {
    registerClass(ObjectKindGui, u"Test-Plain", makeFirst);
    registerClass(ObjectKindGui, u"Test-Plain", makeSecond);  // ignored: the first stays
    registerClass(ObjectKindGui, u"Test-Throws", makeThrowing);
    registerClass(ObjectKindGui, u"Test-Null", nullptr);
    registerClass(7, u"Test-Legacy", makeLegacy);
    return true;
}();

IMpFactory2* factory2() {
    void* unknown = sentinel();
    EXPECT_EQ(MP_GetFactory(&unknown), ResultOk);
    void* out = nullptr;
    EXPECT_EQ(static_cast<IMpUnknown*>(unknown)->queryInterface(IID_IMpFactory2, &out), ResultOk);
    return static_cast<IMpFactory2*>(out);
}

InterfaceId lastByteChanged(InterfaceId iid) {
    iid.data4[7] ^= 1;
    return iid;
}

}  // namespace

TEST(Factory, ExportAnswersTheSameFactoryEveryTime) {
    ASSERT_TRUE(registered);
    void* first = sentinel();
    void* second = sentinel();
    EXPECT_EQ(MP_GetFactory(&first), ResultOk);
    EXPECT_EQ(MP_GetFactory(&second), ResultOk);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(MP_GetFactory(nullptr), ResultFail);
}

TEST(Factory, IdentityQuery) {
    IMpFactory2* factory = factory2();
    struct Case {
        const char* name;
        InterfaceId iid;
        std::int32_t result;
    };
    const Case cases[] = {
        {"IMpFactory2", IID_IMpFactory2, ResultOk},
        {"IMpFactory", IID_IMpFactory, ResultOk},
        {"IMpUnknown", IID_IMpUnknown, ResultOk},
        {"COM IUnknown", IID_ComIUnknown, ResultNoInterface},
        {"IMpUserInterface2", IID_IMpUserInterface2, ResultNoInterface},
        {"IMpFactory2, last byte changed", lastByteChanged(IID_IMpFactory2), ResultNoInterface},
        {"IMpUnknown, last byte changed", lastByteChanged(IID_IMpUnknown), ResultNoInterface},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = sentinel();
        EXPECT_EQ(factory->queryInterface(c.iid, &out), c.result);
        EXPECT_EQ(out, c.result == ResultOk ? static_cast<void*>(factory) : nullptr);
    }
    EXPECT_EQ(factory->queryInterface(IID_IMpFactory, nullptr), ResultFail);
}

TEST(Factory, IsNotCounted) {
    IMpFactory2* factory = factory2();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(factory->addRef(), 1);
        EXPECT_EQ(factory->release(), 1);
        EXPECT_EQ(factory->release(), 1);
    }
    void* object = nullptr;
    ASSERT_EQ(factory->createObject2(u"Test-Plain", ObjectKindGui, &object), ResultOk);
    static_cast<IMpUnknown*>(object)->release();
}

TEST(Factory, CreationResults) {
    IMpFactory2* factory = factory2();
    struct Case {
        const char16_t* identifier;
        std::int32_t kind;
        std::int32_t result;
    };
    const Case cases[] = {
        {u"Test-Plain", ObjectKindGui, ResultOk},
        {u"Test-Plain", 1, ResultNoInterface},
        {u"Test-Plain", 3, ResultNoInterface},
        {u"test-plain", ObjectKindGui, ResultNoInterface},
        {u"Test-Plain ", ObjectKindGui, ResultNoInterface},
        {u"Test-Plai", ObjectKindGui, ResultNoInterface},
        {u"", ObjectKindGui, ResultNoInterface},
        {nullptr, ObjectKindGui, ResultNoInterface},
        {u"Test-Null", ObjectKindGui, ResultNoInterface},   // registered without a creation function
        {u"Test-Throws", ObjectKindGui, ResultFail},
    };
    for (const Case& c : cases) {
        for (bool withHost : {false, true}) {
            SCOPED_TRACE(std::string(c.identifier ? "" : "null identifier") + (withHost ? " createObject" : " createObject2"));
            void* out = sentinel();
            const std::int32_t result = withHost ? factory->createObject(c.identifier, c.kind, nullptr, &out)
                                                 : factory->createObject2(c.identifier, c.kind, &out);
            EXPECT_EQ(result, c.result);
            if (result == ResultOk) {
                ASSERT_NE(out, nullptr);
                EXPECT_EQ(static_cast<IMpUnknown*>(out)->release(), 0) << "the new object holds one reference";
            } else {
                EXPECT_EQ(out, nullptr);
            }
        }
    }
    EXPECT_EQ(factory->createObject2(u"Test-Plain", ObjectKindGui, nullptr), ResultFail);
}

TEST(Factory, EachCreationMakesANewObjectFromTheFirstRegistration) {
    IMpFactory2* factory = factory2();
    void* a = nullptr;
    void* b = nullptr;
    ASSERT_EQ(factory->createObject2(u"Test-Plain", ObjectKindGui, &a), ResultOk);
    ASSERT_EQ(factory->createObject(u"Test-Plain", ObjectKindGui, nullptr, &b), ResultOk);
    EXPECT_NE(a, b);
    EXPECT_EQ(static_cast<PlainObject*>(static_cast<IMpUnknown*>(a))->maker, 1);
    EXPECT_EQ(static_cast<PlainObject*>(static_cast<IMpUnknown*>(b))->maker, 1);
    static_cast<IMpUnknown*>(a)->release();
    static_cast<IMpUnknown*>(b)->release();
}

TEST(Factory, CreateObjectAttachesLegacyObjects) {
    IMpFactory2* factory = factory2();
    PlainObject host(0);

    void* out = nullptr;
    ASSERT_EQ(factory->createObject(u"Test-Legacy", 7, &host, &out), ResultOk);
    auto* legacy = asLegacy(out);
    EXPECT_EQ(legacy->setHostCalls, 1);
    EXPECT_EQ(legacy->host, &host);
    EXPECT_REF(static_cast<PrimaryView*>(legacy), 1);  // a type test, not a query: no reference added
    legacy->release();

    ASSERT_EQ(factory->createObject2(u"Test-Legacy", 7, &out), ResultOk);
    legacy = asLegacy(out);
    EXPECT_EQ(legacy->setHostCalls, 0) << "createObject2 hands objects out without a host";
    legacy->release();

    // setHost throws: ResultFail, and the caller still owns the new object.
    out = sentinel();
    EXPECT_EQ(factory->createObject(u"Test-Legacy", 7, nullptr, &out), ResultFail);
    ASSERT_NE(out, sentinel());
    ASSERT_NE(out, nullptr);
    legacy = asLegacy(out);
    EXPECT_EQ(legacy->setHostCalls, 1);
    EXPECT_EQ(legacy->release(), 0);
}

TEST(Factory, BuildInfoNeverWritesPastCapacity) {
    IMpFactory2* factory = factory2();
    const std::u16string full = u"MS Compiler V1929 (Release)";
    ASSERT_EQ(full.size(), 27u);
    struct Case {
        std::int32_t capacity;
        std::u16string text;  // what the buffer holds before its terminator
    };
    const Case cases[] = {
        {100, full}, {28, full}, {27, full.substr(0, 26)}, {5, full.substr(0, 4)}, {1, u""}, {0, u"-"}, {-4, u"-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        char16_t buffer[120];
        std::fill(std::begin(buffer), std::end(buffer), u'-');
        std::int32_t version = 0;
        EXPECT_EQ(factory->getBuildInfo(&version, c.capacity, buffer), ResultOk);
        EXPECT_EQ(version, 30800);
        if (c.capacity > 0) {
            EXPECT_EQ(std::u16string(buffer), c.text);
            EXPECT_EQ(std::char_traits<char16_t>::length(buffer), c.text.size());
        } else {
            EXPECT_EQ(buffer[0], u'-') << "nothing written for a capacity of " << c.capacity;
        }
        for (int i = std::max(c.capacity, 0); i < 120; ++i) ASSERT_EQ(buffer[i], u'-') << "written at " << i;
    }
    std::int32_t version = 0;
    EXPECT_EQ(factory->getBuildInfo(&version, 28, nullptr), ResultOk);
    EXPECT_EQ(version, 30800);
}

TEST(ClassKey, OrderAndEquality) {
    struct Case {
        ClassKey a, b;
        bool less, equal;
    };
    const Case cases[] = {
        {{1, u"b"}, {2, u"a"}, true, false},
        {{-1, u"z"}, {0, u"a"}, true, false},               // kinds compare signed
        {{2, u"ab"}, {2, u"abc"}, true, false},             // a prefix sorts first
        {{2, u"B"}, {2, u"a"}, true, false},                // no case folding
        {{2, u"\u00e9"}, {2, u"\uffff"}, true, false},      // units compare unsigned
        {{2, u"z"}, {2, u"\u0100"}, true, false},
        {{2, u"same"}, {2, u"same"}, false, true},
        {{2, u"same"}, {3, u"same"}, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a < c.b, c.less);
        EXPECT_FALSE(c.b < c.a && c.less);
        EXPECT_EQ(c.a == c.b, c.equal);
    }
}

TEST(SlotOrder, FactoryThroughCTable) {
    void* factory = nullptr;
    ASSERT_EQ(MP_GetFactory(&factory), ResultOk);
    const CInterfaceId* iid2 = reinterpret_cast<const CInterfaceId*>(&IID_IMpFactory2);
    void* out = nullptr;
    EXPECT_EQ(c_queryInterface(factory, iid2, &out), ResultOk);
    EXPECT_EQ(out, factory);
    EXPECT_EQ(c_addRef(factory), 1);
    EXPECT_EQ(c_release(factory), 1);

    const std::u16string id = u"Test-Plain";
    const auto* units = reinterpret_cast<const std::uint16_t*>(id.c_str());
    void* object = nullptr;
    EXPECT_EQ(c_factory_createObject(factory, units, ObjectKindGui, nullptr, &object), ResultOk);
    EXPECT_EQ(c_release(object), 0);
    EXPECT_EQ(c_factory_createObject2(factory, units, ObjectKindGui, &object), ResultOk);
    EXPECT_EQ(c_addRef(object), 2);
    EXPECT_EQ(c_release(object), 1);
    EXPECT_EQ(c_release(object), 0);

    std::int32_t version = 0;
    std::uint16_t text[28] = {};
    EXPECT_EQ(c_factory_getBuildInfo(factory, &version, 28, text), ResultOk);
    EXPECT_EQ(version, 30800);
    EXPECT_EQ(text[0], u'M');
    EXPECT_EQ(text[27], 0);
}

#ifndef _WIN32
// The guard's words on the native debug-output channel: the call with its
// pin, the exception's type and text; nothing for the legacy setHost's
// deliberate refusal, and nothing at all when no host named a channel.
TEST(Factory, TheBoundarySaysWhatItCaughtOnTheDebugOutput) {
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_NONBLOCK), 0);
    const auto said = [&] {
        char buffer[2048];
        const ssize_t got = read(ends[0], buffer, sizeof buffer);
        return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
    };
    const auto guard = [](auto thrown) {
        return atBoundary("notifyPin", 3, [&]() -> std::int32_t { throw thrown; });
    };
    ASSERT_EQ(setenv(debugOutputVariable, std::to_string(ends[1]).c_str(), 1), 0);
    EXPECT_EQ(guard(std::invalid_argument("stoi")), ResultFail);
    EXPECT_EQ(said(), "notifyPin(3): an exception left the module's callback: std::invalid_argument: stoi\n");
    EXPECT_EQ(guard(7), ResultFail);
    EXPECT_EQ(said(), "notifyPin(3): an exception left the module's callback: an exception of a type not derived from std::exception\n");
    EXPECT_EQ(atBoundary("createObject", [&]() -> std::int32_t { throw const_cast<char*>(hostInterfacesNotSupported); }), ResultFail);
    EXPECT_EQ(said(), "");
    unsetenv(debugOutputVariable);
    EXPECT_EQ(guard(std::runtime_error("unheard")), ResultFail);
    EXPECT_EQ(said(), "");
    close(ends[0]);
    close(ends[1]);
}
#endif
