// Declares MP_GetFactory, the entry point a host looks up by name after
// loading the library. It answers ResultOk and the factory's IMpUnknown
// pointer in *out; every call gives the same pointer. Any thread. Only when
// memory ran out as the library loaded, and runs out again on this call, is
// there no factory: then ResultFail and a null *out.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define CORVANE_EXPORT __declspec(dllexport)
#else
#define CORVANE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" CORVANE_EXPORT std::int32_t MP_GetFactory(void** out);

/// The export's type, for hosts that look it up by name.
using MpGetFactoryFunction = std::int32_t (*)(void** out);
