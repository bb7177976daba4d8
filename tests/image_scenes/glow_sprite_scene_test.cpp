#include "scenes/glow_sprite_scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/image_scenes/scene_fixtures.h"

namespace {

const uint8_t* glowPixel(const GlowTexture& glow, int x, int y) {
    return &glow.pixels[(size_t(y) * glow.width + x) * 4];
}

void expectGlowValue(const GlowTexture& glow, int x, int y, uint8_t value) {
    const uint8_t* pixel = glowPixel(glow, x, y);
    for (int byte = 0; byte < 4; ++byte)
        EXPECT_EQ(pixel[byte], value) << "pixel " << x << ", " << y << " byte " << byte;
}

TEST(GlowTexture, FallsOffBy32PerWholePixelOfDistanceFromPixel16_16) {
    GlowTexture glow;
    glow.pixels = std::make_unique<uint8_t[]>(GLOW_SIZE * GLOW_SIZE * 4);
    glow.fillRadialGlow();
    expectGlowValue(glow, 16, 16, 255);
    expectGlowValue(glow, 17, 17, 223);
    expectGlowValue(glow, 23, 16, 31);
    expectGlowValue(glow, 24, 16, 0);
    expectGlowValue(glow, 0, 0, 0);
    // Not the middle of the image: column 9 is 7 away, column 31 only 15.
    expectGlowValue(glow, 9, 16, 31);
    expectGlowValue(glow, 16, 9, 31);
}

TEST(GlowParticles, ClearingLeavesWords2_5_7_8_9Alone) {
    const int records[] = {0, GLOW_PARTICLE_COUNT / 2, GLOW_PARTICLE_COUNT - 1};
    for (int r : records)
        for (int word = 0; word < 10; ++word)
            particles[r].words[word] = 0xA5A50000u + uint32_t(word);
    clearParticles();
    for (int r : records) {
        for (int word : {0, 1, 3, 4, 6})
            EXPECT_EQ(particles[r].words[word], 0u) << "record " << r << " word " << word;
        for (int word : {2, 5, 7, 8, 9})
            EXPECT_EQ(particles[r].words[word], 0xA5A50000u + uint32_t(word))
                << "record " << r << " word " << word;
    }
}

using GlowSpriteSceneTest = SceneRenderTest;

TEST_F(GlowSpriteSceneTest, InitUploadsTheGlowAndReleasesItsPixels) {
    GlowSpriteScene scene;
    scene.init();
    ASSERT_NE(scene.glow, nullptr);
    EXPECT_EQ(scene.glow->pixels, nullptr);
    EXPECT_EQ(scene.glowName, scene.glow->name);
    EXPECT_EQ(glIsTexture(scene.glowName), GL_TRUE);

    uint8_t uploaded[GLOW_SIZE * GLOW_SIZE * 4];
    glBindTexture(GL_TEXTURE_2D, scene.glowName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded);
    EXPECT_EQ(uploaded[(16 * GLOW_SIZE + 16) * 4 + 3], 255);
    EXPECT_EQ(uploaded[(16 * GLOW_SIZE + 23) * 4], 31);

    const GLuint name = scene.glowName;
    scene.destroy();
    EXPECT_EQ(scene.glow, nullptr);
    EXPECT_EQ(glIsTexture(name), GL_FALSE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlowSpriteSceneTest, RenderRestoresTheStateAndLeavesItsCamera) {
    GlowSpriteScene scene;
    scene.init();
    scene.render(0.5f, 0.0f);
    expectSceneLeftStandardState();
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    // Looking from z = -30 at the origin turns x and z round and puts the
    // origin 30 in front of the eye.
    EXPECT_FLOAT_EQ(modelView[0], -1.0f);
    EXPECT_FLOAT_EQ(modelView[5], 1.0f);
    EXPECT_FLOAT_EQ(modelView[10], -1.0f);
    EXPECT_FLOAT_EQ(modelView[14], -30.0f);
    scene.destroy();
}

}  // namespace
