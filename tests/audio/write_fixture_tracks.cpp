// audio_fixture_tracks FOLDER: encodes the sound suites' tracks into FOLDER,
// then the list of their names.
#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/audio/fixture_tracks.h"

namespace {

constexpr int CHANNELS = 2;
constexpr int BITRATE_KBPS = 128;
constexpr int FAST_QUALITY = 7;
constexpr double SWEEP_FROM_HZ = 220.0;
constexpr double SWEEP_TO_HZ = 880.0;
constexpr double TWO_PI = 6.283185307179586;

bool writeTrack(const std::string& path, const FixtureTrack& track) {
    const int frames = static_cast<int>(track.seconds * FIXTURE_RATE);
    std::vector<short> pcm(static_cast<size_t>(frames) * CHANNELS);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / FIXTURE_RATE;
        const double hz = SWEEP_FROM_HZ + (SWEEP_TO_HZ - SWEEP_FROM_HZ) * t / track.seconds;
        phase += TWO_PI * hz / FIXTURE_RATE;
        const double value = t < track.silentSeconds ? 0.0 : FIXTURE_AMPLITUDE * std::sin(phase);
        pcm[static_cast<size_t>(i) * CHANNELS] = static_cast<short>(value);
        pcm[static_cast<size_t>(i) * CHANNELS + 1] = static_cast<short>(value);
    }
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, FIXTURE_RATE);
    lame_set_out_samplerate(lame, FIXTURE_RATE);
    lame_set_num_channels(lame, CHANNELS);
    lame_set_brate(lame, BITRATE_KBPS);
    lame_set_quality(lame, FAST_QUALITY);
    lame_init_params(lame);
    // LAME's documented worst case: 1.25 x samples + 7200 bytes.
    std::vector<unsigned char> mp3(static_cast<size_t>(frames) * 5 / 4 + 7200);
    const int body = lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
    const int tail = lame_encode_flush(lame, mp3.data() + body, static_cast<int>(mp3.size()) - body);
    lame_close(lame);
    if (body < 0 || tail < 0)
        return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(mp3.data()), body + tail);
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: audio_fixture_tracks FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::string names;
    for (const FixtureTrack& track : FIXTURE_TRACKS) {
        if (!writeTrack(folder + "/" + track.file, track)) {
            std::fprintf(stderr, "audio_fixture_tracks: cannot write %s/%s\n", folder.c_str(), track.file);
            return 1;
        }
        names += std::string(track.file) + "\n";
    }
    std::ofstream list(folder + "/" + FIXTURE_TRACKS_LIST);
    list << names;
    if (!list.flush()) {
        std::fprintf(stderr, "audio_fixture_tracks: cannot write %s/%s\n", folder.c_str(), FIXTURE_TRACKS_LIST);
        return 1;
    }
    return 0;
}
