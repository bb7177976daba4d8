#include "timeline/ending.h"

#include "timeline/timeline.h"

bool logoQuitsAt(uint32_t escapeFrameMs, uint32_t timeMs) {
    const uint32_t start = escapeFrameMs + LOGO_START_OFFSET_MS;
    return insideWindow(timeMs, start, LOGO_DURATION_MS) &&
           progressAt(timeMs, start, LOGO_DURATION_MS) > LOGO_QUIT_PROGRESS;
}

uint32_t endingQuitMs(uint32_t escapeFrameMs) {
    uint32_t timeMs = escapeFrameMs + LOGO_START_OFFSET_MS;
    while (!logoQuitsAt(escapeFrameMs, timeMs))
        ++timeMs;
    return timeMs;
}

bool endingOverAt(uint32_t escapeFrameMs, uint32_t timeMs) {
    return timeMs > escapeFrameMs + LOGO_START_OFFSET_MS + LOGO_DURATION_MS;
}
