// The synthesiser's building blocks: oscillators, filter, envelopes, noise,
// the mix's routing and sidechain, and the effects.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/music/effects.h"
#include "tools/music/mix.h"
#include "tools/music/synth_dsp.h"

namespace {

constexpr size_t ONE_SECOND = static_cast<size_t>(SAMPLE_RATE_HZ);

template <typename Oscillator>
std::vector<float> oscillate(Oscillator oscillator, float hz, size_t frames) {
    std::vector<float> out(frames);
    for (float& s : out) {
        s = oscillator.next(hz);
    }
    return out;
}

int risingZeroCrossings(const std::vector<float>& signal) {
    int count = 0;
    for (size_t i = 1; i < signal.size(); ++i) {
        count += signal[i - 1] < 0.0f && signal[i] >= 0.0f ? 1 : 0;
    }
    return count;
}

std::vector<float> sine(float hz, size_t frames) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i) {
        out[i] = std::sin(TWO_PI * hz * static_cast<float>(i) / SAMPLE_RATE);
    }
    return out;
}

// Peak of the second half, once the filter has settled.
float settledPeak(const std::vector<float>& signal) {
    float peak = 0.0f;
    for (size_t i = signal.size() / 2; i < signal.size(); ++i) {
        peak = std::fmax(peak, std::fabs(signal[i]));
    }
    return peak;
}

std::vector<float> lowPass(const std::vector<float>& input, float cutoffHz) {
    Svf filter;
    filter.setup(cutoffHz, 0.0f);
    std::vector<float> out;
    for (float s : input) {
        out.push_back(filter.process(s).low);
    }
    return out;
}

TEST(MusicOscillators, PlayTheAskedPitchWithinFullScale) {
    const float a3 = noteHz(57.0f);
    EXPECT_FLOAT_EQ(a3, 220.0f);
    const std::vector<float> saw = oscillate(Saw(0.3f), a3, ONE_SECOND);
    const std::vector<float> square = oscillate(Square(0.7f), a3, ONE_SECOND);
    EXPECT_NEAR(risingZeroCrossings(saw), 220, 1);
    EXPECT_NEAR(risingZeroCrossings(square), 220, 1);
    double sawMean = 0.0;
    for (size_t i = 0; i < saw.size(); ++i) {
        EXPECT_LE(std::fabs(saw[i]), 1.05f);
        EXPECT_LE(std::fabs(square[i]), 1.05f);
        sawMean += saw[i];
    }
    EXPECT_NEAR(sawMean / static_cast<double>(saw.size()), 0.0, 0.01);
}

TEST(MusicNoise, RepeatsForASeedAndDiffersBetweenSeeds) {
    Noise a(7);
    Noise b(7);
    Noise c(8);
    Noise zero(0);  // a zero seed must not stick at zero
    int differences = 0;
    double sum = 0.0;
    for (int i = 0; i < 10000; ++i) {
        const float x = a.next();
        EXPECT_EQ(x, b.next());
        EXPECT_GE(x, -1.0f);
        EXPECT_LT(x, 1.0f);
        differences += x != c.next() ? 1 : 0;
        sum += zero.next();
        EXPECT_NE(zero.unit(), 0.0f);
    }
    EXPECT_GT(differences, 9900);
    EXPECT_NEAR(sum / 10000.0, 0.0, 0.03);
    EXPECT_NE(noteSeed(1, 1000, 60), noteSeed(1, 1000, 61));
    EXPECT_NE(noteSeed(1, 1000, 60), noteSeed(2, 1000, 60));
    EXPECT_NE(noteSeed(1, 1000, 60), noteSeed(1, 1001, 60));
}

TEST(MusicSvf, LowPassKeepsLowsCutsHighsAndStaysStableWhileSweeping) {
    EXPECT_NEAR(settledPeak(lowPass(sine(100.0f, ONE_SECOND / 4), 2000.0f)), 1.0f, 0.05f);
    EXPECT_LT(settledPeak(lowPass(sine(10000.0f, ONE_SECOND / 4), 1000.0f)), 0.02f);  // about -40 dB

    // A resonant filter swept across its range on white noise stays bounded.
    Svf filter;
    Noise noise(3);
    float peak = 0.0f;
    for (size_t i = 0; i < ONE_SECOND; ++i) {
        if (i % FILTER_UPDATE_FRAMES == 0) {
            filter.setup(20.0f * std::pow(1000.0f, static_cast<float>(i) / ONE_SECOND), 0.9f);
        }
        const Svf::Output out = filter.process(noise.next());
        ASSERT_TRUE(std::isfinite(out.low) && std::isfinite(out.band) && std::isfinite(out.high));
        peak = std::fmax(peak, std::fabs(out.low));
    }
    EXPECT_LT(peak, 20.0f);
}

TEST(MusicEnvelopes, AttackSustainReleaseAndDecayKeepTheirTimes) {
    const AdsrShape shape{0.01f, 0.05f, 0.5f, 0.1f};
    const size_t gate = ONE_SECOND / 2;
    Adsr adsr(shape, gate);
    std::vector<float> levels;
    for (size_t i = 0; i < adsr.lengthFrames(); ++i) {
        levels.push_back(adsr.next());
    }
    const size_t attackEnd = secondsToFrames(shape.attack) - 1;
    EXPECT_FLOAT_EQ(levels[attackEnd], 1.0f);
    EXPECT_LT(levels[attackEnd / 2], 0.6f);
    EXPECT_NEAR(levels[gate - 1], shape.sustain, 0.01f);
    EXPECT_NEAR(levels[gate + secondsToFrames(shape.release)], shape.sustain / std::exp(1.0f), 0.01f);
    EXPECT_LE(levels.back(), 0.001f);

    Adsr instant({0.0f, 0.05f, 0.5f, 0.1f}, gate);
    EXPECT_FLOAT_EQ(instant.next(), 1.0f);

    Decay decay(0.1f, 2.0f);
    for (size_t i = 0; i < secondsToFrames(0.1f); ++i) {
        decay.next();
    }
    EXPECT_NEAR(decay.next(), 2.0f / std::exp(1.0f), 0.001f);
}

TEST(MusicMix, PansAtConstantPowerAndClipsNotesToItsEnd) {
    // Velocity scales gain and sends; a centred voice keeps its gain on both sides.
    const Mix::Channel centre = Mix::channel({0.5f, 0.0f, 0.2f, 0.1f, 0.0f}, 2.0f);
    EXPECT_NEAR(centre.left, 1.0f, 1e-6f);
    EXPECT_NEAR(centre.right, 1.0f, 1e-6f);
    EXPECT_NEAR(centre.reverb, 0.2f, 1e-6f);
    EXPECT_NEAR(centre.delay, 0.1f, 1e-6f);
    // Hard left is silent on the right, and panning keeps the power.
    const Mix::Channel left = Mix::channel({0.5f, -1.0f, 0.2f, 0.1f, 0.0f}, 2.0f);
    EXPECT_NEAR(left.right, 0.0f, 1e-6f);
    EXPECT_NEAR(left.left * left.left, centre.left * centre.left + centre.right * centre.right, 1e-5f);

    Mix mix(100);
    EXPECT_EQ(mix.endOf(90, 50), 100u);
    EXPECT_EQ(mix.endOf(10, 50), 60u);
}

TEST(MusicMix, DuckedVoicesDipOnTheKickAndRecover) {
    Mix mix(ONE_SECOND);
    mix.pump(0);
    const Mix::Channel ducked = Mix::channel({1.0f, 0.0f, 0.0f, 0.0f, 1.0f}, 1.0f);
    const Mix::Channel steady = Mix::channel({1.0f, 0.0f, 0.0f, 0.0f, 0.0f}, 1.0f);
    const size_t later = ONE_SECOND / 2;
    mix.add(0, 1.0f, ducked);
    mix.add(1, 1.0f, steady);
    mix.add(later, 1.0f, ducked);
    EXPECT_LT(mix.left[0], 0.5f);
    EXPECT_FLOAT_EQ(mix.left[1], 1.0f);
    EXPECT_FLOAT_EQ(mix.left[later], 1.0f);
    EXPECT_FLOAT_EQ(mix.reverbSend[0], 0.0f);
}

TEST(MusicEffects, ReverbLeavesADecayingWideTail) {
    std::vector<float> send(3 * ONE_SECOND, 0.0f);
    send[0] = 1.0f;
    std::vector<float> left(send.size(), 0.0f);
    std::vector<float> right(send.size(), 0.0f);
    addReverb(send, left, right);
    auto energy = [&](const std::vector<float>& side, float from, float to) {
        double sum = 0.0;
        for (size_t i = secondsToFrames(from); i < secondsToFrames(to); ++i) {
            sum += side[i] * side[i];
        }
        return sum;
    };
    const double early = energy(left, 0.0f, 0.5f);
    EXPECT_GT(early, 0.0);
    EXPECT_GT(energy(left, 0.5f, 1.0f), 0.0);
    EXPECT_LT(energy(left, 2.5f, 3.0f), early * 0.01);
    int sidesDiffer = 0;
    for (size_t i = 0; i < ONE_SECOND; ++i) {
        sidesDiffer += left[i] != right[i] ? 1 : 0;
    }
    EXPECT_GT(sidesDiffer, static_cast<int>(ONE_SECOND / 2));
}

TEST(MusicEffects, EchoBouncesLeftRightLeftAndFades) {
    constexpr size_t DELAY = 1000;
    constexpr float FEEDBACK = 0.5f;
    std::vector<float> send(4 * DELAY, 0.0f);
    send[0] = 1.0f;
    std::vector<float> left(send.size(), 0.0f);
    std::vector<float> right(send.size(), 0.0f);
    addPingPongDelay(send, DELAY, FEEDBACK, left, right);
    EXPECT_FLOAT_EQ(left[0], 0.0f);
    EXPECT_FLOAT_EQ(left[DELAY], 1.0f);
    EXPECT_FLOAT_EQ(right[DELAY], 0.0f);
    // The loop's low-pass spreads each repeat over a few samples.
    auto repeat = [&](const std::vector<float>& side, size_t at) {
        float sum = 0.0f;
        for (size_t i = at; i < at + DELAY / 2; ++i) {
            sum += side[i];
        }
        return sum;
    };
    EXPECT_NEAR(repeat(right, 2 * DELAY), FEEDBACK, 0.01f);
    EXPECT_NEAR(repeat(left, 3 * DELAY), FEEDBACK * FEEDBACK, 0.01f);
    EXPECT_NEAR(repeat(left, 2 * DELAY), 0.0f, 1e-6f);
}

TEST(MusicEffects, CompressorLeavesQuietPassagesAndHoldsLoudOnesDown) {
    const CompressorSettings settings{-12.0f, 3.0f, 0.001f, 0.05f};
    std::vector<float> quietLeft(ONE_SECOND / 4, 0.2f);  // -14 dB
    std::vector<float> quietRight = quietLeft;
    compress(settings, quietLeft, quietRight);
    EXPECT_FLOAT_EQ(quietLeft.back(), 0.2f);

    // 12 dB over the threshold comes out 4 dB over it at ratio 3.
    constexpr float FULL_SCALE = 1.0f;
    std::vector<float> loudLeft(ONE_SECOND / 4, FULL_SCALE);
    std::vector<float> loudRight(loudLeft.size(), -FULL_SCALE);
    compress(settings, loudLeft, loudRight);
    EXPECT_NEAR(20.0f * std::log10(loudLeft.back()), -8.0f, 0.1f);
    EXPECT_FLOAT_EQ(loudRight.back(), -loudLeft.back());
}

}  // namespace
