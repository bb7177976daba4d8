// The recorder's progress on stderr. On a terminal: one line that fits its
// width (frames, frames per second, time left, and a bar when there is room),
// redrawn at most ten times a second. Anywhere else (a file, a pipe): a plain
// line once the first frame is in, at each further tenth of the frames or
// after ten seconds without one, and a last one at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressBar {
public:
    // columns: the terminal's width; 0 when out is not a terminal.
    ProgressBar(std::FILE* out, uint32_t totalFrames, int columns);

    void update(uint32_t framesDone);
    // The final count, and the line ended; nothing before the first frame.
    void finish(uint32_t framesDone);
    // For a recording stopped early: the line as it stands is ended, with no
    // final count, so the next message starts on its own line.
    void stop();

private:
    using Clock = std::chrono::steady_clock;
    void drawLine(uint32_t framesDone, Clock::time_point now);
    void logLine(uint32_t framesDone, Clock::time_point now, bool last);
    double framesPerSecond(uint32_t framesDone, Clock::time_point now) const;
    long secondsLeft(uint32_t framesDone, double fps) const;
    uint32_t tenthOf(uint32_t framesDone) const;

    std::FILE* out_;
    uint32_t totalFrames_;
    int columns_;
    Clock::time_point started_;
    uint32_t firstFrames_ = 0;
    Clock::time_point lastShown_;
    uint32_t tenthShown_ = 0;
    bool shown_ = false;
    bool counting_ = false;  // since the first frame
};
