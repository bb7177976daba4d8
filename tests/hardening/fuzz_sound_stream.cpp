// libFuzzer target: any bytes, as a file, through both ways the program reads
// its music: the player's stream (opened through the five file callbacks,
// played, moved, then closed with the output while its decoder thread runs)
// and the recorder's decode of the whole track.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/sound_system.h"
#include "audio/stream_music_player.h"
#include "audio/track_decoder.h"
#include "tests/support/memory_file.h"

namespace {

constexpr int MIX_RATE = 44100;
constexpr int SOFTWARE_CHANNELS = 128;
constexpr int MUSIC_CHANNEL = 0;
// An audio driver SDL does not have: the layer's silent output, which needs
// no device and keeps time by the clock, stands in.
constexpr const char* NO_AUDIO_DRIVER = "fuzzing-without-a-device";
// Spreads the seek target over the first seconds of a stream.
constexpr uint32_t SEEK_MS_PER_STEP = 20;


void playStream(const std::string& path, uint32_t seekMs) {
    if (!soundInit(MIX_RATE, SOFTWARE_CHANNELS, 0))
        std::abort();
    soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    SoundStream* stream = soundStreamOpen(path.c_str(), 0, 0);
    if (stream != nullptr) {
        if (soundStreamPlay(MUSIC_CHANNEL, stream) != MUSIC_CHANNEL)
            std::abort();
        soundStreamSetPosition(stream, seekMs);
        if (soundStreamTimeMs(stream) < seekMs)
            std::abort();
    }
    soundClose();
}

void decodeWholeTrack(const std::string& path) {
    DecodedTrack track;
    std::string error;
    const bool decoded = decodeTrack(path.c_str(), track, error);
    if (decoded && (track.sampleRate == 0 || track.samples.empty() || track.samples.size() % TRACK_CHANNELS != 0))
        std::abort();
    if (!decoded && (error.empty() || !track.samples.empty() || track.sampleRate != 0))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", NO_AUDIO_DRIVER, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MemoryFile file("fuzz-mp3");
    file.replace(data, size);
    const uint32_t seekMs = size == 0 ? 0 : data[size / 2] * SEEK_MS_PER_STEP;
    playStream(file.path, seekMs);
    decodeWholeTrack(file.path);
    return 0;
}
