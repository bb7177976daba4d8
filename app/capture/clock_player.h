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
    bool init() override;
    void close() override;
    void play() override;
    uint32_t timeMs() override;
    void stop() override;

private:
    Recording& recording_;
};
