#include "tests/audio/audio_fixtures.h"

#include <lame/lame.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

constexpr int CHANNELS = 2;
constexpr int BITRATE_KBPS = 128;
constexpr int FAST_QUALITY = 7;
constexpr double SWEEP_FROM_HZ = 220.0;
constexpr double SWEEP_TO_HZ = 880.0;
constexpr double TWO_PI = 6.283185307179586;
constexpr int WATCH_STEP_MS = 5;

// The folder is made on first use and removed when the process ends.
class FixtureFolder {
public:
    FixtureFolder() : path_(makeScratchFolder("audio-test")) {
        if (path_.empty())
            path_ = "/tmp";
    }
    ~FixtureFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string writeTrack(const std::string& name, double seconds, double silentSeconds) {
    const int frames = static_cast<int>(seconds * FIXTURE_RATE);
    std::vector<short> pcm(static_cast<size_t>(frames) * CHANNELS);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / FIXTURE_RATE;
        const double hz = SWEEP_FROM_HZ + (SWEEP_TO_HZ - SWEEP_FROM_HZ) * t / seconds;
        phase += TWO_PI * hz / FIXTURE_RATE;
        const double value = t < silentSeconds ? 0.0 : FIXTURE_AMPLITUDE * std::sin(phase);
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
    const std::string path = fixturePath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), body + tail);
    return path;
}

}  // namespace

std::string fixturePath(const std::string& name) {
    static const FixtureFolder folder;
    return folder.path() + "/" + name;
}

const std::string& sweepTrack() {
    static const std::string path = writeTrack("sweep.mp3", 3.0, 0.0);
    return path;
}

const std::string& longSweepTrack() {
    static const std::string path = writeTrack("long.mp3", 6.0, 0.0);
    return path;
}

const std::string& shortTrack() {
    static const std::string path = writeTrack("short.mp3", 0.3, 0.0);
    return path;
}

const std::string& lateSweepTrack() {
    static const std::string path = writeTrack("late.mp3", 3.0, 1.5);
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

void useAudioDriver(const char* name) { setenv("SDL_AUDIODRIVER", name, 1); }

void useDiskOutput(const std::string& file) {
    useAudioDriver("disk");
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
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
