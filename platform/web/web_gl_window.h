// The window layer in a web page: the page's canvas #show with a WebGL 2
// context, drawn through the GL subset's WebGL backend (gfx/es):
// the GlWindow that createGlWindow(1) gives on the web.
//
// What the rest of the program may rely on, besides platform/gl_window.h:
//   - The drawing buffer is windowWidth x windowHeight, whatever size the
//     page shows the canvas at; no alpha, a depth buffer, no stencil, no
//     antialiasing.
//   - A window made to keep its frames keeps the last frame drawn in the
//     drawing buffer, so the page can read it back; otherwise the browser
//     may clear it once it has shown it.
//   - pumpMessages() drains the Escape presses the page queued (first one:
//     the ending; every later one: quit) and the quit requests, and hands the
//     viewer's keys the page queued over as on the desktop: Space, the
//     arrows, Page Up, Page Down, Home, comma and full stop; then the
//     seek bar's positions, as SEEK_TO.
//   - swapBuffers() copies the frame the backend drew into the drawing
//     buffer (presentWebGlFrame); the browser shows it once the animation
//     frame that drew it returns.
//   - Stages a browser has no counterpart for succeed at once; the cursor is
//     hidden over the page while the window is open.
#pragma once

#include <cstdint>

#include "platform/gl_window.h"

class WebGlWindow : public GlWindow {
public:
    explicit WebGlWindow(bool keepFrames = false) : keepFrames_(keepFrames) {}

    bool init(DisplayConfig& config, const AppInfo& app) override;
    uint32_t pumpMessages() override;
    bool takeViewerCommand(ViewerRequest& request) override { return viewerCommands_.take(request); }
    bool swapBuffers() override;
    bool shutdown(DisplayConfig& config, const AppInfo& app) override;

private:
    bool keepFrames_;
    int context_ = 0;  // emscripten's handle of the WebGL context, 0 for none
    ViewerCommandQueue viewerCommands_;
};
