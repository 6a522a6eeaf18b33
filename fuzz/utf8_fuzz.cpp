// The UTF-8 codec of the text pin. Every input is used twice:
// - as UTF-8 bytes to read, from a heap copy of exactly their size, so any
//   read past the end is caught; a valid text reads to units that write and
//   read back to the same units, and, without 4-byte sequences, write back to
//   the very bytes read; an invalid one fails as "bad conversion" only;
// - as UTF-16 units (two bytes each) to write: the output has 1 to 3 bytes
//   per unit and reads back to the same units, surrogates included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "gui/Utf8.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void readBytes(const std::uint8_t* data, std::size_t size) {
    const auto bytes = std::make_unique<char[]>(size);
    if (size != 0) std::memcpy(bytes.get(), data, size);
    const std::string_view utf8(bytes.get(), size);
    std::u16string units;
    try {
        units = utf16FromUtf8(utf8);
    } catch (const std::range_error& error) {
        if (std::string_view(error.what()) != "bad conversion") fail("reading failed with another text");
        return;
    }
    if (units.size() > size) fail("more units than bytes");
    const std::string written = utf8FromUtf16(units);
    if (utf16FromUtf8(written) != units) fail("read text does not round-trip");
    bool fourByteSequence = false;
    for (const char byte : utf8) fourByteSequence |= static_cast<unsigned char>(byte) >= 0xF0;
    if (!fourByteSequence && written != utf8) fail("writing does not give back the bytes read");
}

void writeUnits(const std::uint8_t* data, std::size_t size) {
    const std::size_t count = size / 2;
    const auto units = std::make_unique<char16_t[]>(count);
    if (count != 0) std::memcpy(units.get(), data, count * 2);
    const std::u16string_view text(units.get(), count);
    const std::string written = utf8FromUtf16(text);
    std::size_t expectedBytes = 0;
    for (const char16_t unit : text) expectedBytes += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
    if (written.size() != expectedBytes) fail("written length is not 1 to 3 bytes per unit");
    std::u16string read;
    try {
        read = utf16FromUtf8(written);
    } catch (const std::range_error&) {
        fail("written text does not read");
    }
    if (read != text) fail("written text reads back to other units");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    readBytes(data, size);
    writeUnits(data, size);
    return 0;
}
