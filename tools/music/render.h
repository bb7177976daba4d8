// Renders the track, or its first seconds, to stereo samples in [-1, 1]:
// the arrangement into the mix, then echo, reverb and the master stage.
#pragma once

#include <cstddef>
#include <vector>

struct StereoTrack {
    std::vector<float> left;
    std::vector<float> right;
};

// The first `frames` frames of the track (at most its full length). A cut
// shorter than the track fades out over its last moments instead of
// stopping dead.
StereoTrack renderTrack(size_t frames);
