#include "tools/windows_icon/icon_file.h"

#include <cstring>

namespace {

constexpr uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// The signature, the IHDR chunk's length and type, then its width and height.
constexpr size_t PNG_WIDTH_AT = 16;
constexpr size_t PNG_HEIGHT_AT = 20;
constexpr size_t PNG_HEADER_BYTES = 24;
constexpr uint32_t LARGEST_SIDE = 256;

constexpr uint16_t ICON_TYPE = 1;
constexpr size_t ICON_HEADER_BYTES = 6;
constexpr size_t ICON_ENTRY_BYTES = 16;
constexpr uint16_t COLOUR_PLANES = 1;
constexpr uint16_t BITS_PER_PIXEL = 32;

uint32_t bigEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

void put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value & 0xff));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, uint16_t(value & 0xffff));
    put16(out, uint16_t(value >> 16));
}

// The format's one byte per side: 256 is written as 0.
uint8_t sideByte(uint32_t side) { return side == LARGEST_SIDE ? 0 : uint8_t(side); }

}  // namespace

std::vector<uint8_t> iconFile(const std::vector<std::vector<uint8_t>>& pngs, std::string& error) {
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, ICON_TYPE);
    put16(out, uint16_t(pngs.size()));
    uint32_t offset = uint32_t(ICON_HEADER_BYTES + ICON_ENTRY_BYTES * pngs.size());
    for (size_t i = 0; i < pngs.size(); ++i) {
        const std::vector<uint8_t>& png = pngs[i];
        if (png.size() < PNG_HEADER_BYTES || std::memcmp(png.data(), PNG_SIGNATURE, sizeof PNG_SIGNATURE) != 0) {
            error = "picture " + std::to_string(i) + " is not a PNG";
            return {};
        }
        const uint32_t width = bigEndian32(&png[PNG_WIDTH_AT]);
        const uint32_t height = bigEndian32(&png[PNG_HEIGHT_AT]);
        if (width == 0 || height == 0 || width > LARGEST_SIDE || height > LARGEST_SIDE) {
            error = "picture " + std::to_string(i) + " is " + std::to_string(width) + " x " + std::to_string(height) +
                    ", larger than an icon holds";
            return {};
        }
        out.push_back(sideByte(width));
        out.push_back(sideByte(height));
        out.push_back(0);  // no palette
        out.push_back(0);  // reserved
        put16(out, COLOUR_PLANES);
        put16(out, BITS_PER_PIXEL);
        put32(out, uint32_t(png.size()));
        put32(out, offset);
        offset += uint32_t(png.size());
    }
    for (const std::vector<uint8_t>& png : pngs)
        out.insert(out.end(), png.begin(), png.end());
    return out;
}
