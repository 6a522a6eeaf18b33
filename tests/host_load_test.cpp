// The built library file, loaded as a host loads it.
#include <gtest/gtest.h>

#include "LoadedLibrary.h"
#include "TestSupport.h"
#include "c_host.h"

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
