// The music player over the sound layer (audio/sound_system.h): the track is
// streamed on channel 0 and read only through the five file callbacks below,
// plain stdio.
#pragma once

#include <cstdint>

#include "audio/music_player.h"

struct SoundStream;

class StreamMusicPlayer : public MusicPlayer {
public:
    bool open(const char* path) override;
    const char* lastError() const override;
    bool unsupportedA(int32_t a, int32_t b, int32_t c) override;
    bool unsupportedB(int32_t a) override;
    bool init() override;
    void close() override;
    void noOperation() override;
    void play() override;
    void togglePause() override;
    void setVolume(float level) override;
    uint32_t timeMs() override;
    void stop() override;
    void setPosition(uint32_t ms) override;
    void setMasterVolume(int volume) override;

    SoundStream* stream = nullptr;
    bool paused = false;
    uint32_t savedTimeMs = 0;
    char path[100] = {};  // the first 100 characters of the opened path, unterminated
};

// The file callbacks through which the sound layer reads the track; the handle
// is a stdio FILE.
void* fileOpen(const char* name);
int fileClose(void* handle);
int fileRead(void* buffer, int size, void* handle);
int fileSeek(void* handle, int offset, signed char mode);
int fileTell(void* handle);
