#include "app/capture/progress_bar.h"

#include <algorithm>

#include "app/capture/capture_log.h"

namespace {

constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);
constexpr auto LOG_INTERVAL = std::chrono::seconds(10);
constexpr uint32_t LOG_STEPS = 10;
constexpr int MAX_BAR_CELLS = 30;
constexpr int MIN_BAR_CELLS = 10;
constexpr int BAR_FRAME_BYTES = 3;  // "[", "]" and the space after
constexpr size_t LINE_BYTES = 160;
constexpr long SECONDS_PER_MINUTE = 60;
// Clears what a longer earlier line left to the right.
constexpr const char* ERASE_TO_LINE_END = "\033[K";

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, uint32_t totalFrames, int columns)
    : out_(out), totalFrames_(totalFrames), columns_(columns) {}

// The speed is measured from the first frame on: loading the scenes is not
// part of it.
void ProgressBar::update(uint32_t framesDone) {
    const Clock::time_point now = Clock::now();
    if (!counting_) {
        counting_ = true;
        started_ = now;
        firstFrames_ = framesDone;
    }
    if (columns_ > 0) {
        if (!shown_ || now - lastShown_ >= REDRAW_INTERVAL)
            drawLine(framesDone, now);
        return;
    }
    if (framesDone < totalFrames_ &&
        (!shown_ || tenthOf(framesDone) > tenthShown_ || now - lastShown_ >= LOG_INTERVAL))
        logLine(framesDone, now, false);
}

void ProgressBar::finish(uint32_t framesDone) {
    // Before the first frame there is no count or speed to tell.
    if (!counting_) {
        stop();
        return;
    }
    const Clock::time_point now = Clock::now();
    if (columns_ > 0) {
        drawLine(framesDone, now);
        std::fputc('\n', out_);
    } else {
        logLine(framesDone, now, true);
    }
    std::fflush(out_);
}

void ProgressBar::stop() {
    if (columns_ > 0 && shown_)
        std::fputc('\n', out_);
    std::fflush(out_);
}

double ProgressBar::framesPerSecond(uint32_t framesDone, Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - started_).count();
    return seconds > 0.0 ? (framesDone - firstFrames_) / seconds : 0.0;
}

uint32_t ProgressBar::tenthOf(uint32_t framesDone) const {
    return totalFrames_ > 0 ? static_cast<uint32_t>(uint64_t{framesDone} * LOG_STEPS / totalFrames_) : 0;
}

long ProgressBar::secondsLeft(uint32_t framesDone, double fps) const {
    const uint32_t left = totalFrames_ > framesDone ? totalFrames_ - framesDone : 0;
    return fps > 0.0 ? static_cast<long>(left / fps + 0.5) : 0;
}

// Formatted into fixed buffers: a redraw allocates nothing.
void ProgressBar::drawLine(uint32_t framesDone, Clock::time_point now) {
    shown_ = true;
    lastShown_ = now;
    const double fps = framesPerSecond(framesDone, now);
    const long left = secondsLeft(framesDone, fps);
    char counts[LINE_BYTES];
    const int countsLength = std::snprintf(counts, sizeof counts, "%u/%u frames  %.1f fps  %ld:%02ld left",
                                           static_cast<unsigned>(framesDone), static_cast<unsigned>(totalFrames_), fps,
                                           left / SECONDS_PER_MINUTE, left % SECONDS_PER_MINUTE);
    // The last column stays free: a terminal wraps a line that fills it.
    const int room = std::min<int>(columns_ - 1, sizeof counts - 1);
    const int cells = std::min(MAX_BAR_CELLS, room - countsLength - BAR_FRAME_BYTES);
    char bar[MAX_BAR_CELLS + BAR_FRAME_BYTES + 1] = "";
    if (cells >= MIN_BAR_CELLS) {
        const int filled = totalFrames_ > 0 ? static_cast<int>(uint64_t{framesDone} * cells / totalFrames_) : 0;
        bar[0] = '[';
        std::fill(bar + 1, bar + 1 + cells, '-');
        std::fill(bar + 1, bar + 1 + std::min(filled, cells), '#');
        bar[1 + cells] = ']';
        bar[2 + cells] = ' ';
        bar[3 + cells] = '\0';
    }
    counts[std::max(0, std::min(countsLength, room))] = '\0';
    std::fprintf(out_, "\r%s%s%s", bar, counts, ERASE_TO_LINE_END);
    std::fflush(out_);
}

void ProgressBar::logLine(uint32_t framesDone, Clock::time_point now, bool last) {
    shown_ = true;
    lastShown_ = now;
    tenthShown_ = tenthOf(framesDone);
    const double fps = framesPerSecond(framesDone, now);
    const unsigned percent = totalFrames_ > 0 ? static_cast<unsigned>(uint64_t{framesDone} * 100 / totalFrames_) : 0;
    if (last) {
        const long seconds = static_cast<long>(std::chrono::duration<double>(now - started_).count() + 0.5);
        std::fprintf(out_, "%s: %u/%u frames in %ld:%02ld, %.1f fps\n", CAPTURE_TOOL_NAME,
                     static_cast<unsigned>(framesDone), static_cast<unsigned>(totalFrames_),
                     seconds / SECONDS_PER_MINUTE, seconds % SECONDS_PER_MINUTE, fps);
        return;
    }
    const long left = secondsLeft(framesDone, fps);
    std::fprintf(out_, "%s: %u/%u frames (%u %%), %.1f fps, %ld:%02ld left\n", CAPTURE_TOOL_NAME,
                 static_cast<unsigned>(framesDone), static_cast<unsigned>(totalFrames_), percent, fps,
                 left / SECONDS_PER_MINUTE, left % SECONDS_PER_MINUTE);
    std::fflush(out_);
}
