#include "scenes/picture_scene.h"

#include "gfx/gl_subset.h"

#include <cmath>

#include "content/show_data.h"
#include "scenes/picture_texture.h"
#include "scenes/scene_kinds.h"
#include "scenes/screen_quad.h"
#include "timeline/ending.h"

namespace {

// Fade tents: peak - |p - FADE_CENTRE| x slope, evaluated in double.
constexpr float FADE_CENTRE = 0.5f;
constexpr float FADE_LIMIT = 0.99f;
constexpr double TITLE_FADE_PEAK = 2.0;
constexpr double TITLE_FADE_SLOPE = 4.0;
constexpr double LOGO_FADE_PEAK = 4.0;
constexpr double LOGO_FADE_SLOPE = 8.0;

// Title and logo lay their picture four times over the cleared frame so that
// pictures whose alpha comes from brightness show nearly at full strength.
constexpr int PICTURE_COPIES = 4;

struct QuadCorner {
    float s, t;
    float x, y;
};

// Corners top left, top right, bottom right, bottom left (clockwise on
// screen); t = 0 is the top row of the picture, so it stands upright.
constexpr QuadCorner UPPER_HALF[] = {
    {0.0f, 0.0f, -SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_HALF_HEIGHT},
    {1.0f, 0.0f, SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_HALF_HEIGHT},
    {1.0f, 1.0f, SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_SPLIT_Y},
    {0.0f, 1.0f, -SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_SPLIT_Y},
};
constexpr QuadCorner LOWER_HALF[] = {
    {0.0f, 0.0f, -SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_SPLIT_Y},
    {1.0f, 0.0f, SCREEN_QUAD_HALF_WIDTH, SCREEN_QUAD_SPLIT_Y},
    {1.0f, 1.0f, SCREEN_QUAD_HALF_WIDTH, -SCREEN_QUAD_HALF_HEIGHT},
    {0.0f, 1.0f, -SCREEN_QUAD_HALF_WIDTH, -SCREEN_QUAD_HALF_HEIGHT},
};

// The corners of one half, inside a glBegin(GL_QUADS) of the caller's.
void emitCorners(const QuadCorner (&corners)[4]) {
    for (const QuadCorner& corner : corners) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, SCREEN_QUAD_Z);
    }
}

void drawQuad(const QuadCorner (&corners)[4]) {
    glBegin(GL_QUADS);
    emitCorners(corners);
    glEnd();
}

float fadeAlpha(float progress, double peak, double slope) {
    const double a = peak - std::fabs(static_cast<double>(progress) - FADE_CENTRE) * slope;
    return a > FADE_LIMIT ? FADE_LIMIT : static_cast<float>(a);
}

// Clears the frame and sets up the blended, untested drawing of title and logo.
void beginFadedPicture(float alpha) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
}

void endFadedPicture() {
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace

float titleFadeAlpha(float progress) {
    return fadeAlpha(progress, TITLE_FADE_PEAK, TITLE_FADE_SLOPE);
}

float logoFadeAlpha(float progress) {
    return fadeAlpha(progress, LOGO_FADE_PEAK, LOGO_FADE_SLOPE);
}

void PictureScene::destroy() {
    releasePictureTexture(texture);
}

void BackgroundScene::init() {
    texture = loadScreenPicture(BACKGROUND_PICTURE_FILE);
}

// Opaque because blending is off; with the depth test on it lands behind
// whatever nearer geometry the frame already holds.
void BackgroundScene::render(float, float) {
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    texture->bind(TEXTURE_SLOT_PICTURE);
    glColor4ub(255, 255, 255, 255);
    drawQuad(UPPER_HALF);
    texture->bind(TEXTURE_SLOT_PICTURE_LOWER);
    drawQuad(LOWER_HALF);
    glDisable(GL_TEXTURE_2D);
}

void TitleScene::init() {
    texture = loadScreenPicture(TITLE_PICTURE_FILE);
}

void TitleScene::render(float progress, float) {
    beginFadedPicture(titleFadeAlpha(progress));
    texture->bind(TEXTURE_SLOT_PICTURE);
    for (int copy = 0; copy < PICTURE_COPIES; ++copy)
        drawQuad(UPPER_HALF);
    texture->bind(TEXTURE_SLOT_PICTURE_LOWER);
    for (int copy = 0; copy < PICTURE_COPIES; ++copy)
        drawQuad(LOWER_HALF);
    endFadedPicture();
}

void LogoScene::init() { texture = loadScreenPicture(LOGO_PICTURE_FILE); }

void LogoScene::render(float progress, float) {
    beginFadedPicture(logoFadeAlpha(progress));
    texture->bind(TEXTURE_SLOT_PICTURE);
    glBegin(GL_QUADS);
    for (int copy = 0; copy < PICTURE_COPIES; ++copy)
        emitCorners(UPPER_HALF);
    glEnd();
    texture->bind(TEXTURE_SLOT_PICTURE_LOWER);
    glBegin(GL_QUADS);
    for (int copy = 0; copy < PICTURE_COPIES; ++copy)
        emitCorners(LOWER_HALF);
    glEnd();
    if (progress > LOGO_QUIT_PROGRESS)
        quitRequested_ = true;
    endFadedPicture();
}

Scene* newBackgroundScene() {
    return new BackgroundScene;
}

Scene* newTitleScene() {
    return new TitleScene;
}

Scene* newLogoScene(const ShowLinks& links) {
    return new LogoScene(links.quitRequested);
}
