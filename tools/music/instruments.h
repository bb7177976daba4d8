// The instruments of the track. Each call synthesises one note or hit
// starting at frame `start` and adds it to the mix, cut off at the mix's end.
// Velocity scales the loudness, 1 being the instrument's normal level.
// Notes are MIDI numbers.
#pragma once

#include <cstddef>

#include "tools/music/mix.h"

// Punchy electronic kick; also draws the sidechain dip.
void playKick(Mix& mix, size_t start, float velocity);

// Clap on the back beat: three quick bursts and a short tail.
void playClap(Mix& mix, size_t start, float velocity);

// Snare hit for rolls; `tune` 0 to 1 raises its pitch as a roll climbs.
void playSnare(Mix& mix, size_t start, float velocity, float tune);

// Metallic hi-hat, closed or open.
void playHat(Mix& mix, size_t start, float velocity, bool open);

// Wide crash cymbal marking a section start.
void playCrash(Mix& mix, size_t start, float velocity);

// Low boom under a drop: a falling sine.
void playImpact(Mix& mix, size_t start, float velocity);

// Noise sweep rising over `length` frames into a drop.
void playRiser(Mix& mix, size_t start, size_t length, float velocity);

// Mono bass: saw and square through an enveloped low-pass at `cutoffHz`.
void playBass(Mix& mix, size_t start, size_t length, int note, float velocity, float cutoffHz);

// Wide detuned-saw pad chord; the low-pass moves from `cutoffStartHz` to
// `cutoffEndHz` over the note. A long `attackSeconds` swells in.
struct PadNote {
    const int* notes = nullptr;
    int noteCount = 0;
    size_t length = 0;
    float attackSeconds = 0.0f;
    float releaseSeconds = 0.0f;
    float cutoffStartHz = 0.0f;
    float cutoffEndHz = 0.0f;
};
void playPad(Mix& mix, size_t start, const PadNote& pad, float velocity);

// Short plucked synth note for arpeggios, placed at `pan`.
void playPluck(Mix& mix, size_t start, int note, float velocity, float cutoffHz, float pan);

// The lead synth: two detuned saws and a sub square, with delayed vibrato.
// `brightness` scales its filter (1 is fully open as in a drop).
void playLead(Mix& mix, size_t start, size_t length, int note, float velocity, float brightness);

// Soft FM bell for the breakdown melody.
void playBell(Mix& mix, size_t start, size_t length, int note, float velocity);
