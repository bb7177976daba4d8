// The music player: plays the show's one MP3 track as a stream and reports its
// play position in milliseconds, the clock of the whole show.
//
// This is the interface the show, the recorder and the tests share; the
// player that streams through the sound layer is audio/stream_music_player.h,
// the one createMusicPlayer(1) makes.
#pragma once

#include <cstdint>

class MusicPlayer {
public:
    // It owns the open stream: a copy would close it twice.
    MusicPlayer() = default;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;
    virtual ~MusicPlayer() = default;

    virtual bool open(const char* path) = 0;
    // Why the last open() failed, in a few words for the user.
    virtual const char* lastError() const = 0;
    // Kept for the interface; nothing in the program calls them.
    virtual bool unsupportedA(int32_t a, int32_t b, int32_t c) = 0;  // answers false
    virtual bool unsupportedB(int32_t a) = 0;                        // answers false
    virtual bool init() = 0;
    virtual void close() = 0;
    virtual void noOperation() = 0;  // kept for the interface
    virtual void play() = 0;
    virtual void togglePause() = 0;
    // The music channel's volume, level 0 to 1 (x 255, truncated, unclamped).
    virtual void setVolume(float level) = 0;
    // The play position in ms; while paused, the position it paused at.
    virtual uint32_t timeMs() = 0;
    virtual void stop() = 0;
    // Moves the music to a position in ms, playing or paused; a paused
    // player resumes from there.
    virtual void setPosition(uint32_t ms) = 0;
    // The volume of everything the player sounds, 0 (silent) to 255 (full):
    // the fade of the ending lowers it frame by frame.
    virtual void setMasterVolume(int volume) = 0;
};

// Kind 1 gives a new player of this platform; any other kind gives null.
MusicPlayer* createMusicPlayer(int kind);
