#include "timeline/viewer_seek.h"

#include <algorithm>

namespace {

constexpr uint64_t MS_PER_SECOND = 1000;

uint32_t stepFrameMs(uint64_t n) { return static_cast<uint32_t>(n * MS_PER_SECOND / STEP_FRAMES_PER_SECOND); }

// Frame n is at floor(n x 1000 / 60) ms, so the first frame after t is the
// least n with n x 1000 / 60 >= t + 1, and the last before t the greatest n
// with n x 1000 / 60 < t.
uint32_t nextStepMs(uint32_t t) {
    const uint64_t n = ((uint64_t{t} + 1) * STEP_FRAMES_PER_SECOND + MS_PER_SECOND - 1) / MS_PER_SECOND;
    return stepFrameMs(n);
}

uint32_t previousStepMs(uint32_t t) {
    const uint64_t n = (uint64_t{t} * STEP_FRAMES_PER_SECOND + MS_PER_SECOND - 1) / MS_PER_SECOND;
    return n == 0 ? 0 : stepFrameMs(n - 1);
}

}  // namespace

uint32_t viewerTargetMs(ViewerRequest request, uint32_t nowMs) {
    const int64_t now = nowMs;
    int64_t target = now;
    switch (request.command) {
    case ViewerCommand::TOGGLE_PAUSE: break;
    case ViewerCommand::BACK_SHORT: target = now - SHORT_SEEK_MS; break;
    case ViewerCommand::FORWARD_SHORT: target = now + SHORT_SEEK_MS; break;
    case ViewerCommand::BACK_LONG: target = now - LONG_SEEK_MS; break;
    case ViewerCommand::FORWARD_LONG: target = now + LONG_SEEK_MS; break;
    case ViewerCommand::TO_START: target = 0; break;
    case ViewerCommand::STEP_BACK: target = previousStepMs(nowMs); break;
    case ViewerCommand::STEP_FORWARD: target = nextStepMs(nowMs); break;
    case ViewerCommand::SEEK_TO: target = request.targetMs; break;
    }
    return static_cast<uint32_t>(std::clamp<int64_t>(target, 0, LAST_SEEK_MS));
}
