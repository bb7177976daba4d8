// Unreadable pictures leave 1 x 1 transparent textures: the scenes that show
// pictures draw nothing visible and raise no GL error.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "scenes/credits_scene.h"
#include "scenes/picture_scene.h"
#include "scenes/text_slides_scene.h"
#include "tests/image_scenes/scene_fixtures.h"

namespace {

using MissingPicturesTest = SceneRenderTest;

TEST_F(MissingPicturesTest, PictureScenesDrawNothingVisible) {
    BackgroundScene background;
    TitleScene title;
    bool quitRequested = false;
    LogoScene logo(quitRequested);
    TextSlidesScene slides;
    CreditsScene credits;
    Scene* const scenes[] = {&title, &background, &credits, &slides, &logo};
    for (Scene* scene : scenes)
        scene->init();
    fillFrame(Rgba{});
    glEnable(GL_DEPTH_TEST);
    for (Scene* scene : scenes) {
        scene->render(0.5f, 0.0f);
        expectSceneLeftStandardState();
    }
    EXPECT_EQ(Frame(gl).mismatches([](int, int, uint32_t pixel) {
        return nearColour(pixel, 0, 0, 0, 0);
    }), "");
    for (Scene* scene : scenes)
        scene->destroy();
    EXPECT_EQ(background.texture, nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
