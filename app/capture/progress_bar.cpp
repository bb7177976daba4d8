#include "app/capture/progress_bar.h"

#include <algorithm>

namespace {

constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);
constexpr int BAR_CELLS = 30;
constexpr size_t LINE_BYTES = 160;
constexpr int SECONDS_PER_MINUTE = 60;

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, uint32_t totalFrames) : out_(out), totalFrames_(totalFrames) {}

// The speed is measured from the first frame on: loading the scenes is not
// part of it.
void ProgressBar::update(uint32_t framesDone) {
    const Clock::time_point now = Clock::now();
    if (!drawn_) {
        started_ = now;
        firstFrames_ = framesDone;
    }
    if (!drawn_ || now - lastDrawn_ >= REDRAW_INTERVAL)
        draw(framesDone, now);
}

void ProgressBar::finish(uint32_t framesDone) {
    draw(framesDone, Clock::now());
    std::fputc('\n', out_);
}

// Formatted into a fixed buffer: a redraw allocates nothing.
void ProgressBar::draw(uint32_t framesDone, Clock::time_point now) {
    drawn_ = true;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double fps = seconds > 0.0 ? (framesDone - firstFrames_) / seconds : 0.0;
    const uint32_t left = totalFrames_ > framesDone ? totalFrames_ - framesDone : 0;
    const long secondsLeft = fps > 0.0 ? static_cast<long>(left / fps + 0.5) : 0;
    const int filled = totalFrames_ > 0 ? static_cast<int>(uint64_t{framesDone} * BAR_CELLS / totalFrames_) : 0;

    char bar[BAR_CELLS + 1];
    std::fill(bar, bar + BAR_CELLS, '-');
    std::fill(bar, bar + std::min(filled, BAR_CELLS), '#');
    bar[BAR_CELLS] = '\0';
    char line[LINE_BYTES];
    std::snprintf(line, sizeof line, "\r[%s] %u/%u frames  %.1f fps  %ld:%02ld left ", bar,
                  static_cast<unsigned>(framesDone), static_cast<unsigned>(totalFrames_), fps,
                  secondsLeft / SECONDS_PER_MINUTE, secondsLeft % SECONDS_PER_MINUTE);
    std::fputs(line, out_);
    std::fflush(out_);
}
