// Texture: PNG pixels, their OpenGL names by slot, and the emboss pair.
//
// A Texture whose load failed has no pixels; its owner calls upload and
// makeBumpPair regardless, so both then make 1x1 images that draw nothing:
// slots 10 and 11 transparent black, slot 1 transparent black and slot 2 its
// inverse, whose product in the first emboss pass is black.
#include "gfx/texture.h"

#include "gfx/gl_subset.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/factory_kind.h"
#include "base/program_message.h"
#include "gfx/png_decoder.h"
#include "gfx/rgba.h"

namespace {

// Pictures exactly this high are split into an upper and a lower texture.
constexpr uint32_t SPLIT_PICTURE_HEIGHT = 768;
constexpr uint32_t UPPER_PART_HEIGHT = 512;
constexpr uint32_t LOWER_PART_HEIGHT = SPLIT_PICTURE_HEIGHT - UPPER_PART_HEIGHT;
constexpr GLsizei PICTURE_PART_COUNT = 2;  // slots 10 and 11, made by one call

constexpr GLint TEXTURE_COMPONENTS = 4;
constexpr uint8_t BYTE_MAX = 255;

// What a Texture without pixels uploads in every slot it fills.
constexpr uint32_t STAND_IN_SIZE = 1;
constexpr uint8_t TRANSPARENT_BLACK[RGBA_BYTES] = {0, 0, 0, 0};

void defineImage(GLuint name, GLint filter, uint32_t width, uint32_t height, const uint8_t* data) {
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, TEXTURE_COMPONENTS, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, data);
}

// Every name a Texture gives back goes through here.
void deleteName(uint32_t* names, int slot) {
    if (names[slot] != 0)
        glDeleteTextures(1, &names[slot]);
    names[slot] = 0;
}

// A fresh name in the slot, with one image; a name the slot held is deleted
// first rather than leaked.
void fillSlot(uint32_t* names, int slot, uint32_t width, uint32_t height, const uint8_t* data) {
    deleteName(names, slot);
    glGenTextures(1, &names[slot]);
    defineImage(names[slot], GL_LINEAR, width, height, data);
}

// upload splits a picture 768 rows high for the two screen quads; scenes
// that draw slot 10 alone want every picture whole there.
enum class PictureParts { SPLIT_SCREEN_PICTURE, WHOLE };

void uploadPicture(Texture& texture, PictureParts parts) {
    texture.deleteGlTextures();
    uint32_t* names = texture.names = new uint32_t[TEXTURE_SLOT_COUNT]();
    if (texture.pixels == nullptr) {
        glGenTextures(PICTURE_PART_COUNT, &names[TEXTURE_SLOT_PICTURE]);
        defineImage(names[TEXTURE_SLOT_PICTURE], GL_NEAREST, STAND_IN_SIZE, STAND_IN_SIZE,
                    TRANSPARENT_BLACK);
        defineImage(names[TEXTURE_SLOT_PICTURE_LOWER], GL_NEAREST, STAND_IN_SIZE, STAND_IN_SIZE,
                    TRANSPARENT_BLACK);
        return;
    }
    if (parts == PictureParts::SPLIT_SCREEN_PICTURE && texture.height == SPLIT_PICTURE_HEIGHT) {
        glGenTextures(PICTURE_PART_COUNT, &names[TEXTURE_SLOT_PICTURE]);
        defineImage(names[TEXTURE_SLOT_PICTURE], GL_NEAREST, texture.width, UPPER_PART_HEIGHT,
                    texture.pixels);
        defineImage(names[TEXTURE_SLOT_PICTURE_LOWER], GL_NEAREST, texture.width,
                    LOWER_PART_HEIGHT,
                    texture.pixels + size_t{texture.width} * UPPER_PART_HEIGHT * RGBA_BYTES);
        return;
    }
    glGenTextures(1, &names[TEXTURE_SLOT_PICTURE]);
    defineImage(names[TEXTURE_SLOT_PICTURE], GL_LINEAR, texture.width, texture.height,
                texture.pixels);
}

void stretchGrey(uint8_t* rgba, size_t count, float contrast) {
    for (size_t i = 0; i < count; ++i, rgba += RGBA_BYTES) {
        const int grey = (rgba[0] + rgba[1] + rgba[2]) / 3;
        rgba[0] = rgba[1] = rgba[2] = stretchedGrey(grey, contrast);
    }
}

void invert(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(BYTE_MAX - bytes[i]);
}

}  // namespace

Texture::~Texture() {
    release();
}

void Texture::loadPng(const char* path, int32_t alphaFromBrightness) {
    release();
    DecodedPng picture;
    std::string reason;
    if (!decodePng(path, alphaFromBrightness, picture, reason)) {
        programMessage("%s: %s", fullPath(path).c_str(), reason.c_str());
        // No pixels, no size: upload and makeBumpPair then fall back to 1x1 images.
        width = height = 0;
        bitDepth = colorType = 0;
        return;
    }
    width = picture.width;
    height = picture.height;
    bitDepth = picture.bitDepth;
    colorType = picture.colorType;
    pixels = picture.pixels.release();
}

void Texture::upload() {
    uploadPicture(*this, PictureParts::SPLIT_SCREEN_PICTURE);
}

void Texture::deleteGlTextures() {
    if (names == nullptr)
        return;
    for (int slot : {TEXTURE_SLOT_PICTURE, TEXTURE_SLOT_PICTURE_LOWER, TEXTURE_SLOT_BUMP,
                     TEXTURE_SLOT_BUMP_INVERTED})
        deleteName(names, slot);
    delete[] names;
    names = nullptr;
}

void Texture::freePixels() {
    delete[] pixels;
    pixels = nullptr;
}

void Texture::release() {
    deleteGlTextures();
    freePixels();
}

// Keeps its place among the operations; nothing calls it.
void Texture::prepare(int32_t) {}

void Texture::makeBumpPair(float contrast) {
    assert(names != nullptr && "makeBumpPair needs upload first");
    if (pixels == nullptr) {
        uint8_t texel[RGBA_BYTES];
        std::memcpy(texel, TRANSPARENT_BLACK, sizeof texel);
        fillSlot(names, TEXTURE_SLOT_BUMP, STAND_IN_SIZE, STAND_IN_SIZE, texel);
        invert(texel, sizeof texel);
        fillSlot(names, TEXTURE_SLOT_BUMP_INVERTED, STAND_IN_SIZE, STAND_IN_SIZE, texel);
        return;
    }
    size_t count = size_t{width} * height;
    stretchGrey(pixels, count, contrast);
    fillSlot(names, TEXTURE_SLOT_BUMP, width, height, pixels);
    invert(pixels, count * RGBA_BYTES);
    fillSlot(names, TEXTURE_SLOT_BUMP_INVERTED, width, height, pixels);
}

void Texture::bind(int32_t slot) {
    assert(names != nullptr && slot >= 0 && slot < TEXTURE_SLOT_COUNT);
    glBindTexture(GL_TEXTURE_2D, names[slot]);
}

void uploadWhole(Texture& texture) {
    uploadPicture(texture, PictureParts::WHOLE);
}

bool fitsOneTexture(uint32_t width, uint32_t height) {
    // Sizes past the largest side are refused before the proxy: some drivers
    // answer them with an error rather than an empty proxy.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (largest <= 0 || width > static_cast<uint32_t>(largest) ||
        height > static_cast<uint32_t>(largest))
        return false;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, TEXTURE_COMPONENTS, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint madeWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &madeWidth);
    return madeWidth != 0;
}

Texture* createTexture(int kind) {
    return kind == STANDARD_KIND ? new Texture : nullptr;
}
