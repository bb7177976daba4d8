// The backend's one instance, shared by the start and stop functions and
// the GL entry points: OpenGL's state belongs to the context, and the
// subset's C functions take no handle to reach it by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/es/es_calls.h"
#include "gfx/es/fixed_state.h"
#include "gfx/es/primitive_renderer.h"

struct Backend {
    FixedState state = initialFixedState(0, 0);
    AttributeStack attributes;
    PrimitiveRenderer renderer;
    std::vector<uint8_t> readBack;  // RGBA rows for glReadPixels
    // The frame is drawn into buffers of the backend's own and copied to the
    // context's drawing buffer when it is shown (presentWebGlFrame()).
    es::Uint frameBuffer = 0;
    es::Uint colourBuffer = 0;
    es::Uint depthBuffer = 0;
    GLsizei frameWidth = 0;
    GLsizei frameHeight = 0;
    bool scissorTest = false;  // GL_SCISSOR_TEST, which the copy must not meet
    GLint maxTextureSize = 0;
    bool running = false;
    std::string error;
};

Backend& backend();

// The first row, in the frame kept top row first, of a box whose rows run
// from y up to y + height - 1 as OpenGL numbers them, from the bottom.
GLint keptRowOf(GLint y, GLsizei height);
