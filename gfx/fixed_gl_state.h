// The fixed OpenGL state and projection every scene relies on: the viewport,
// the clear values, depth function GL_LEQUAL, the perspective of the display
// mode's shape and the model-view matrix mode with the identity loaded.
// Depth test, blending, texturing and lighting keep OpenGL's defaults (off).
//
// The run sequence applies it as soon as the window's context is current;
// an offscreen context applies it to draw as the show does.
#pragma once

#include <cstdint>

// Where the frame lies in the drawable, and the display mode whose shape the
// projection takes.
struct FixedGlFrame {
    int32_t viewportX, viewportY, width, height;
    int32_t modeWidth, modeHeight;
};

void setFixedGlState(const FixedGlFrame& frame);
