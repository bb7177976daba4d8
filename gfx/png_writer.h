// A small PNG writer over libpng 1.6: one call writes one image of any colour
// type and bit depth PNG allows, from sample rows already laid out as the PNG
// stores them. Used by make_pictures and by tests that need fixture files.
//
// Row layout (exactly the PNG's own, no conversion is made):
// - samples in channel order grey / RGB / index / grey, alpha / RGBA;
// - bit depths below 8 pack several pixels into a byte, leftmost pixel in the
//   high bits, each row starting on a byte boundary;
// - 16-bit samples are two bytes, most significant first.
// A row therefore holds ceil(width * channels * bitDepth / 8) bytes;
// pngRowBytes() gives that number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// PNG colour type numbers, as they appear in the IHDR chunk.
constexpr int PNG_WRITER_GREY = 0;
constexpr int PNG_WRITER_RGB = 2;
constexpr int PNG_WRITER_PALETTE = 3;
constexpr int PNG_WRITER_GREY_ALPHA = 4;
constexpr int PNG_WRITER_RGBA = 6;

struct PngImage {
    uint32_t width = 0;
    uint32_t height = 0;
    int colorType = PNG_WRITER_RGB;
    int bitDepth = 8;          // 1, 2, 4, 8 or 16, as the colour type allows
    const uint8_t* rows = nullptr;  // height rows, the first is the top row
    size_t rowStride = 0;      // bytes from one row to the next; 0: pngRowBytes()
    bool interlaced = false;   // Adam7 when set
    // zlib's fastest level and the Sub filter on every row, for the
    // recorder: a 1024 x 768 frame compresses several times faster, about a
    // fifth larger. Otherwise zlib's smallest level: the build's pictures,
    // which the page downloads, come out some 6 % smaller, the same pixels.
    bool fast = false;
    // Palette images only: paletteSize RGB triplets (1 to 2^bitDepth, at most
    // 256), and optionally transparencyCount alpha bytes for the first entries
    // (written as a tRNS chunk; 0 writes none).
    const uint8_t* palette = nullptr;
    int paletteSize = 0;
    const uint8_t* transparency = nullptr;
    int transparencyCount = 0;
};

// Bytes of one packed row of the image's width, colour type and bit depth;
// 0 when the colour type is unknown.
size_t pngRowBytes(const PngImage& image);

// Writes the image to path. Answers false when the description is invalid
// (unknown colour type, a bit depth the type does not allow, no rows, a
// missing or oversized palette, transparency for more entries than the palette
// has) or the file cannot be written; then no file is left at path and, when
// error is given, it receives one line saying why.
bool writePng(const char* path, const PngImage& image, std::string* error = nullptr);
