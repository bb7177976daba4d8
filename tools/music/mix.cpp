// Buses and the sidechain curve of the mix.
#include "tools/music/mix.h"

#include <algorithm>
#include <cmath>

#include "tools/music/synth_dsp.h"

namespace {

constexpr float PUMP_DEPTH = 0.75f;     // how far a ducked voice dips on the kick
constexpr float PUMP_SECONDS = 0.28f;  // time the dip takes to recover
constexpr float QUARTER_TURN = 0.25f * TWO_PI;

}  // namespace

Mix::Mix(size_t frames)
    : left(frames, 0.0f),
      right(frames, 0.0f),
      reverbSend(frames, 0.0f),
      delaySend(frames, 0.0f),
      frameCount(frames),
      sidechain(frames, 1.0f) {}

size_t Mix::endOf(size_t start, size_t length) const {
    return std::min(frameCount, start + length);
}

Mix::Channel Mix::channel(const Route& route, float velocity) {
    // Constant-power pan.
    const float angle = (route.pan + 1.0f) * 0.5f * QUARTER_TURN;
    const float gain = route.gain * velocity;
    return {gain * std::cos(angle) * std::sqrt(2.0f), gain * std::sin(angle) * std::sqrt(2.0f), gain * route.reverb,
            gain * route.delay, route.duck};
}

void Mix::pump(size_t start) {
    const size_t length = secondsToFrames(PUMP_SECONDS);
    const size_t end = endOf(start, length);
    for (size_t f = start; f < end; ++f) {
        const float recovered = static_cast<float>(f - start) / static_cast<float>(length);
        const float dip = 1.0f - PUMP_DEPTH * (1.0f - recovered) * (1.0f - recovered);
        sidechain[f] = std::min(sidechain[f], dip);
    }
}
