// Writes the sound fuzzer's seed corpus: a second of the show's own music
// from make_music, mangled copies of it (cut, flipped, with lying headers and
// tags), short tracks in the other formats a file may hold (mono, other
// rates, a rate change inside), and bytes that are no MP3 at all. Same
// arguments, same files.
//
//   sound_seeds MAKE_MUSIC SEED_DIR [WORK_DIR]
//
// WORK_DIR, libFuzzer's own corpus folder, is only created.
#include <lame/lame.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/named_fields.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* MUSIC_SECONDS = "1";
constexpr double TONE_HZ = 440.0;
constexpr double TONE_SECONDS = 0.25;
constexpr double TONE_AMPLITUDE = 12000.0;
constexpr double TWO_PI = 6.283185307179586;
constexpr int FAST_QUALITY = 7;
// Offsets of the fields after a Xing or Info tag's name.
constexpr size_t TAG_FLAGS_OFFSET = 4;
constexpr size_t TAG_FRAMES_OFFSET = 8;
constexpr uint8_t ID3V2_HEADER[] = {'I', 'D', '3', 3, 0, 0};
constexpr size_t ID3V1_TAG_BYTES = 128;
constexpr uint8_t PNG_START[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
constexpr size_t NOISE_BYTES = 4096;
constexpr uint32_t NOISE_SEED = 0x5eed1234;
constexpr size_t FLIPS = 24;

struct Tone {
    const char* name = "";
    int rate = 0;
    int channels = 0;
    int kbps = 0;

    constexpr Tone withRate(int hz) const { return withField(*this, &Tone::rate, hz); }
    constexpr Tone withChannels(int count) const { return withField(*this, &Tone::channels, count); }
    constexpr Tone withKbps(int value) const { return withField(*this, &Tone::kbps, value); }
};

constexpr Tone toneFile(const char* name) {
    Tone tone;
    tone.name = name;
    return tone;
}

// Rates and layouts beyond the show's own 44.1 kHz stereo: MPEG-1, -2 and
// -2.5 frames, mono, the lowest bit rate.
constexpr Tone TONES[] = {
    toneFile("tone-48k-stereo.mp3").withRate(48000).withChannels(2).withKbps(128),
    toneFile("tone-44k-mono.mp3").withRate(44100).withChannels(1).withKbps(64),
    toneFile("tone-22k-stereo.mp3").withRate(22050).withChannels(2).withKbps(32),
    toneFile("tone-8k-mono.mp3").withRate(8000).withChannels(1).withKbps(8),
};

bool writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool runMakeMusic(const std::string& program, const std::string& output) {
    const pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), "--seconds", MUSIC_SECONDS, output.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Bytes encodeTone(const Tone& tone) {
    const int frames = static_cast<int>(TONE_SECONDS * tone.rate);
    std::vector<short> pcm(static_cast<size_t>(frames) * static_cast<size_t>(tone.channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < tone.channels; ++c)
            pcm[static_cast<size_t>(i * tone.channels + c)] =
                static_cast<short>(TONE_AMPLITUDE * std::sin(TWO_PI * TONE_HZ * i / tone.rate));
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, tone.rate);
    lame_set_out_samplerate(lame, tone.rate);
    lame_set_num_channels(lame, tone.channels);
    lame_set_mode(lame, tone.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, tone.kbps);
    lame_set_quality(lame, FAST_QUALITY);
    lame_init_params(lame);
    // LAME's documented worst case: 1.25 x samples + 7200 bytes.
    Bytes mp3(static_cast<size_t>(frames) * 5 / 4 + 7200);
    const int capacity = static_cast<int>(mp3.size());
    const int body = tone.channels == 1
                         ? lame_encode_buffer(lame, pcm.data(), pcm.data(), frames, mp3.data(), capacity)
                         : lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), capacity);
    const int tail = body < 0 ? 0 : lame_encode_flush(lame, mp3.data() + body, capacity - body);
    lame_close(lame);
    mp3.resize(body < 0 || tail < 0 ? 0 : static_cast<size_t>(body + tail));
    return mp3;
}

// Where the Xing or Info tag of the first frame starts, or 0 for none.
size_t gaplessTag(const Bytes& mp3) {
    for (const char* name : {"Xing", "Info"}) {
        const auto at = std::search(mp3.begin(), mp3.end(), name, name + 4);
        if (at != mp3.end())
            return static_cast<size_t>(at - mp3.begin());
    }
    return 0;
}

Bytes withTagFrames(Bytes mp3, uint32_t frames) {
    const size_t tag = gaplessTag(mp3);
    if (tag == 0 || tag + TAG_FRAMES_OFFSET + 4 > mp3.size())
        return mp3;
    mp3[tag + TAG_FLAGS_OFFSET + 3] |= 1;  // the frame count is present
    for (int i = 0; i < 4; ++i)
        mp3[tag + TAG_FRAMES_OFFSET + static_cast<size_t>(i)] = static_cast<uint8_t>(frames >> (24 - 8 * i));
    return mp3;
}

// An ID3v2 tag whose syncsafe size claims more than the file holds.
Bytes behindLyingId3(const Bytes& mp3) {
    Bytes out(std::begin(ID3V2_HEADER), std::end(ID3V2_HEADER));
    out.insert(out.end(), {0x7f, 0x7f, 0x7f, 0x7f});
    out.insert(out.end(), mp3.begin(), mp3.end());
    return out;
}

Bytes withId3v1(Bytes mp3) {
    Bytes tag(ID3V1_TAG_BYTES, ' ');
    std::memcpy(tag.data(), "TAG", 3);
    mp3.insert(mp3.end(), tag.begin(), tag.end());
    return mp3;
}

uint32_t nextNoise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state;
}

Bytes flipped(Bytes mp3) {
    uint32_t state = NOISE_SEED;
    for (size_t i = 0; i < FLIPS && !mp3.empty(); ++i)
        mp3[nextNoise(state) % mp3.size()] ^= static_cast<uint8_t>(1u << (nextNoise(state) % 8));
    return mp3;
}

Bytes noise() {
    uint32_t state = NOISE_SEED;
    Bytes bytes(NOISE_BYTES);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(nextNoise(state) >> 24);
    return bytes;
}

Bytes prefix(const Bytes& bytes, size_t count) { return Bytes(bytes.begin(), bytes.begin() + std::min(count, bytes.size())); }

Bytes joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes text(const char* line) { return Bytes(line, line + std::strlen(line)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MAKE_MUSIC SEED_DIR [WORK_DIR...]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path seeds = argv[2];
    std::filesystem::create_directories(seeds);
    for (int work = 3; work < argc; ++work)
        std::filesystem::create_directories(argv[work]);
    const std::filesystem::path musicFile = seeds / "music-1s.mp3";
    if (!runMakeMusic(argv[1], musicFile.string())) {
        std::fprintf(stderr, "sound_seeds: %s failed\n", argv[1]);
        return 1;
    }
    const Bytes music = readFile(musicFile);
    const Bytes toneA = encodeTone(TONES[0]);
    if (music.empty() || toneA.empty()) {
        std::fprintf(stderr, "sound_seeds: no music to mangle\n");
        return 1;
    }

    struct Seed {
        const char* name;
        Bytes bytes;
    };
    std::vector<Seed> written = {
        {"music-half.mp3", prefix(music, music.size() / 2)},
        {"music-first-frames.mp3", prefix(music, 1024)},
        {"music-header-only.mp3", prefix(music, 4)},
        {"music-endless-tag.mp3", withTagFrames(music, UINT32_MAX)},
        {"music-empty-tag.mp3", withTagFrames(music, 0)},
        {"music-flipped.mp3", flipped(music)},
        {"music-lying-id3.mp3", behindLyingId3(music)},
        {"music-id3v1.mp3", withId3v1(music)},
        {"rate-change.mp3", joined(prefix(music, music.size() / 4), toneA)},
        {"text.mp3", text("This file holds text, not MPEG audio frames.\n")},
        {"png.mp3", Bytes(std::begin(PNG_START), std::end(PNG_START))},
        {"zeros.mp3", Bytes(NOISE_BYTES, 0)},
        {"noise.mp3", noise()},
        {"empty.mp3", Bytes()},
    };
    for (const Tone& tone : TONES)
        written.push_back({tone.name, encodeTone(tone)});
    for (const Seed& seed : written) {
        if (!writeFile(seeds / seed.name, seed.bytes)) {
            std::fprintf(stderr, "sound_seeds: cannot write %s\n", (seeds / seed.name).c_str());
            return 1;
        }
    }
    std::printf("%zu seeds in %s\n", written.size() + 1, seeds.c_str());
    return 0;
}
