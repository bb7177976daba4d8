// Synthesis of every instrument of the track.
#include "tools/music/instruments.h"

#include <array>
#include <cmath>
#include <vector>

#include "tools/music/synth_dsp.h"

namespace {

// Seeds of the instruments' noise, one per instrument.
enum InstrumentId : uint32_t { KICK = 1, CLAP, SNARE, HAT, CRASH, RISER, BASS, PAD, LEAD, PLUCK, BELL };

constexpr Route KICK_ROUTE = Route{}.withGain(0.45f);
constexpr Route CLAP_ROUTE = Route{}.withGain(1.4f).withPan(0.05f).withReverb(0.35f);
constexpr Route SNARE_ROUTE = Route{}.withGain(0.30f).withPan(-0.05f).withReverb(0.30f);
constexpr Route CLOSED_HAT_ROUTE = Route{}.withGain(0.32f).withPan(0.3f).withReverb(0.05f).withDuck(0.2f);
constexpr Route OPEN_HAT_ROUTE = Route{}.withGain(0.17f).withPan(-0.25f).withReverb(0.10f).withDuck(0.3f);
constexpr Route CRASH_ROUTE = Route{}.withGain(0.16f).withReverb(0.35f);
constexpr Route IMPACT_ROUTE = Route{}.withGain(0.4f).withReverb(0.25f);
constexpr Route RISER_ROUTE = Route{}.withGain(0.28f).withReverb(0.45f);
constexpr Route BASS_ROUTE = Route{}.withGain(0.19f).withDuck(0.85f);
constexpr Route PAD_ROUTE = Route{}.withGain(0.065f).withReverb(0.45f).withDuck(0.9f);
constexpr Route PLUCK_ROUTE = Route{}.withGain(0.14f).withReverb(0.25f).withDelay(0.45f).withDuck(0.6f);
constexpr Route LEAD_ROUTE = Route{}.withGain(0.36f).withReverb(0.30f).withDelay(0.30f).withDuck(0.35f);
constexpr Route BELL_ROUTE = Route{}.withGain(0.20f).withReverb(0.55f).withDelay(0.45f);

// Kick: a sine whose pitch drops from KICK_START_HZ to KICK_END_HZ.
constexpr float KICK_START_HZ = 170.0f;
constexpr float KICK_END_HZ = 47.0f;
constexpr float KICK_PITCH_TAU = 0.032f;
constexpr float KICK_AMP_TAU = 0.2f;
constexpr float KICK_CLICK_TAU = 0.0025f;
constexpr float KICK_CLICK_LEVEL = 0.35f;
constexpr float KICK_DRIVE = 1.6f;
constexpr float KICK_SECONDS = 0.46f;       // just under a beat at 125 BPM
constexpr float KICK_FADE_SECONDS = 0.04f;  // closing ramp: a cut sine would click

// Clap: bursts BURST_GAP apart, then a tail; band-passed noise.
constexpr int CLAP_BURSTS = 3;
constexpr float CLAP_BURST_GAP = 0.011f;
constexpr float CLAP_BURST_TAU = 0.0045f;
constexpr float CLAP_TAIL_TAU = 0.095f;
constexpr float CLAP_BAND_HZ = 1250.0f;
constexpr float CLAP_RESONANCE = 0.35f;
constexpr float CLAP_SECONDS = 0.5f;

// Snare: a tone for the body, high-passed noise for the rattle.
constexpr float SNARE_BODY_HZ = 190.0f;
constexpr float SNARE_TUNE_RANGE = 0.6f;  // a full `tune` raises the body by 60 %
constexpr float SNARE_BODY_TAU = 0.05f;
constexpr float SNARE_NOISE_TAU = 0.09f;
constexpr float SNARE_NOISE_HP_HZ = 1800.0f;
constexpr float SNARE_BODY_LEVEL = 0.6f;
constexpr float SNARE_SECONDS = 0.4f;

// Hats: six detuned squares (the classic drum-machine cymbal) plus noise.
constexpr std::array<float, 6> METAL_HZ = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};
constexpr float METAL_RATIO = 1.6f;  // pushes the squares' partials up into the hat range
constexpr float METAL_LEVEL = 0.12f;
constexpr float HAT_HP_HZ = 7200.0f;
constexpr float HAT_CLOSED_TAU = 0.022f;
constexpr float HAT_OPEN_TAU = 0.16f;
constexpr float DECAY_LENGTH_TAUS = 6.0f;  // -52 dB, lost under the mix
constexpr float SEMITONES_PER_OCTAVE = 12.0f;

// Crash: bright noise with a long tail, decorrelated per side.
constexpr float CRASH_HP_HZ = 4200.0f;
constexpr float CRASH_TAU = 0.5f;
constexpr float CRASH_METAL_LEVEL = 0.25f;

// Impact: sine falling IMPACT_START_HZ to IMPACT_END_HZ.
constexpr float IMPACT_START_HZ = 70.0f;
constexpr float IMPACT_END_HZ = 34.0f;
constexpr float IMPACT_PITCH_TAU = 0.35f;
constexpr float IMPACT_AMP_TAU = 0.6f;

// Riser: band-passed noise swept exponentially up.
constexpr float RISER_START_HZ = 350.0f;
constexpr float RISER_END_HZ = 9000.0f;
constexpr float RISER_RESONANCE = 0.55f;

// Bass.
constexpr AdsrShape BASS_ENVELOPE =
    AdsrShape{}.withAttack(0.003f).withDecay(0.2f).withSustain(0.8f).withRelease(0.02f);
constexpr float BASS_SQUARE_LEVEL = 0.45f;
constexpr float BASS_FILTER_TAU = 0.07f;
constexpr float BASS_FILTER_ENV = 2.5f;  // envelope opens the cutoff this many times over
constexpr float BASS_RESONANCE = 0.3f;

// Pad: UNISON saws a note, detuned and spread over the stereo field.
constexpr int PAD_UNISON = 5;
constexpr std::array<float, PAD_UNISON> PAD_DETUNE_SEMITONES = {-0.14f, -0.06f, 0.0f, 0.07f, 0.15f};
constexpr std::array<float, PAD_UNISON> PAD_SPREAD = {-0.9f, 0.45f, 0.0f, -0.45f, 0.9f};
constexpr float PAD_DECAY = 1.5f;
constexpr float PAD_SUSTAIN = 0.8f;
constexpr float PAD_RESONANCE = 0.15f;
constexpr float PAN_HALF_ANGLE = TWO_PI / 8.0f;  // pan -1..1 maps to 0..90 degrees

// Pluck.
constexpr float PLUCK_AMP_TAU = 0.16f;
constexpr float PLUCK_FILTER_TAU = 0.06f;
constexpr float PLUCK_FILTER_ENV = 3.0f;
constexpr float PLUCK_FILTER_FLOOR = 0.3f;
constexpr float PLUCK_SQUARE_LEVEL = 0.5f;
constexpr float PLUCK_RESONANCE = 0.35f;
constexpr float PLUCK_SECONDS = 0.8f;  // five time constants: -43 dB

// Lead.
constexpr AdsrShape LEAD_ENVELOPE =
    AdsrShape{}.withAttack(0.006f).withDecay(0.35f).withSustain(0.7f).withRelease(0.12f);
constexpr float LEAD_DETUNE_SEMITONES = 0.09f;
constexpr float LEAD_SPREAD = 0.5f;
constexpr float LEAD_SUB_LEVEL = 0.3f;
constexpr float LEAD_SUB_SEMITONES = -12.0f;  // the square plays an octave down
constexpr float LEAD_CUTOFF_HZ = 2200.0f;
constexpr float LEAD_FILTER_ENV = 1.8f;
constexpr float LEAD_FILTER_TAU = 0.18f;
constexpr float LEAD_RESONANCE = 0.25f;
constexpr float VIBRATO_HZ = 5.5f;
constexpr float VIBRATO_SEMITONES = 0.18f;
constexpr float VIBRATO_DELAY = 0.25f;  // seconds before vibrato starts
constexpr float VIBRATO_RISE = 0.3f;    // seconds it takes to reach full depth

// Bell: two-operator FM, modulator at BELL_RATIO times the carrier.
constexpr AdsrShape BELL_ENVELOPE =
    AdsrShape{}.withAttack(0.004f).withDecay(0.9f).withSustain(0.25f).withRelease(0.9f);
constexpr float BELL_RATIO = 3.0f;
constexpr float BELL_INDEX = 2.2f;
constexpr float BELL_INDEX_TAU = 0.35f;
constexpr float BELL_DETUNE_HZ = 0.7f;  // right side beats slowly against the left

float phaseAdvance(float phase, float hz) {
    const float next = phase + hz / SAMPLE_RATE;
    return next - std::floor(next);
}

// Frequency ratio of an interval in semitones.
float ratioOf(float semitones) {
    return std::exp2(semitones / SEMITONES_PER_OCTAVE);
}

size_t decayFrames(float tau) {
    return secondsToFrames(tau * DECAY_LENGTH_TAUS);
}

float metal(std::array<Square, METAL_HZ.size()>& squares) {
    float sum = 0.0f;
    for (size_t i = 0; i < squares.size(); ++i) {
        sum += squares[i].next(METAL_HZ[i] * METAL_RATIO);
    }
    return sum * METAL_LEVEL;
}

std::array<Square, METAL_HZ.size()> metalBank(Noise& noise) {
    std::array<Square, METAL_HZ.size()> squares;
    for (Square& square : squares) {
        square = Square(noise.unit());
    }
    return squares;
}

}  // namespace

void playKick(Mix& mix, size_t start, float velocity) {
    mix.pump(start);
    const Mix::Channel c = Mix::channel(KICK_ROUTE, velocity);
    Noise noise(noteSeed(KICK, start, 0));
    Decay pitch(KICK_PITCH_TAU);
    Decay amp(KICK_AMP_TAU);
    Decay click(KICK_CLICK_TAU, KICK_CLICK_LEVEL);
    float phase = 0.0f;
    const size_t length = secondsToFrames(KICK_SECONDS);
    const size_t fadeStart = length - secondsToFrames(KICK_FADE_SECONDS);
    const float fadeFrames = static_cast<float>(length - fadeStart);
    const size_t end = mix.endOf(start, length);
    for (size_t f = start; f < end; ++f) {
        const size_t t = f - start;
        const float fade = t < fadeStart ? 1.0f : static_cast<float>(length - t) / fadeFrames;
        const float hz = KICK_END_HZ + (KICK_START_HZ - KICK_END_HZ) * pitch.next();
        const float body = std::sin(TWO_PI * phase) * amp.next() * fade;
        phase = phaseAdvance(phase, hz);
        mix.add(f, softClip(KICK_DRIVE * body + noise.next() * click.next()), c);
    }
}

void playClap(Mix& mix, size_t start, float velocity) {
    const Mix::Channel c = Mix::channel(CLAP_ROUTE, velocity);
    Noise noise(noteSeed(CLAP, start, 0));
    Svf band;
    band.setup(CLAP_BAND_HZ, CLAP_RESONANCE);
    const size_t burstGap = secondsToFrames(CLAP_BURST_GAP);
    const size_t tailStart = burstGap * CLAP_BURSTS;
    const float burstFactor = std::exp(-1.0f / (CLAP_BURST_TAU * SAMPLE_RATE));
    Decay tail(CLAP_TAIL_TAU);
    float burst = 1.0f;
    const size_t end = mix.endOf(start, secondsToFrames(CLAP_SECONDS));
    for (size_t f = start; f < end; ++f) {
        const size_t t = f - start;
        float level;
        if (t < tailStart) {
            burst = t % burstGap == 0 ? 1.0f : burst * burstFactor;
            level = burst;
        } else {
            level = tail.next();
        }
        mix.add(f, band.process(noise.next()).band * level, c);
    }
}

void playSnare(Mix& mix, size_t start, float velocity, float tune) {
    const Mix::Channel c = Mix::channel(SNARE_ROUTE, velocity);
    Noise noise(noteSeed(SNARE, start, 0));
    Svf highPass;
    highPass.setup(SNARE_NOISE_HP_HZ, 0.0f);
    Decay body(SNARE_BODY_TAU, SNARE_BODY_LEVEL);
    Decay rattle(SNARE_NOISE_TAU);
    const float hz = SNARE_BODY_HZ * (1.0f + SNARE_TUNE_RANGE * tune);
    float phase = 0.0f;
    const size_t end = mix.endOf(start, secondsToFrames(SNARE_SECONDS));
    for (size_t f = start; f < end; ++f) {
        const float tone = std::sin(TWO_PI * phase) * body.next();
        phase = phaseAdvance(phase, hz);
        mix.add(f, tone + highPass.process(noise.next()).high * rattle.next(), c);
    }
}

void playHat(Mix& mix, size_t start, float velocity, bool open) {
    const Mix::Channel c = Mix::channel(open ? OPEN_HAT_ROUTE : CLOSED_HAT_ROUTE, velocity);
    Noise noise(noteSeed(HAT, start, open ? 1 : 0));
    std::array<Square, METAL_HZ.size()> squares = metalBank(noise);
    Svf highPass;
    highPass.setup(HAT_HP_HZ, 0.2f);
    const float tau = open ? HAT_OPEN_TAU : HAT_CLOSED_TAU;
    Decay amp(tau);
    const size_t end = mix.endOf(start, decayFrames(tau));
    for (size_t f = start; f < end; ++f) {
        const float raw = metal(squares) + noise.next();
        mix.add(f, highPass.process(raw).high * amp.next(), c);
    }
}

void playCrash(Mix& mix, size_t start, float velocity) {
    const Mix::Channel c = Mix::channel(CRASH_ROUTE, velocity);
    Noise noiseLeft(noteSeed(CRASH, start, 0));
    Noise noiseRight(noteSeed(CRASH, start, 1));
    std::array<Square, METAL_HZ.size()> squares = metalBank(noiseLeft);
    Svf highLeft;
    Svf highRight;
    highLeft.setup(CRASH_HP_HZ, 0.1f);
    highRight.setup(CRASH_HP_HZ, 0.1f);
    Decay amp(CRASH_TAU);
    const size_t end = mix.endOf(start, decayFrames(CRASH_TAU));
    for (size_t f = start; f < end; ++f) {
        const float shimmer = metal(squares) * CRASH_METAL_LEVEL;
        const float a = amp.next();
        mix.addStereo(f, highLeft.process(noiseLeft.next() + shimmer).high * a,
                      highRight.process(noiseRight.next() + shimmer).high * a, c);
    }
}

void playImpact(Mix& mix, size_t start, float velocity) {
    const Mix::Channel c = Mix::channel(IMPACT_ROUTE, velocity);
    Decay pitch(IMPACT_PITCH_TAU);
    Decay amp(IMPACT_AMP_TAU);
    float phase = 0.0f;
    const size_t end = mix.endOf(start, decayFrames(IMPACT_AMP_TAU));
    for (size_t f = start; f < end; ++f) {
        const float hz = IMPACT_END_HZ + (IMPACT_START_HZ - IMPACT_END_HZ) * pitch.next();
        mix.add(f, std::sin(TWO_PI * phase) * amp.next(), c);
        phase = phaseAdvance(phase, hz);
    }
}

void playRiser(Mix& mix, size_t start, size_t length, float velocity) {
    const Mix::Channel c = Mix::channel(RISER_ROUTE, velocity);
    Noise noiseLeft(noteSeed(RISER, start, 0));
    Noise noiseRight(noteSeed(RISER, start, 1));
    Svf bandLeft;
    Svf bandRight;
    const size_t end = mix.endOf(start, length);
    for (size_t f = start; f < end; ++f) {
        const float progress = static_cast<float>(f - start) / static_cast<float>(length);
        if ((f - start) % FILTER_UPDATE_FRAMES == 0) {
            const float hz = RISER_START_HZ * std::pow(RISER_END_HZ / RISER_START_HZ, progress);
            bandLeft.setup(hz, RISER_RESONANCE);
            bandRight.setup(hz * 1.03f, RISER_RESONANCE);
        }
        const float level = progress * progress;
        mix.addStereo(f, bandLeft.process(noiseLeft.next()).band * level,
                      bandRight.process(noiseRight.next()).band * level, c);
    }
}

void playBass(Mix& mix, size_t start, size_t length, int note, float velocity, float cutoffHz) {
    const Mix::Channel c = Mix::channel(BASS_ROUTE, velocity);
    Noise noise(noteSeed(BASS, start, note));
    Saw saw(noise.unit());
    Square square(noise.unit());
    Svf lowPass;
    Decay filterEnvelope(BASS_FILTER_TAU, BASS_FILTER_ENV);
    Adsr amp(BASS_ENVELOPE, length);
    const float hz = noteHz(static_cast<float>(note));
    const size_t end = mix.endOf(start, amp.lengthFrames());
    for (size_t f = start; f < end; ++f) {
        const float opening = filterEnvelope.next();
        if ((f - start) % FILTER_UPDATE_FRAMES == 0) {
            lowPass.setup(cutoffHz * (1.0f + opening), BASS_RESONANCE);
        }
        const float raw = saw.next(hz) + BASS_SQUARE_LEVEL * square.next(hz);
        mix.add(f, lowPass.process(raw).low * amp.next(), c);
    }
}

void playPad(Mix& mix, size_t start, const PadNote& pad, float velocity) {
    const Mix::Channel c = Mix::channel(PAD_ROUTE, velocity);
    struct Voice {
        Saw saw;
        float hz;
        float left;
        float right;
    };
    std::vector<Voice> voices;
    for (int n = 0; n < pad.noteCount; ++n) {
        Noise noise(noteSeed(PAD, start, pad.notes[n]));
        for (int u = 0; u < PAD_UNISON; ++u) {
            const float angle = (PAD_SPREAD[u] + 1.0f) * PAN_HALF_ANGLE;
            voices.push_back({Saw(noise.unit()), noteHz(static_cast<float>(pad.notes[n]) + PAD_DETUNE_SEMITONES[u]),
                              std::cos(angle), std::sin(angle)});
        }
    }
    Svf lowLeft;
    Svf lowRight;
    const AdsrShape shape = AdsrShape{}
                                .withAttack(pad.attackSeconds)
                                .withDecay(PAD_DECAY)
                                .withSustain(PAD_SUSTAIN)
                                .withRelease(pad.releaseSeconds);
    Adsr amp(shape, pad.length);
    const size_t length = amp.lengthFrames();
    const size_t end = mix.endOf(start, length);
    for (size_t f = start; f < end; ++f) {
        if ((f - start) % FILTER_UPDATE_FRAMES == 0) {
            const float progress = std::fmin(1.0f, static_cast<float>(f - start) / static_cast<float>(pad.length));
            const float hz = pad.cutoffStartHz * std::pow(pad.cutoffEndHz / pad.cutoffStartHz, progress);
            lowLeft.setup(hz, PAD_RESONANCE);
            lowRight.setup(hz, PAD_RESONANCE);
        }
        float sumLeft = 0.0f;
        float sumRight = 0.0f;
        for (Voice& v : voices) {
            const float s = v.saw.next(v.hz);
            sumLeft += s * v.left;
            sumRight += s * v.right;
        }
        const float a = amp.next();
        mix.addStereo(f, lowLeft.process(sumLeft).low * a, lowRight.process(sumRight).low * a, c);
    }
}

void playPluck(Mix& mix, size_t start, int note, float velocity, float cutoffHz, float pan) {
    Route route = PLUCK_ROUTE;
    route.pan = pan;
    const Mix::Channel c = Mix::channel(route, velocity);
    Noise noise(noteSeed(PLUCK, start, note));
    Saw saw(noise.unit());
    Square square(noise.unit());
    Svf lowPass;
    Decay amp(PLUCK_AMP_TAU);
    Decay filterEnvelope(PLUCK_FILTER_TAU, PLUCK_FILTER_ENV);
    const float hz = noteHz(static_cast<float>(note));
    const size_t end = mix.endOf(start, secondsToFrames(PLUCK_SECONDS));
    for (size_t f = start; f < end; ++f) {
        const float opening = filterEnvelope.next();
        if ((f - start) % FILTER_UPDATE_FRAMES == 0) {
            lowPass.setup(cutoffHz * (PLUCK_FILTER_FLOOR + opening), PLUCK_RESONANCE);
        }
        const float raw = saw.next(hz) + PLUCK_SQUARE_LEVEL * square.next(hz);
        mix.add(f, lowPass.process(raw).low * amp.next(), c);
    }
}

void playLead(Mix& mix, size_t start, size_t length, int note, float velocity, float brightness) {
    const Mix::Channel c = Mix::channel(LEAD_ROUTE, velocity);
    Noise noise(noteSeed(LEAD, start, note));
    Saw sawLeft(noise.unit());
    Saw sawRight(noise.unit());
    Square sub(noise.unit());
    Svf lowLeft;
    Svf lowRight;
    Decay filterEnvelope(LEAD_FILTER_TAU, LEAD_FILTER_ENV);
    Adsr amp(LEAD_ENVELOPE, length);
    const float spreadLeft = 0.5f + 0.5f * LEAD_SPREAD;
    const float spreadRight = 0.5f - 0.5f * LEAD_SPREAD;
    const float baseHz = noteHz(static_cast<float>(note));
    const float detuneDown = ratioOf(-LEAD_DETUNE_SEMITONES);
    const float detuneUp = ratioOf(LEAD_DETUNE_SEMITONES);
    const float subRatio = ratioOf(LEAD_SUB_SEMITONES);
    const size_t end = mix.endOf(start, amp.lengthFrames());
    float hz = baseHz;
    for (size_t f = start; f < end; ++f) {
        const float opening = filterEnvelope.next();
        if ((f - start) % FILTER_UPDATE_FRAMES == 0) {
            // Vibrato moves slowly enough to follow the filter's update rate.
            const float t = static_cast<float>(f - start) / SAMPLE_RATE;
            const float depth = std::fmin(1.0f, std::fmax(0.0f, (t - VIBRATO_DELAY) / VIBRATO_RISE));
            hz = baseHz * ratioOf(VIBRATO_SEMITONES * depth * std::sin(TWO_PI * VIBRATO_HZ * t));
            const float cutoff = LEAD_CUTOFF_HZ * brightness * (1.0f + opening);
            lowLeft.setup(cutoff, LEAD_RESONANCE);
            lowRight.setup(cutoff, LEAD_RESONANCE);
        }
        const float a = sawLeft.next(hz * detuneDown);
        const float b = sawRight.next(hz * detuneUp);
        const float s = LEAD_SUB_LEVEL * sub.next(hz * subRatio);
        const float level = amp.next();
        mix.addStereo(f, lowLeft.process(a * spreadLeft + b * spreadRight + s).low * level,
                      lowRight.process(b * spreadLeft + a * spreadRight + s).low * level, c);
    }
}

void playBell(Mix& mix, size_t start, size_t length, int note, float velocity) {
    const Mix::Channel c = Mix::channel(BELL_ROUTE, velocity);
    Adsr amp(BELL_ENVELOPE, length);
    Decay index(BELL_INDEX_TAU, BELL_INDEX);
    const float hz = noteHz(static_cast<float>(note));
    float carrierLeft = 0.0f;
    float carrierRight = 0.0f;
    float modulator = 0.0f;
    const size_t end = mix.endOf(start, amp.lengthFrames());
    for (size_t f = start; f < end; ++f) {
        const float m = index.next() * std::sin(TWO_PI * modulator);
        const float a = amp.next();
        mix.addStereo(f, std::sin(TWO_PI * carrierLeft + m) * a, std::sin(TWO_PI * carrierRight + m) * a, c);
        carrierLeft = phaseAdvance(carrierLeft, hz);
        carrierRight = phaseAdvance(carrierRight, hz + BELL_DETUNE_HZ);
        modulator = phaseAdvance(modulator, hz * BELL_RATIO);
    }
}
