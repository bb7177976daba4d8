// The three full-screen pictures, 1024 x 768: the title card, the background
// behind the main part of the show, and the makers' logo.
#pragma once

#include "content/frame_size.h"
#include "tools/pictures/canvas.h"
#include "tools/pictures/lettering.h"

// Each fills the show's frame.
constexpr int SCREEN_WIDTH = FRAME_WIDTH;
constexpr int SCREEN_HEIGHT = FRAME_HEIGHT;

// Light on black: the show blends it with alpha taken from brightness, so
// black is the empty ground.
Canvas drawTitle(const Lettering& lettering);
// Opaque; calm and dark where the meshes, text slides and credits are drawn.
Canvas drawBackground(const Lettering& lettering);
// Light on black, blended like the title.
Canvas drawLogo(const Lettering& lettering);
