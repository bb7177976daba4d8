// A music player for tests: nothing sounds; the position follows a script and
// every master volume set is kept.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "audio/music_player.h"
#include "timeline/timeline.h"

class ScriptedPlayer : public MusicPlayer {
public:
    // The positions timeMs() answers in turn; the last one repeats.
    std::deque<uint32_t> times{0};
    std::vector<int> masterVolumes;
    // Every pause toggled and position set, in order: positions, and
    // PAUSE_TOGGLED for a toggle.
    static constexpr uint32_t PAUSE_TOGGLED = UINT32_MAX;
    std::vector<uint32_t> moves;

    bool open(const char*) override { return true; }
    const char* lastError() const override { return ""; }
    bool unsupportedA(int32_t, int32_t, int32_t) override { return false; }
    bool unsupportedB(int32_t) override { return false; }
    bool init() override { return true; }
    void close() override {}
    void noOperation() override {}
    void play() override {}
    void togglePause() override { moves.push_back(PAUSE_TOGGLED); }
    void setVolume(float) override {}
    uint32_t timeMs() override {
        const uint32_t now = times.front();
        if (times.size() > 1)
            times.pop_front();
        return now;
    }
    void stop() override {}
    void setPosition(uint32_t ms) override { moves.push_back(ms); }
    void setMasterVolume(int volume) override { masterVolumes.push_back(volume); }
};

// Links for scenes made outside a main loop: a player nobody reads and a
// quit flag nobody tests.
inline const ShowLinks& unusedShowLinks() {
    static ScriptedPlayer player;
    static bool quitRequested = false;
    static const ShowLinks links{player, quitRequested};
    return links;
}
