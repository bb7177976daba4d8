#include "app/capture/frame_clock.h"

#include <algorithm>
#include <cassert>

#include "timeline/ending.h"
#include "timeline/timeline.h"

namespace {

constexpr uint64_t MS_PER_SECOND = 1000;

}  // namespace

// floor(n x 1000 x seconds / frames) < toMs - fromMs, that is
// n x 1000 x seconds < (toMs - fromMs) x frames.
uint32_t frameCountBetween(uint32_t fromMs, uint32_t toMs, FrameRate rate) {
    assert(rate.frames > 0 && rate.seconds > 0);
    if (toMs <= fromMs)
        return 0;
    const uint64_t numerator = uint64_t{toMs - fromMs} * rate.frames;
    const uint64_t frameLength = MS_PER_SECOND * rate.seconds;
    return static_cast<uint32_t>((numerator + frameLength - 1) / frameLength);
}

uint32_t frameTimeMs(const FrameSchedule& schedule, uint32_t n) {
    const uint64_t offset = uint64_t{n} * MS_PER_SECOND * schedule.rate.seconds / schedule.rate.frames;
    return static_cast<uint32_t>(schedule.fromMs + offset);
}

// floor(fromMs x sampleRate / 1000 + n x sampleRate x seconds / frames): each
// term split into whole samples and a remainder, so nothing overflows for the
// rates the options accept.
uint64_t frameFirstSample(const FrameSchedule& schedule, uint32_t n, uint32_t sampleRate) {
    const uint64_t frames = schedule.rate.frames;
    const uint64_t fromPart = uint64_t{schedule.fromMs} * sampleRate;
    const uint64_t framePart = uint64_t{n} * schedule.rate.seconds * sampleRate;
    const uint64_t remainders = (fromPart % MS_PER_SECOND) * frames + (framePart % frames) * MS_PER_SECOND;
    return fromPart / MS_PER_SECOND + framePart / frames + remainders / (MS_PER_SECOND * frames);
}

// An Escape before fromMs is pressed on its own lead-in pass; a later one on
// the first frame at or after its time. Frames too sparse to land in the
// logo's window never see it quit.
uint32_t framesUntilShowEnds(const FrameSchedule& schedule, bool escape, uint32_t escapeAtMs) {
    const uint32_t beforeEnd =
        std::min(schedule.frameCount, frameCountBetween(schedule.fromMs, SHOW_END_MS, schedule.rate));
    if (!escape)
        return beforeEnd;
    bool escaped = escapeAtMs < schedule.fromMs;
    uint32_t escapeFrameMs = escapeAtMs;
    for (uint32_t n = 0; n < beforeEnd; ++n) {
        const uint32_t timeMs = frameTimeMs(schedule, n);
        if (!escaped) {
            escaped = timeMs >= escapeAtMs;
            escapeFrameMs = timeMs;
        } else if (logoQuitsAt(escapeFrameMs, timeMs)) {
            return n + 1;
        }
    }
    return beforeEnd;
}

FrameClock::FrameClock(const FrameSchedule& schedule, bool escape, uint32_t escapeAtMs) : schedule_(schedule) {
    constexpr uint32_t SHOW_FIRST_PASS_MS = 0;
    constexpr uint32_t TITLE_FIRST_FRAME_MS = 1;
    const uint32_t wanted[MAX_LEAD_IN] = {SHOW_FIRST_PASS_MS, TITLE_FIRST_FRAME_MS,
                                          escape ? escapeAtMs : SHOW_FIRST_PASS_MS, schedule.fromMs - 1};
    // Ascending and below fromMs; one pass a time.
    for (uint32_t time : wanted) {
        const bool later = leadInCount_ == 0 || time > leadIn_[leadInCount_ - 1];
        if (time < schedule.fromMs && later)
            leadIn_[leadInCount_++] = time;
    }
}

uint32_t FrameClock::timeMs() const {
    if (inLeadIn())
        return leadIn_[leadInDone_];
    return frameTimeMs(schedule_, frame_);
}

void FrameClock::advance() {
    if (inLeadIn())
        ++leadInDone_;
    else
        ++frame_;
}
