// Every interface identifier, byte for byte as a host compares it, against
// the identifiers written out here as text, in the usual registry form: a
// mistyped digit in the header cannot hide behind a test that reads it back.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "interfaces/InterfaceIds.h"

using namespace gmpi;

namespace {

/// The 16 bytes of "{data1-data2-data3-data4[0..1]-data4[2..7]}" as they lie in
/// memory: the first three groups little-endian, the last two in order.
std::array<std::uint8_t, 16> bytesOf(const std::string& text) {
    std::string digits;
    for (const char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    EXPECT_EQ(digits.size(), 32u) << text;
    digits.resize(32, '0');
    const auto byteAt = [&](std::size_t digit) {
        return static_cast<std::uint8_t>(std::stoul(digits.substr(digit, 2), nullptr, 16));
    };
    std::array<std::uint8_t, 16> bytes{};
    const std::size_t groups[][2] = {{0, 4}, {8, 2}, {12, 2}};  // first digit, width in bytes
    std::size_t out = 0;
    for (const auto& group : groups)
        for (std::size_t i = group[1]; i-- > 0;) bytes[out++] = byteAt(group[0] + 2 * i);
    for (std::size_t digit = 16; digit < 32; digit += 2) bytes[out++] = byteAt(digit);
    return bytes;
}

TEST(InterfaceIds, EachIdentifierHasTheBytesOfItsRegistryText) {
    struct Row {
        const char* name;
        const InterfaceId& id;
        const char* text;
    };
    const Row rows[] = {
        {"IMpUnknown", IID_IMpUnknown, "{00000000-0000-C000-0000-000000000046}"},
        {"IMpFactory", IID_IMpFactory, "{9A7904B7-7F7F-4D61-B558-C1A6695BB638}"},
        {"IMpFactory2", IID_IMpFactory2, "{91C3D2EE-C701-4F35-91A6-094DC7E05976}"},
        {"IMpUserInterface", IID_IMpUserInterface, "{CACB3203-4A57-4209-9E00-0C4B950457F6}"},
        {"IMpLegacyInitialization", IID_IMpLegacyInitialization, "{0B471002-5627-4D46-984E-C0DC79D0AD35}"},
        {"IMpUserInterface2", IID_IMpUserInterface2, "{9CD06775-F5C2-4321-812D-0958153294B8}"},
        {"IMpUserInterface2B", IID_IMpUserInterface2B, "{21B0EC11-6B66-4B72-928E-77E93A31A628}"},
        {"IMpGraphicsWinGdi", IID_IMpGraphicsWinGdi, "{76FAC807-0C89-465D-9FAF-49B12D964118}"},
        {"IZuGraphicsComposited", IID_IZuGraphicsComposited, "{0157347B-3FD3-4CEE-947E-88F694349254}"},
        {"IGuiHost", IID_IGuiHost, "{174F9DDC-1850-40DB-BAF0-E0B41D079645}"},
        {"IGuiHost2", IID_IGuiHost2, "{DE009D92-E281-4F92-9996-200F49690028}"},
        {"IGraphicsHostWinGdi", IID_IGraphicsHostWinGdi, "{E52FAA41-42C3-40A6-A11A-E69DB335CE50}"},
        {"IGraphicsHostWinGdiExtra", IID_IGraphicsHostWinGdiExtra, "{B1EFF8C9-9ADC-450B-BCD6-D359CFDC8275}"},
        {"IGraphicsHostComposited", IID_IGraphicsHostComposited, "{2A3F4D28-52C5-4A31-BF85-B79853265F65}"},
        {"COM IUnknown (refused)", IID_ComIUnknown, "{00000000-0000-0000-C000-000000000046}"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::array<std::uint8_t, 16> inMemory{};
        std::memcpy(inMemory.data(), &row.id, inMemory.size());
        EXPECT_EQ(inMemory, bytesOf(row.text)) << row.text;
    }
    // The reading above, against the bytes stated for IMpUnknown's identifier.
    EXPECT_EQ(bytesOf("{00000000-0000-C000-0000-000000000046}"),
              (std::array<std::uint8_t, 16>{0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0x46}));
}

}  // namespace
