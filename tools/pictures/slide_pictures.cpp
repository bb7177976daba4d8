#include "tools/pictures/slide_pictures.h"

#include "tools/pictures/brand.h"
#include "tools/pictures/shapes.h"
#include "tools/pictures/slide_copy.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

namespace {

// The slides blend with alpha taken from brightness, which would turn full
// amber brownish over the background: accents on them are paler.
constexpr Colour SLIDE_ACCENT = mix(AMBER, AMBER_PALE, 0.6f);

constexpr int SLIDE_SIZE = 512;
constexpr float SLIDE_MARGIN = 40.0f;

// Picture sizes, and the shape of the quad each strip is drawn on (width to
// height), so that lettering can be stretched to look right on screen.
constexpr int HEADINGS_SIZE = 256;
constexpr float HEADING_QUAD_ASPECT = CREDITS_UPPER_HALF_WIDTH / CREDITS_UPPER_HALF_HEIGHT;
constexpr int NAMES_SIZE = 512;
constexpr float NAME_QUAD_ASPECT = CREDITS_LOWER_HALF_WIDTH / CREDITS_LOWER_HALF_HEIGHT;

// Where the lettering sits inside a strip, as fractions of the strip height.
// The lower line's quad runs off the bottom of the screen below about 0.68 of
// its height, and its top overlaps the foot of the upper line's quad.
constexpr float HEADING_BASELINE = 0.50f;
constexpr float HEADING_CAP = 0.25f;
constexpr float NAME_BASELINE = 0.46f;
constexpr float NAME_CAP = 0.18f;

void drawSlideKicker(Canvas& canvas, const Lettering& lettering, int index, const char* kicker, float baseline) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", index + 1);
    const TextStyle numberStyle{Typeface::SANS_BOLD, 14.0f, 0.12f};
    Mask numberMask(SLIDE_SIZE, SLIDE_SIZE);
    lettering.draw(numberMask, number, numberStyle, SLIDE_MARGIN, baseline);
    canvas.paint(numberMask, SLIDE_ACCENT);

    const float numberWidth = lettering.width(number, numberStyle);
    Mask dash(SLIDE_SIZE, SLIDE_SIZE);
    const float dashY = baseline - 5.0f;
    strokeLine(dash, SLIDE_MARGIN + numberWidth + 10.0f, dashY, SLIDE_MARGIN + numberWidth + 34.0f, dashY, 1.5f);
    canvas.paint(dash, AMBER, 0.8f);

    Mask kickerMask(SLIDE_SIZE, SLIDE_SIZE);
    lettering.draw(kickerMask, kicker, TextStyle{Typeface::SANS, 14.0f, 0.32f}, SLIDE_MARGIN + numberWidth + 44.0f,
                   baseline);
    canvas.paint(kickerMask, INK_COOL);
}

// A strip picture: count strips of equal height stacked top to bottom, each
// with one centred line of lettering.
Canvas drawStrips(const Lettering& lettering, int size, const char* const* texts, int count, TextStyle style,
                  float quadAspect, float baselineFraction, float capFraction, Colour ink, Colour glowInk) {
    Canvas canvas(size, size);
    const float stripHeight = float(size) / float(count);
    // The strip is shown squeezed to the quad's shape; letters are drawn
    // taller (or wider) here by the inverse amount.
    const float stripAspect = float(size) / stripHeight;
    style.stretchY = quadAspect / stripAspect;
    const float capHeight = capFraction * stripHeight;
    style.size *= capHeight / lettering.capHeight(style);
    Mask text(size, size);
    for (int i = 0; i < count; ++i) {
        const TextStyle fitted = lettering.fitted(texts[i], style, float(size) - 2.0f * capHeight);
        lettering.draw(text, texts[i], fitted, float(size) * 0.5f, (float(i) + baselineFraction) * stripHeight,
                       Align::CENTRE);
    }
    canvas.add(text.blurred(capHeight * 0.25f), glowInk);
    canvas.paint(text, ink);
    return canvas;
}

}  // namespace

Canvas drawTextSlide(const Lettering& lettering, int index) {
    constexpr float KICKER_TO_HEADLINE = 58.0f;
    constexpr float HEADLINE_LEADING = 54.0f;
    constexpr float HEADLINE_TO_RULE = 30.0f;
    constexpr float RULE_TO_BODY = 44.0f;
    constexpr float BODY_LEADING = 33.0f;
    constexpr float RULE_LENGTH = 64.0f;
    const SlideCopy& copy = SLIDES[index];
    const int headlineLines = copy.headline[1][0] ? 2 : copy.headline[0][0] ? 1 : 0;
    const float blockHeight = KICKER_TO_HEADLINE + HEADLINE_LEADING * float(std::max(headlineLines, 1) - 1) + HEADLINE_TO_RULE +
                              RULE_TO_BODY + BODY_LEADING;
    // The block's optical centre sits a little above the middle of the slide.
    const float kickerBaseline = (float(SLIDE_SIZE) - blockHeight) * 0.5f - 6.0f;
    const float maxWidth = float(SLIDE_SIZE) - 2.0f * SLIDE_MARGIN;
    Canvas canvas(SLIDE_SIZE, SLIDE_SIZE);

    drawSlideKicker(canvas, lettering, index, copy.kicker, kickerBaseline);

    Mask headline(SLIDE_SIZE, SLIDE_SIZE);
    Mask version(SLIDE_SIZE, SLIDE_SIZE);
    float baseline = kickerBaseline + KICKER_TO_HEADLINE;
    if (headlineLines == 0) {
        const TextStyle nameStyle{Typeface::SANS_BOLD, 50.0f, 0.08f};
        lettering.draw(headline, PRODUCT_NAME, nameStyle, SLIDE_MARGIN, baseline);
        lettering.draw(version, PRODUCT_VERSION, TextStyle{Typeface::SANS, 50.0f, 0.0f},
                       SLIDE_MARGIN + lettering.width(PRODUCT_NAME, nameStyle) + 16.0f, baseline);
    }
    const TextStyle headlineStyle{Typeface::SANS_BOLD, 48.0f, -0.01f};
    for (int line = 0; line < headlineLines; ++line) {
        lettering.draw(headline, copy.headline[line], lettering.fitted(copy.headline[line], headlineStyle, maxWidth),
                       SLIDE_MARGIN, baseline);
        if (line + 1 < headlineLines) baseline += HEADLINE_LEADING;
    }
    canvas.add(headline.blurred(10.0f), AMBER * 0.12f);
    canvas.add(version.blurred(10.0f), AMBER * 0.2f);
    canvas.paint(headline, INK_WARM);
    canvas.paint(version, SLIDE_ACCENT);

    baseline += HEADLINE_TO_RULE;
    Mask rule(SLIDE_SIZE, SLIDE_SIZE);
    strokeLine(rule, SLIDE_MARGIN + 1.0f, baseline, SLIDE_MARGIN + RULE_LENGTH, baseline, 3.0f);
    canvas.paint(rule, AMBER);

    baseline += RULE_TO_BODY;
    Mask body(SLIDE_SIZE, SLIDE_SIZE);
    const TextStyle bodyStyle{Typeface::SANS, 24.0f, 0.0f};
    for (const char* line : copy.body) {
        lettering.draw(body, line, lettering.fitted(line, bodyStyle, maxWidth), SLIDE_MARGIN, baseline);
        baseline += BODY_LEADING;
    }
    canvas.paint(body, INK_COOL);
    return canvas;
}

Canvas drawCreditsHeadings(const Lettering& lettering) {
    return drawStrips(lettering, HEADINGS_SIZE, CREDIT_HEADINGS, CREDITS_UPPER_STRIPS,
                      TextStyle{Typeface::SANS_BOLD, 1.0f, 0.28f}, HEADING_QUAD_ASPECT, HEADING_BASELINE, HEADING_CAP,
                      AMBER_PALE, AMBER * 0.25f);
}

Canvas drawCreditsNames(const Lettering& lettering) {
    return drawStrips(lettering, NAMES_SIZE, CREDIT_NAMES, CREDITS_LOWER_STRIPS, TextStyle{Typeface::SANS, 1.0f, 0.02f},
                      NAME_QUAD_ASPECT, NAME_BASELINE, NAME_CAP, INK_WARM, TEAL * 0.12f);
}
