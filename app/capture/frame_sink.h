// Where recorded frames go: a PNG file, a folder of PNG frames, an encoder,
// or a test that looks at them. The recording calls open() first, then
// beginAudio() once if it records sound, writeFrame() and writeAudio() for
// every frame in order, and finally finish() after a complete recording or
// abandon() after a failed one. Every operation reports its own failure in
// one line on stderr and answers false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "content/frame_size.h"

constexpr int FRAME_CHANNELS = 3;  // RGB
constexpr size_t FRAME_ROW_BYTES = size_t{FRAME_WIDTH} * FRAME_CHANNELS;
constexpr size_t FRAME_BYTES = FRAME_ROW_BYTES * FRAME_HEIGHT;

struct CapturedFrame {
    uint32_t index;      // 0 for the first recorded frame
    uint32_t timeMs;     // the music time it shows
    const uint8_t* rgb;  // FRAME_HEIGHT rows, top row first; null for a sink that wants no pixels
    int masterVolume;    // 0 to 255: the show's master volume, at which the frame's sound is cut
};

class FrameSink {
public:
    virtual ~FrameSink() = default;

    virtual bool open() = 0;
    // False lets the window skip reading the frame back.
    virtual bool wantsPixels() const { return true; }
    // A sink without sound takes the audio calls and ignores them.
    virtual bool beginAudio(uint32_t sampleRate);
    virtual bool writeFrame(const CapturedFrame& frame) = 0;
    // Interleaved stereo frames of the track at the rate given to beginAudio().
    virtual bool writeAudio(const int16_t* samples, size_t frames);
    virtual bool finish() = 0;
    // Removes whatever was partly written; answers what that was, for the
    // user ("the unfinished show.mp4"), or "" when nothing was.
    virtual std::string abandon() = 0;
};

// Whether output can go to path, tried before any frame is drawn: its folder
// exists and a file opens for writing at trial (path itself, or a temporary
// beside it). A trial file that was not there is removed at once; one that
// was is left unchanged. Says why not in one line naming path.
bool outputCanBeWritten(const std::string& path, const std::string& trial);
