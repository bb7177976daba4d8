#include "scenes/glow_sprite_scene.h"

#include "gfx/gl_subset.h"

#include <cmath>

#include "gfx/rgba.h"
#include "scenes/scene_kinds.h"

GlowParticle particles[GLOW_PARTICLE_COUNT];

namespace {

constexpr int GLOW_PEAK = 255;
constexpr int GLOW_FALLOFF_PER_PIXEL = 32;
constexpr GLint RGBA_COMPONENTS = 4;

constexpr int CLEARED_PARTICLE_WORDS[] = {0, 1, 3, 4, 6};

// The sprites' camera: on the z axis behind the origin, looking at it, y up.
constexpr double EYE_Z = -30.0;

}  // namespace

void GlowTexture::fillRadialGlow() {
    const int centre = width / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x - centre;
            const int dy = y - centre;
            const int d = static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
            const int v = GLOW_PEAK - GLOW_FALLOFF_PER_PIXEL * d;
            const uint8_t value = static_cast<uint8_t>(v < 0 ? 0 : v);
            uint8_t* pixel = &pixels[(static_cast<size_t>(y) * width + x) * RGBA_BYTES];
            for (size_t byte = 0; byte < RGBA_BYTES; ++byte)
                pixel[byte] = value;
        }
    }
}

void GlowTexture::uploadGlow(bool keepPixels) {
    GLuint made = 0;
    glGenTextures(1, &made);
    name = made;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, RGBA_COMPONENTS, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.get());
    if (!keepPixels)
        pixels.reset();
}

void clearParticles() {
    for (GlowParticle& particle : particles) {
        for (int word : CLEARED_PARTICLE_WORDS)
            particle.words[word] = 0;
    }
}

void GlowSpriteScene::init() {
    glow = std::make_unique<GlowTexture>();
    glow->pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(glow->width) * glow->height *
                                                RGBA_BYTES);
    glow->fillRadialGlow();
    glow->uploadGlow(false);
    glowName = glow->name;
    clearParticles();
}

void GlowSpriteScene::render(float, float) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, EYE_Z, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
    glBindTexture(GL_TEXTURE_2D, glowName);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void GlowSpriteScene::destroy() {
    if (glow && glow->name != 0) {
        const GLuint name = glow->name;
        glDeleteTextures(1, &name);
    }
    glow.reset();
    glowName = 0;
}

Scene* newGlowSpriteScene() {
    return new GlowSpriteScene;
}
