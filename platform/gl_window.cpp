// The window layer's process-wide state, the same on every platform.
#include "platform/gl_window.h"

bool escapePressed = false;
PixelFormatRequest sharedPixelFormat = {};
bool sharedPixelFormatFilled = false;
