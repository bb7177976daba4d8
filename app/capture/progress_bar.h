// The recorder's progress on one stderr line: frames, frames per second and
// the time left, redrawn at most ten times a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressBar {
public:
    ProgressBar(std::FILE* out, uint32_t totalFrames);

    // Redraws when the last redraw is old enough.
    void update(uint32_t framesDone);
    // Redraws with the final count and ends the line.
    void finish(uint32_t framesDone);

private:
    using Clock = std::chrono::steady_clock;
    void draw(uint32_t framesDone, Clock::time_point now);

    std::FILE* out_;
    uint32_t totalFrames_;
    Clock::time_point started_;
    uint32_t firstFrames_ = 0;
    Clock::time_point lastDrawn_;
    bool drawn_ = false;
};
