// make_music: synthesises the show's music track and writes it as MP3.
//
//   make_music OUTPUT.mp3               the whole track
//   make_music --seconds N OUTPUT.mp3   its first N seconds (N > 0, up to the
//                                       track's length), faded out at the cut
//
// Same arguments, same bytes: nothing depends on time or chance.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/music/arrangement.h"
#include "tools/music/mp3_file.h"
#include "tools/music/render.h"
#include "tools/music/synth_dsp.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr const char* TAG = "make_music";

struct Options {
    size_t frames = 0;
    std::string output;
};

// Reads a positive length in seconds that fits in the track.
bool parseSeconds(const char* text, size_t& frames) {
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds <= 0.0) {
        return false;
    }
    const double wanted = std::round(seconds * SAMPLE_RATE_HZ);
    if (wanted < 1.0 || wanted > static_cast<double>(trackFrames())) {
        return false;
    }
    frames = static_cast<size_t>(wanted);
    return true;
}

bool parseArguments(int argc, char** argv, Options& options) {
    if (argc == 2 && argv[1][0] != '-') {
        options.frames = trackFrames();
        options.output = argv[1];
        return true;
    }
    if (argc == 4 && std::strcmp(argv[1], "--seconds") == 0 && argv[3][0] != '\0') {
        options.output = argv[3];
        if (parseSeconds(argv[2], options.frames)) {
            return true;
        }
        std::fprintf(stderr, "%s: --seconds wants a number above 0 and at most %.2f, not '%s'\n", TAG,
                     static_cast<double>(trackFrames()) / SAMPLE_RATE_HZ, argv[2]);
        return false;
    }
    std::fprintf(stderr, "%s: usage: %s [--seconds N] OUTPUT.mp3\n", TAG, TAG);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, options)) {
        return EXIT_USAGE;
    }
    const StereoTrack track = renderTrack(options.frames);
    std::string error;
    if (!writeMp3(options.output, track, error)) {
        std::fprintf(stderr, "%s: %s\n", TAG, error.c_str());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
