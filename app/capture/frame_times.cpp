#include "app/capture/frame_times.h"

#include "timeline/ending.h"
#include "timeline/timeline.h"

namespace {

std::string ms(uint32_t value) { return std::to_string(value) + " ms"; }

bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
}

}  // namespace

bool checkFrameTimes(const FrameTimes& times, const FrameTimeNames& names, std::string& error) {
    const std::string showEnd = " (" + ms(SHOW_END_MS) + ")";
    const std::string from = names.from;
    // The show still draws its frame at the very end; a range must start before it.
    if (!times.toMs && times.fromMs > SHOW_END_MS)
        return fail(error, from + " lies after the show's end" + showEnd);
    if (times.toMs && times.fromMs >= SHOW_END_MS)
        return fail(error, from + " must lie before the show's end" + showEnd);
    if (times.toMs && *times.toMs <= times.fromMs)
        return fail(error, std::string(names.to) + " must lie after " + from);
    if (!times.escapeAtMs)
        return true;
    const uint32_t escapeAtMs = *times.escapeAtMs;
    const std::string escapeAt = names.escapeAt;
    // One frame ends where it is drawn.
    const uint32_t toMs = times.toMs ? *times.toMs : times.fromMs + 1;
    const std::string to = times.toMs ? names.to : names.from;
    if (escapeAtMs >= SHOW_END_MS)
        return fail(error, escapeAt + " lies after the show's end" + showEnd);
    if (escapeAtMs >= toMs)
        return fail(error, escapeAt + " lies after " + to + ": the recording would stop before the Escape");
    const uint32_t endMs = endingQuitMs(escapeAtMs);
    if (escapeAtMs < times.fromMs && endMs < times.fromMs)
        return fail(error, from + " lies after the show's end: after an Escape at " + ms(escapeAtMs) +
                               " it ends at " + ms(endMs));
    return true;
}
