#include "tests/audio/audio_fixtures.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "audio/sound_system.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int WATCH_STEP_MS = 5;
constexpr int OVERWRITE = 1;

// The folder is made on first use and removed when the process ends.
class FixtureFolder {
public:
    FixtureFolder() : path_(makeScratchFolder("audio-test")) {
        if (path_.empty())
            std::fprintf(stderr, "audio fixtures: no scratch folder can be made\n");
    }
    ~FixtureFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A track the build wrote into FIXTURE_TRACKS_DIR; a missing one is named,
// and the tests then fail on the file they cannot open.
std::string builtTrack(const FixtureTrack& track) {
    const std::string path = std::string(FIXTURE_TRACKS_DIR) + "/" + track.file;
    if (!std::filesystem::exists(path))
        std::fprintf(stderr, "audio fixtures: %s is missing: the native tree's audio_fixture_tracks writes it\n",
                     path.c_str());
    return path;
}

}  // namespace

std::string fixturePath(const std::string& name) {
    static const FixtureFolder folder;
    return folder.path() + "/" + name;
}

const std::string& sweepTrack() {
    static const std::string path = builtTrack(SWEEP_TRACK);
    return path;
}

const std::string& longSweepTrack() {
    static const std::string path = builtTrack(LONG_SWEEP_TRACK);
    return path;
}

const std::string& shortTrack() {
    static const std::string path = builtTrack(SHORT_TRACK);
    return path;
}

const std::string& lateSweepTrack() {
    static const std::string path = builtTrack(LATE_SWEEP_TRACK);
    return path;
}

const std::string& textFile() {
    static const std::string path = [] {
        const std::string file = fixturePath("notes.mp3");
        std::ofstream out(file);
        for (int line = 0; line < 200; ++line)
            out << "This file holds text, not MPEG audio frames.\n";
        return file;
    }();
    return path;
}

// SDL reads them, and SDL_setenv sets them on every desktop (Windows' C
// runtime has no setenv).
void useAudioDriver(const char* name) { SDL_setenv("SDL_AUDIODRIVER", name, OVERWRITE); }

void useDiskOutput(const std::string& file) {
    useAudioDriver("disk");
    SDL_setenv("SDL_DISKAUDIOFILE", file.c_str(), OVERWRITE);
}

int peakOfRawFile(const std::string& file, size_t fromByte) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(fromByte));
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        int16_t sample = 0;
        std::memcpy(&sample, &bytes[i], sizeof sample);
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

namespace {

std::vector<PositionSample> watchUntil(SoundStream* stream, WallClock::time_point since, int ceilingMs,
                                       const std::function<bool(const PositionSample&)>& enough) {
    const WallClock::time_point start = WallClock::now();
    std::vector<PositionSample> samples;
    for (;;) {
        const uint32_t position = soundStreamTimeMs(stream);
        const WallClock::time_point now = WallClock::now();
        samples.push_back(PositionSample{std::chrono::duration<double, std::milli>(now - since).count(), position});
        if (now - start >= std::chrono::milliseconds(ceilingMs) || enough(samples.back()))
            return samples;
        sleepMs(WATCH_STEP_MS);
    }
}

}  // namespace

std::vector<PositionSample> watchPosition(SoundStream* stream, WallClock::time_point since, int durationMs) {
    return watchUntil(stream, since, durationMs, [](const PositionSample&) { return false; });
}

std::vector<PositionSample> watchPositionPast(SoundStream* stream, WallClock::time_point since, uint32_t positionMs,
                                              int ceilingMs) {
    return watchUntil(stream, since, ceilingMs,
                      [=](const PositionSample& sample) { return sample.positionMs > positionMs; });
}

std::string positionFault(const std::vector<PositionSample>& samples, uint32_t fromMs, double slackMs) {
    for (size_t i = 0; i < samples.size(); ++i) {
        const PositionSample& sample = samples[i];
        const char* fault = nullptr;
        if (sample.positionMs < fromMs)
            fault = "stood before its start";
        else if (i > 0 && sample.positionMs < samples[i - 1].positionMs)
            fault = "went backwards";
        else if (sample.positionMs - fromMs > sample.wallMs + slackMs)
            fault = "ran ahead of the clock";
        if (fault != nullptr) {
            char text[160];
            std::snprintf(text, sizeof text, "the position %s: %u ms after %.1f ms of wall time (from %u ms)", fault,
                          sample.positionMs, sample.wallMs, fromMs);
            return text;
        }
    }
    return "";
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool waitUntil(const std::function<bool()>& reached, int ceilingMs) {
    const auto deadline = WallClock::now() + std::chrono::milliseconds(ceilingMs);
    while (!reached()) {
        if (WallClock::now() > deadline)
            return false;
        sleepMs(WATCH_STEP_MS);
    }
    return true;
}
