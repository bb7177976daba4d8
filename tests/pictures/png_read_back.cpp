#include "tests/pictures/png_read_back.h"

#include <png.h>

#include <cstdio>

namespace {

struct Failure {
    char text[256];
};

void onError(png_structp png, png_const_charp message) {
    std::snprintf(static_cast<Failure*>(png_get_error_ptr(png))->text, sizeof(Failure::text), "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Only plain locals live here, so the longjmp of libpng's error path skips no destructors.
bool decode(FILE* file, ReadBackPng* image, png_bytep* rows, bool sizeOnly, Failure* failure) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, failure, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    image->width = png_get_image_width(png, info);
    image->height = png_get_image_height(png, info);
    image->colorType = png_get_color_type(png, info);
    image->bitDepth = png_get_bit_depth(png, info);
    image->interlace = png_get_interlace_type(png, info);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image->rowBytes = png_get_rowbytes(png, info);
    if (!sizeOnly) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count)) {
            for (int i = 0; i < count; ++i) {
                image->palette.insert(image->palette.end(), {entries[i].red, entries[i].green, entries[i].blue});
            }
        }
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) && alpha) {
            image->transparency.assign(alpha, alpha + alphaCount);
        }
        png_read_image(png, rows);
        png_read_end(png, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool readBackPng(const std::string& path, ReadBackPng* image, std::string* error) {
    Failure failure{};
    *image = ReadBackPng{};
    // First pass: the header, to size the row buffer.
    for (bool sizeOnly : {true, false}) {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            *error = path + ": cannot open";
            return false;
        }
        std::vector<png_bytep> rowPointers;
        if (!sizeOnly) {
            image->rows.assign(image->rowBytes * image->height, 0);
            for (uint32_t y = 0; y < image->height; ++y) rowPointers.push_back(&image->rows[y * image->rowBytes]);
        }
        const bool ok = decode(file, image, rowPointers.data(), sizeOnly, &failure);
        std::fclose(file);
        if (!ok) {
            *error = path + ": " + failure.text;
            return false;
        }
    }
    return true;
}
