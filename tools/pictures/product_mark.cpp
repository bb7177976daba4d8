#include "tools/pictures/product_mark.h"

#include "tools/pictures/shapes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float PI = 3.14159265f;
constexpr int PETAL_COUNT = 6;

// A pointed leaf: two overlapping discs' common part, lying along the
// direction angle from inner to outer radius around the centre.
float petalDistance(float x, float y, float cx, float cy, float angle, float inner, float outer, float halfWidth) {
    const float halfLength = (outer - inner) * 0.5f;
    const float discRadius = (halfLength * halfLength + halfWidth * halfWidth) / (2.0f * halfWidth);
    const float discOffset = discRadius - halfWidth;
    const float mid = inner + halfLength;
    const float dx = x - cx;
    const float dy = y - cy;
    const float u = dx * std::cos(angle) + dy * std::sin(angle) - mid;
    const float v = -dx * std::sin(angle) + dy * std::cos(angle);
    return std::max(std::hypot(u, v - discOffset), std::hypot(u, v + discOffset)) - discRadius;
}

}  // namespace

Mask petalMark(int width, int height, float cx, float cy, float radius, int parity) {
    Mask mask(width, height);
    constexpr float TWIST = 0.38f;
    const Box bounds{cx - radius - 2.0f, cy - radius - 2.0f, cx + radius + 2.0f, cy + radius + 2.0f};
    for (int k = parity; k < PETAL_COUNT; k += 2) {
        const float angle = 2.0f * PI * float(k) / float(PETAL_COUNT) - PI / 2.0f;
        // Each leaf starts off the axis so the six swirl around an open centre.
        const float baseX = cx + std::cos(angle + PI / 2.0f) * radius * 0.16f;
        const float baseY = cy + std::sin(angle + PI / 2.0f) * radius * 0.16f;
        fillShape(mask, bounds, [&](float x, float y) {
            return petalDistance(x, y, baseX, baseY, angle + TWIST, radius * 0.12f, radius, radius * 0.2f);
        });
    }
    return mask;
}
