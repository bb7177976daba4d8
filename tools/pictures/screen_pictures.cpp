#include "tools/pictures/screen_pictures.h"

#include "content/show_data.h"
#include "tools/pictures/brand.h"
#include "tools/pictures/hex_grid.h"
#include "tools/pictures/product_mark.h"
#include "tools/pictures/shapes.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// The letterbox band the meshes draw in, in rows from the top of the screen.
constexpr float BAND_TOP = float(LETTERBOX_BAND_TOP);
constexpr float BAND_BOTTOM = float(LETTERBOX_BAND_TOP + LETTERBOX_BAND_HEIGHT);
// Where the mesh scenes put their objects (in the middle of the band), and
// where the slides sit.
constexpr float MESH_CENTRE_X = 270.0f;
constexpr float MESH_CENTRE_Y = float(LETTERBOX_BAND_TOP + LETTERBOX_BAND_HEIGHT / 2);
constexpr float SLIDES_LEFT = 480.0f;

// Adds a soft halo of the mask's shape.
void glow(Canvas& canvas, const Mask& mask, Colour colour, float radius) { canvas.add(mask.blurred(radius), colour); }

// Product name and version on one baseline, centred on cx.
void drawWordmark(Canvas& canvas, const Lettering& lettering, float cx, float baseline, float size) {
    constexpr float GLOW_RADIUS = 20.0f;
    const TextStyle name{Typeface::SANS_BOLD, size, 0.10f};
    const TextStyle version{Typeface::SANS, size, 0.02f};
    const float gap = size * 0.34f;
    const float nameWidth = lettering.width(PRODUCT_NAME, name);
    const float total = nameWidth + gap + lettering.width(PRODUCT_VERSION, version);
    const float left = cx - total * 0.5f;
    const float capTop = baseline - lettering.capHeight(name);

    Mask nameMask(canvas.width(), canvas.height());
    lettering.draw(nameMask, PRODUCT_NAME, name, left, baseline);
    Mask versionMask(canvas.width(), canvas.height());
    lettering.draw(versionMask, PRODUCT_VERSION, version, left + nameWidth + gap, baseline);

    glow(canvas, nameMask, INK_WARM * 0.3f, GLOW_RADIUS);
    glow(canvas, versionMask, AMBER * 0.6f, GLOW_RADIUS);
    // Light falls from above: the letters are a touch warmer at the foot.
    canvas.paintWith(nameMask, [&](int, int y) {
        return mix(INK_WARM, AMBER_PALE, smoothstep(capTop, baseline, float(y)) * 0.35f);
    });
    canvas.paintWith(versionMask, [&](int, int y) {
        return mix(AMBER_PALE, AMBER, smoothstep(capTop, baseline, float(y)));
    });
}

// A hairline that fades out towards both ends, with a glow of its own.
void drawRule(Canvas& canvas, float x0, float x1, float y, Colour colour, float glowStrength) {
    Mask line(canvas.width(), canvas.height());
    const float mid = (x0 + x1) * 0.5f;
    const float half = (x1 - x0) * 0.5f;
    for (int x = int(x0); x <= int(x1); ++x) {
        const float t = 1.0f - std::fabs(float(x) - mid) / half;
        line.at(x, int(y)) = smoothstep(0.0f, 0.6f, t);
    }
    glow(canvas, line, colour * glowStrength, 6.0f);
    canvas.add(line, colour);
}

// A wide, thin horizontal light streak, the kind a lens makes of a bright line.
void drawStreak(Canvas& canvas, float cx, float cy, float halfLength, float halfHeight, Colour colour) {
    for (int y = 0; y < canvas.height(); ++y) {
        const float v = (float(y) + 0.5f - cy) / halfHeight;
        const float across = std::exp(-v * v);
        if (across < 1e-3f) continue;
        for (int x = 0; x < canvas.width(); ++x) {
            const float u = (float(x) + 0.5f - cx) / halfLength;
            canvas.at(x, y) = canvas.at(x, y) + colour * (across * std::exp(-u * u * 2.0f));
        }
    }
}

}  // namespace

Canvas drawTitle(const Lettering& lettering) {
    constexpr float CENTRE_X = SCREEN_WIDTH * 0.5f;
    constexpr float MARK_Y = 282.0f;
    constexpr float MARK_RADIUS = 74.0f;
    constexpr float WORDMARK_BASELINE = 500.0f;
    constexpr float WORDMARK_SIZE = 112.0f;
    constexpr float RULE_Y = 540.0f;
    constexpr float LINE_BASELINE = 586.0f;
    constexpr float PRESENTS_BASELINE = 146.0f;
    Canvas canvas(SCREEN_WIDTH, SCREEN_HEIGHT);

    // The show blends this picture with alpha taken from brightness, which
    // dims faint light roughly by its own square: glows are drawn strong.
    const Mask leaves[2] = {petalMark(SCREEN_WIDTH, SCREEN_HEIGHT, CENTRE_X, MARK_Y, MARK_RADIUS, 0),
                            petalMark(SCREEN_WIDTH, SCREEN_HEIGHT, CENTRE_X, MARK_Y, MARK_RADIUS, 1)};
    const Colour leafInner[2] = {AMBER, mix(AMBER, AMBER_PALE, 0.5f)};
    const Colour leafTip[2] = {AMBER_PALE, INK_WARM};
    for (int parity = 0; parity < 2; ++parity) {
        glow(canvas, leaves[parity], AMBER * 0.9f, 30.0f);
    }
    for (int parity = 0; parity < 2; ++parity) {
        canvas.paintWith(leaves[parity], [&](int x, int y) {
            const float r = std::hypot(float(x) - CENTRE_X, float(y) - MARK_Y) / MARK_RADIUS;
            return mix(leafInner[parity], leafTip[parity], smoothstep(0.2f, 1.0f, r));
        });
    }

    drawWordmark(canvas, lettering, CENTRE_X, WORDMARK_BASELINE, WORDMARK_SIZE);
    drawStreak(canvas, CENTRE_X, RULE_Y, 300.0f, 2.5f, TEAL * 0.6f);
    drawRule(canvas, CENTRE_X - 280.0f, CENTRE_X + 280.0f, RULE_Y, AMBER_PALE, 1.2f);

    Mask line(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(line, PRODUCT_LINE, TextStyle{Typeface::SANS, 19.0f, 0.22f}, CENTRE_X, LINE_BASELINE,
                   Align::CENTRE);
    canvas.paint(line, INK_COOL);

    Mask presents(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(presents, std::string(MAKER_NAME) + "  PRESENTS", TextStyle{Typeface::SANS, 15.0f, 0.42f},
                   CENTRE_X, PRESENTS_BASELINE, Align::CENTRE);
    canvas.paint(presents, INK_COOL * 0.9f);
    return canvas;
}

Canvas drawBackground(const Lettering& lettering) {
    Canvas canvas(SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const float fx = float(x) + 0.5f;
            const float fy = float(y) + 0.5f;
            const bool inBand = fy >= BAND_TOP && fy < BAND_BOTTOM;
            Colour c;
            if (inBand) {
                // Deep blue that lifts towards the meshes on the left.
                const float d = std::hypot((fx - MESH_CENTRE_X) / 520.0f, (fy - MESH_CENTRE_Y) / 330.0f);
                c = mix(DUSK, NIGHT, smoothstep(0.0f, 1.1f, d));
                c = c + TEAL * (0.05f * std::exp(-d * d * 2.5f));
                // Two broad, faint shafts of light falling from the upper left.
                const float across = (fx * 0.42f + fy) / 1.08f;
                for (const float shaft : {260.0f, 520.0f}) {
                    const float t = (across - shaft) / 70.0f;
                    c = c + DUSK * (0.35f * std::exp(-t * t));
                }
            } else {
                // The bars above and below: near black with a faint cool sheen.
                const float edge = fy < BAND_TOP ? BAND_TOP - fy : fy - BAND_BOTTOM;
                c = mix(DUSK * 0.7f, NIGHT * 0.6f, smoothstep(0.0f, 110.0f, edge));
            }
            canvas.at(x, y) = c;
        }
    }

    // Faint hexagon lines behind the meshes, fading out before the slides.
    Mask hexes(SCREEN_WIDTH, SCREEN_HEIGHT);
    constexpr float HEX_SIZE = 34.0f;
    const float rowStep = HEX_SIZE * 1.5f;
    const float columnStep = HEX_SIZE * std::sqrt(3.0f);
    for (int y = int(BAND_TOP); y < int(BAND_BOTTOM); ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const float fade = 1.0f - smoothstep(120.0f, SLIDES_LEFT, float(x));
            if (fade <= 0.0f) continue;
            const HexCell cell = nearestHexCell(float(x) + 0.5f, float(y) + 0.5f, columnStep, rowStep, 1.0f);
            hexes.at(x, y) = coverageAt(cell.edgeDistance - 0.5f) * fade;
        }
    }
    canvas.add(hexes, TEAL * 0.05f);

    // Hairlines framing the band, brightest at the left where the meshes enter.
    Mask frame(SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int x = 0; x < SCREEN_WIDTH; ++x) {
        const float strength = 0.25f + 0.75f * (1.0f - smoothstep(80.0f, 900.0f, float(x)));
        frame.at(x, int(BAND_TOP) - 1) = strength;
        frame.at(x, int(BAND_BOTTOM)) = strength;
    }
    glow(canvas, frame, AMBER * 0.6f, 5.0f);
    canvas.add(frame, AMBER * 0.55f);
    // A second, cooler hairline just outside each, for a printed double rule.
    constexpr int OUTER_RULE_GAP = 5;
    Mask outerFrame(SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int x = 0; x < SCREEN_WIDTH; ++x) {
        const float strength = 0.4f + 0.6f * smoothstep(0.0f, 600.0f, float(x));
        outerFrame.at(x, int(BAND_TOP) - 1 - OUTER_RULE_GAP) = strength;
        outerFrame.at(x, int(BAND_BOTTOM) + OUTER_RULE_GAP) = strength;
    }
    canvas.add(outerFrame, TEAL * 0.16f);
    // Short bright marks where the band begins, like register marks in print.
    Mask ticks(SCREEN_WIDTH, SCREEN_HEIGHT);
    strokeLine(ticks, 40.0f, BAND_TOP - 9.0f, 40.0f, BAND_TOP - 2.0f, 1.5f);
    strokeLine(ticks, 40.0f, BAND_BOTTOM + 2.0f, 40.0f, BAND_BOTTOM + 9.0f, 1.5f);
    canvas.add(ticks, AMBER_PALE * 0.7f);

    // The product name, small, in the upper left corner.
    Mask name(SCREEN_WIDTH, SCREEN_HEIGHT);
    const TextStyle nameStyle{Typeface::SANS_BOLD, 20.0f, 0.16f};
    constexpr float CORNER_X = 40.0f;
    constexpr float CORNER_BASELINE = 76.0f;
    lettering.draw(name, PRODUCT_NAME, nameStyle, CORNER_X, CORNER_BASELINE);
    canvas.paint(name, INK_WARM, 0.85f);
    Mask version(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(version, PRODUCT_VERSION, TextStyle{Typeface::SANS, 20.0f, 0.0f},
                   CORNER_X + lettering.width(PRODUCT_NAME, nameStyle) + 9.0f, CORNER_BASELINE);
    canvas.paint(version, AMBER, 0.9f);

    Mask line(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(line, "IMAGE  \xC2\xB7  MOTION  \xC2\xB7  3D", TextStyle{Typeface::SANS, 12.0f, 0.3f},
                   SCREEN_WIDTH - CORNER_X, CORNER_BASELINE, Align::RIGHT);
    canvas.paint(line, INK_COOL, 0.55f);

    Mask maker(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(maker, MAKER_NAME, TextStyle{Typeface::SANS_BOLD, 13.0f, 0.35f}, SCREEN_WIDTH - CORNER_X,
                   SCREEN_HEIGHT - 52.0f, Align::RIGHT);
    canvas.paint(maker, INK_COOL, 0.45f);
    return canvas;
}

Canvas drawLogo(const Lettering& lettering) {
    constexpr float CENTRE_X = SCREEN_WIDTH * 0.5f;
    constexpr float CENTRE_Y = SCREEN_HEIGHT * 0.5f;
    constexpr float MARK_HALF = 58.0f;
    constexpr float WORD_SIZE = 118.0f;
    constexpr float GAP = 44.0f;
    Canvas canvas(SCREEN_WIDTH, SCREEN_HEIGHT);

    const TextStyle word{Typeface::SANS_BOLD, WORD_SIZE, 0.16f};
    const float wordWidth = lettering.width(MAKER_NAME, word);
    const float capHeight = lettering.capHeight(word);
    const float total = MARK_HALF * 2.0f + GAP + wordWidth;
    const float markX = CENTRE_X - total * 0.5f + MARK_HALF;
    const float baseline = CENTRE_Y + capHeight * 0.5f - 30.0f;
    const float markY = baseline - capHeight * 0.5f;

    // The Drosk mark: a thin diamond frame around a four-faceted pyramid seen
    // from above, lit from the upper left: a frame and the thing made in it.
    auto diamond = [](float x, float y, float cx, float cy, float half) {
        return (std::fabs(x - cx) + std::fabs(y - cy) - half) * 0.70710678f;
    };
    constexpr float MARK_LINE_WIDTH = 4.0f;
    constexpr float PYRAMID_HALF = MARK_HALF * 0.72f;
    const Box markBox{markX - MARK_HALF - 4.0f, markY - MARK_HALF - 4.0f, markX + MARK_HALF + 4.0f,
                      markY + MARK_HALF + 4.0f};
    Mask frame(SCREEN_WIDTH, SCREEN_HEIGHT);
    fillShape(frame, markBox, [&](float x, float y) {
        return std::fabs(diamond(x, y, markX, markY, MARK_HALF) + MARK_LINE_WIDTH * 0.5f) - MARK_LINE_WIDTH * 0.5f;
    });
    Mask pyramid(SCREEN_WIDTH, SCREEN_HEIGHT);
    fillShape(pyramid, markBox, [&](float x, float y) { return diamond(x, y, markX, markY, PYRAMID_HALF); });
    // Facets meet along the diagonals; each gets the tone of its slope.
    const Colour facets[4] = {AMBER_PALE, AMBER, AMBER * 0.72f, AMBER * 0.5f};
    auto facetColour = [&](int x, int y) {
        const float dx = float(x) + 0.5f - markX;
        const float dy = float(y) + 0.5f - markY;
        const int facet = std::fabs(dx) > std::fabs(dy) ? (dx < 0.0f ? 1 : 2) : (dy < 0.0f ? 0 : 3);
        return facets[facet];
    };
    glow(canvas, frame, TEAL * 0.8f, 24.0f);
    glow(canvas, pyramid, AMBER * 0.9f, 28.0f);
    canvas.paint(frame, mix(TEAL, INK_COOL, 0.35f));
    canvas.paintWith(pyramid, facetColour);

    Mask wordMask(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(wordMask, MAKER_NAME, word, markX + MARK_HALF + GAP, baseline);
    glow(canvas, wordMask, INK_WARM * 0.35f, 18.0f);
    canvas.paint(wordMask, INK_WARM);

    const float ruleY = baseline + 40.0f;
    drawRule(canvas, CENTRE_X - total * 0.5f, CENTRE_X + total * 0.5f, ruleY, AMBER_PALE, 1.2f);

    Mask tagline(SCREEN_WIDTH, SCREEN_HEIGHT);
    lettering.draw(tagline, "SOFTWARE FOR PEOPLE WHO MAKE THINGS", TextStyle{Typeface::SANS, 18.0f, 0.3f}, CENTRE_X,
                   ruleY + 44.0f, Align::CENTRE);
    canvas.paint(tagline, INK_COOL);
    return canvas;
}
