// The backend's one instance, shared by the start and stop functions and
// the GL entry points: OpenGL's state belongs to the context, and the
// subset's C functions take no handle to reach it by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/web/gl/fixed_state.h"
#include "platform/web/gl/primitive_renderer.h"

struct Backend {
    FixedState state = initialFixedState(0, 0);
    AttributeStack attributes;
    PrimitiveRenderer renderer;
    std::vector<uint8_t> readBack;  // RGBA rows for glReadPixels
    GLint maxTextureSize = 0;
    bool running = false;
    std::string error;
};

Backend& backend();
