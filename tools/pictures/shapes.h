// Anti-aliased shapes drawn into a Mask from signed distances (negative
// inside, in pixels), so edges get one pixel of soft coverage.
#pragma once

#include "tools/pictures/canvas.h"

struct Box {
    float x0, y0, x1, y1;
};

// 0 below edge0, 1 above edge1, a smooth S-curve between.
float smoothstep(float edge0, float edge1, float x);

// Coverage of a pixel centre at the given signed distance.
float coverageAt(float distance);

// Covers the pixels of box whose centres the distance function places
// inside or on the edge of the shape.
template <class Distance>
void fillShape(Mask& mask, Box box, Distance distance) {
    const int x0 = box.x0 < 0.0f ? 0 : int(box.x0);
    const int y0 = box.y0 < 0.0f ? 0 : int(box.y0);
    const int x1 = int(box.x1) + 1 < mask.width() ? int(box.x1) + 1 : mask.width();
    const int y1 = int(box.y1) + 1 < mask.height() ? int(box.y1) + 1 : mask.height();
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float c = coverageAt(distance(float(x) + 0.5f, float(y) + 0.5f));
            if (c > 0.0f) mask.cover(x, y, c);
        }
    }
}

// A line of the given width with round ends.
void strokeLine(Mask& mask, float ax, float ay, float bx, float by, float width);
