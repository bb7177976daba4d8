// Effects of the mix: a stereo room reverb and a ping-pong echo, each reading
// a mono send and adding its wet stereo signal to the dry buses, and the
// compressor of the master bus.
#pragma once

#include <cstddef>
#include <vector>

#include "base/named_fields.h"

// Schroeder-Moorer reverb in the Freeverb layout: eight damped combs and four
// allpasses a side, the right side's delays slightly longer for width.
void addReverb(const std::vector<float>& send, std::vector<float>& left, std::vector<float>& right);

// Echo bouncing between left and right every `delayFrames`, each repeat
// quieter by `feedback` and duller through a low-pass.
void addPingPongDelay(const std::vector<float>& send, size_t delayFrames, float feedback, std::vector<float>& left,
                      std::vector<float>& right);

// Stereo-linked peak compressor: above `thresholdDb` the level rises only
// 1/`ratio` as fast. Fast attack, slow release, so drum hits are tamed
// without pumping the whole mix.
struct CompressorSettings {
    float thresholdDb = 0.0f;
    float ratio = 1.0f;
    float attackSeconds = 0.0f;
    float releaseSeconds = 0.0f;

    constexpr CompressorSettings withThresholdDb(float value) const {
        return withField(*this, &CompressorSettings::thresholdDb, value);
    }
    constexpr CompressorSettings withRatio(float value) const {
        return withField(*this, &CompressorSettings::ratio, value);
    }
    constexpr CompressorSettings withAttackSeconds(float value) const {
        return withField(*this, &CompressorSettings::attackSeconds, value);
    }
    constexpr CompressorSettings withReleaseSeconds(float value) const {
        return withField(*this, &CompressorSettings::releaseSeconds, value);
    }
};
void compress(const CompressorSettings& settings, std::vector<float>& left, std::vector<float>& right);
