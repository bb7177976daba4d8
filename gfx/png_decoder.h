// PNG files decoded into 8-bit RGBA pixels through libpng's sequential
// reader. Private to gfx/: Texture::loadPng is its only user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Neither side may exceed this; it keeps width * height * 4 far inside size_t
// and matches the largest texture common OpenGL drivers accept.
constexpr uint32_t MAX_PICTURE_SIDE = 16384;

struct DecodedPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t bitDepth = 0;               // as stored in the file
    int32_t colorType = 0;              // as stored in the file
    std::unique_ptr<uint8_t[]> pixels;  // width * height * 4 bytes, RGBA, top row first
};

// Decodes the file at path. Pictures without their own alpha get alpha from
// brightness when bit 0 of alphaFromBrightness is set, 255 otherwise.
// On failure answers false, leaves picture.pixels empty and puts the reason
// in reason (no file name, no newline).
bool decodePng(const char* path, int32_t alphaFromBrightness, DecodedPng& picture,
               std::string& reason);
