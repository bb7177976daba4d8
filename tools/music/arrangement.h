// The composition: tempo, form, chords, drum and bass patterns and the
// melodies of the track, kept as tables and played bar by bar into a Mix.
// A minor, 125 beats a minute, 93 bars: intro, groove, build-up, drop,
// breakdown, second build-up and drop, bridge, final drop, outro and a held
// last chord.
#pragma once

#include <cstddef>

#include "tools/music/mix.h"

constexpr int BEATS_PER_MINUTE = 125;
constexpr int STEPS_PER_BEAT = 4;  // the grid is in sixteenth notes
constexpr int STEPS_PER_BAR = 16;
constexpr size_t FRAMES_PER_STEP = 5292;  // exact at 125 BPM and 44.1 kHz
constexpr size_t FRAMES_PER_BAR = FRAMES_PER_STEP * STEPS_PER_BAR;

// Length of the whole track in frames.
size_t trackFrames();

// Plays every note of the track that starts within the mix; notes that run
// past its end are cut.
void playArrangement(Mix& mix);
