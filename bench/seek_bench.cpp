// How long a viewer's seek takes: from the call that moves the music to the
// moment the music found there is being played, on the show's own track and
// sound layer (any audio driver; SDL's dummy one without a sound card), and
// what the timeline's rebuild adds on the main thread. Figures only: the
// seeks jump across the whole track, back and forth, the first ones through
// a decoder that has not yet seen the file's later frames.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/run_sequence.h"
#include "audio/music_player.h"
#include "base/factory_kind.h"
#include "content/show_data.h"
#include "timeline/timeline.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t TARGETS_MS[] = {150000, 5000, 90000, 30000, 172000, 60000, 11500, 120000, 1000, 100000};
constexpr int ROUNDS = 3;
constexpr auto POLL = std::chrono::microseconds(200);
constexpr auto LIMIT = std::chrono::seconds(5);
// Each seek comes after the music has played on long enough to fill the
// decoder's ring, as a viewer's would, and at a different point of the
// output's period (23 ms at 44100 Hz): a seek waits for the next one.
constexpr auto PLAYED_BEFORE = std::chrono::milliseconds(800);
constexpr int PERIOD_OFFSETS = 23;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
    std::string tried;
    if (!enterShowData(tried)) {
        std::fprintf(stderr, "seek_bench: no show data in %s\n", tried.c_str());
        return 1;
    }
    MusicPlayer* player = createMusicPlayer(STANDARD_KIND);
    player->init();
    if (!player->open(MUSIC_FILE)) {
        std::fprintf(stderr, "seek_bench: cannot play %s\n", MUSIC_FILE);
        return 1;
    }
    player->play();
    std::vector<double> heard;
    std::vector<double> calls;
    int seek = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        for (uint32_t target : TARGETS_MS) {
            std::this_thread::sleep_for(PLAYED_BEFORE + std::chrono::milliseconds(seek++ * 7 % PERIOD_OFFSETS));
            const Clock::time_point start = Clock::now();
            player->setPosition(target);
            calls.push_back(msSince(start));
            // The position moves on from the target once its music is handed on.
            while (player->timeMs() <= target && Clock::now() - start < LIMIT)
                std::this_thread::sleep_for(POLL);
            heard.push_back(msSince(start));
        }
    }
    player->stop();
    player->close();
    delete player;

    // The timeline's part, with no scenes to draw: the rebuild alone.
    sceneTimeline.sceneSlots = new Scene*[SCENE_SLOT_COUNT]();
    const Clock::time_point start = Clock::now();
    constexpr int REBUILDS = 10000;
    for (int i = 0; i < REBUILDS; ++i)
        seekTimeline(TARGETS_MS[i % std::size(TARGETS_MS)]);
    const double rebuildMs = msSince(start) / REBUILDS;
    delete[] sceneTimeline.sceneSlots;

    std::sort(heard.begin(), heard.end());
    std::sort(calls.begin(), calls.end());
    std::printf("seek: the call %.3f ms (worst %.3f), the timeline's rebuild %.4f ms; the music from there "
                "heard after median %.1f ms, worst %.1f ms of %zu seeks (on the player's clock, which counts "
                "the two periods an audio device holds: 46 ms at 44100 Hz)\n",
                calls[calls.size() / 2], calls.back(), rebuildMs, heard[heard.size() / 2], heard.back(),
                heard.size());
    return 0;
}
