#include "app/capture/clock_player.h"

bool ClockPlayer::open(const char* file) { return clock_.openTrack(file); }

const char* ClockPlayer::lastError() const { return clock_.trackError(); }

// No sound output: whoever drives the clock deals with the sound itself.
bool ClockPlayer::init() { return true; }

void ClockPlayer::close() {}

void ClockPlayer::play() {}

uint32_t ClockPlayer::timeMs() { return clock_.timeMs(); }

void ClockPlayer::stop() {}

void ClockPlayer::setMasterVolume(int volume) { clock_.setMasterVolume(volume); }

// The show never pauses, seeks or sets a channel volume on a virtual clock:
// its time is the passes'.
void ClockPlayer::togglePause() {}
void ClockPlayer::setPosition(uint32_t) {}
void ClockPlayer::setVolume(float) {}

// Kept for the interface.
bool ClockPlayer::unsupportedA(int32_t, int32_t, int32_t) { return false; }
bool ClockPlayer::unsupportedB(int32_t) { return false; }
void ClockPlayer::noOperation() {}
