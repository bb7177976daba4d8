// The credits roller: two lines in the lower left of the view, changed in
// five steps per cycle of the scene's duration; progress past 1 repeats the
// cycle. Each line shows one horizontal strip of its picture at a time. The
// lower line is drawn plainly; the upper line as 32 additive layers whose
// widths spread apart and close again within each step, so the text pulses
// into a horizontal smear and back to sharp.
//
// GL state promise: leaves blending and texturing off; depth test and depth
// writes are not touched (the lines at z = -3 lie in front of the background).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "content/show_data.h"
#include "gfx/texture.h"
#include "timeline/scene.h"

constexpr int CREDITS_STEPS = CREDITS_LOWER_STRIPS;  // the lower line shows each strip once
constexpr int CREDITS_UPPER_LAYERS = 32;

struct CreditsLine {
    int32_t stripCount = 0;                               // equal horizontal strips of the picture
    std::array<int32_t, CREDITS_STEPS> stripOfStep = {};  // strip shown in each step, 0 at the top
    std::array<float, 3> position = {};                   // translation of the line's quads
    float stripHeight = 0.0f;                             // 1 / stripCount, in texture rows
};

class CreditsScene : public Scene {
public:
    void init() override;
    void render(float progress, float step) override;
    void destroy() override;

    CreditsLine upperLine{};
    CreditsLine lowerLine{};
    std::unique_ptr<Texture> lowerTexture;  // CREDITS_LOWER_PICTURE_FILE, names only
    std::unique_ptr<Texture> upperTexture;  // CREDITS_UPPER_PICTURE_FILE, names only
};

// Step of the cycle at a progress, 0 to stepCount - 1 (stepCount > 0); a
// progress that is not finite gives step 0.
int creditsStep(float progress, int32_t stepCount);

// Texture row where the strip a line shows in a step begins.
float creditsStripTop(const CreditsLine& line, int step);

// The upper line's pulse: layer i spans from i x w - 0.4 to 0.4 - i x w
// (mirrored once i x w passes 0.4) with alpha the integer part of i x a.
// w is 0 and a is 1 at the edges of a step, w and a are 0.5 in its middle.
struct CreditsPulse {
    float w;
    float a;
};
CreditsPulse creditsPulse(float progress, int32_t stepCount);
