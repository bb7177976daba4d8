// The mixing desk every instrument plays into: a stereo dry bus, a reverb and
// a delay send, and the sidechain curve the kick draws, by which the other
// instruments duck so the mix pumps with the beat.
#pragma once

#include <cstddef>
#include <vector>

#include "base/named_fields.h"

// Where and how loud a voice sits in the mix. pan: -1 left to +1 right;
// reverb and delay: send levels; duck: how far the voice follows the kick's
// sidechain curve (0 not at all, 1 fully).
struct Route {
    float gain = 0.0f;
    float pan = 0.0f;
    float reverb = 0.0f;
    float delay = 0.0f;
    float duck = 0.0f;

    constexpr Route withGain(float value) const { return withField(*this, &Route::gain, value); }
    constexpr Route withPan(float value) const { return withField(*this, &Route::pan, value); }
    constexpr Route withReverb(float value) const { return withField(*this, &Route::reverb, value); }
    constexpr Route withDelay(float value) const { return withField(*this, &Route::delay, value); }
    constexpr Route withDuck(float value) const { return withField(*this, &Route::duck, value); }
};

class Mix {
public:
    // Routed gains of one voice, worked out once per note.
    struct Channel {
        float left;
        float right;
        float reverb;
        float delay;
        float duck;
    };

    explicit Mix(size_t frames);

    size_t frames() const { return frameCount; }

    // Clips a note of `length` frames starting at `start` to the mix.
    size_t endOf(size_t start, size_t length) const;

    static Channel channel(const Route& route, float velocity);

    void add(size_t frame, float sample, const Channel& c) {
        const float s = sample * duckGain(frame, c.duck);
        left[frame] += s * c.left;
        right[frame] += s * c.right;
        reverbSend[frame] += s * c.reverb;
        delaySend[frame] += s * c.delay;
    }

    // A voice with its own stereo image; the pan of `c` is ignored.
    void addStereo(size_t frame, float sampleLeft, float sampleRight, const Channel& c) {
        const float g = duckGain(frame, c.duck);
        const float level = (c.left + c.right) * 0.5f;
        left[frame] += sampleLeft * g * level;
        right[frame] += sampleRight * g * level;
        const float mono = (sampleLeft + sampleRight) * 0.5f * g;
        reverbSend[frame] += mono * c.reverb;
        delaySend[frame] += mono * c.delay;
    }

    // Draws one kick's dip into the sidechain curve.
    void pump(size_t start);

    std::vector<float> left;
    std::vector<float> right;
    std::vector<float> reverbSend;
    std::vector<float> delaySend;

private:
    float duckGain(size_t frame, float amount) const { return 1.0f - amount * (1.0f - sidechain[frame]); }

    size_t frameCount;
    std::vector<float> sidechain;  // 1 = no ducking
};
