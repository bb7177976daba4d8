#include "gfx/png_writer.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/file_path.h"
#include "base/named_fields.h"

namespace {

constexpr int PNG_MAX_PALETTE = 256;
constexpr int FAST_ZLIB_LEVEL = 1;
constexpr int SMALLEST_ZLIB_LEVEL = 9;
constexpr size_t ERROR_TEXT_SIZE = 256;

struct ColourTypeRule {
    int colorType = 0;
    int channels = 0;
    unsigned allowedDepths = 0;  // bit n set: depth n allowed

    constexpr ColourTypeRule withChannels(int count) const {
        return withField(*this, &ColourTypeRule::channels, count);
    }
    constexpr ColourTypeRule withAllowedDepths(unsigned depths) const {
        return withField(*this, &ColourTypeRule::allowedDepths, depths);
    }
};

constexpr ColourTypeRule ruleFor(int colorType) {
    ColourTypeRule rule;
    rule.colorType = colorType;
    return rule;
}

constexpr unsigned depthBit(int depth) { return 1u << depth; }

// Which bit depths each colour type may use.
constexpr ColourTypeRule COLOUR_TYPE_RULES[] = {
    ruleFor(PNG_WRITER_GREY)
        .withChannels(1)
        .withAllowedDepths(depthBit(1) | depthBit(2) | depthBit(4) | depthBit(8) | depthBit(16)),
    ruleFor(PNG_WRITER_RGB).withChannels(3).withAllowedDepths(depthBit(8) | depthBit(16)),
    ruleFor(PNG_WRITER_PALETTE)
        .withChannels(1)
        .withAllowedDepths(depthBit(1) | depthBit(2) | depthBit(4) | depthBit(8)),
    ruleFor(PNG_WRITER_GREY_ALPHA).withChannels(2).withAllowedDepths(depthBit(8) | depthBit(16)),
    ruleFor(PNG_WRITER_RGBA).withChannels(4).withAllowedDepths(depthBit(8) | depthBit(16)),
};

const ColourTypeRule* findRule(int colorType) {
    for (const ColourTypeRule& rule : COLOUR_TYPE_RULES) {
        if (rule.colorType == colorType) return &rule;
    }
    return nullptr;
}

// Checks everything libpng would otherwise reject halfway through a file.
const char* describeInvalid(const PngImage& image) {
    const ColourTypeRule* rule = findRule(image.colorType);
    if (!rule) return "unknown colour type";
    if (image.bitDepth < 1 || image.bitDepth > 16 || !(rule->allowedDepths & depthBit(image.bitDepth))) {
        return "bit depth not allowed for the colour type";
    }
    if (image.width == 0 || image.height == 0 || image.width > PNG_UINT_31_MAX ||
        image.height > PNG_UINT_31_MAX) {
        return "width and height must be 1 to 2^31-1";
    }
    if (!image.rows) return "no rows";
    if (image.rowStride != 0 && image.rowStride < pngRowBytes(image)) return "row stride shorter than a row";
    if (image.colorType == PNG_WRITER_PALETTE) {
        const int entries = std::min(PNG_MAX_PALETTE, 1 << image.bitDepth);
        if (!image.palette || image.paletteSize < 1 || image.paletteSize > entries) {
            return "palette missing or larger than the bit depth allows";
        }
        if (image.transparencyCount < 0 || image.transparencyCount > image.paletteSize ||
            (image.transparencyCount > 0 && !image.transparency)) {
            return "transparency for more entries than the palette has";
        }
    } else if (image.palette || image.transparencyCount != 0) {
        return "palette given for an image that is not a palette image";
    }
    return nullptr;
}

struct ErrorSink {
    char text[ERROR_TEXT_SIZE];
};

void onPngError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
    std::snprintf(sink->text, sizeof sink->text, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Holds only plain locals, so libpng's longjmp back into it skips no
// destructors.
bool encode(FILE* file, const PngImage& image, png_bytep* rowPointers, ErrorSink* sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, onPngError, onPngWarning);
    if (!png) {
        std::snprintf(sink->text, sizeof sink->text, "libpng could not make a write structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(sink->text, sizeof sink->text, "libpng could not make an info structure");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.fast) {
        png_set_compression_level(png, FAST_ZLIB_LEVEL);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    } else {
        png_set_compression_level(png, SMALLEST_ZLIB_LEVEL);
    }
    if (image.colorType == PNG_WRITER_PALETTE) {
        png_color entries[PNG_MAX_PALETTE];
        for (int i = 0; i < image.paletteSize; ++i) {
            entries[i].red = image.palette[3 * i];
            entries[i].green = image.palette[3 * i + 1];
            entries[i].blue = image.palette[3 * i + 2];
        }
        png_set_PLTE(png, info, entries, image.paletteSize);
        if (image.transparencyCount > 0) {
            png_set_tRNS(png, info, image.transparency, image.transparencyCount, nullptr);
        }
    }
    png_write_info(png, info);
    png_write_image(png, rowPointers);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

void report(std::string* error, const char* path, const char* why) {
    if (error) *error = std::string(path) + ": " + why;
}

}  // namespace

size_t pngRowBytes(const PngImage& image) {
    const ColourTypeRule* rule = findRule(image.colorType);
    if (!rule) return 0;
    const size_t bits = size_t(image.width) * size_t(rule->channels) * size_t(image.bitDepth);
    return (bits + 7) / 8;
}

bool writePng(const char* path, const PngImage& image, std::string* error) {
    if (const char* why = describeInvalid(image)) {
        report(error, path, why);
        return false;
    }
    const size_t stride = image.rowStride ? image.rowStride : pngRowBytes(image);
    std::vector<png_bytep> rowPointers(image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        // libpng's interface takes non-const rows but only reads them when writing.
        rowPointers[y] = const_cast<png_bytep>(image.rows + size_t(y) * stride);
    }

    FILE* file = openFile(path, "wb");
    if (!file) {
        report(error, path, std::strerror(errno));
        return false;
    }
    ErrorSink sink{};
    bool written = encode(file, image, rowPointers.data(), &sink);
    // A full disk often shows only when the buffered tail is flushed.
    if (std::fflush(file) != 0 || std::ferror(file)) {
        if (written) std::snprintf(sink.text, sizeof sink.text, "%s", std::strerror(errno));
        written = false;
    }
    if (std::fclose(file) != 0 && written) {
        std::snprintf(sink.text, sizeof sink.text, "%s", std::strerror(errno));
        written = false;
    }
    if (!written) {
        // Only a regular file is ours to take back; a device or pipe stays.
        std::error_code ignored;
        const std::filesystem::path partial = std::filesystem::u8path(path);
        if (std::filesystem::is_regular_file(partial, ignored)) std::filesystem::remove(partial, ignored);
        report(error, path, sink.text);
    }
    return written;
}
