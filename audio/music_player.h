// The music player: plays the show's one MP3 track as a stream and reports its
// play position in milliseconds, the clock of the whole show.
#pragma once

#include <cstdint>

struct SoundStream;

class MusicPlayer {
public:
    // It owns the open stream: a copy would close it twice.
    MusicPlayer() = default;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;
    virtual ~MusicPlayer() = default;

    virtual bool open(const char* path);
    virtual bool init();
    virtual void close();
    virtual void play();
    virtual void togglePause();
    virtual void setVolume(float level);
    virtual uint32_t timeMs();
    virtual void stop();

    // Kept for the interface; nothing in the program calls them.
    virtual bool unsupportedA(int32_t a, int32_t b, int32_t c);  // answers false
    virtual bool unsupportedB(int32_t a);                        // answers false
    virtual void noOperation();

    SoundStream* stream = nullptr;
    bool paused = false;
    uint32_t savedTimeMs = 0;
    char path[100] = {};  // the first 100 characters of the opened path, unterminated
};

// Kind 1 gives a new MusicPlayer; any other kind gives null.
MusicPlayer* createMusicPlayer(int kind);

// The file callbacks through which the sound layer reads the track; the handle
// is a stdio FILE.
void* fileOpen(const char* name);
int fileClose(void* handle);
int fileRead(void* buffer, int size, void* handle);
int fileSeek(void* handle, int offset, signed char mode);
int fileTell(void* handle);
