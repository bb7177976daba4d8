#include "scenes/credits_scene.h"

#include "gfx/gl_subset.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "base/desktop_maths.h"
#include "scenes/picture_texture.h"
#include "scenes/scene_kinds.h"

namespace {

// The lines are built in constexpr functions that set each field by name,
// so a reordered field cannot rewire them. stripHeight is worked out at init.
constexpr CreditsLine makeUpperLine() {
    CreditsLine line;
    line.stripCount = CREDITS_UPPER_STRIPS;
    line.stripOfStep = {0, 0, 1, 1, 2};
    line.position = {-0.65f, -0.95f, -3.0f};
    return line;
}
constexpr CreditsLine UPPER_LINE = makeUpperLine();

constexpr CreditsLine makeLowerLine() {
    CreditsLine line;
    line.stripCount = CREDITS_LOWER_STRIPS;
    line.stripOfStep = {0, 1, 2, 3, 4};
    line.position = {-0.65f, -1.17f, -3.0f};
    return line;
}
constexpr CreditsLine LOWER_LINE = makeLowerLine();

// The exponent is a float constant widened to double; being small, it keeps
// the layers together except near the middle of a step.
constexpr float PULSE_EXPONENT = 0.08f;

// x modulo 1 in [0, 1] (1 only by rounding, for a tiny negative x); 0 for a
// value that is not finite.
double cyclePhase(double x) {
    if (!std::isfinite(x))
        return 0.0;
    return x - std::floor(x);
}

void withStripHeight(CreditsLine& line) {
    line.stripHeight = 1.0f / static_cast<float>(line.stripCount);
}

void translateTo(const CreditsLine& line) {
    glLoadIdentity();
    glTranslatef(line.position[0], line.position[1], line.position[2]);
}

// Corners top left, top right, bottom right, bottom left; t grows downwards.
void emitStrip(float xLeft, float xRight, float halfHeight, float tTop, float stripHeight) {
    glTexCoord2f(0.0f, tTop);
    glVertex3f(xLeft, halfHeight, 0.0f);
    glTexCoord2f(1.0f, tTop);
    glVertex3f(xRight, halfHeight, 0.0f);
    glTexCoord2f(1.0f, tTop + stripHeight);
    glVertex3f(xRight, -halfHeight, 0.0f);
    glTexCoord2f(0.0f, tTop + stripHeight);
    glVertex3f(xLeft, -halfHeight, 0.0f);
}

}  // namespace

int creditsStep(float progress, int32_t stepCount) {
    assert(stepCount > 0);
    const int step = static_cast<int>(cyclePhase(progress) * stepCount);
    return std::min(step, stepCount - 1);
}

float creditsStripTop(const CreditsLine& line, int step) {
    return static_cast<float>(line.stripOfStep[step]) * line.stripHeight;
}

CreditsPulse creditsPulse(float progress, int32_t stepCount) {
    const double g = cyclePhase(stepCount * static_cast<double>(progress));
    const double d = std::fabs(2.0 * g - 1.0);
    const double v = desktopPow(d, static_cast<double>(PULSE_EXPONENT));
    const float w = static_cast<float>((1.0 - v) * 0.5);
    return {w, 1.0f - w};
}

void CreditsScene::init() {
    upperLine = UPPER_LINE;
    lowerLine = LOWER_LINE;
    withStripHeight(upperLine);
    withStripHeight(lowerLine);
    lowerTexture = loadPictureTexture(CREDITS_LOWER_PICTURE_FILE);
    upperTexture = loadPictureTexture(CREDITS_UPPER_PICTURE_FILE);
    // Only the texture names are needed from here on.
    lowerTexture->freePixels();
    upperTexture->freePixels();
}

void CreditsScene::render(float progress, float) {
    const int k = creditsStep(progress, lowerLine.stripCount);
    const float tLower = creditsStripTop(lowerLine, k);
    const float tUpper = creditsStripTop(upperLine, k);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor3ub(255, 255, 255);

    lowerTexture->bind(TEXTURE_SLOT_PICTURE);
    translateTo(lowerLine);
    glBegin(GL_QUADS);
    emitStrip(-CREDITS_LOWER_HALF_WIDTH, CREDITS_LOWER_HALF_WIDTH, CREDITS_LOWER_HALF_HEIGHT, tLower,
              lowerLine.stripHeight);
    glEnd();

    upperTexture->bind(TEXTURE_SLOT_PICTURE);
    translateTo(upperLine);
    const CreditsPulse pulse = creditsPulse(progress, lowerLine.stripCount);
    for (int i = 0; i < CREDITS_UPPER_LAYERS; ++i) {
        const float spread = static_cast<float>(i) * pulse.w;
        glColor4ub(255, 255, 255, static_cast<GLubyte>(static_cast<float>(i) * pulse.a));
        glBegin(GL_QUADS);
        emitStrip(spread - CREDITS_UPPER_HALF_WIDTH, CREDITS_UPPER_HALF_WIDTH - spread, CREDITS_UPPER_HALF_HEIGHT,
                  tUpper, upperLine.stripHeight);
        glEnd();
    }

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void CreditsScene::destroy() {
    releasePictureTexture(lowerTexture);
    releasePictureTexture(upperTexture);
}

Scene* newCreditsScene() {
    return new CreditsScene;
}
