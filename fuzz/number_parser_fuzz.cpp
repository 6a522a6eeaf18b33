// The item parser against the reference (tests/WcstodReference.h: glibc's
// wcstod in the "C" locale plus the Windows runtime's own rules). Each input
// byte is one UTF-16 unit: bytes below 0x80 are ASCII, the others stand for
// the units outside ASCII that matter to those rules (white space and not,
// digits of the Unicode blocks and their neighbours, fullwidth symbols).
// The results must agree as doubles (see agreesWithReference) and bit for
// bit after rounding to float.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "module/NumberParser.h"
#include "tests/WcstodReference.h"

namespace {

/// The units bytes 0x80 and up stand for, in order.
const std::vector<char16_t>& upperUnits() {
    static const std::vector<char16_t> units = [] {
        std::vector<char16_t> list = {
            // White space of the Windows runtime, and units that are not.
            0x0085, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009,
            0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0x180E, 0x200B, 0x2060, 0xFEFF,
            // Fullwidth forms of the symbols with roles: . + - e E x X p ( ) i n a f
            0xFF0E, 0xFF0B, 0xFF0D, 0xFF45, 0xFF25, 0xFF58, 0xFF38, 0xFF50, 0xFF08, 0xFF09, 0xFF49, 0xFF4E, 0xFF41,
            0xFF46,
            // Next to a digit block, and look-alikes: superscript two, dotted I, Kelvin sign.
            0x065F, 0x066A, 0xFF0F, 0xFF1A, 0x00B2, 0x0130, 0x212A};
        for (const char16_t zero : {0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66,
                                    0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10}) {
            for (const int digit : {0, 1, 5, 9}) list.push_back(static_cast<char16_t>(zero + digit));
        }
        return list;
    }();
    return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string item;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        item += byte < 0x80 ? char16_t{byte} : upperUnits()[(byte - 0x80u) % upperUnits().size()];
    }
    const WindowsReading expected = windowsWcstod(item);
    const double parsed = parseNumber(item);
    const float rounded = parseItem(item);
    if (!agreesWithReference(item, parsed, expected.value) ||
        std::bit_cast<std::uint32_t>(rounded) != std::bit_cast<std::uint32_t>(expected.rounded)) {
        std::fprintf(stderr, "parsed %a (%016llx), reference %a (%016llx)\n", parsed,
                     static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(parsed)), expected.value,
                     static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(expected.value)));
        std::abort();
    }
    return 0;
}
