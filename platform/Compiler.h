// Portable spellings of the few requests the framework makes of the
// compiler beyond standard C++: GCC and Clang take GNU attributes, Microsoft's
// compiler (cl.exe, and clang-cl in its mode) its own keywords and
// intrinsics. Here, in platform/ (the lowest folder that needs them; gui/
// and module/ both do), since interfaces/ includes nothing of the project.
#pragma once

#if defined(_MSC_VER)
#include <intrin.h>

/// A function the optimiser keeps as a call of its own.
#define CORVANE_NOINLINE __declspec(noinline)
/// An inline function the optimiser places in every caller.
#define CORVANE_ALWAYS_INLINE __forceinline
/// Where the function using it returns to in its caller.
#define CORVANE_RETURN_ADDRESS() _ReturnAddress()
/// Hides a vector register's value from the optimiser, so it cannot rewrite
/// a multiplication by it as shifts and additions. Microsoft's optimiser
/// keeps a vector multiplication by a constant as written: nothing to do.
#define CORVANE_OPAQUE_VECTOR(v) static_cast<void>(v)
#else
#define CORVANE_NOINLINE [[gnu::noinline]]
#define CORVANE_ALWAYS_INLINE [[gnu::always_inline]] inline
#define CORVANE_RETURN_ADDRESS() __builtin_return_address(0)
#define CORVANE_OPAQUE_VECTOR(v) asm("" : "+x"(v))
#endif
