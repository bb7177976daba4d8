#include "app/capture/capture_window.h"

#include "gfx/gl_subset.h"

#include <cassert>
#include <cstring>
#include <utility>

#include "app/capture/frame_sink.h"
#include "app/capture/recording.h"

// The default pack alignment of 4 reads rows without padding.
static_assert(FRAME_ROW_BYTES % 4 == 0, "frame rows are read back unpadded");

CaptureWindow::CaptureWindow(Recording& recording, std::unique_ptr<GlWindow> screen)
    : recording_(recording), screen_(std::move(screen)) {
    assert(screen_ != nullptr);
}

bool CaptureWindow::init(DisplayConfig& config, const AppInfo& app) {
    assert(config.windowWidth == FRAME_WIDTH && config.windowHeight == FRAME_HEIGHT);
    readBack_.resize(FRAME_BYTES);
    frame_.resize(FRAME_BYTES);
    return screen_->init(config, app);
}

uint32_t CaptureWindow::pumpMessages() { return screen_->pumpMessages() | recording_.requests(); }

// Read before the swap: the back buffer is undefined after it.
bool CaptureWindow::swapBuffers() {
    if (recording_.wantsPixels()) {
        glReadPixels(0, 0, FRAME_WIDTH, FRAME_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, readBack_.data());
        const bool topRowFirst = screen_->readsTopRowFirst();
        for (int row = 0; row < FRAME_HEIGHT; ++row) {
            const int drawnRow = topRowFirst ? row : FRAME_HEIGHT - 1 - row;
            std::memcpy(&frame_[row * FRAME_ROW_BYTES], &readBack_[drawnRow * FRAME_ROW_BYTES], FRAME_ROW_BYTES);
        }
        recording_.frameDrawn(frame_.data());
    } else {
        glFinish();
        recording_.frameDrawn(nullptr);
    }
    return screen_->swapBuffers();
}

bool CaptureWindow::shutdown(DisplayConfig& config, const AppInfo& app) { return screen_->shutdown(config, app); }
