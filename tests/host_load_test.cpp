// The built library file, loaded as a host loads it.
#include <gtest/gtest.h>

#include "LoadedLibrary.h"
#include "testing/RecordingHost.h"
#include "TestSupport.h"
#include "c_host.h"

using corvane::testing::RecordingHost;

using namespace gmpi;

using HostLoad = LoadedLibrary;

TEST_F(HostLoad, ExportGivesTheFactory) {
    MpGetFactoryFunction entry = library.entry();
    void* first = sentinel();
    void* second = sentinel();
    EXPECT_EQ(entry(&first), ResultOk);
    EXPECT_EQ(entry(&second), ResultOk);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, static_cast<void*>(factory)) << "one pointer serves all three factory interfaces";
    EXPECT_EQ(library.symbol("getFactory"), nullptr);
    EXPECT_EQ(library.symbol("registerClass"), nullptr);
}

TEST_F(HostLoad, FactoryThroughCTable) {
    void* out = sentinel();
    EXPECT_EQ(c_queryInterface(factory, reinterpret_cast<const CInterfaceId*>(&IID_ComIUnknown), &out),
              ResultNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(c_queryInterface(factory, reinterpret_cast<const CInterfaceId*>(&IID_IMpFactory), &out), ResultOk);
    EXPECT_EQ(out, static_cast<void*>(factory));
    EXPECT_EQ(c_addRef(factory), 1);
    EXPECT_EQ(c_release(factory), 1);

    const char16_t unknownClass[] = u"No-Such-Class";
    out = sentinel();
    EXPECT_EQ(c_factory_createObject2(factory, reinterpret_cast<const std::uint16_t*>(unknownClass), 2, &out),
              ResultNoInterface);
    EXPECT_EQ(out, nullptr);

    std::int32_t version = 0;
    std::uint16_t text[40];
    EXPECT_EQ(c_factory_getBuildInfo(factory, &version, 40, text), ResultOk);
    EXPECT_EQ(version, 30800);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), u"MS Compiler V1929 (Release)");
}

// The shipped class, driven only through the C table of the loaded library;
// released with its re-send pending, then the library is unloaded by the
// fixture. Under the sanitizers nothing may leak or fire afterwards.
TEST_F(HostLoad, ShippedClassThroughCTableThenUnload) {
    const char16_t id[] = u"Orvex-Corvane";
    const auto* units = reinterpret_cast<const std::uint16_t*>(id);
    void* object = sentinel();
    ASSERT_EQ(c_factory_createObject2(factory, units, 1, &object), ResultNoInterface);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(c_factory_createObject2(factory, units, 2, &object), ResultOk);

    RecordingHost host;
    EXPECT_EQ(c_gui2_setHost(object, host.asUnknown()), ResultOk);
    const float value = 1.0f;
    EXPECT_EQ(c_gui2_setPin(object, 2, 0, 4, &value), ResultFail) << "float pins have no pin object";
    const char16_t text[] = u"7,8.5";
    EXPECT_EQ(c_gui2_setPin(object, 0, 0, 10, text), ResultOk);
    EXPECT_EQ(c_gui2_notifyPin(object, 0, 0), ResultOk);
    ASSERT_EQ(host.sent.size(), 4u);  // text "0.0000,1.0000", then 7, 8.5, then the new text
    EXPECT_EQ(host.sent[1].number(), 7.0f);
    EXPECT_EQ(host.sent[2].number(), 8.5f);
    EXPECT_EQ(host.sent[3].text(), u"7.0000,8.5000");
    EXPECT_EQ(c_release(object), 0);
}
