// Reverb, echo and compressor of the mix.
#include "tools/music/effects.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>

#include "tools/music/synth_dsp.h"

namespace {

// Freeverb's tunings at 44.1 kHz; the right channel adds STEREO_SPREAD.
constexpr std::array<size_t, 8> COMB_FRAMES = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<size_t, 4> ALLPASS_FRAMES = {556, 441, 341, 225};
constexpr size_t STEREO_SPREAD = 23;
constexpr float ROOM_FEEDBACK = 0.86f;   // comb feedback: the length of the tail
constexpr float ROOM_DAMPING = 0.3f;     // high-frequency loss per pass
constexpr float ALLPASS_FEEDBACK = 0.5f;
constexpr float REVERB_INPUT_GAIN = 0.03f;  // eight combs in parallel add up loudly
constexpr float ECHO_DAMPING = 0.35f;       // one-pole low-pass in the echo loop

class Comb {
public:
    explicit Comb(size_t frames) : buffer(frames, 0.0f) {}

    float process(float input) {
        const float output = buffer[position];
        filtered = output * (1.0f - ROOM_DAMPING) + filtered * ROOM_DAMPING;
        buffer[position] = input + filtered * ROOM_FEEDBACK;
        position = position + 1 == buffer.size() ? 0 : position + 1;
        return output;
    }

private:
    std::vector<float> buffer;
    size_t position = 0;
    float filtered = 0.0f;
};

class Allpass {
public:
    explicit Allpass(size_t frames) : buffer(frames, 0.0f) {}

    float process(float input) {
        const float delayed = buffer[position];
        buffer[position] = input + delayed * ALLPASS_FEEDBACK;
        position = position + 1 == buffer.size() ? 0 : position + 1;
        return delayed - input;
    }

private:
    std::vector<float> buffer;
    size_t position = 0;
};

// One side of the reverb.
class ReverbSide {
public:
    explicit ReverbSide(size_t spread) {
        for (size_t frames : COMB_FRAMES) {
            combs.emplace_back(frames + spread);
        }
        for (size_t frames : ALLPASS_FRAMES) {
            allpasses.emplace_back(frames + spread);
        }
    }

    float process(float input) {
        float sum = 0.0f;
        for (Comb& comb : combs) {
            sum += comb.process(input);
        }
        for (Allpass& allpass : allpasses) {
            sum = allpass.process(sum);
        }
        return sum;
    }

private:
    std::vector<Comb> combs;
    std::vector<Allpass> allpasses;
};

}  // namespace

void addReverb(const std::vector<float>& send, std::vector<float>& left, std::vector<float>& right) {
    assert(send.size() == left.size() && send.size() == right.size());
    ReverbSide leftSide(0);
    ReverbSide rightSide(STEREO_SPREAD);
    for (size_t f = 0; f < send.size(); ++f) {
        const float input = send[f] * REVERB_INPUT_GAIN;
        left[f] += leftSide.process(input);
        right[f] += rightSide.process(input);
    }
}

void addPingPongDelay(const std::vector<float>& send, size_t delayFrames, float feedback, std::vector<float>& left,
                      std::vector<float>& right) {
    assert(send.size() == left.size() && send.size() == right.size());
    assert(delayFrames > 0 && feedback < 1.0f);
    std::vector<float> lineLeft(delayFrames, 0.0f);
    std::vector<float> lineRight(delayFrames, 0.0f);
    float toneLeft = 0.0f;
    float toneRight = 0.0f;
    size_t position = 0;
    for (size_t f = 0; f < send.size(); ++f) {
        const float outLeft = lineLeft[position];
        const float outRight = lineRight[position];
        toneLeft += (outLeft - toneLeft) * (1.0f - ECHO_DAMPING);
        toneRight += (outRight - toneRight) * (1.0f - ECHO_DAMPING);
        // The send enters on the left; each side feeds the other.
        lineLeft[position] = send[f] + toneRight * feedback;
        lineRight[position] = toneLeft * feedback;
        left[f] += outLeft;
        right[f] += outRight;
        position = position + 1 == delayFrames ? 0 : position + 1;
    }
}

void compress(const CompressorSettings& settings, std::vector<float>& left, std::vector<float>& right) {
    assert(left.size() == right.size() && settings.ratio >= 1.0f);
    const float threshold = std::pow(10.0f, settings.thresholdDb / 20.0f);
    const float attack = std::exp(-1.0f / (settings.attackSeconds * SAMPLE_RATE));
    const float release = std::exp(-1.0f / (settings.releaseSeconds * SAMPLE_RATE));
    const float slope = 1.0f / settings.ratio - 1.0f;
    float envelope = 0.0f;
    for (size_t f = 0; f < left.size(); ++f) {
        const float peak = std::max(std::fabs(left[f]), std::fabs(right[f]));
        const float coefficient = peak > envelope ? attack : release;
        envelope = peak + (envelope - peak) * coefficient;
        if (envelope > threshold) {
            const float gain = std::pow(envelope / threshold, slope);
            left[f] *= gain;
            right[f] *= gain;
        }
    }
}
