#include "tests/gfx/png_fixture.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/scratch_folder.h"

namespace {

constexpr size_t SIGNATURE_BYTES = 8;
constexpr size_t CHUNK_HEADER_BYTES = 8;  // length and type
constexpr size_t CHUNK_CRC_BYTES = 4;
constexpr uint32_t CRC_POLYNOMIAL = 0xEDB88320u;

int channelsOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        throw std::invalid_argument("unknown PNG colour type");
    }
}

size_t rowBytesOf(const PngImage& image) {
    return (size_t{image.width} * channelsOf(image.colorType) * image.bitDepth + 7) / 8;
}

// Samples packed as PNG stores them: big-endian 16-bit, MSB-first below 8 bits.
std::vector<uint8_t> packRows(const PngImage& image) {
    size_t perRow = size_t{image.width} * channelsOf(image.colorType);
    if (image.samples.size() != perRow * image.height)
        throw std::invalid_argument("sample count does not match the picture size");
    size_t rowBytes = rowBytesOf(image);
    std::vector<uint8_t> rows(rowBytes * image.height);
    for (size_t y = 0; y < image.height; ++y) {
        uint8_t* row = rows.data() + y * rowBytes;
        for (size_t k = 0; k < perRow; ++k) {
            uint16_t value = image.samples[y * perRow + k];
            if (image.bitDepth == 16) {
                row[2 * k] = static_cast<uint8_t>(value >> 8);
                row[2 * k + 1] = static_cast<uint8_t>(value & 0xff);
            } else if (image.bitDepth == 8) {
                row[k] = static_cast<uint8_t>(value);
            } else {
                size_t bit = k * image.bitDepth;
                int shift = 8 - image.bitDepth - static_cast<int>(bit % 8);
                row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | value << shift);
            }
        }
    }
    return rows;
}

void appendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Everything the libpng calls touch is owned by the caller, so nothing here
// is left indeterminate by a longjmp.
struct WriteJob {
    const PngImage& image;
    std::vector<png_bytep>& rowPointers;
    std::vector<png_color>& palette;
    png_color_16& transparent;
    std::vector<uint8_t>& out;
};

bool writeWithLibpng(png_structp png, png_infop info, WriteJob& job) {
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    const PngImage& image = job.image;
    png_set_write_fn(png, &job.out, appendBytes, flushNothing);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!job.palette.empty())
        png_set_PLTE(png, info, job.palette.data(), static_cast<int>(job.palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(),
                     static_cast<int>(image.paletteAlpha.size()), nullptr);
    if (image.hasTransparentGrey)
        png_set_tRNS(png, info, nullptr, 0, &job.transparent);
    png_write_info(png, info);
    png_write_image(png, job.rowPointers.data());
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> encodePng(const PngImage& image) {
    std::vector<uint8_t> rows = packRows(image);
    std::vector<png_bytep> rowPointers(image.height);
    for (size_t y = 0; y < image.height; ++y)
        rowPointers[y] = rows.data() + y * rowBytesOf(image);
    std::vector<png_color> palette;
    for (const Rgb& entry : image.palette)
        palette.push_back(png_color{entry[0], entry[1], entry[2]});
    png_color_16 transparent{};
    transparent.gray = image.transparentGrey;
    std::vector<uint8_t> out;
    WriteJob job{image, rowPointers, palette, transparent, out};

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool written = info != nullptr && writeWithLibpng(png, info, job);
    png_destroy_write_struct(&png, &info);
    if (!written)
        throw std::runtime_error("libpng could not write the test picture");
    return out;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

void writePng(const std::string& path, const PngImage& image) {
    writeBytes(path, encodePng(image));
}

PngImage imageOf(int colorType, uint32_t width, uint32_t height, std::vector<uint16_t> samples) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = colorType;
    image.samples = std::move(samples);
    return image;
}

uint32_t pngCrc(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? (crc >> 1) ^ CRC_POLYNOMIAL : crc >> 1;
    }
    return crc ^ 0xffffffffu;
}

size_t chunkOffset(const std::vector<uint8_t>& png, const char* type) {
    size_t offset = SIGNATURE_BYTES;
    while (offset + CHUNK_HEADER_BYTES <= png.size()) {
        uint32_t length = uint32_t{png[offset]} << 24 | uint32_t{png[offset + 1]} << 16 |
                          uint32_t{png[offset + 2]} << 8 | png[offset + 3];
        if (std::equal(type, type + 4, png.begin() + static_cast<long>(offset) + 4))
            return offset;
        offset += CHUNK_HEADER_BYTES + length + CHUNK_CRC_BYTES;
    }
    throw std::invalid_argument(std::string("no chunk ") + type);
}

ScratchDir::ScratchDir() : path_(makeScratchFolder("pelmira-gfx")) {
    if (path_.empty())
        throw std::runtime_error("cannot make a scratch directory");
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TextureDeleter::operator()(Texture* texture) const {
    texture->freePixels();
    texture->deleteGlTextures();
    delete texture;
}

TexturePtr loadTexture(const std::string& path, int32_t alphaFromBrightness) {
    TexturePtr texture(createTexture(1));
    texture->loadPng(path.c_str(), alphaFromBrightness);
    return texture;
}

Rgba pixelAt(const Texture& texture, uint32_t x, uint32_t y) {
    if (texture.pixels == nullptr || x >= texture.width || y >= texture.height)
        throw std::out_of_range("no such pixel");
    const uint8_t* p = texture.pixels + (size_t{y} * texture.width + x) * 4;
    return Rgba{p[0], p[1], p[2], p[3]};
}
