#include <gtest/gtest.h>

#include "app/process_state.h"
#include "audio/sound_system.h"
#include "audio/volume.h"
#include "platform/gl_window.h"
#include "platform/quit_request.h"
#include "scenes/glow_sprite_scene.h"
#include "tests/timeline/fake_scenes.h"

namespace {

TEST(ProcessState, ResetLeavesEveryValueAsAtProcessStart) {
    escapePressed = true;
    sharedPixelFormat = PixelFormatRequest{24, 16, 8, true};
    sharedPixelFormatFilled = true;
    // A scene the test owns: the reset must forget it, not destroy it.
    FakeScene scene(1);
    Scene* slots[SCENE_SLOT_COUNT] = {&scene};
    sceneTimeline.sceneSlots = slots;
    sceneTimeline.activeList = &scene;
    sceneTimeline.activationCursor = 3;
    sceneTimeline.previousFrameTime = 41000;
    particles[0].words[0] = 1;
    particles[GLOW_PARTICLE_COUNT / 2].words[5] = 2;  // a word clearParticles() keeps
    particles[GLOW_PARTICLE_COUNT - 1].words[9] = 3;
    soundSetMasterVolume(40);
    postQuitRequest();

    resetProcessState();

    EXPECT_FALSE(escapePressed);
    EXPECT_FALSE(sharedPixelFormatFilled);
    EXPECT_EQ(sharedPixelFormat.colorBits, 0);
    EXPECT_EQ(sharedPixelFormat.depthBits, 0);
    EXPECT_EQ(sharedPixelFormat.stencilBits, 0);
    EXPECT_FALSE(sharedPixelFormat.doubleBuffer);
    EXPECT_EQ(sceneTimeline.sceneSlots, nullptr);
    EXPECT_EQ(sceneTimeline.activeList, nullptr);
    EXPECT_EQ(sceneTimeline.activationCursor, 0);
    EXPECT_EQ(sceneTimeline.previousFrameTime, 0u);
    EXPECT_TRUE(sceneCalls().empty()) << "the reset destroyed a scene";
    for (int i = 0; i < GLOW_PARTICLE_COUNT; ++i) {
        for (uint32_t word : particles[i].words)
            ASSERT_EQ(word, 0u) << "record " << i;
    }
    EXPECT_EQ(soundMasterVolume(), FULL_VOLUME);
    EXPECT_FALSE(takeQuitRequest());
}

}  // namespace
