#include "platform/offscreen_video.h"

#include <SDL.h>

namespace {

constexpr const char* VIDEO_DRIVER_VARIABLE = "SDL_VIDEODRIVER";
constexpr const char* OFFSCREEN_DRIVER = "offscreen";
constexpr int OVERWRITE = 1;

}  // namespace

// SDL reads the driver name when its video subsystem starts.
void useOffscreenVideo() { SDL_setenv(VIDEO_DRIVER_VARIABLE, OFFSCREEN_DRIVER, OVERWRITE); }
