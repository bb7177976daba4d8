// A music player on a virtual clock: nothing plays; the position is the time
// of the pass being drawn. The recorder drives it with its recording, the web
// page with the single frame it draws.
#pragma once

#include <cstdint>

#include "audio/music_player.h"

// What a ClockPlayer reads its time from and hands its requests to.
class PassClock {
public:
    // The music time of the pass being drawn.
    virtual uint32_t timeMs() const = 0;
    // The player's open: takes the track when the passes need its sound.
    virtual bool openTrack(const char* path) = 0;
    // Why openTrack() last failed.
    virtual const char* trackError() const = 0;
    // The player's master volume: the show's fade sets it frame by frame.
    virtual void setMasterVolume(int volume) = 0;

protected:
    ~PassClock() = default;
};

class ClockPlayer : public MusicPlayer {
public:
    explicit ClockPlayer(PassClock& clock) : clock_(clock) {}

    bool open(const char* file) override;
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

private:
    PassClock& clock_;
};
