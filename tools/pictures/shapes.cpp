#include "tools/pictures/shapes.h"

#include <algorithm>
#include <cmath>

namespace {

float segmentDistance(float x, float y, float ax, float ay, float bx, float by) {
    const float px = x - ax;
    const float py = y - ay;
    const float ux = bx - ax;
    const float uy = by - ay;
    const float lengthSquared = ux * ux + uy * uy;
    const float t = lengthSquared > 0.0f ? std::clamp((px * ux + py * uy) / lengthSquared, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - ux * t, py - uy * t);
}

}  // namespace

float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float coverageAt(float distance) { return std::clamp(0.5f - distance, 0.0f, 1.0f); }

void strokeLine(Mask& mask, float ax, float ay, float bx, float by, float width) {
    const float half = width * 0.5f;
    const Box bounds{std::min(ax, bx) - half - 1.0f, std::min(ay, by) - half - 1.0f,
                     std::max(ax, bx) + half + 1.0f, std::max(ay, by) + half + 1.0f};
    fillShape(mask, bounds, [&](float x, float y) { return segmentDistance(x, y, ax, ay, bx, by) - half; });
}
