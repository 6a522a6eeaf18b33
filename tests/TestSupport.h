// Small helpers shared by the tests: reference-count probes, sentinel out
// pointers, UTF-16 literals for the binary interface.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "interfaces/IMpUnknown.h"

/// The object's current count, read the way a host can: addRef then release.
inline std::int32_t refCountOf(gmpi::IMpUnknown* object) {
    object->addRef();
    return object->release();
}

#define EXPECT_REF(object, expected) EXPECT_EQ(refCountOf(object), (expected)) << "reference count of " #object

/// A value no library call writes, to see whether an out pointer was written.
inline void* sentinel() { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xdeadbeef)); }
