// Cuts the decoded track into the sound of each recorded frame, at the master
// volume of that frame. Past the end of the track a frame gets silence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/capture/frame_clock.h"
#include "audio/track_decoder.h"

class AudioCutter {
public:
    // Keeps a reference to the track; sizes its buffer for the longest frame.
    AudioCutter(const DecodedTrack& track, const FrameSchedule& schedule);

    // The interleaved stereo samples of recorded frame n, each scaled by
    // volume / 255 (volume clamped into 0 .. 255); frames receives their
    // count. The buffer is the cutter's own, valid until the next cut.
    const int16_t* cut(uint32_t n, int volume, size_t& frames);

private:
    const DecodedTrack& track_;
    FrameSchedule schedule_;
    std::vector<int16_t> buffer_;
};
