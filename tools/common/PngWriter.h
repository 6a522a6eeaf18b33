// Encodes a picture as PNG (8-bit RGB, no interlace) over zlib, and writes it
// to a file. The harness's show command saves its screenshots with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// A picture as rows of red, green, blue bytes, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes
};

/// The PNG file's bytes. Throws std::invalid_argument when the sizes do not
/// match the pixel bytes or are not positive, std::bad_alloc when memory runs out.
std::vector<std::uint8_t> encodePng(const RgbImage& image);

/// Encodes and writes `image` to `path` (UTF-8). False when the file cannot
/// be written; a partial file is removed.
bool writePngFile(const std::string& path, const RgbImage& image);
