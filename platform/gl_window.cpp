// The window layer's process-wide state, the same on every platform.
#include "platform/gl_window.h"

bool escapePressed = false;
PixelFormatRequest sharedPixelFormat = {};
bool sharedPixelFormatFilled = false;

const PixelFormatRequest& pixelFormatRequest(const DisplayConfig& config) {
    if (!sharedPixelFormatFilled) {
        sharedPixelFormatFilled = true;
        sharedPixelFormat = PixelFormatRequest{config.colorBits, config.depthBits, config.stencilBits, true};
    }
    return sharedPixelFormat;
}

uint32_t pressEscape() {
    const bool first = !escapePressed;
    escapePressed = true;
    return first ? PUMP_ENDING : PUMP_QUIT;
}
