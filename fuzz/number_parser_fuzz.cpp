// The item parser against the C library's own wcstod in the "C" locale. Each
// input byte is one UTF-16 unit (ASCII, and the Latin-1 units above it that
// never belong to a number); the results must agree as doubles (see
// agreesWithWcstod) and bit for bit after rounding to float.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "module/NumberParser.h"
#include "tests/WcstodReference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string item(data, data + size);
    const double expected = classicWcstod(item);
    const double parsed = parseNumber(item);
    const float rounded = parseItem(item);
    if (!agreesWithWcstod(item, parsed, expected) ||
        std::bit_cast<std::uint32_t>(rounded) != std::bit_cast<std::uint32_t>(static_cast<float>(expected))) {
        std::fprintf(stderr, "parsed %a (%016llx), wcstod %a (%016llx)\n", parsed,
                     static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(parsed)), expected,
                     static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(expected)));
        std::abort();
    }
    return 0;
}
