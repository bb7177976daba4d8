// The recorder's music player: nothing plays; the position is the time of
// the frame being drawn, and opening the track decodes it when the recording
// has sound (a single frame needs no track).
#pragma once

#include "audio/music_player.h"

class Recording;

class ClockPlayer : public MusicPlayer {
public:
    explicit ClockPlayer(Recording& recording) : recording_(recording) {}

    bool open(const char* file) override;
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
    // The recording cuts each frame's sound at this volume.
    void setMasterVolume(int volume) override;

private:
    Recording& recording_;
};
