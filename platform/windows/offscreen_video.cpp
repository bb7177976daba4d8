#include "platform/offscreen_window.h"

// SDL's offscreen driver needs libEGL.dll, which Windows lacks; a window of
// its own driver, kept hidden, has a context on the system's OpenGL, and the
// frame goes into a framebuffer object, since a hidden window's buffer is
// undefined to read on real drivers.
const OffscreenVideo OFFSCREEN_VIDEO = {"windows", true};
