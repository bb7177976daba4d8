// The glow sprite scene (type 2): the groundwork of a sprite effect. init
// generates a small radial glow texture and clears the process-wide sprite
// records; render sets up the camera, blending and texture for the sprites
// and restores the state, drawing no geometry. No table row creates it.
//
// GL state promise: leaves the depth test on, blending and texturing off, and
// the model-view matrix holding its look-at transform.
#pragma once

#include <cstdint>
#include <memory>

#include "timeline/scene.h"

constexpr int GLOW_SIZE = 32;

// A 32 x 32 RGBA glow made in memory, not read from a file.
struct GlowTexture {
    // Sets all four bytes of every pixel to 255 - 32 x d, d being the whole
    // part of its distance from the centre pixel (width / 2, width / 2), and
    // to 0 from d = 8 on.
    void fillRadialGlow();
    // Makes the texture name and fills it; releases the pixels unless kept.
    void uploadGlow(bool keepPixels);

    int32_t width = GLOW_SIZE;
    int32_t height = GLOW_SIZE;
    uint32_t name = 0;  // OpenGL texture name, 0 until uploaded
    std::unique_ptr<uint8_t[]> pixels;  // RGBA, pixel (x, y) at (y x width + x) x 4
};

class GlowSpriteScene : public Scene {
public:
    void init() override;
    void render(float progress, float step) override;
    // Deletes the glow texture's name and the record.
    void destroy() override;

    uint32_t glowName = 0;  // the name render binds
    std::unique_ptr<GlowTexture> glow;
};

// One sprite record: ten 32-bit words; word 6 holds four single bytes.
struct GlowParticle {
    uint32_t words[10];
};
static_assert(sizeof(GlowParticle) == 40, "sprite records are 40 bytes");

constexpr int GLOW_PARTICLE_COUNT = 128000;

// Process-wide sprite records, zero at program start.
extern GlowParticle particles[GLOW_PARTICLE_COUNT];

// Clears words 0, 1, 3 and 4 and the four bytes of word 6 of every record;
// words 2, 5, 7, 8 and 9 keep their values.
void clearParticles();
