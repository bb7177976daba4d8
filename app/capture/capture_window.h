// The recorder's window: the platform's own window made offscreen and
// windowed, which reads every frame back before the swap and hands it to the
// recording, and whose message pump adds the recording's requests (the
// Escape at its time, the quit once the last frame is in) to the real ones.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gl_window.h"

class Recording;

class CaptureWindow : public GlWindow {
public:
    explicit CaptureWindow(Recording& recording);

    // Offscreen whatever the environment says; the frame buffers are
    // allocated here, not per frame.
    bool init(DisplayConfig& config, const AppInfo& app) override;
    uint32_t pumpMessages() override;
    bool swapBuffers() override;
    bool shutdown(DisplayConfig& config, const AppInfo& app) override;

private:
    Recording& recording_;
    std::unique_ptr<GlWindow> screen_;  // the platform's window, which draws and swaps
    std::vector<uint8_t> readBack_;     // bottom row first, as OpenGL reads
    std::vector<uint8_t> frame_;        // top row first
};
