// Pictures as OpenGL textures: a PNG file decoded into 8-bit RGBA pixels,
// uploaded into texture names kept in slots, bound by slot while drawing.
#pragma once

#include <cstdint>

// Slots of Texture::names that are ever filled.
constexpr int TEXTURE_SLOT_BUMP = 1;           // grey, contrast-stretched copy
constexpr int TEXTURE_SLOT_BUMP_INVERTED = 2;  // inverted copy of slot 1
constexpr int TEXTURE_SLOT_PICTURE = 10;       // the picture, or its rows 0 to 511
constexpr int TEXTURE_SLOT_PICTURE_LOWER = 11; // rows 512 to 767 of a 768-row picture
constexpr int TEXTURE_SLOT_COUNT = 20;

class Texture {
public:
    // It owns its pixels and texture names: a copy would free them twice.
    Texture() = default;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    // Releases what its owner has not (release).
    virtual ~Texture();

    // Decodes the file into pixels, in place of any earlier picture and its
    // names (release); alphaFromBrightness bit 0 derives alpha from
    // brightness for pictures without their own. A file that cannot be read
    // leaves no pixels and says why in one line on stderr, under the
    // program's name and with the file's full path.
    virtual void loadPng(const char* path, int32_t alphaFromBrightness);
    virtual void upload();
    virtual void deleteGlTextures();
    virtual void freePixels();
    // Makes the emboss pair of slots 1 and 2 out of the pixels, and consumes
    // them: afterwards they hold slot 2's inverted grey image, not the
    // picture, which only slot 10 (uploaded before) still shows.
    virtual void makeBumpPair(float contrast);
    virtual void bind(int32_t slot);

    // Deletes the texture names (deleteGlTextures) and frees the pixels
    // (freePixels), whichever are left: the one way a Texture gives back what
    // it owns. Names need the context they were made in to be current.
    void release();

    // Kept for the interface; nothing in the program calls it.
    virtual void prepare(int32_t value);  // does nothing

    uint32_t width = 0;
    uint32_t height = 0;
    int32_t bitDepth = 0;
    int32_t colorType = 0;
    uint8_t* pixels = nullptr;  // width * height * 4 bytes, RGBA, row 0 at the top
    uint32_t* names = nullptr;  // TEXTURE_SLOT_COUNT texture names, 0 for none
};

// The byte makeBumpPair writes for a grey value at a contrast: the grey
// stretched about mid grey in single precision and clamped, so only greys
// near the middle keep apart.
constexpr uint8_t stretchedGrey(int grey, float contrast) {
    constexpr float MID_GREY = 128.0f;
    constexpr float STRETCH_MIN = -128.0f;
    constexpr float STRETCH_MAX = 127.0f;
    float x = (static_cast<float>(grey) - MID_GREY) * contrast;
    if (x < STRETCH_MIN)
        x = STRETCH_MIN;
    if (x > STRETCH_MAX)
        x = STRETCH_MAX;
    return static_cast<uint8_t>(static_cast<int>(x + MID_GREY));
}

// Kind 1 gives a new Texture; any other kind gives null.
Texture* createTexture(int kind);

// Texture::upload, except that a picture 768 rows high also goes whole into
// slot 10 and slot 11 stays 0: for whatever draws slot 10 alone.
void uploadWhole(Texture& texture);

// Whether this OpenGL can make one texture of the size from the pixels: not
// past its largest texture, nor, on drivers that want powers of two, of
// another size. Asks the current context.
bool fitsOneTexture(uint32_t width, uint32_t height);
