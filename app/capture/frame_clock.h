// The recorder's time: which music position each recorded frame shows and
// which audio samples belong to it, in exact integer arithmetic, so that
// frame n shows fromMs + n x 1000 / fps ms however long it took to draw.
#pragma once

#include <cstdint>

// Frames per second as the fraction frames / seconds (30000/1001 and so on).
struct FrameRate {
    uint32_t frames = 60;
    uint32_t seconds = 1;
};

struct FrameSchedule {
    uint32_t fromMs = 0;
    FrameRate rate;
    uint32_t frameCount = 0;  // frames recorded at most
};

// Frames whose time lies in [fromMs, toMs).
uint32_t frameCountBetween(uint32_t fromMs, uint32_t toMs, FrameRate rate);
// Music time of recorded frame n, floored to whole ms as the show's clock is.
uint32_t frameTimeMs(const FrameSchedule& schedule, uint32_t n);
// Index of the first track sample of recorded frame n (frame n owns the
// samples up to the first of frame n + 1): rate / fps samples a frame, the
// remainder carried forward.
uint64_t frameFirstSample(const FrameSchedule& schedule, uint32_t n, uint32_t sampleRate);

// The frames of the schedule the show draws before it ends by itself: the
// last before SHOW_END_MS, or, after an Escape at the first pass at or after
// escapeAtMs, the frame on which the logo asks to quit.
uint32_t framesUntilShowEnds(const FrameSchedule& schedule, bool escape, uint32_t escapeAtMs);

// The passes of one recording. Before fromMs come a few passes that are not
// recorded and replay how the show got there: its first pass (0 ms) and the
// title's first frame (1 ms), after which the GL state is what every later
// frame of the show finds (the title leaves the depth test on); the escape
// time when it lies before fromMs; and fromMs - 1, so that every scene due
// before fromMs is active in the first recorded frame.
class FrameClock {
public:
    FrameClock(const FrameSchedule& schedule, bool escape, uint32_t escapeAtMs);

    // Music time of the current pass.
    uint32_t timeMs() const;
    bool inLeadIn() const { return leadInDone_ < leadInCount_; }
    // Index of the current recorded frame: the frames recorded so far.
    uint32_t frame() const { return frame_; }
    bool done() const { return frame_ >= schedule_.frameCount; }
    void advance();

private:
    static constexpr int MAX_LEAD_IN = 4;

    FrameSchedule schedule_;
    uint32_t leadIn_[MAX_LEAD_IN] = {};
    int leadInCount_ = 0;
    int leadInDone_ = 0;
    uint32_t frame_ = 0;
};
