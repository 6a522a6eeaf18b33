// The 16-byte identifier that names an interface at the binary boundary,
// and the result codes every interface operation answers. Shared by the
// library and by any host written against it.
#pragma once

#include <cstdint>
#include <cstring>

namespace gmpi {

/// Interface identifier. In memory: data1 (4 bytes), data2, data3 (2 bytes
/// each), all little-endian, then the 8 bytes of data4; 16 bytes, no gaps.
struct InterfaceId {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
static_assert(sizeof(InterfaceId) == 16, "an interface identifier is 16 bytes at the boundary");

/// Equal when all 16 bytes are equal; identifiers have no order.
inline bool operator==(const InterfaceId& a, const InterfaceId& b) {
    return std::memcmp(&a, &b, sizeof(InterfaceId)) == 0;
}

// Result codes. The library answers no others.
constexpr std::int32_t ResultOk = 0;
constexpr std::int32_t ResultFail = -1;          // failed, or not handled
constexpr std::int32_t ResultNoInterface = -2;   // identifier not supported, or class not registered

}  // namespace gmpi
