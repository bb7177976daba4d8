// The recorder's screen (app/capture/recording.h): the desktop's window,
// drawing offscreen.
#include "app/capture/capture_log.h"
#include "app/capture/recording.h"
#include "platform/offscreen_window.h"

const RecordingScreen OFFSCREEN_SCREEN = {createOffscreenGlWindow, CAPTURE_TOOL_NAME};
