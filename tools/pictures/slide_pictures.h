// The pictures of the text slides and the two credits lines: light lettering
// on black, blended by the show with alpha taken from brightness.
#pragma once

#include "content/show_data.h"
#include "tools/pictures/canvas.h"
#include "tools/pictures/lettering.h"

// Slide index 0 to TEXT_SLIDE_COUNT - 1 (textSlideFile), 512 x 512.
Canvas drawTextSlide(const Lettering& lettering, int index);
// The upper credits line's picture: a heading per strip.
Canvas drawCreditsHeadings(const Lettering& lettering);
// The lower credits line's picture: a name per strip.
Canvas drawCreditsNames(const Lettering& lettering);
