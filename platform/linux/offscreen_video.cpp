#include "platform/offscreen_window.h"

// SDL's offscreen driver draws through EGL on Mesa into a buffer of the
// window's own, readable with no display server at all.
const OffscreenVideo OFFSCREEN_VIDEO = {"offscreen", false};
