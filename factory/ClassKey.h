// The key under which the factory files a creatable class: an object kind and
// a UTF-16 identifier. Used by MpFactory's registry and its lookup.
#pragma once

#include <cstdint>
#include <string>

struct ClassKey {
    std::int32_t kind;
    std::u16string identifier;  // owned copy, no normalisation of any kind

    /// Copies the zero-terminated `text` (may throw std::bad_alloc).
    static ClassKey fromText(std::int32_t kind, const char16_t* text);
};

/// Ordered by kind (signed), then identifier unit by unit as unsigned 16-bit
/// values, a prefix before the longer text.
bool operator<(const ClassKey& a, const ClassKey& b);
bool operator==(const ClassKey& a, const ClassKey& b);
