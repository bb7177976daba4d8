// The window layer over SDL2, on X11, Wayland and SDL's offscreen driver:
// the GlWindow that createGlWindow(1) gives on Linux.
//
// What the rest of the program may rely on, besides platform/gl_window.h:
//   - Where the display offers the requested mode, fullscreen switches to
//     it; elsewhere (another size or colour depth, Wayland, a HiDPI
//     drawable) the window fills the desktop and each frame is presented
//     scaled into the largest centred rectangle of its shape
//     (platform/sdl/scaled_frame.h). Stage 2 fails only when neither works.
//   - init() fails at stage 1 when SDL would fall back to a driver without a
//     display (offscreen, dummy) that SDL_VIDEODRIVER did not ask for.
//   - Not fullscreen, the window is framed and centred on its display, so the
//     desktop can move and close it.
//   - Space, Left, Right, Page Up, Page Down, Home, comma and full stop are
//     the viewer's commands; held down, all but Space and Home repeat.
//   - A window made HIDDEN_OFFSCREEN is never shown and never fullscreen,
//     whatever the config says: it draws every frame into a framebuffer
//     object of the frame's size (the scaled frame's, never presented), which
//     glReadPixels reads before the swap; the swap then does nothing.
//   - window and deviceContext are the SDL_Window, renderContext the
//     SDL_GLContext.
#pragma once

#include <cstdint>

#include "platform/gl_window.h"
#include "platform/sdl/scaled_frame.h"

enum class SdlWindowUse { SHOWN, HIDDEN_OFFSCREEN };

class SdlGlWindow : public GlWindow {
public:
    explicit SdlGlWindow(SdlWindowUse use = SdlWindowUse::SHOWN) : hidden_(use == SdlWindowUse::HIDDEN_OFFSCREEN) {}

    bool init(DisplayConfig& config, const AppInfo& app) override;
    uint32_t pumpMessages() override;
    bool takeViewerCommand(ViewerRequest& request) override { return viewerCommands_.take(request); }
    bool swapBuffers() override;
    bool shutdown(DisplayConfig& config, const AppInfo& app) override;
    bool readsTopRowFirst() const override { return scaledFrame_.topRowFirst(); }

private:
    bool hidden_;
    ScaledFrame scaledFrame_;  // active when frames are presented scaled, or drawn hidden
    ViewerCommandQueue viewerCommands_;
};
