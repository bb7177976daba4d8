// The recorder's screen (app/capture/recording.h): the desktop's window,
// switched to SDL's offscreen driver before it is set up.
#include "app/capture/capture_log.h"
#include "app/capture/recording.h"
#include "base/factory_kind.h"
#include "platform/gl_window.h"
#include "platform/offscreen_video.h"

namespace {

GlWindow* createOffscreenWindow() {
    useOffscreenVideo();
    return createGlWindow(STANDARD_KIND);
}

}  // namespace

const RecordingScreen OFFSCREEN_SCREEN = {createOffscreenWindow, CAPTURE_TOOL_NAME};
