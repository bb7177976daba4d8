// The track's form and notes, and the loop that plays them.
#include "tools/music/arrangement.h"

#include <array>
#include <cassert>
#include <cmath>
#include <iterator>

#include "tools/music/instruments.h"
#include "tools/music/synth_dsp.h"

static_assert(FRAMES_PER_STEP * BEATS_PER_MINUTE * STEPS_PER_BEAT == static_cast<size_t>(SAMPLE_RATE_HZ) * 60,
              "the step grid must fall on whole frames");

namespace {

// ---------------------------------------------------------------- harmony

enum Chord { A_MINOR, F_MAJOR, C_MAJOR, G_MAJOR, E_MINOR, E_MAJOR, CHORD_COUNT };

constexpr int PAD_VOICES = 4;

// Bass root and a close pad voicing (sevenths and inversions keep the voice
// leading smooth).
struct Voicing {
    int bass;
    std::array<int, PAD_VOICES> pad;
};

constexpr std::array<Voicing, CHORD_COUNT> VOICINGS = {{
    {33, {57, 60, 64, 67}},  // Am7: A1 | A3 C4 E4 G4
    {29, {53, 57, 60, 64}},  // Fmaj7: F1 | F3 A3 C4 E4
    {36, {55, 60, 64, 67}},  // C/G: C2 | G3 C4 E4 G4
    {31, {55, 59, 62, 67}},  // G: G1 | G3 B3 D4 G4
    {28, {55, 59, 64, 67}},  // Em/G: E1 | G3 B3 E4 G4
    {28, {56, 59, 64, 68}},  // E: E1 | G#3 B3 E4 G#4, the dominant
}};

struct Progression {
    const Chord* chords;
    int length;
};

constexpr Chord MAIN_CHORDS[] = {A_MINOR, F_MAJOR, C_MAJOR, G_MAJOR};
constexpr Chord BREAKDOWN_CHORDS[] = {F_MAJOR, G_MAJOR, E_MINOR, A_MINOR, F_MAJOR, G_MAJOR, E_MAJOR, E_MAJOR};
constexpr Chord CADENCE_CHORDS[] = {F_MAJOR, G_MAJOR, E_MAJOR};
constexpr Chord LAST_CHORD[] = {A_MINOR};

template <int N>
constexpr Progression progression(const Chord (&chords)[N]) {
    return {chords, N};
}

constexpr Progression MAIN = progression(MAIN_CHORDS);
constexpr Progression BREAKDOWN = progression(BREAKDOWN_CHORDS);
constexpr Progression CADENCE = progression(CADENCE_CHORDS);
constexpr Progression LAST = progression(LAST_CHORD);

// A natural minor as semitones above A, for harmonising the melody in thirds
// and octaves.
constexpr std::array<int, 7> A_MINOR_STEPS = {0, 2, 3, 5, 7, 8, 10};
constexpr int SCALE_SIZE = static_cast<int>(A_MINOR_STEPS.size());
constexpr int NOTE_A = 9;  // pitch class of A; MIDI octaves start at C
constexpr int OCTAVE = 12;

int floorDivide(int value, int divisor) {
    return value >= 0 ? value / divisor : -((divisor - 1 - value) / divisor);
}

// The note `degrees` scale steps above (negative: below) `note`, which must
// lie in A minor.
int diatonicShift(int note, int degrees) {
    const int octaves = floorDivide(note - NOTE_A, OCTAVE);
    const int fromA = note - NOTE_A - octaves * OCTAVE;
    int index = -1;
    for (int i = 0; i < SCALE_SIZE; ++i) {
        if (A_MINOR_STEPS[i] == fromA) {
            index = i;
        }
    }
    assert(index >= 0 && "harmonised melodies stay in the scale");
    const int position = octaves * SCALE_SIZE + index + degrees;
    const int shiftedOctaves = floorDivide(position, SCALE_SIZE);
    return NOTE_A + shiftedOctaves * OCTAVE + A_MINOR_STEPS[position - shiftedOctaves * SCALE_SIZE];
}

// ---------------------------------------------------------------- melodies

struct MelodyNote {
    int bar;  // within the phrase
    int step;
    int steps;
    int note;
};

// The hook: a question (bars 0-3) and its answer (bars 4-7) over Am F C G.
constexpr MelodyNote HOOK_NOTES[] = {
    {0, 0, 3, 76}, {0, 3, 1, 74}, {0, 4, 2, 72}, {0, 6, 2, 74}, {0, 8, 4, 76}, {0, 14, 2, 79},
    {1, 0, 3, 81}, {1, 3, 1, 79}, {1, 4, 4, 76}, {1, 8, 2, 72}, {1, 10, 2, 74}, {1, 12, 4, 76},
    {2, 0, 3, 79}, {2, 3, 1, 76}, {2, 4, 2, 74}, {2, 6, 2, 72}, {2, 8, 3, 76}, {2, 11, 1, 74}, {2, 12, 4, 72},
    {3, 0, 3, 71}, {3, 3, 1, 72}, {3, 4, 4, 74}, {3, 8, 2, 71}, {3, 10, 2, 67}, {3, 12, 4, 74},
    {4, 0, 3, 76}, {4, 3, 1, 74}, {4, 4, 2, 72}, {4, 6, 2, 74}, {4, 8, 4, 76}, {4, 14, 2, 79},
    {5, 0, 3, 81}, {5, 3, 1, 79}, {5, 4, 4, 76}, {5, 8, 2, 72}, {5, 10, 2, 74}, {5, 12, 4, 76},
    {6, 0, 3, 79}, {6, 3, 1, 76}, {6, 4, 2, 74}, {6, 6, 2, 72}, {6, 8, 3, 76}, {6, 11, 1, 74}, {6, 12, 4, 72},
    {7, 0, 2, 71}, {7, 2, 2, 74}, {7, 4, 4, 79}, {7, 8, 2, 76}, {7, 10, 2, 74}, {7, 12, 4, 76},
};

// The breakdown's slow bell line over F G Em Am F G E E.
constexpr MelodyNote BREAKDOWN_NOTES[] = {
    {0, 0, 6, 72}, {0, 6, 2, 74}, {0, 8, 8, 76},  {1, 0, 6, 74}, {1, 6, 2, 71}, {1, 8, 8, 67},
    {2, 0, 6, 71}, {2, 6, 2, 74}, {2, 8, 8, 79},  {3, 0, 12, 76}, {3, 12, 4, 72},
    {4, 0, 6, 72}, {4, 6, 2, 74}, {4, 8, 8, 77},  {5, 0, 6, 79}, {5, 6, 2, 77}, {5, 8, 8, 74},
    {6, 0, 8, 76}, {6, 8, 4, 71}, {6, 12, 4, 68}, {7, 0, 16, 71},
};

// The closing cadence over F G E, climbing to the leading tone.
constexpr MelodyNote CADENCE_NOTES[] = {
    {0, 0, 4, 72}, {0, 4, 4, 69}, {0, 8, 4, 72}, {0, 12, 4, 77}, {1, 0, 4, 74}, {1, 4, 4, 71},
    {1, 8, 4, 74}, {1, 12, 4, 79}, {2, 0, 8, 76}, {2, 8, 4, 71}, {2, 12, 4, 68},
};

// The tonic, held over the last chord.
constexpr MelodyNote LAST_NOTES[] = {{0, 0, 24, 69}};

enum class Voice { LEAD, BELL };

// A melody as a section plays it: the notes repeat every `phraseBars`,
// shifted by `transpose` semitones, with a second voice `harmonyDegrees`
// scale steps away (0: none) at HARMONY_LEVEL.
struct MelodyPart {
    const MelodyNote* notes;
    int noteCount;
    int phraseBars;
    Voice voice;
    int transpose;
    int harmonyDegrees;
};

constexpr int THIRD_BELOW_DEGREES = -2;
constexpr int OCTAVE_BELOW_DEGREES = -7;
constexpr float HARMONY_LEVEL = 0.55f;
constexpr float LEGATO = 0.85f;  // share of a note's steps it sounds

template <int N>
constexpr MelodyPart melody(const MelodyNote (&notes)[N], int phraseBars, Voice voice, int transpose,
                            int harmonyDegrees) {
    return {notes, N, phraseBars, voice, transpose, harmonyDegrees};
}

constexpr MelodyPart HOOK = melody(HOOK_NOTES, 8, Voice::LEAD, 0, 0);
constexpr MelodyPart HOOK_IN_THIRDS = melody(HOOK_NOTES, 8, Voice::LEAD, 0, THIRD_BELOW_DEGREES);
constexpr MelodyPart HOOK_IN_OCTAVES = melody(HOOK_NOTES, 8, Voice::LEAD, OCTAVE, OCTAVE_BELOW_DEGREES);
constexpr MelodyPart BELL_LINE = melody(BREAKDOWN_NOTES, 8, Voice::BELL, 0, 0);
constexpr MelodyPart CADENCE_LINE = melody(CADENCE_NOTES, 3, Voice::LEAD, 0, 0);
constexpr MelodyPart LAST_NOTE = melody(LAST_NOTES, 4, Voice::LEAD, 0, OCTAVE_BELOW_DEGREES);

// ---------------------------------------------------------------- drums and bass

constexpr int STEPS = STEPS_PER_BAR;
using StepVelocities = std::array<float, STEPS>;

struct HatPattern {
    StepVelocities closed;
    StepVelocities open;
};

constexpr StepVelocities NO_STEPS = {};

constexpr HatPattern NO_HATS = {NO_STEPS, NO_STEPS};
constexpr HatPattern SHAKER = {
    {0.15f, 0.06f, 0.22f, 0.06f, 0.15f, 0.06f, 0.22f, 0.08f, 0.15f, 0.06f, 0.22f, 0.06f, 0.15f, 0.06f, 0.22f, 0.10f},
    NO_STEPS};
constexpr HatPattern OFFBEAT_HATS = {
    {0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0.35f}, NO_STEPS};
constexpr HatPattern SIXTEENTH_HATS = {
    {0.45f, 0.25f, 1.0f, 0.3f, 0.45f, 0.25f, 1.0f, 0.3f, 0.45f, 0.25f, 1.0f, 0.3f, 0.45f, 0.25f, 1.0f, 0.4f}, NO_STEPS};
constexpr HatPattern FULL_HATS = {
    {0.45f, 0.25f, 0, 0.3f, 0.45f, 0.25f, 0, 0.3f, 0.45f, 0.25f, 0, 0.3f, 0.45f, 0.25f, 0, 0.4f},
    {0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0}};

constexpr std::array<int, 4> KICK_STEPS = {0, 4, 8, 12};
constexpr std::array<int, 2> CLAP_STEPS = {4, 12};

struct BassHit {
    int step;
    int steps;
    int octaves;  // above the chord's bass root
    float velocity;
};

// The bass avoids the kick's sixteenths so the two never mask each other.
constexpr BassHit OFFBEAT_BASS[] = {{2, 2, 0, 0.85f}, {6, 2, 0, 0.85f}, {10, 2, 0, 0.85f}, {14, 2, 0, 0.85f}};
constexpr BassHit ROLLING_BASS[] = {
    {1, 1, 0, 0.8f},  {2, 1, 1, 1.0f},  {3, 1, 0, 0.85f}, {5, 1, 0, 0.8f},  {6, 1, 1, 1.0f},  {7, 1, 0, 0.85f},
    {9, 1, 0, 0.8f},  {10, 1, 1, 1.0f}, {11, 1, 0, 0.85f}, {13, 1, 0, 0.8f}, {14, 1, 1, 1.0f}, {15, 1, 0, 0.9f},
};

enum class BassStyle { NONE, DRONE, OFFBEAT, ROLLING };

constexpr float DRONE_CUTOFF_HZ = 220.0f;
constexpr float OFFBEAT_CUTOFF_HZ = 520.0f;
constexpr float ROLLING_CUTOFF_HZ = 650.0f;
constexpr float DRONE_VELOCITY = 0.6f;

// The arpeggio walks the pad voicing an octave up; index PAD_VOICES is the
// lowest voice another octave higher.
constexpr std::array<int, STEPS> ARP_PATTERN = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 1, 3, 2, 4, 3, 1};
constexpr float ARP_PAN = 0.45f;        // alternate steps sit left and right
constexpr float ARP_OFFBEAT_ACCENT = 1.0f;
constexpr float ARP_ONBEAT_LEVEL = 0.75f;

// Snare roll: steps between hits by bars left in the roll (3+, 2, 1).
constexpr int ROLL_SPACING_EARLY = 4;
constexpr int ROLL_SPACING_LATE = 2;
constexpr int ROLL_SPACING_LAST = 1;
constexpr float ROLL_START_VELOCITY = 0.25f;

constexpr float PAD_RELEASE_SECONDS = 0.3f;  // time constant: a chord's tail is gone within a bar
constexpr float CRASH_VELOCITY = 1.0f;
constexpr float IMPACT_VELOCITY = 1.0f;
constexpr float RISER_VELOCITY = 1.0f;

// ---------------------------------------------------------------- form

struct Sweep {
    float startHz;
    float endHz;

    // Exponential glide across a section, `progress` 0 to 1.
    float at(float progress) const { return startHz * std::pow(endHz / startHz, progress); }
};

// What drums and bass play. The groove stops for the section's last
// `dropOutBars`, leaving the roll and riser alone before a drop.
struct Groove {
    bool kick;
    bool clap;
    const HatPattern* hats;
    BassStyle bass;
    int dropOutBars;
};

// Pad and arpeggio; their filters sweep across the section.
struct Harmony {
    float padLevel;
    Sweep padCutoff;
    float padAttackSeconds;
    float arpLevel;
    Sweep arpCutoff;
};

struct Lead {
    const MelodyPart* melody;  // null: none
    float level;
    float brightness;
};

// Fills into and out of the section.
struct Transition {
    int rollBars;   // closing bars with a snare roll
    int riserBars;  // closing bars with a riser
    bool crash;     // crash and impact on the first beat
};

struct Section {
    int bars;
    Progression chords;
    int barsPerChord;
    Groove groove;
    Harmony harmony;
    Lead lead;
    Transition transition;
};

constexpr Sweep OPEN_PAD = {3500.0f, 3500.0f};
constexpr Sweep OPEN_ARP = {3200.0f, 3200.0f};
constexpr Lead NO_LEAD = {nullptr, 0.0f, 0.0f};
constexpr Transition ENTRANCE = {0, 0, true};
constexpr Transition SEAMLESS = {0, 0, false};
constexpr Groove DROP_GROOVE = {true, true, &FULL_HATS, BassStyle::ROLLING, 0};

// 1.92 s a bar; each comment gives the section's start time.
constexpr Section SECTIONS[] = {
    // Intro, 0 s: the pad swells in over a sub drone, a shaker and a dark
    // arpeggio; a riser and a roll lead into the beat as the title leaves.
    {6, MAIN, 1,
     {false, false, &SHAKER, BassStyle::DRONE, 0},
     {0.9f, {300.0f, 2400.0f}, 0.8f, 0.5f, {600.0f, 2500.0f}},
     NO_LEAD,
     {1, 2, false}},
    // Groove, 11.52 s: kick, offbeat hats and bass.
    {8, MAIN, 1,
     {true, false, &OFFBEAT_HATS, BassStyle::OFFBEAT, 0},
     {0.6f, {1800.0f, 3000.0f}, 0.05f, 0.6f, {1800.0f, 3000.0f}},
     NO_LEAD,
     ENTRANCE},
    // Groove with clap and sixteenth hats, 26.88 s.
    {8, MAIN, 1,
     {true, true, &SIXTEENTH_HATS, BassStyle::OFFBEAT, 0},
     {0.6f, {2500.0f, 3500.0f}, 0.05f, 0.65f, {2500.0f, 4000.0f}},
     NO_LEAD,
     ENTRANCE},
    // Build-up, 42.24 s: filters open, the roll climbs, the beat stops a bar early.
    {4, MAIN, 1,
     {true, true, &SIXTEENTH_HATS, BassStyle::OFFBEAT, 1},
     {0.7f, {1200.0f, 7000.0f}, 0.05f, 0.5f, {1500.0f, 7000.0f}},
     NO_LEAD,
     {4, 4, false}},
    // Drop, 49.92 s: rolling bass, open hats and the hook.
    {16, MAIN, 1, DROP_GROOVE, {0.55f, OPEN_PAD, 0.02f, 0.3f, OPEN_ARP}, {&HOOK, 1.0f, 1.0f}, ENTRANCE},
    // Breakdown, 80.64 s: no drums; wide pad, drone and the bell line.
    {8, BREAKDOWN, 1,
     {false, false, &NO_HATS, BassStyle::DRONE, 0},
     {1.0f, {700.0f, 2500.0f}, 0.5f, 0.25f, {600.0f, 1200.0f}},
     {&BELL_LINE, 1.0f, 0.0f},
     ENTRANCE},
    // Second build-up, 96.00 s: the hook returns, muffled, over a roll.
    {4, MAIN, 1,
     {false, false, &OFFBEAT_HATS, BassStyle::DRONE, 1},
     {0.8f, {1000.0f, 7000.0f}, 0.05f, 0.55f, {1000.0f, 7000.0f}},
     {&HOOK, 0.6f, 0.35f},
     {4, 4, false}},
    // Second drop, 103.68 s: the hook in thirds.
    {16, MAIN, 1, DROP_GROOVE, {0.55f, OPEN_PAD, 0.02f, 0.35f, OPEN_ARP}, {&HOOK_IN_THIRDS, 1.0f, 1.0f}, ENTRANCE},
    // Bridge, 134.40 s: no lead; the arpeggio opens up over two bars of roll.
    {8, MAIN, 1,
     {true, true, &SIXTEENTH_HATS, BassStyle::OFFBEAT, 0},
     {0.45f, {1500.0f, 2500.0f}, 0.05f, 0.75f, {1200.0f, 5000.0f}},
     NO_LEAD,
     {2, 2, true}},
    // Final drop, 149.76 s: the hook an octave up, doubled below.
    {8, MAIN, 1, DROP_GROOVE, {0.6f, {4000.0f, 4000.0f}, 0.02f, 0.35f, OPEN_ARP}, {&HOOK_IN_OCTAVES, 1.0f, 1.0f},
     ENTRANCE},
    // Cadence, 165.12 s: F G E with the lead climbing to the leading tone.
    {3, CADENCE, 1,
     {true, true, &OFFBEAT_HATS, BassStyle::OFFBEAT, 0},
     {0.8f, {3000.0f, 1500.0f}, 0.05f, 0.3f, {2500.0f, 1200.0f}},
     {&CADENCE_LINE, 1.0f, 0.8f},
     SEAMLESS},
    // Last chord, 170.88 s: A minor rings out and fades by the end, 178.56 s.
    {4, LAST, 4,
     {false, false, &NO_HATS, BassStyle::DRONE, 0},
     {1.0f, {2500.0f, 600.0f}, 0.01f, 0.0f, OPEN_ARP},
     {&LAST_NOTE, 0.9f, 0.7f},
     ENTRANCE},
};

// ---------------------------------------------------------------- playing

constexpr size_t stepFrame(size_t barStart, int step) {
    return barStart + static_cast<size_t>(step) * FRAMES_PER_STEP;
}

constexpr size_t stepsToFrames(int steps) {
    return static_cast<size_t>(steps) * FRAMES_PER_STEP;
}

// Where one bar of a section stands.
struct Bar {
    const Section& section;
    int index;  // within the section
    size_t start;
    const Voicing& voicing;

    float progress(int step) const {
        return (static_cast<float>(index) + static_cast<float>(step) / STEPS) / static_cast<float>(section.bars);
    }
    bool grooving() const { return index < section.bars - section.groove.dropOutBars; }
    bool chordStarts() const { return index % section.barsPerChord == 0; }
    bool inClosingBars(int count) const { return index >= section.bars - count; }
    size_t chordFrames() const { return static_cast<size_t>(section.barsPerChord) * FRAMES_PER_BAR; }
};

void playDrums(Mix& mix, const Bar& bar) {
    const Groove& groove = bar.section.groove;
    const Transition& transition = bar.section.transition;
    if (bar.index == 0 && transition.crash) {
        playCrash(mix, bar.start, CRASH_VELOCITY);
        playImpact(mix, bar.start, IMPACT_VELOCITY);
    }
    if (bar.grooving()) {
        if (groove.kick) {
            for (int step : KICK_STEPS) {
                playKick(mix, stepFrame(bar.start, step), 1.0f);
            }
        }
        if (groove.clap) {
            for (int step : CLAP_STEPS) {
                playClap(mix, stepFrame(bar.start, step), 1.0f);
            }
        }
        for (int step = 0; step < STEPS; ++step) {
            if (groove.hats->closed[step] > 0.0f) {
                playHat(mix, stepFrame(bar.start, step), groove.hats->closed[step], false);
            }
            if (groove.hats->open[step] > 0.0f) {
                playHat(mix, stepFrame(bar.start, step), groove.hats->open[step], true);
            }
        }
    }
    const int bars = bar.section.bars;
    if (bar.inClosingBars(transition.rollBars)) {
        const int barsLeft = bars - bar.index;
        const int spacing = barsLeft >= 3 ? ROLL_SPACING_EARLY : barsLeft == 2 ? ROLL_SPACING_LATE : ROLL_SPACING_LAST;
        const int rollStartBar = bars - transition.rollBars;
        for (int step = 0; step < STEPS; step += spacing) {
            const float rollProgress = (static_cast<float>(bar.index - rollStartBar) + static_cast<float>(step) / STEPS) /
                                       static_cast<float>(transition.rollBars);
            const float velocity = ROLL_START_VELOCITY + (1.0f - ROLL_START_VELOCITY) * rollProgress;
            playSnare(mix, stepFrame(bar.start, step), velocity, rollProgress);
        }
    }
    if (transition.riserBars > 0 && bar.index == bars - transition.riserBars) {
        playRiser(mix, bar.start, static_cast<size_t>(transition.riserBars) * FRAMES_PER_BAR, RISER_VELOCITY);
    }
}

void playBassPattern(Mix& mix, const Bar& bar, const BassHit* hits, size_t hitCount, float cutoffHz) {
    for (size_t i = 0; i < hitCount; ++i) {
        const BassHit& hit = hits[i];
        playBass(mix, stepFrame(bar.start, hit.step), stepsToFrames(hit.steps), bar.voicing.bass + hit.octaves * OCTAVE,
                 hit.velocity, cutoffHz);
    }
}

void playBassLine(Mix& mix, const Bar& bar) {
    if (!bar.grooving()) {
        return;
    }
    switch (bar.section.groove.bass) {
    case BassStyle::NONE:
        break;
    case BassStyle::DRONE:
        if (bar.chordStarts()) {
            playBass(mix, bar.start, bar.chordFrames(), bar.voicing.bass, DRONE_VELOCITY, DRONE_CUTOFF_HZ);
        }
        break;
    case BassStyle::OFFBEAT:
        playBassPattern(mix, bar, OFFBEAT_BASS, std::size(OFFBEAT_BASS), OFFBEAT_CUTOFF_HZ);
        break;
    case BassStyle::ROLLING:
        playBassPattern(mix, bar, ROLLING_BASS, std::size(ROLLING_BASS), ROLLING_CUTOFF_HZ);
        break;
    }
}

void playHarmony(Mix& mix, const Bar& bar) {
    const Harmony& h = bar.section.harmony;
    if (h.padLevel > 0.0f && bar.chordStarts()) {
        const PadNote pad = {bar.voicing.pad.data(),
                             PAD_VOICES,
                             bar.chordFrames(),
                             h.padAttackSeconds,
                             PAD_RELEASE_SECONDS,
                             h.padCutoff.at(bar.progress(0)),
                             h.padCutoff.at(bar.progress(bar.section.barsPerChord * STEPS))};
        playPad(mix, bar.start, pad, h.padLevel);
    }
    if (h.arpLevel > 0.0f) {
        for (int step = 0; step < STEPS; ++step) {
            const int index = ARP_PATTERN[step];
            const int note = index < PAD_VOICES ? bar.voicing.pad[index] + OCTAVE : bar.voicing.pad[0] + 2 * OCTAVE;
            const bool offbeat = step % 2 == 1;
            const float accent = offbeat ? ARP_OFFBEAT_ACCENT : ARP_ONBEAT_LEVEL;
            playPluck(mix, stepFrame(bar.start, step), note, h.arpLevel * accent, h.arpCutoff.at(bar.progress(step)),
                      offbeat ? ARP_PAN : -ARP_PAN);
        }
    }
}

void playMelodyNote(Mix& mix, const MelodyPart& part, size_t start, size_t length, int note, float velocity,
                    float brightness) {
    if (part.voice == Voice::BELL) {
        playBell(mix, start, length, note, velocity);
    } else {
        playLead(mix, start, length, note, velocity, brightness);
    }
}

void playMelody(Mix& mix, const Bar& bar) {
    const Lead& lead = bar.section.lead;
    if (lead.melody == nullptr) {
        return;
    }
    const MelodyPart& part = *lead.melody;
    const int phraseBar = bar.index % part.phraseBars;
    for (int n = 0; n < part.noteCount; ++n) {
        const MelodyNote& m = part.notes[n];
        if (m.bar != phraseBar) {
            continue;
        }
        const size_t start = stepFrame(bar.start, m.step);
        const size_t length = static_cast<size_t>(static_cast<float>(stepsToFrames(m.steps)) * LEGATO);
        const int note = m.note + part.transpose;
        playMelodyNote(mix, part, start, length, note, lead.level, lead.brightness);
        if (part.harmonyDegrees != 0) {
            playMelodyNote(mix, part, start, length, diatonicShift(note, part.harmonyDegrees),
                           lead.level * HARMONY_LEVEL, lead.brightness);
        }
    }
}

}  // namespace

size_t trackFrames() {
    int bars = 0;
    for (const Section& s : SECTIONS) {
        bars += s.bars;
    }
    return static_cast<size_t>(bars) * FRAMES_PER_BAR;
}

void playArrangement(Mix& mix) {
    size_t barStart = 0;
    for (const Section& section : SECTIONS) {
        for (int index = 0; index < section.bars; ++index, barStart += FRAMES_PER_BAR) {
            if (barStart >= mix.frames()) {
                return;
            }
            const Chord chord = section.chords.chords[(index / section.barsPerChord) % section.chords.length];
            const Bar bar = {section, index, barStart, VOICINGS[chord]};
            playDrums(mix, bar);
            playBassLine(mix, bar);
            playHarmony(mix, bar);
            playMelody(mix, bar);
        }
    }
}
