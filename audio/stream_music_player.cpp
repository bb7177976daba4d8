#include "audio/stream_music_player.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "audio/sound_system.h"
#include "audio/volume.h"
#include "base/factory_kind.h"
#include "base/file_path.h"

namespace {

constexpr int MIX_RATE = 44100;
constexpr int SOFTWARE_CHANNELS = 128;
constexpr unsigned NO_FLAGS = 0;
constexpr unsigned STREAM_MODE = 0;
constexpr int STREAM_OFFSET = 0;
constexpr int MUSIC_CHANNEL = 0;

// Truncation toward zero, kept defined for levels no int can hold.
int truncatedVolume(double volume) {
    if (std::isnan(volume))
        return 0;
    if (volume <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (volume >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(volume);
}

}  // namespace

bool StreamMusicPlayer::open(const char* filePath) {
    if (filePath == nullptr)
        return false;
    std::memcpy(path, filePath, strnlen(filePath, sizeof path));
    soundSetFileCallbacks(fileOpen, fileClose, fileRead, fileSeek, fileTell);
    stream = soundStreamOpen(filePath, STREAM_MODE, STREAM_OFFSET);
    return stream != nullptr;
}

// The sound layer's reason: the open is soundStreamOpen()'s.
const char* StreamMusicPlayer::lastError() const { return soundLastError(); }

bool StreamMusicPlayer::init() { return soundInit(MIX_RATE, SOFTWARE_CHANNELS, NO_FLAGS); }

void StreamMusicPlayer::close() { soundClose(); }

void StreamMusicPlayer::play() {
    soundStreamPlay(MUSIC_CHANNEL, stream);
    savedTimeMs = 0;
    paused = false;
}

// The position is saved before the pause begins: timeMs() answers the saved
// one from then on.
void StreamMusicPlayer::togglePause() {
    if (!paused) {
        savedTimeMs = timeMs();
        paused = true;
        stop();
    } else {
        soundStreamSetPosition(stream, savedTimeMs);
        play();
    }
}

void StreamMusicPlayer::setVolume(float level) {
    soundSetChannelVolume(MUSIC_CHANNEL, truncatedVolume(static_cast<double>(level) * FULL_VOLUME));
}

void StreamMusicPlayer::setMasterVolume(int volume) { soundSetMasterVolume(volume); }

// A stopped stream freezes where it was heard when stopped, which may lie a
// little past the position saved just before: a paused show stays on the
// saved one, the one it resumes from.
uint32_t StreamMusicPlayer::timeMs() { return paused ? savedTimeMs : soundStreamTimeMs(stream); }

void StreamMusicPlayer::stop() { soundStreamStop(stream); }

void StreamMusicPlayer::setPosition(uint32_t ms) {
    soundStreamSetPosition(stream, ms);
    if (paused)
        savedTimeMs = ms;
}

// Kept for the interface.
bool StreamMusicPlayer::unsupportedA(int32_t, int32_t, int32_t) { return false; }
bool StreamMusicPlayer::unsupportedB(int32_t) { return false; }
void StreamMusicPlayer::noOperation() {}

MusicPlayer* createMusicPlayer(int kind) {
    if (kind != STANDARD_KIND)
        return nullptr;
    return new (std::nothrow) StreamMusicPlayer();
}

void* fileOpen(const char* name) { return name == nullptr ? nullptr : openFile(name, "rb"); }

int fileClose(void* handle) { return handle == nullptr ? EOF : std::fclose(static_cast<FILE*>(handle)); }

int fileRead(void* buffer, int size, void* handle) {
    if (handle == nullptr || size <= 0)
        return 0;
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(size), static_cast<FILE*>(handle)));
}

int fileSeek(void* handle, int offset, signed char mode) {
    if (handle == nullptr)
        return -1;
    return std::fseek(static_cast<FILE*>(handle), offset, mode);
}

int fileTell(void* handle) {
    if (handle == nullptr)
        return -1;
    const long at = std::ftell(static_cast<FILE*>(handle));
    return at > INT_MAX ? -1 : static_cast<int>(at);
}
