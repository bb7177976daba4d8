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

int peakOfRawFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
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

std::vector<PositionSample> watchUntil(SoundStream* stream, int ceilingMs,
                                       const std::function<bool(const PositionSample&)>& enough) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::vector<PositionSample> samples;
    for (;;) {
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        samples.push_back(PositionSample{wall, soundStreamTimeMs(stream)});
        if (wall >= ceilingMs || enough(samples.back()))
            return samples;
        sleepMs(WATCH_STEP_MS);
    }
}

}  // namespace

std::vector<PositionSample> watchPosition(SoundStream* stream, int durationMs) {
    return watchUntil(stream, durationMs, [](const PositionSample&) { return false; });
}

std::vector<PositionSample> watchPositionPast(SoundStream* stream, uint32_t positionMs, int ceilingMs) {
    return watchUntil(stream, ceilingMs, [=](const PositionSample& sample) { return sample.positionMs > positionMs; });
}

std::string smoothnessFault(const std::vector<PositionSample>& samples, double slackMs) {
    for (size_t i = 1; i < samples.size(); ++i) {
        const PositionSample& a = samples[i - 1];
        const PositionSample& b = samples[i];
        const double step = static_cast<double>(b.positionMs) - static_cast<double>(a.positionMs);
        if (step < 0 || step > b.wallMs - a.wallMs + slackMs) {
            char text[160];
            std::snprintf(text, sizeof text, "position %u -> %u between %.1f and %.1f ms of wall time", a.positionMs,
                          b.positionMs, a.wallMs, b.wallMs);
            return text;
        }
    }
    return "";
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool catchesUpWithTheWall(SoundStream* stream, std::chrono::steady_clock::time_point since, uint32_t fromMs,
                          double lateMs, int ceilingMs) {
    return waitUntil(
        [&] {
            const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
            return soundStreamTimeMs(stream) > fromMs + wall - lateMs;
        },
        ceilingMs);
}

bool waitUntil(const std::function<bool()>& reached, int ceilingMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ceilingMs);
    while (!reached()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        sleepMs(WATCH_STEP_MS);
    }
    return true;
}
