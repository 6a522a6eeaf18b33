// Small pieces the validator's checks share: the out-pointer sentinel,
// result codes and pointers as text, and reading an object's count as a
// host can. Used by every file of checks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "interfaces/IMpUnknown.h"

/// A value no plug-in writes, to see whether an out pointer was written.
inline void* const untouched = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xdeadbeef));

inline std::string hex(const void* pointer) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);
    return text;
}

inline std::string result(std::int32_t code) { return std::to_string(code); }

/// The count as a host can read it: addRef, then release.
inline std::int32_t countOf(gmpi::IMpUnknown* object) {
    object->addRef();
    return object->release();
}
