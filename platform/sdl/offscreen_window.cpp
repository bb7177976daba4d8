#include "platform/offscreen_window.h"

#include <SDL.h>

#include "platform/sdl/sdl_gl_window.h"

namespace {

constexpr const char* VIDEO_DRIVER_VARIABLE = "SDL_VIDEODRIVER";
constexpr int OVERWRITE = 1;

}  // namespace

// SDL reads the driver name when its video subsystem starts, so the choice
// holds whatever the environment asked for before.
GlWindow* createOffscreenGlWindow() {
    SDL_setenv(VIDEO_DRIVER_VARIABLE, OFFSCREEN_VIDEO.sdlDriver, OVERWRITE);
    return new SdlGlWindow(OFFSCREEN_VIDEO.hiddenWindow ? SdlWindowUse::HIDDEN_OFFSCREEN : SdlWindowUse::SHOWN);
}
