// Building blocks of the synthesiser: noise, band-limited oscillators, a
// state-variable filter and envelopes. Every piece keeps its state in the
// object and seeds its own noise, so a note renders the same samples on every
// run and whatever else was rendered before it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/named_fields.h"

constexpr int SAMPLE_RATE_HZ = 44100;
constexpr float SAMPLE_RATE = static_cast<float>(SAMPLE_RATE_HZ);
constexpr float TWO_PI = 6.28318530717958647692f;

// Filters recompute their coefficients only this often while a cutoff moves.
constexpr size_t FILTER_UPDATE_FRAMES = 32;

// A MIDI note number as a frequency in Hz (69 is A4, 440 Hz).
float noteHz(float note);

size_t secondsToFrames(float seconds);

// A seed that differs for every note: instrument, start frame and pitch.
uint32_t noteSeed(uint32_t instrument, size_t startFrame, int note);

// Uniform white noise in [-1, 1) from a xorshift generator.
class Noise {
public:
    explicit Noise(uint32_t seed);
    float next() { return unit() * 2.0f - 1.0f; }
    // Uniform in [0, 1): the top 24 bits of the state.
    float unit() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        constexpr float TO_UNIT = 1.0f / 16777216.0f;
        return static_cast<float>(state >> 8) * TO_UNIT;
    }

private:
    uint32_t state;
};

// The oscillators, filter and envelopes run per sample, so their inner steps
// are inline.

// Removes the step discontinuity of a naive wave around its edges.
inline float polyBlep(float phase, float increment) {
    if (phase < increment) {
        const float t = phase / increment;
        return t + t - t * t - 1.0f;
    }
    if (phase > 1.0f - increment) {
        const float t = (phase - 1.0f) / increment;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

inline float wrapPhase(float phase) {
    return phase >= 1.0f ? phase - 1.0f : phase;
}

// Sawtooth with polyBLEP-smoothed edges (little aliasing at bass to lead
// pitches). The phase runs over [0, 1).
class Saw {
public:
    explicit Saw(float startPhase = 0.0f);
    float next(float hz) {
        const float increment = hz / SAMPLE_RATE;
        const float value = 2.0f * phase - 1.0f - polyBlep(phase, increment);
        phase = wrapPhase(phase + increment);
        return value;
    }

private:
    float phase;
};

// Square wave, polyBLEP-smoothed on both edges.
class Square {
public:
    explicit Square(float startPhase = 0.0f);
    float next(float hz) {
        const float increment = hz / SAMPLE_RATE;
        float value = phase < 0.5f ? 1.0f : -1.0f;
        value += polyBlep(phase, increment);
        value -= polyBlep(wrapPhase(phase + 0.5f), increment);
        phase = wrapPhase(phase + increment);
        return value;
    }

private:
    float phase;
};

// Zavalishin's topology-preserving state-variable filter: stays stable while
// its cutoff sweeps. Resonance 0 is gentle, towards 1 it rings.
class Svf {
public:
    struct Output {
        float low;
        float band;
        float high;
    };

    Svf();
    void setup(float cutoffHz, float resonance);
    Output process(float input) {
        const float v3 = input - state2;
        const float band = g1 * state1 + g2 * v3;
        const float low = state2 + g2 * state1 + g3 * v3;
        state1 = 2.0f * band - state1;
        state2 = 2.0f * low - state2;
        return {low, band, input - damping * band - low};
    }

private:
    float g1 = 0.0f;
    float g2 = 0.0f;
    float g3 = 0.0f;
    float damping = 0.0f;
    float state1 = 0.0f;
    float state2 = 0.0f;
};

// Exponential decay towards zero with time constant `tau`, one sample a call.
class Decay {
public:
    Decay(float tau, float start = 1.0f);
    float next() {
        const float current = value;
        value *= factor;
        return current;
    }

private:
    float value;
    float factor;
};

// Attack-decay-sustain-release amplitude envelope: a linear attack over
// `attack` seconds, then exponential decay and release with time constants
// `decay` and `release`. The gate closes `gateFrames` after the start.
struct AdsrShape {
    float attack = 0.0f;
    float decay = 0.0f;
    float sustain = 0.0f;
    float release = 0.0f;

    constexpr AdsrShape withAttack(float seconds) const { return withField(*this, &AdsrShape::attack, seconds); }
    constexpr AdsrShape withDecay(float seconds) const { return withField(*this, &AdsrShape::decay, seconds); }
    constexpr AdsrShape withSustain(float level) const { return withField(*this, &AdsrShape::sustain, level); }
    constexpr AdsrShape withRelease(float seconds) const { return withField(*this, &AdsrShape::release, seconds); }
};

class Adsr {
public:
    Adsr(const AdsrShape& shape, size_t gateFrames);
    float next() {
        if (frame < gate) {
            if (frame < attackFrames) {
                level = static_cast<float>(frame + 1) / static_cast<float>(attackFrames);
            } else {
                level = shape.sustain + (level - shape.sustain) * decayFactor;
            }
        } else {
            level *= releaseFactor;
        }
        ++frame;
        return level;
    }
    // Frames after which the envelope has fallen silent.
    size_t lengthFrames() const;

private:
    AdsrShape shape;
    size_t gate;
    size_t attackFrames;
    size_t frame = 0;
    float level = 0.0f;
    float decayFactor;
    float releaseFactor;
};

// Smooth saturation: linear near zero, bounded by +-1.
float softClip(float x);
