// The full-screen picture scenes: one 1024 x 768 picture over the full-screen
// quad, its upper 512 rows from texture slot 10 and its lower 256 rows from
// slot 11. A file of another size is fitted to that size at init
// (loadScreenPicture).
//
// GL state promises: every kind leaves blending and texturing off. Title and
// logo clear colour and depth first, draw without the depth test and leave it
// on; the background neither clears nor touches depth test or blending, so it
// stays behind nearer geometry drawn earlier in the frame.
#pragma once

#include <memory>

#include "gfx/texture.h"
#include "timeline/scene.h"

// The shared record and destroy of the three kinds.
class PictureScene : public Scene {
public:
    void destroy() override;

    std::unique_ptr<Texture> texture;
};

// Type 5: the background, opaque behind everything else.
class BackgroundScene : public PictureScene {
public:
    void init() override;
    void render(float progress, float step) override;
};

// Type 7: the title, fading in and out inside its window.
class TitleScene : public PictureScene {
public:
    void init() override;
    void render(float progress, float step) override;
};

// Type 8: the makers' logo closing the ending; raises the quit flag it was
// given (the main loop's) once its progress passes LOGO_QUIT_PROGRESS
// (timeline/ending.h).
class LogoScene : public PictureScene {
public:
    explicit LogoScene(bool& quitRequested) : quitRequested_(quitRequested) {}
    void init() override;
    void render(float progress, float step) override;

private:
    bool& quitRequested_;
};

// Colour alpha of each of the four copies at a progress: a tent over the
// window, 0 at both ends, held at the picture fade limit 0.99 in between.
float titleFadeAlpha(float progress);
float logoFadeAlpha(float progress);
