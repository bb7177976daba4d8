#include "scenes/fade_scene.h"

#include "gfx/gl_subset.h"

#include "audio/music_player.h"
#include "audio/volume.h"
#include "scenes/scene_kinds.h"
#include "scenes/screen_quad.h"

namespace {

// Each layer keeps (1 - progress) of what lies below, so the frame keeps
// (1 - progress)^8 of its brightness: most of it is gone a quarter in.
constexpr int BLACK_LAYERS = 8;

}  // namespace

int fadeMasterVolume(float progress) {
    return static_cast<int>((1.0 - static_cast<double>(progress)) * FULL_VOLUME);
}

void FadeScene::init() {}

void FadeScene::render(float progress, float) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, SCREEN_QUAD_Z);
    glColor4f(0.0f, 0.0f, 0.0f, progress);
    player_.setMasterVolume(fadeMasterVolume(progress));
    glBegin(GL_QUADS);
    for (int layer = 0; layer < BLACK_LAYERS; ++layer) {
        glVertex3f(-SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_HALF_HEIGHT, 0.0f);
        glVertex3f(SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_HALF_HEIGHT, 0.0f);
        glVertex3f(SCREEN_QUAD_HALF_WIDTH, -SCREEN_QUAD_HALF_HEIGHT, 0.0f);
        glVertex3f(-SCREEN_QUAD_HALF_WIDTH, -SCREEN_QUAD_HALF_HEIGHT, 0.0f);
    }
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void FadeScene::destroy() {}

Scene* newFadeScene(const ShowLinks& links) {
    return new FadeScene(links.player);
}
