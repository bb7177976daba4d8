// Test pictures: PNG files written with libpng from plain sample values, a
// scratch directory to hold them, and byte-level helpers for broken files.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/texture.h"

using Rgba = std::array<uint8_t, 4>;
using Rgb = std::array<uint8_t, 3>;

struct PngImage {
    uint32_t width = 1;
    uint32_t height = 1;
    int colorType = 2;  // PNG colour type: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    // width * height * channels values in file order, each below 2^bitDepth;
    // palette indices for colour type 3.
    std::vector<uint16_t> samples;
    std::vector<Rgb> palette;
    std::vector<uint8_t> paletteAlpha;  // tRNS of a palette image; empty for none
    bool hasTransparentGrey = false;    // tRNS of a grey image
    uint16_t transparentGrey = 0;
};

// The whole PNG file for image (fails the current test on a libpng error).
std::vector<uint8_t> encodePng(const PngImage& image);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void writePng(const std::string& path, const PngImage& image);

// An 8-bit image of one colour type with the given pixels (channels per pixel
// follow the type).
PngImage imageOf(int colorType, uint32_t width, uint32_t height, std::vector<uint16_t> samples);

// PNG's chunk checksum, to forge chunks that libpng accepts.
uint32_t pngCrc(const uint8_t* bytes, size_t count);

// Byte offset of the first chunk of the given type (e.g. "IDAT") in a PNG file.
size_t chunkOffset(const std::vector<uint8_t>& png, const char* type);

// A fresh scratch folder (makeScratchFolder), removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A Texture that releases its pixels and names on the way out.
struct TextureDeleter {
    void operator()(Texture* texture) const;
};

using TexturePtr = std::unique_ptr<Texture, TextureDeleter>;

// Loads the file into a new Texture.
TexturePtr loadTexture(const std::string& path, int32_t alphaFromBrightness);

// Pixel (x, y) of a loaded texture.
Rgba pixelAt(const Texture& texture, uint32_t x, uint32_t y);
