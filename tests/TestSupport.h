// Small helpers shared by the tests: reference-count probes, sentinel out
// pointers, UTF-16 literals for the binary interface, a CorvaneGui made as a
// host makes one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "factory/Export.h"
#include "interfaces/IMpFactory.h"
#include "interfaces/IMpUnknown.h"
#include "interfaces/IMpUserInterface2.h"
#include "interfaces/InterfaceIds.h"
#include "testing/ModuleFactory.h"

/// The object's current count, read the way a host can: addRef then release.
inline std::int32_t refCountOf(gmpi::IMpUnknown* object) {
    object->addRef();
    return object->release();
}

#define EXPECT_REF(object, expected) EXPECT_EQ(refCountOf(object), (expected)) << "reference count of " #object

/// A value no library call writes, to see whether an out pointer was written.
inline void* sentinel() { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xdeadbeef)); }

/// A new CorvaneGui, made through MP_GetFactory and createObject2 under
/// "Orvex-Corvane" as a host makes one; the caller owns its one reference.
/// Null, with the test failed, when the factory refuses.
inline gmpi::IMpUserInterface2B* createCorvaneGui() {
    const auto created = corvane::testing::createVersion2(u"Orvex-Corvane", nullptr);
    const bool made = created.result == gmpi::ResultOk && created.object != nullptr;
    EXPECT_TRUE(made) << "the factory made no CorvaneGui";
    return made ? created.version2() : nullptr;
}
