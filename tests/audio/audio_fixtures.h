// Short MP3 tracks made for the tests with LAME, in a folder of the test
// process that goes away at exit, and helpers to run and watch the output.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SoundStream;

constexpr int FIXTURE_RATE = 44100;
constexpr int FIXTURE_AMPLITUDE = 16000;
// How long a play, a resume or a move may wait for the decoder on a busy
// machine before the position goes on.
constexpr int REFILL_CEILING_MS = 10000;

// A file named name in the test process's own folder.
std::string fixturePath(const std::string& name);
// 3 s of a sine sweep at FIXTURE_AMPLITUDE.
const std::string& sweepTrack();
// 0.3 s of the sweep.
const std::string& shortTrack();
// 1.5 s of silence, then 1.5 s of the sweep.
const std::string& lateSweepTrack();
// Text, no MP3 data.
const std::string& textFile();

// Where SDL's disk driver writes what would be heard.
void useDiskOutput(const std::string& file);
void useAudioDriver(const char* name);

// The largest magnitude among the 16-bit samples of a raw file.
int peakOfRawFile(const std::string& file);

struct PositionSample {
    double wallMs;
    uint32_t positionMs;
};
// Reads the position every few ms for a while.
std::vector<PositionSample> watchPosition(SoundStream* stream, int durationMs);
// Reads it until it has passed positionMs, or ceilingMs passed first.
std::vector<PositionSample> watchPositionPast(SoundStream* stream, uint32_t positionMs, int ceilingMs);
// Empty when the position never went backwards nor ran ahead of the wall
// clock by more than slackMs between two readings; else what went wrong.
std::string smoothnessFault(const std::vector<PositionSample>& samples, double slackMs);

void sleepMs(int ms);
// Waits until the position has reached fromMs plus the wall-clock time since
// `since`, less lateMs; false when ceilingMs passed first. A busy machine may
// hold the output back for a while, and then it catches up; a stall or time
// lost never does.
bool catchesUpWithTheWall(SoundStream* stream, std::chrono::steady_clock::time_point since, uint32_t fromMs,
                          double lateMs, int ceilingMs);
// Waits until reached() holds, looking every few ms; false when ceilingMs
// passed first.
bool waitUntil(const std::function<bool()>& reached, int ceilingMs);
