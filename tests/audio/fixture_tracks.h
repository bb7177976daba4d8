// The MP3 tracks the sound suites play: sine sweeps that the build encodes
// once with LAME (audio_fixture_tracks), so that a tree whose libraries lack
// an encoder (the Windows one) plays the very same files.
#pragma once

constexpr int FIXTURE_RATE = 44100;
constexpr int FIXTURE_AMPLITUDE = 16000;

struct FixtureTrack {
    const char* file;
    double seconds;
    double silentSeconds;  // silence before the sweep starts
};

// 3 s of a sweep at FIXTURE_AMPLITUDE.
constexpr FixtureTrack SWEEP_TRACK{"sweep.mp3", 3.0, 0.0};
// 6 s of a sweep, for runs that stop and go on.
constexpr FixtureTrack LONG_SWEEP_TRACK{"long.mp3", 6.0, 0.0};
// 0.3 s of the sweep.
constexpr FixtureTrack SHORT_TRACK{"short.mp3", 0.3, 0.0};
// 1.5 s of silence, then 1.5 s of the sweep.
constexpr FixtureTrack LATE_SWEEP_TRACK{"late.mp3", 3.0, 1.5};

constexpr FixtureTrack FIXTURE_TRACKS[] = {SWEEP_TRACK, LONG_SWEEP_TRACK, SHORT_TRACK, LATE_SWEEP_TRACK};
// Written after every track, so that its presence says the folder is whole.
constexpr const char* FIXTURE_TRACKS_LIST = "tracks.list";
