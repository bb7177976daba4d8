// The type numbers of the scene table's rows and of the scenes they make.
#pragma once

#include <cstdint>

enum SceneType : uint16_t {
    SPHERE_TYPE = 1,
    GLOW_SPRITE_TYPE = 2,  // has a kind, but no row of the table uses it
    TEXT_SLIDES_TYPE = 3,
    TUBE_TYPE = 4,
    BACKGROUND_TYPE = 5,
    TITLE_TYPE = 7,
    LOGO_TYPE = 8,     // the ending's logo, made by type
    CREDITS_TYPE = 9,
    ENDING_TYPE = 10,  // the type field of the two ending scenes once made
};
