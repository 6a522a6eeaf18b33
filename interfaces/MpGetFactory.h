// The one function a plug-in library exports, as a host looks it up: by the
// plain name "MP_GetFactory", after loading the library.
#pragma once

#include <cstdint>

/// [any thread, once the library has loaded] Answers ResultOk and the
/// factory's IMpUnknown pointer in *out; every call gives the same pointer.
/// The factory is not counted (addRef and release answer 1). ResultFail
/// with *out null when there is no factory (memory ran out as the library
/// loaded, and again on this call) or `out` is null.
using MpGetFactoryFunction = std::int32_t (*)(void** out);
