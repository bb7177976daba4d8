// The program's icon for desktop menus: the product mark on a dark rounded
// tile in the campaign's colours, drawn afresh for each size rather than
// scaled, so small icons stay sharp.
#pragma once

#include "tools/pictures/canvas.h"
#include "tools/pictures/lettering.h"

// The square sizes, in pixels, the desktop's icon theme gets.
constexpr int ICON_SIZES[] = {48, 64, 128, 256};

struct IconPicture {
    Canvas colour;
    Mask opacity;  // the tile's shape; outside it the icon is transparent
};

IconPicture drawIcon(const Lettering& lettering, int size);
