// The music times a recording is asked for, as the recorder's command line
// (--at, or --from, --to and --escape-at) and the page's address (?at= and
// ?escape=) give them, and the one check that the show draws them.
//
// What the callers may rely on:
//   - checkFrameTimes() accepts exactly the times whose frames the show
//     draws: a frame at or before its end, a range that starts before it,
//     an Escape before the end of the frames and, when it comes before the
//     first frame, an ending that lasts until that frame.
//   - Its one line names each time as the caller's user wrote it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct FrameTimes {
    uint32_t fromMs = 0;                 // the first frame's music time
    std::optional<uint32_t> toMs;        // the frames stop before it; none: the one frame at fromMs
    std::optional<uint32_t> escapeAtMs;  // an Escape at the first pass at or after it
};

// What the user calls each time: "--from", "--to", "--escape-at".
struct FrameTimeNames {
    const char* from;
    const char* to;  // unused for one frame
    const char* escapeAt;
};

// True when the show draws the frames asked for; else false and one line
// saying why in error.
bool checkFrameTimes(const FrameTimes& times, const FrameTimeNames& names, std::string& error);
