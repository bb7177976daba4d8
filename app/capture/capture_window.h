// A recording's window: wraps the window the recording draws in (the
// platform's own, made offscreen, for the recorder; the page's canvas; a
// test's context), reads every frame back before the swap and hands it to
// the recording, and adds the recording's requests (the Escape at its time,
// the quit once the last frame is in) to those of the wrapped window's pump.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gl_window.h"

class Recording;

class CaptureWindow : public GlWindow {
public:
    // Owns screen, which must not be null.
    CaptureWindow(Recording& recording, std::unique_ptr<GlWindow> screen);

    // The frame buffers are allocated here, not per frame.
    bool init(DisplayConfig& config, const AppInfo& app) override;
    uint32_t pumpMessages() override;
    bool swapBuffers() override;
    bool shutdown(DisplayConfig& config, const AppInfo& app) override;

private:
    Recording& recording_;
    std::unique_ptr<GlWindow> screen_;  // the wrapped window, which draws and swaps
    std::vector<uint8_t> readBack_;     // as the window reads: bottom row first, or top row first
    std::vector<uint8_t> frame_;        // top row first
};
