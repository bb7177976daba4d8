// The track's form and notes, and the loop that plays them.
#include "tools/music/arrangement.h"

#include <array>
#include <cassert>
#include <cmath>
#include <iterator>

#include "tools/music/instruments.h"
#include "tools/music/synth_dsp.h"
#include "base/named_fields.h"

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
    const MelodyNote* notes = nullptr;
    int noteCount = 0;
    int phraseBars = 1;
    Voice voice = Voice::LEAD;
    int transpose = 0;
    int harmonyDegrees = 0;

    constexpr MelodyPart withPhraseBars(int bars) const { return withField(*this, &MelodyPart::phraseBars, bars); }
    constexpr MelodyPart withVoice(Voice value) const { return withField(*this, &MelodyPart::voice, value); }
    constexpr MelodyPart withTranspose(int semitones) const {
        return withField(*this, &MelodyPart::transpose, semitones);
    }
    constexpr MelodyPart withHarmonyDegrees(int degrees) const {
        return withField(*this, &MelodyPart::harmonyDegrees, degrees);
    }
};

constexpr int THIRD_BELOW_DEGREES = -2;
constexpr int OCTAVE_BELOW_DEGREES = -7;
constexpr float HARMONY_LEVEL = 0.55f;
constexpr float LEGATO = 0.85f;  // share of a note's steps it sounds

// The notes played by the lead, once through and untransposed.
template <int N>
constexpr MelodyPart melody(const MelodyNote (&notes)[N]) {
    MelodyPart part;
    part.notes = notes;
    part.noteCount = N;
    return part;
}

constexpr MelodyPart HOOK = melody(HOOK_NOTES).withPhraseBars(8);
constexpr MelodyPart HOOK_IN_THIRDS = HOOK.withHarmonyDegrees(THIRD_BELOW_DEGREES);
constexpr MelodyPart HOOK_IN_OCTAVES = HOOK.withTranspose(OCTAVE).withHarmonyDegrees(OCTAVE_BELOW_DEGREES);
constexpr MelodyPart BELL_LINE = melody(BREAKDOWN_NOTES).withPhraseBars(8).withVoice(Voice::BELL);
constexpr MelodyPart CADENCE_LINE = melody(CADENCE_NOTES).withPhraseBars(3);
constexpr MelodyPart LAST_NOTE = melody(LAST_NOTES).withPhraseBars(4).withHarmonyDegrees(OCTAVE_BELOW_DEGREES);

// ---------------------------------------------------------------- drums and bass

constexpr int STEPS = STEPS_PER_BAR;
using StepVelocities = std::array<float, STEPS>;

// Velocities of the closed and the open hat on each step; 0: none.
struct HatPattern {
    StepVelocities closed = {};
    StepVelocities open = {};

    constexpr HatPattern withClosed(const StepVelocities& steps) const {
        return withField(*this, &HatPattern::closed, steps);
    }
    constexpr HatPattern withOpen(const StepVelocities& steps) const {
        return withField(*this, &HatPattern::open, steps);
    }
};

constexpr HatPattern NO_HATS = HatPattern{};
constexpr HatPattern SHAKER = HatPattern{}.withClosed(
    {0.15f, 0.06f, 0.22f, 0.06f, 0.15f, 0.06f, 0.22f, 0.08f, 0.15f, 0.06f, 0.22f, 0.06f, 0.15f, 0.06f, 0.22f, 0.10f});
constexpr HatPattern OFFBEAT_HATS =
    HatPattern{}.withClosed({0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0.35f});
constexpr HatPattern SIXTEENTH_HATS = HatPattern{}.withClosed(
    {0.45f, 0.25f, 1.0f, 0.3f, 0.45f, 0.25f, 1.0f, 0.3f, 0.45f, 0.25f, 1.0f, 0.3f, 0.45f, 0.25f, 1.0f, 0.4f});
constexpr HatPattern FULL_HATS =
    HatPattern{}
        .withClosed({0.45f, 0.25f, 0, 0.3f, 0.45f, 0.25f, 0, 0.3f, 0.45f, 0.25f, 0, 0.3f, 0.45f, 0.25f, 0, 0.4f})
        .withOpen({0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f, 0});

constexpr std::array<int, 4> KICK_STEPS = {0, 4, 8, 12};
constexpr std::array<int, 2> CLAP_STEPS = {4, 12};

// A bass note of a pattern: its step, its length in steps, how many octaves
// above the chord's bass root it lies, and its velocity.
struct BassHit {
    int step = 0;
    int steps = 1;
    int octaves = 0;
    float velocity = 0.0f;

    constexpr BassHit withSteps(int count) const { return withField(*this, &BassHit::steps, count); }
    constexpr BassHit withOctaves(int count) const { return withField(*this, &BassHit::octaves, count); }
    constexpr BassHit withVelocity(float value) const { return withField(*this, &BassHit::velocity, value); }
};

// A bass note at the step, one step long, on the root.
constexpr BassHit bassAt(int step) {
    BassHit hit;
    hit.step = step;
    return hit;
}

// The bass avoids the kick's sixteenths so the two never mask each other.
constexpr BassHit OFFBEAT_BASS[] = {
    bassAt(2).withSteps(2).withVelocity(0.85f),
    bassAt(6).withSteps(2).withVelocity(0.85f),
    bassAt(10).withSteps(2).withVelocity(0.85f),
    bassAt(14).withSteps(2).withVelocity(0.85f),
};
constexpr BassHit ROLLING_BASS[] = {
    bassAt(1).withVelocity(0.8f),  bassAt(2).withOctaves(1).withVelocity(1.0f),  bassAt(3).withVelocity(0.85f),
    bassAt(5).withVelocity(0.8f),  bassAt(6).withOctaves(1).withVelocity(1.0f),  bassAt(7).withVelocity(0.85f),
    bassAt(9).withVelocity(0.8f),  bassAt(10).withOctaves(1).withVelocity(1.0f), bassAt(11).withVelocity(0.85f),
    bassAt(13).withVelocity(0.8f), bassAt(14).withOctaves(1).withVelocity(1.0f), bassAt(15).withVelocity(0.9f),
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

// A filter cutoff gliding exponentially across a section:
// Sweep::from(startHz).to(endHz).
struct Sweep {
    float startHz = 0.0f;
    float endHz = 0.0f;

    static constexpr Sweep from(float hz) { return withField(Sweep{}, &Sweep::startHz, hz); }
    constexpr Sweep to(float hz) const { return withField(*this, &Sweep::endHz, hz); }

    // Exponential glide across a section, `progress` 0 to 1.
    float at(float progress) const { return startHz * std::pow(endHz / startHz, progress); }
};

// What drums and bass play. The groove stops for the section's last
// `dropOutBars`, leaving the roll and riser alone before a drop.
struct Groove {
    bool kick = false;
    bool clap = false;
    const HatPattern* hats = &NO_HATS;
    BassStyle bass = BassStyle::NONE;
    int dropOutBars = 0;
};

// Pad and arpeggio; their filters sweep across the section. A level of 0
// leaves the part out.
struct Harmony {
    float padLevel = 0.0f;
    Sweep padCutoff;
    float padAttackSeconds = 0.0f;
    float arpLevel = 0.0f;
    Sweep arpCutoff;
};

struct Lead {
    const MelodyPart* melody = nullptr;  // null: none
    float level = 0.0f;
    float brightness = 0.0f;
};

// Fills into and out of the section.
struct Transition {
    int rollBars = 0;    // closing bars with a snare roll
    int riserBars = 0;   // closing bars with a riser
    bool crash = false;  // crash and impact on the first beat
};

struct Section {
    int bars = 0;
    Progression chords = {};
    int barsPerChord = 1;
    Groove groove;
    Harmony harmony;
    Lead lead;
    Transition transition;
};

// The sections are built in constexpr functions that set each field by name,
// so a reordered field cannot rewire the track; what a section leaves unset
// it does without (no lead, no fill, no drums).
constexpr Sweep OPEN_PAD = Sweep::from(3500.0f).to(3500.0f);
constexpr Sweep OPEN_ARP = Sweep::from(3200.0f).to(3200.0f);

constexpr Groove dropGroove() {
    Groove groove;
    groove.kick = true;
    groove.clap = true;
    groove.hats = &FULL_HATS;
    groove.bass = BassStyle::ROLLING;
    return groove;
}

// 1.92 s a bar; each comment gives the section's start time.

// Intro, 0 s: the pad swells in over a sub drone, a shaker and a dark
// arpeggio; a riser and a roll lead into the beat as the title leaves.
constexpr Section intro() {
    Section s;
    s.bars = 6;
    s.chords = MAIN;
    s.groove.hats = &SHAKER;
    s.groove.bass = BassStyle::DRONE;
    s.harmony.padLevel = 0.9f;
    s.harmony.padCutoff = Sweep::from(300.0f).to(2400.0f);
    s.harmony.padAttackSeconds = 0.8f;
    s.harmony.arpLevel = 0.5f;
    s.harmony.arpCutoff = Sweep::from(600.0f).to(2500.0f);
    s.transition.rollBars = 1;
    s.transition.riserBars = 2;
    return s;
}

// Groove, 11.52 s: kick, offbeat hats and bass.
constexpr Section firstGroove() {
    Section s;
    s.bars = 8;
    s.chords = MAIN;
    s.groove.kick = true;
    s.groove.hats = &OFFBEAT_HATS;
    s.groove.bass = BassStyle::OFFBEAT;
    s.harmony.padLevel = 0.6f;
    s.harmony.padCutoff = Sweep::from(1800.0f).to(3000.0f);
    s.harmony.padAttackSeconds = 0.05f;
    s.harmony.arpLevel = 0.6f;
    s.harmony.arpCutoff = Sweep::from(1800.0f).to(3000.0f);
    s.transition.crash = true;
    return s;
}

// Groove with clap and sixteenth hats, 26.88 s.
constexpr Section grooveWithClap() {
    Section s;
    s.bars = 8;
    s.chords = MAIN;
    s.groove.kick = true;
    s.groove.clap = true;
    s.groove.hats = &SIXTEENTH_HATS;
    s.groove.bass = BassStyle::OFFBEAT;
    s.harmony.padLevel = 0.6f;
    s.harmony.padCutoff = Sweep::from(2500.0f).to(3500.0f);
    s.harmony.padAttackSeconds = 0.05f;
    s.harmony.arpLevel = 0.65f;
    s.harmony.arpCutoff = Sweep::from(2500.0f).to(4000.0f);
    s.transition.crash = true;
    return s;
}

// Build-up, 42.24 s: filters open, the roll climbs, the beat stops a bar early.
constexpr Section buildUp() {
    Section s;
    s.bars = 4;
    s.chords = MAIN;
    s.groove.kick = true;
    s.groove.clap = true;
    s.groove.hats = &SIXTEENTH_HATS;
    s.groove.bass = BassStyle::OFFBEAT;
    s.groove.dropOutBars = 1;
    s.harmony.padLevel = 0.7f;
    s.harmony.padCutoff = Sweep::from(1200.0f).to(7000.0f);
    s.harmony.padAttackSeconds = 0.05f;
    s.harmony.arpLevel = 0.5f;
    s.harmony.arpCutoff = Sweep::from(1500.0f).to(7000.0f);
    s.transition.rollBars = 4;
    s.transition.riserBars = 4;
    return s;
}

// Drop, 49.92 s: rolling bass, open hats and the hook.
constexpr Section drop() {
    Section s;
    s.bars = 16;
    s.chords = MAIN;
    s.groove = dropGroove();
    s.harmony.padLevel = 0.55f;
    s.harmony.padCutoff = OPEN_PAD;
    s.harmony.padAttackSeconds = 0.02f;
    s.harmony.arpLevel = 0.3f;
    s.harmony.arpCutoff = OPEN_ARP;
    s.lead.melody = &HOOK;
    s.lead.level = 1.0f;
    s.lead.brightness = 1.0f;
    s.transition.crash = true;
    return s;
}

// Breakdown, 80.64 s: no drums; wide pad, drone and the bell line.
constexpr Section breakdown() {
    Section s;
    s.bars = 8;
    s.chords = BREAKDOWN;
    s.groove.bass = BassStyle::DRONE;
    s.harmony.padLevel = 1.0f;
    s.harmony.padCutoff = Sweep::from(700.0f).to(2500.0f);
    s.harmony.padAttackSeconds = 0.5f;
    s.harmony.arpLevel = 0.25f;
    s.harmony.arpCutoff = Sweep::from(600.0f).to(1200.0f);
    s.lead.melody = &BELL_LINE;
    s.lead.level = 1.0f;
    s.lead.brightness = 0.0f;
    s.transition.crash = true;
    return s;
}

// Second build-up, 96.00 s: the hook returns, muffled, over a roll.
constexpr Section secondBuildUp() {
    Section s;
    s.bars = 4;
    s.chords = MAIN;
    s.groove.hats = &OFFBEAT_HATS;
    s.groove.bass = BassStyle::DRONE;
    s.groove.dropOutBars = 1;
    s.harmony.padLevel = 0.8f;
    s.harmony.padCutoff = Sweep::from(1000.0f).to(7000.0f);
    s.harmony.padAttackSeconds = 0.05f;
    s.harmony.arpLevel = 0.55f;
    s.harmony.arpCutoff = Sweep::from(1000.0f).to(7000.0f);
    s.lead.melody = &HOOK;
    s.lead.level = 0.6f;
    s.lead.brightness = 0.35f;
    s.transition.rollBars = 4;
    s.transition.riserBars = 4;
    return s;
}

// Second drop, 103.68 s: the hook in thirds.
constexpr Section secondDrop() {
    Section s;
    s.bars = 16;
    s.chords = MAIN;
    s.groove = dropGroove();
    s.harmony.padLevel = 0.55f;
    s.harmony.padCutoff = OPEN_PAD;
    s.harmony.padAttackSeconds = 0.02f;
    s.harmony.arpLevel = 0.35f;
    s.harmony.arpCutoff = OPEN_ARP;
    s.lead.melody = &HOOK_IN_THIRDS;
    s.lead.level = 1.0f;
    s.lead.brightness = 1.0f;
    s.transition.crash = true;
    return s;
}

// Bridge, 134.40 s: no lead; the arpeggio opens up over two bars of roll.
constexpr Section bridge() {
    Section s;
    s.bars = 8;
    s.chords = MAIN;
    s.groove.kick = true;
    s.groove.clap = true;
    s.groove.hats = &SIXTEENTH_HATS;
    s.groove.bass = BassStyle::OFFBEAT;
    s.harmony.padLevel = 0.45f;
    s.harmony.padCutoff = Sweep::from(1500.0f).to(2500.0f);
    s.harmony.padAttackSeconds = 0.05f;
    s.harmony.arpLevel = 0.75f;
    s.harmony.arpCutoff = Sweep::from(1200.0f).to(5000.0f);
    s.transition.rollBars = 2;
    s.transition.riserBars = 2;
    s.transition.crash = true;
    return s;
}

// Final drop, 149.76 s: the hook an octave up, doubled below.
constexpr Section finalDrop() {
    Section s;
    s.bars = 8;
    s.chords = MAIN;
    s.groove = dropGroove();
    s.harmony.padLevel = 0.6f;
    s.harmony.padCutoff = Sweep::from(4000.0f).to(4000.0f);
    s.harmony.padAttackSeconds = 0.02f;
    s.harmony.arpLevel = 0.35f;
    s.harmony.arpCutoff = OPEN_ARP;
    s.lead.melody = &HOOK_IN_OCTAVES;
    s.lead.level = 1.0f;
    s.lead.brightness = 1.0f;
    s.transition.crash = true;
    return s;
}

// Cadence, 165.12 s: F G E with the lead climbing to the leading tone.
constexpr Section cadence() {
    Section s;
    s.bars = 3;
    s.chords = CADENCE;
    s.groove.kick = true;
    s.groove.clap = true;
    s.groove.hats = &OFFBEAT_HATS;
    s.groove.bass = BassStyle::OFFBEAT;
    s.harmony.padLevel = 0.8f;
    s.harmony.padCutoff = Sweep::from(3000.0f).to(1500.0f);
    s.harmony.padAttackSeconds = 0.05f;
    s.harmony.arpLevel = 0.3f;
    s.harmony.arpCutoff = Sweep::from(2500.0f).to(1200.0f);
    s.lead.melody = &CADENCE_LINE;
    s.lead.level = 1.0f;
    s.lead.brightness = 0.8f;
    return s;
}

// Last chord, 170.88 s: A minor rings out and fades by the end, 178.56 s.
constexpr Section lastChord() {
    Section s;
    s.bars = 4;
    s.chords = LAST;
    s.barsPerChord = 4;
    s.groove.bass = BassStyle::DRONE;
    s.harmony.padLevel = 1.0f;
    s.harmony.padCutoff = Sweep::from(2500.0f).to(600.0f);
    s.harmony.padAttackSeconds = 0.01f;
    s.harmony.arpLevel = 0.0f;
    s.harmony.arpCutoff = OPEN_ARP;
    s.lead.melody = &LAST_NOTE;
    s.lead.level = 0.9f;
    s.lead.brightness = 0.7f;
    s.transition.crash = true;
    return s;
}

constexpr Section SECTIONS[] = {
    intro(), firstGroove(), grooveWithClap(), buildUp(), drop(), breakdown(),
    secondBuildUp(), secondDrop(), bridge(), finalDrop(), cadence(), lastChord(),
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
        PadNote pad;
        pad.notes = bar.voicing.pad.data();
        pad.noteCount = PAD_VOICES;
        pad.length = bar.chordFrames();
        pad.attackSeconds = h.padAttackSeconds;
        pad.releaseSeconds = PAD_RELEASE_SECONDS;
        pad.cutoffStartHz = h.padCutoff.at(bar.progress(0));
        pad.cutoffEndHz = h.padCutoff.at(bar.progress(bar.section.barsPerChord * STEPS));
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
