#include "scenes/text_slides_scene.h"

#include "gfx/gl_subset.h"

#include <cmath>

#include "scenes/picture_texture.h"
#include "scenes/scene_kinds.h"

namespace {

// a = peak - |f - centre| x slope over the slide's own time f, then held at 1.
constexpr double SLIDE_FADE_PEAK = 2.0;
constexpr double SLIDE_FADE_CENTRE = 0.5;
constexpr double SLIDE_FADE_SLOPE = 4.0;
constexpr double FULL_ALPHA = 255.0;

struct SlideCorner {
    float s, t;
    float x, y, z;
};

// Top left, top right, bottom right, bottom left; t = 0 is the top row.
constexpr SlideCorner SLIDE_QUAD[] = {
    {0.0f, 0.0f, -0.1f, 0.805f, -3.0f},
    {1.0f, 0.0f, 1.6f, 0.805f, -3.0f},
    {1.0f, 1.0f, 1.6f, -0.83f, -3.0f},
    {0.0f, 1.0f, -0.1f, -0.83f, -3.0f},
};

}  // namespace

TextSlideFrame textSlideAt(float progress) {
    const double s = TEXT_SLIDE_COUNT * static_cast<double>(progress);
    if (!std::isfinite(s))
        return {0, 0};
    const double whole = std::floor(s);
    // floor and a non-negative remainder keep the index in range also for a
    // progress below 0.
    double index = std::fmod(whole, TEXT_SLIDE_COUNT);
    if (index < 0.0)
        index += TEXT_SLIDE_COUNT;
    const double f = s - whole;
    double a = SLIDE_FADE_PEAK - std::fabs(f - SLIDE_FADE_CENTRE) * SLIDE_FADE_SLOPE;
    if (a > 1.0)
        a = 1.0;
    if (a < 0.0)
        a = 0.0;
    return {static_cast<int>(index), static_cast<uint8_t>(a * FULL_ALPHA)};
}

void TextSlidesScene::init() {
    for (int k = 0; k < TEXT_SLIDE_COUNT; ++k)
        slides[k] = loadPictureTexture(textSlideFile(k).c_str());
}

void TextSlidesScene::render(float progress, float) {
    const TextSlideFrame frame = textSlideAt(progress);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    slides[frame.index]->bind(TEXTURE_SLOT_PICTURE);
    glColor4ub(255, 255, 255, frame.alpha);
    glBegin(GL_QUADS);
    for (const SlideCorner& corner : SLIDE_QUAD) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, corner.z);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

void TextSlidesScene::destroy() {
    for (std::unique_ptr<Texture>& slide : slides)
        releasePictureTexture(slide);
}

Scene* newTextSlidesScene() {
    return new TextSlidesScene;
}
