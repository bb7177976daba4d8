// The advert's look: the product and maker names and the colours every
// picture shares, so the title, slides, credits and logo read as one campaign.
// Pelmira 15 is Drosk's creative suite for image, motion and 3D work.
#pragma once

#include "tools/pictures/canvas.h"

constexpr const char* PRODUCT_NAME = "PELMIRA";
constexpr const char* PRODUCT_VERSION = "15";
constexpr const char* PRODUCT_LINE = "THE CREATIVE SUITE FOR IMAGE, MOTION AND 3D";
constexpr const char* MAKER_NAME = "DROSK";

// Lettering: warm white for headlines, a cooler grey for body copy.
constexpr Colour INK_WARM{1.0f, 0.965f, 0.91f};
constexpr Colour INK_COOL{0.80f, 0.86f, 0.93f};
// The campaign's accent, an amber that matches the music's title.
constexpr Colour AMBER{1.0f, 0.64f, 0.24f};
constexpr Colour AMBER_PALE{1.0f, 0.80f, 0.52f};
// The second accent for glows and lines.
constexpr Colour TEAL{0.24f, 0.78f, 0.90f};
// Grounds of the background picture.
constexpr Colour NIGHT{0.012f, 0.020f, 0.040f};
constexpr Colour DUSK{0.040f, 0.065f, 0.115f};
