// The fixed OpenGL state and projection every scene relies on: the viewport,
// the clear values, depth function GL_LEQUAL, the perspective of the display
// mode's shape and the model-view matrix mode with the identity loaded.
// Depth test, blending, texturing and lighting keep OpenGL's defaults (off).
//
// Every window applies it once its context is current (platform/gl_window.h);
// an offscreen context applies it to draw as the show does.
#pragma once

#include "platform/gl_window.h"

void setFixedGlState(const DisplayConfig& config);
