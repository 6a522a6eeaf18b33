// Declares MP_GetFactory, this library's one export (its contract:
// interfaces/MpGetFactory.h). Only the library defines it; hosts look it up
// by name as an MpGetFactoryFunction.
#pragma once

#include <cstdint>

#include "interfaces/MpGetFactory.h"

#if defined(_WIN32)
#define CORVANE_EXPORT __declspec(dllexport)
#else
#define CORVANE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" CORVANE_EXPORT std::int32_t MP_GetFactory(void** out);
