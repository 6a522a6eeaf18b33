#include "tools/common/PngWriter.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "tools/common/HostText.h"

namespace {

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

/// Appends one chunk: length, type, data, and the CRC over type and data.
void putChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::vector<std::uint8_t>& data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    putBigEndian32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> encodePng(const RgbImage& image) {
    // A chunk's length field and zlib's sizes are 32-bit: a screenshot stays far below.
    constexpr std::size_t largest = std::numeric_limits<std::int32_t>::max() / 4;
    if (image.width <= 0 || image.height <= 0 ||
        static_cast<std::size_t>(image.width) * 3 + 1 > largest / static_cast<std::size_t>(image.height))
        throw std::invalid_argument("the picture's size is out of range");
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    if (image.rgb.size() != rowBytes * static_cast<std::size_t>(image.height))
        throw std::invalid_argument("the picture's bytes do not match its size");

    // Each row starts with its filter type; 0 keeps the bytes as they are,
    // which flat GUI colours compress well enough without.
    std::vector<std::uint8_t> rows;
    rows.reserve((rowBytes + 1) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows.push_back(0);
        const auto row = image.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(y));
        rows.insert(rows.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::bad_alloc();  // with a buffer of compressBound's size only memory can run out
    packed.resize(packedSize);

    std::vector<std::uint8_t> header;
    putBigEndian32(header, static_cast<std::uint32_t>(image.width));
    putBigEndian32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits per sample, RGB, deflate, filter set 0, no interlace

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});
    return file;
}

bool writePngFile(const std::string& path, const RgbImage& image) {
    const std::vector<std::uint8_t> bytes = encodePng(image);
    const std::filesystem::path file = pathFromUtf8(path);
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored)) return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        std::filesystem::remove(file, ignored);
        return false;
    }
    return true;
}
