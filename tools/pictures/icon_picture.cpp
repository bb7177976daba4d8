#include "tools/pictures/icon_picture.h"

#include "tools/pictures/brand.h"
#include "tools/pictures/product_mark.h"
#include "tools/pictures/shapes.h"

#include <algorithm>
#include <cmath>

namespace {

// Proportions of the icon's side, so every size shows the same picture.
constexpr float TILE_MARGIN = 0.06f;
constexpr float TILE_CORNER = 0.18f;
constexpr float BORDER_WIDTH = 0.012f;
constexpr float GLOW_RADIUS = 0.07f;
constexpr float VERSION_SIZE = 0.22f;
constexpr float VERSION_BASELINE = 0.86f;
// Below this size the version number would be a smudge; the mark fills the tile alone.
constexpr int SMALLEST_LETTERED_SIZE = 64;

// The mark above the version number, or alone in the middle.
constexpr float MARK_CENTRE_Y = 0.42f;
constexpr float MARK_RADIUS = 0.25f;
constexpr float LONE_MARK_CENTRE_Y = 0.5f;
constexpr float LONE_MARK_RADIUS = 0.33f;

// Signed distance to a square of half-side half centred on (c, c), with
// corners rounded to radius.
float roundedSquareDistance(float x, float y, float c, float half, float radius) {
    const float qx = std::fabs(x - c) - half + radius;
    const float qy = std::fabs(y - c) - half + radius;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

}  // namespace

IconPicture drawIcon(const Lettering& lettering, int size) {
    const float side = float(size);
    const float centre = side * 0.5f;
    const float half = side * (0.5f - TILE_MARGIN);
    const float corner = side * TILE_CORNER;
    const float border = std::max(1.0f, side * BORDER_WIDTH);
    const Box whole{0.0f, 0.0f, side, side};
    IconPicture icon{Canvas(size, size), Mask(size, size)};
    Canvas& canvas = icon.colour;

    fillShape(icon.opacity, whole, [&](float x, float y) { return roundedSquareDistance(x, y, centre, half, corner); });
    // Dusk at the top falling to night, like the background picture.
    for (int y = 0; y < size; ++y) {
        const Colour ground = mix(DUSK, NIGHT, smoothstep(0.0f, side, float(y)));
        for (int x = 0; x < size; ++x) canvas.at(x, y) = ground;
    }
    Mask rim(size, size);
    fillShape(rim, whole, [&](float x, float y) {
        return std::fabs(roundedSquareDistance(x, y, centre, half - border, corner - border)) - border * 0.5f;
    });
    canvas.add(rim, AMBER_PALE * 0.45f);

    const bool lettered = size >= SMALLEST_LETTERED_SIZE;
    const float markY = side * (lettered ? MARK_CENTRE_Y : LONE_MARK_CENTRE_Y);
    const float markRadius = side * (lettered ? MARK_RADIUS : LONE_MARK_RADIUS);
    const Colour leafInner[2] = {AMBER, mix(AMBER, AMBER_PALE, 0.5f)};
    const Colour leafTip[2] = {AMBER_PALE, INK_WARM};
    for (int parity = 0; parity < 2; ++parity) {
        const Mask leaves = petalMark(size, size, centre, markY, markRadius, parity);
        canvas.add(leaves.blurred(side * GLOW_RADIUS), AMBER * 0.6f);
        canvas.paintWith(leaves, [&](int x, int y) {
            const float r = std::hypot(float(x) - centre, float(y) - markY) / markRadius;
            return mix(leafInner[parity], leafTip[parity], smoothstep(0.2f, 1.0f, r));
        });
    }

    if (lettered) {
        Mask version(size, size);
        lettering.draw(version, PRODUCT_VERSION, TextStyle{Typeface::SANS_BOLD, side * VERSION_SIZE, 0.04f}, centre,
                       side * VERSION_BASELINE, Align::CENTRE);
        canvas.paint(version, AMBER_PALE);
    }
    return icon;
}
