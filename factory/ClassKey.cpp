#include "factory/ClassKey.h"

ClassKey ClassKey::fromText(std::int32_t kind, const char16_t* text) {
    return ClassKey{kind, std::u16string(text)};
}

bool operator<(const ClassKey& a, const ClassKey& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    // char16_t is unsigned, so the string's own comparison is the unit order.
    return a.identifier < b.identifier;
}

bool operator==(const ClassKey& a, const ClassKey& b) {
    return a.kind == b.kind && a.identifier == b.identifier;
}
