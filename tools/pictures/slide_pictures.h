// The pictures of the text slides and the two credits lines: light lettering
// on black, blended by the show with alpha taken from brightness.
#pragma once

#include "tools/pictures/canvas.h"
#include "tools/pictures/lettering.h"

constexpr int TEXT_SLIDE_COUNT = 9;

// Slide index 0 to 8 (text1.png to text9.png), 512 x 512.
Canvas drawTextSlide(const Lettering& lettering, int index);
// credits.png: the upper line's three headings, one per strip.
Canvas drawCreditsHeadings(const Lettering& lettering);
// credits2.png: the lower line's five names, one per strip.
Canvas drawCreditsNames(const Lettering& lettering);
