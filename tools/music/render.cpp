// Effects and master stage of the mix.
#include "tools/music/render.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "tools/music/arrangement.h"
#include "tools/music/effects.h"
#include "tools/music/mix.h"
#include "tools/music/synth_dsp.h"

namespace {

constexpr int ECHO_STEPS = 3;  // a dotted eighth
constexpr float ECHO_FEEDBACK = 0.42f;
// Glue on the master bus: catches kick, clap and crash landing together.
constexpr CompressorSettings MASTER_COMPRESSOR =
    CompressorSettings{}.withThresholdDb(-9.0f).withRatio(2.5f).withAttackSeconds(0.002f).withReleaseSeconds(0.15f);
constexpr float MASTER_GAIN = 1.4f;  // make-up after the compressor, before the soft clipper
constexpr float FINAL_FADE_SECONDS = 5.0f;   // the track fades to silence at its end
constexpr float EXCERPT_FADE_SECONDS = 0.25f;

// Fades the `fadeFrames` before `trackEnd` to silence along a squared ramp,
// which sounds even to the ear.
void fadeOut(StereoTrack& track, size_t trackEnd, size_t fadeFrames) {
    const size_t fadeStart = trackEnd - fadeFrames;
    for (size_t f = fadeStart; f < track.left.size(); ++f) {
        const float remaining = static_cast<float>(trackEnd - f) / static_cast<float>(fadeFrames);
        const float gain = remaining * remaining;
        track.left[f] *= gain;
        track.right[f] *= gain;
    }
}

}  // namespace

StereoTrack renderTrack(size_t frames) {
    assert(frames > 0 && frames <= trackFrames());
    Mix mix(frames);
    playArrangement(mix);
    addPingPongDelay(mix.delaySend, static_cast<size_t>(ECHO_STEPS) * FRAMES_PER_STEP, ECHO_FEEDBACK, mix.left,
                     mix.right);
    addReverb(mix.reverbSend, mix.left, mix.right);
    compress(MASTER_COMPRESSOR, mix.left, mix.right);

    StereoTrack track{std::move(mix.left), std::move(mix.right)};
    for (size_t f = 0; f < frames; ++f) {
        track.left[f] = softClip(track.left[f] * MASTER_GAIN);
        track.right[f] = softClip(track.right[f] * MASTER_GAIN);
    }
    const size_t fullFade = secondsToFrames(FINAL_FADE_SECONDS);
    if (frames + fullFade > trackFrames()) {
        fadeOut(track, trackFrames(), fullFade);
    }
    if (frames < trackFrames()) {
        fadeOut(track, frames, std::min(frames, secondsToFrames(EXCERPT_FADE_SECONDS)));
    }
    return track;
}
