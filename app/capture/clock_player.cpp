#include "app/capture/clock_player.h"

#include "app/capture/recording.h"

bool ClockPlayer::open(const char* file) { return recording_.openTrack(file); }

// No sound output: the recording writes the sound itself.
bool ClockPlayer::init() { return true; }

void ClockPlayer::close() {}

void ClockPlayer::play() {}

uint32_t ClockPlayer::timeMs() { return recording_.timeMs(); }

void ClockPlayer::stop() {}

void ClockPlayer::setMasterVolume(int volume) { recording_.setMasterVolume(volume); }

// The show never pauses and sets no channel volume while it records.
void ClockPlayer::togglePause() {}
void ClockPlayer::setVolume(float) {}

// Kept for the interface.
bool ClockPlayer::unsupportedA(int32_t, int32_t, int32_t) { return false; }
bool ClockPlayer::unsupportedB(int32_t) { return false; }
void ClockPlayer::noOperation() {}
