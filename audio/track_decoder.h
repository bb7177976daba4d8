// Decodes a whole MP3 file at once, for tools that need every sample of the
// track up front (the recorder cuts it to the frames it records).
//
// What the rest of the program may rely on:
//   - decodeTrack() gives 16-bit interleaved stereo at the file's own rate
//     (a mono file is duplicated onto both channels), gapless: the samples
//     exclude the encoder's delay and padding, as the player's positions do.
//   - On failure it answers false and one line saying why, and writes
//     nothing on stderr itself; the track is then left empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int TRACK_CHANNELS = 2;

struct DecodedTrack {
    uint32_t sampleRate = 0;
    std::vector<int16_t> samples;  // left, right, left, right, ...

    size_t frameCount() const { return samples.size() / TRACK_CHANNELS; }
};

bool decodeTrack(const char* path, DecodedTrack& track, std::string& error);
