// The suites' MP3 tracks (fixture_tracks.h), a folder of the test process
// that goes away at exit, and helpers to run and watch the output.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/audio/fixture_tracks.h"

struct SoundStream;

// How long a play, a resume or a move may wait for the decoder on a busy
// machine before the position goes on.
constexpr int REFILL_CEILING_MS = 10000;

// A file named name in the test process's own folder.
std::string fixturePath(const std::string& name);
// The tracks the build encoded, by their names in fixture_tracks.h.
const std::string& sweepTrack();
const std::string& longSweepTrack();
const std::string& shortTrack();
const std::string& lateSweepTrack();
// Text, no MP3 data.
const std::string& textFile();

// Where SDL's disk driver writes what would be heard.
void useDiskOutput(const std::string& file);
void useAudioDriver(const char* name);

// The largest magnitude among the 16-bit samples of a raw file, from a byte on.
int peakOfRawFile(const std::string& file, size_t fromByte = 0);

using WallClock = std::chrono::steady_clock;

struct PositionSample {
    double wallMs;  // since the watch's moment, read after the position
    uint32_t positionMs;
};
// Reads the position every few ms for a while.
std::vector<PositionSample> watchPosition(SoundStream* stream, WallClock::time_point since, int durationMs);
// Reads it until it has passed positionMs, or ceilingMs passed first.
std::vector<PositionSample> watchPositionPast(SoundStream* stream, WallClock::time_point since, uint32_t positionMs,
                                              int ceilingMs);
// Empty when the position never stood before fromMs, never went backwards and
// never ran ahead of fromMs plus the wall-clock time since the watch's moment
// by more than slackMs; else what went wrong. A busy machine can only hold the
// position back, so none of these fails for want of a core; how evenly it
// keeps time is for a clock the test steps (output_watch_test).
std::string positionFault(const std::vector<PositionSample>& samples, uint32_t fromMs, double slackMs);

void sleepMs(int ms);
// Waits until reached() holds, looking every few ms; false when ceilingMs
// passed first.
bool waitUntil(const std::function<bool()>& reached, int ceilingMs);
