#include "scenes/picture_texture.h"

#include "base/factory_kind.h"
#include "base/program_message.h"
#include "content/frame_size.h"
#include "gfx/picture_fit.h"

namespace {

constexpr int32_t ALPHA_FROM_BRIGHTNESS = 1;

std::unique_ptr<Texture> loadPixels(const char* path) {
    std::unique_ptr<Texture> texture(createTexture(STANDARD_KIND));
    texture->loadPng(path, ALPHA_FROM_BRIGHTNESS);
    return texture;
}

// Resampled once, here, rather than stretched by the quads: the picture keeps
// its aspect, black around it is transparent for title and logo as it is
// dark for the background, and the frame's two parts are what upload and
// the screen quads expect.
void fitToFrame(const char* path, Texture& texture) {
    const FittedRect rect = fittedRect(texture.width, texture.height, FRAME_WIDTH, FRAME_HEIGHT);
    const bool bars = rect.width != FRAME_WIDTH || rect.height != FRAME_HEIGHT;
    programMessage("%s is %ux%u, not %dx%d: scaled to %ux%u%s", fullPath(path).c_str(),
                   texture.width, texture.height, FRAME_WIDTH, FRAME_HEIGHT, rect.width,
                   rect.height, bars ? " inside black bars" : "");
    std::unique_ptr<uint8_t[]> frame =
        fitPicture(texture.pixels, texture.width, texture.height, FRAME_WIDTH, FRAME_HEIGHT);
    texture.freePixels();
    texture.pixels = frame.release();
    texture.width = FRAME_WIDTH;
    texture.height = FRAME_HEIGHT;
}

}  // namespace

std::unique_ptr<Texture> loadPictureTexture(const char* path) {
    std::unique_ptr<Texture> texture = loadPixels(path);
    if (texture->pixels != nullptr && !fitsOneTexture(texture->width, texture->height)) {
        programMessage("%s is %ux%u, a size this OpenGL cannot make one texture of: not shown",
                       fullPath(path).c_str(), texture->width, texture->height);
        // Drawn as a picture that could not be read.
        texture->freePixels();
        texture->width = texture->height = 0;
    }
    uploadWhole(*texture);
    return texture;
}

std::unique_ptr<Texture> loadScreenPicture(const char* path) {
    std::unique_ptr<Texture> texture = loadPixels(path);
    if (texture->pixels != nullptr &&
        (texture->width != FRAME_WIDTH || texture->height != FRAME_HEIGHT))
        fitToFrame(path, *texture);
    texture->upload();
    return texture;
}

void releasePictureTexture(std::unique_ptr<Texture>& texture) {
    if (!texture)
        return;
    texture->freePixels();
    texture->deleteGlTextures();
    texture.reset();
}
