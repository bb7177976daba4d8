// Oscillators, filter, noise and envelopes of the synthesiser.
#include "tools/music/synth_dsp.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

constexpr float A4_NOTE = 69.0f;
constexpr float A4_HZ = 440.0f;
constexpr float SEMITONES_PER_OCTAVE = 12.0f;
constexpr float NYQUIST_MARGIN = 0.45f;  // keeps the filter's tan() away from its pole
constexpr float MIN_CUTOFF_HZ = 20.0f;
constexpr float SILENCE = 1.0e-3f;  // -60 dB: an envelope this low is over
constexpr uint32_t ZERO_SEED_REPLACEMENT = 0x9e3779b9u;  // xorshift must not start at 0

float decayFactorFor(float tau) {
    return std::exp(-1.0f / (tau * SAMPLE_RATE));
}

}  // namespace

float noteHz(float note) {
    return A4_HZ * std::exp2((note - A4_NOTE) / SEMITONES_PER_OCTAVE);
}

size_t secondsToFrames(float seconds) {
    return static_cast<size_t>(std::lround(seconds * SAMPLE_RATE));
}

uint32_t noteSeed(uint32_t instrument, size_t startFrame, int note) {
    // A small integer hash (splitmix-style) so neighbouring notes differ.
    uint64_t x = (static_cast<uint64_t>(instrument) << 48) ^ (static_cast<uint64_t>(startFrame) << 8) ^
                 static_cast<uint64_t>(static_cast<uint8_t>(note));
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    x ^= x >> 31;
    return static_cast<uint32_t>(x);
}

Noise::Noise(uint32_t seed) : state(seed != 0 ? seed : ZERO_SEED_REPLACEMENT) {}

Saw::Saw(float startPhase) : phase(startPhase) {}

Square::Square(float startPhase) : phase(startPhase) {}

Svf::Svf() {
    setup(MIN_CUTOFF_HZ, 0.0f);
}

void Svf::setup(float cutoffHz, float resonance) {
    assert(resonance >= 0.0f && resonance < 1.0f);
    const float limited = std::fmin(std::fmax(cutoffHz, MIN_CUTOFF_HZ), NYQUIST_MARGIN * SAMPLE_RATE);
    const float g = std::tan(TWO_PI * 0.5f * limited / SAMPLE_RATE);
    damping = 2.0f - 2.0f * resonance;
    g1 = 1.0f / (1.0f + g * (g + damping));
    g2 = g * g1;
    g3 = g * g2;
}

Decay::Decay(float tau, float start) : value(start), factor(decayFactorFor(tau)) {}

Adsr::Adsr(const AdsrShape& envelopeShape, size_t gateFrames)
    : shape(envelopeShape),
      gate(gateFrames),
      attackFrames(std::max<size_t>(1, secondsToFrames(envelopeShape.attack))),
      decayFactor(decayFactorFor(envelopeShape.decay)),
      releaseFactor(decayFactorFor(envelopeShape.release)) {}

size_t Adsr::lengthFrames() const {
    // Release falls from at most full level to SILENCE in -ln(SILENCE) time constants.
    return gate + secondsToFrames(-std::log(SILENCE) * shape.release);
}

float softClip(float x) {
    return std::tanh(x);
}
