#include "scenes/picture_texture.h"

#include "platform/factory_kind.h"

namespace {

constexpr int32_t ALPHA_FROM_BRIGHTNESS = 1;

}  // namespace

std::unique_ptr<Texture> loadPictureTexture(const char* path) {
    std::unique_ptr<Texture> texture(createTexture(STANDARD_KIND));
    texture->loadPng(path, ALPHA_FROM_BRIGHTNESS);
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
