// PNG decoding for Texture: libpng's sequential reader, one row at a time,
// then one conversion to RGBA chosen by the size of a decoded row.
#include "gfx/png_decoder.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/file_path.h"
#include "gfx/rgba.h"

namespace {

// loadPng looks at the first four signature bytes itself; libpng checks the rest.
constexpr size_t CHECKED_SIGNATURE_BYTES = 4;
constexpr uint8_t OPAQUE = 255;
constexpr int EIGHT_BITS = 8;
constexpr size_t REASON_CAPACITY = 200;
// libpng allocates a chunk's declared length before reading it, so a forged
// length could ask for 2 GiB; no block libpng needs for a picture we accept
// (row buffers, zlib state, decompressed metadata) comes near this.
constexpr png_alloc_size_t MAX_LIBPNG_BLOCK_BYTES = png_alloc_size_t{16} << 20;

static_assert(uint64_t{MAX_PICTURE_SIDE} * MAX_PICTURE_SIDE * RGBA_BYTES <= SIZE_MAX,
              "a picture of the largest accepted size must be addressable");

// Everything that changes after setjmp lives here, in the caller's frame, so
// a longjmp cannot leave it indeterminate; the destructor releases whatever
// was made, whichever way the read ended.
struct PngReader {
    PngReader() = default;
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() {
        if (png != nullptr)
            png_destroy_read_struct(&png, &info, nullptr);
        if (file != nullptr)
            std::fclose(file);
    }

    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::unique_ptr<uint8_t[]> rows;
    size_t stride = 0;
    char reason[REASON_CAPACITY] = {};
};

// libpng calls this on any error and must not get control back: the message
// is kept for the report and the read unwinds to readRows' setjmp.
[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->reason, sizeof reader->reason, "%s", message);
    png_longjmp(png, 1);
}

// A picture that decodes is not a fault: warnings stay quiet.
void onPngWarning(png_structp, png_const_charp) {}

// libpng's allocator, refusing oversized blocks; libpng then skips the chunk
// or fails the read with its own message.
png_voidp allocateForPng(png_structp, png_alloc_size_t size) {
    return size <= MAX_LIBPNG_BLOCK_BYTES ? std::malloc(size) : nullptr;
}

void freeForPng(png_structp, png_voidp block) {
    std::free(block);
}

// Tells a file that ends early from one that cannot be read.
void readFromFile(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<FILE*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, file) == length)
        return;
    png_error(png, std::feof(file) != 0 ? "unexpected end of file" : "read error");
}

bool openPng(PngReader& reader, const char* path) {
    reader.file = openFile(path, "rb");
    if (reader.file == nullptr) {
        std::snprintf(reader.reason, sizeof reader.reason, "cannot open: %s", std::strerror(errno));
        return false;
    }
    png_byte signature[CHECKED_SIGNATURE_BYTES];
    if (std::fread(signature, 1, sizeof signature, reader.file) < sizeof signature) {
        if (std::ferror(reader.file) != 0)
            std::snprintf(reader.reason, sizeof reader.reason, "cannot read: %s",
                          std::strerror(errno));
        else
            std::snprintf(reader.reason, sizeof reader.reason, "too short to be a PNG file");
        return false;
    }
    if (png_sig_cmp(signature, 0, sizeof signature) != 0) {
        std::snprintf(reader.reason, sizeof reader.reason, "not a PNG file");
        return false;
    }
    return true;
}

// Asks libpng for 8-bit grey, grey with alpha, RGB or RGBA rows, and answers
// how many passes the rows come in.
int requestTransforms(png_structp png, png_infop info, int colorType, int bitDepth) {
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < EIGHT_BITS)
        png_set_expand_gray_1_2_4_to_8(png);
    // Palette indices are not a picture; their colours are.
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    // Transparency declared by the file is its alpha, as for RGBA files.
    bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (hasTransparency &&
        (colorType == PNG_COLOR_TYPE_PALETTE || colorType == PNG_COLOR_TYPE_GRAY))
        png_set_tRNS_to_alpha(png);
    return png_set_interlace_handling(png);
}

// The only frame that calls setjmp. It keeps nothing of its own across a
// longjmp: what it makes goes into reader and picture.
bool readRows(PngReader& reader, DecodedPng& picture) {
    if (setjmp(png_jmpbuf(reader.png)) != 0)
        return false;
    png_set_read_fn(reader.png, reader.file, readFromFile);
    png_set_sig_bytes(reader.png, static_cast<int>(CHECKED_SIGNATURE_BYTES));
    // Also bounds what compressed metadata (iCCP, zTXt, iTXt) may inflate to.
    png_set_chunk_malloc_max(reader.png, MAX_LIBPNG_BLOCK_BYTES);
    png_read_info(reader.png, reader.info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    png_get_IHDR(reader.png, reader.info, &width, &height, &bitDepth, &colorType, nullptr, nullptr,
                 nullptr);
    picture.width = width;
    picture.height = height;
    picture.bitDepth = bitDepth;
    picture.colorType = colorType;
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE)
        png_error(reader.png, "picture too large");

    int passes = requestTransforms(reader.png, reader.info, colorType, bitDepth);
    png_read_update_info(reader.png, reader.info);
    reader.stride = png_get_rowbytes(reader.png, reader.info);
    reader.rows.reset(new (std::nothrow) uint8_t[reader.stride * height]);
    if (!reader.rows)
        png_error(reader.png, "out of memory");
    // Interlaced files deliver every row once per pass; each pass fills in its own pixels.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 row = 0; row < height; ++row)
            png_read_row(reader.png, reader.rows.get() + row * reader.stride, nullptr);
    png_read_end(reader.png, nullptr);
    return true;
}

using ConvertPixels = void (*)(const uint8_t* source, uint8_t* rgba, size_t count,
                               bool alphaFromBrightness);

void fromGrey(const uint8_t* source, uint8_t* rgba, size_t count, bool alphaFromBrightness) {
    for (size_t i = 0; i < count; ++i, rgba += RGBA_BYTES) {
        uint8_t value = source[i];
        rgba[0] = rgba[1] = rgba[2] = value;
        rgba[3] = alphaFromBrightness ? value : OPAQUE;
    }
}

void fromGreyAlpha(const uint8_t* source, uint8_t* rgba, size_t count, bool) {
    for (size_t i = 0; i < count; ++i, source += 2, rgba += RGBA_BYTES) {
        rgba[0] = rgba[1] = rgba[2] = source[0];
        rgba[3] = source[1];
    }
}

void fromRgb(const uint8_t* source, uint8_t* rgba, size_t count, bool alphaFromBrightness) {
    for (size_t i = 0; i < count; ++i, source += 3, rgba += RGBA_BYTES) {
        rgba[0] = source[0];
        rgba[1] = source[1];
        rgba[2] = source[2];
        rgba[3] = alphaFromBrightness
                      ? static_cast<uint8_t>((source[0] + source[1] + source[2]) / 3)
                      : OPAQUE;
    }
}

void fromRgba(const uint8_t* source, uint8_t* rgba, size_t count, bool) {
    std::memcpy(rgba, source, count * RGBA_BYTES);
}

// A decoded row is told apart by its size alone.
struct RowLayout {
    size_t bytesPerPixel;
    ConvertPixels convert;
};

constexpr RowLayout ROW_LAYOUTS[] = {
    {1, fromGrey},
    {2, fromGreyAlpha},
    {3, fromRgb},
    {4, fromRgba},
};

const RowLayout* findLayout(size_t stride, uint32_t width) {
    for (const RowLayout& layout : ROW_LAYOUTS)
        if (stride == layout.bytesPerPixel * width)
            return &layout;
    return nullptr;
}

}  // namespace

bool decodePng(const char* path, int32_t alphaFromBrightness, DecodedPng& picture,
               std::string& reason) {
    PngReader reader;
    if (!openPng(reader, path)) {
        reason = reader.reason;
        return false;
    }
    reader.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &reader, onPngError, onPngWarning,
                                          nullptr, allocateForPng, freeForPng);
    if (reader.png == nullptr) {
        reason = "cannot create the libpng read structure";
        return false;
    }
    reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr) {
        reason = "cannot create the libpng info structure";
        return false;
    }
    if (!readRows(reader, picture)) {
        reason = reader.reason;
        return false;
    }

    const RowLayout* layout = findLayout(reader.stride, picture.width);
    if (layout == nullptr) {
        reason = "unsupported pixel layout";
        return false;
    }
    size_t count = size_t{picture.width} * picture.height;
    picture.pixels.reset(new (std::nothrow) uint8_t[count * RGBA_BYTES]);
    if (!picture.pixels) {
        reason = "out of memory";
        return false;
    }
    layout->convert(reader.rows.get(), picture.pixels.get(), count, (alphaFromBrightness & 1) != 0);
    return true;
}
