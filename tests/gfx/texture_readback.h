// The GL side of the texture tests: one shared context, and what OpenGL
// holds for a texture name (size, filters, RGBA bytes).
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "gfx/texture.h"
#include "tests/support/headless_gl.h"

// One context for the whole test program, made on first use and never torn
// down: the driver then stays loaded until exit, so the allocations it keeps
// for the life of the process stay attributable to it (and suppressible).
inline HeadlessGl& sharedGl() {
    static HeadlessGl* gl = new HeadlessGl;
    return *gl;
}

struct TextureImage {
    GLint width = 0;
    GLint height = 0;
    GLint minFilter = 0;
    GLint magFilter = 0;
    std::vector<uint8_t> rgba;
};

// Binds the name to read it; the caller's binding is not kept.
inline TextureImage readTexture(GLuint name) {
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &image.minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &image.magFilter);
    image.rgba.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

inline GLuint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

// A replaced name must be gone, unless OpenGL handed it out again to the texture.
inline bool isDeletedOrReused(GLuint name, const Texture& texture) {
    return !glIsTexture(name) || std::find(texture.names, texture.names + TEXTURE_SLOT_COUNT,
                                           name) != texture.names + TEXTURE_SLOT_COUNT;
}
