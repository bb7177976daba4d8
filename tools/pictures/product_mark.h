// The Pelmira mark: six pointed leaves turned like an opening aperture. The
// title card and the program icon draw it; both must show the same shape.
#pragma once

#include "tools/pictures/canvas.h"

// Every other leaf (parity 0 or 1) of the mark centred on (cx, cy), in a
// mask of the given size, so the two sets can differ in tone.
Mask petalMark(int width, int height, float cx, float cy, float radius, int parity);
