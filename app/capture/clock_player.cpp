#include "app/capture/clock_player.h"

#include "app/capture/recording.h"

bool ClockPlayer::open(const char* file) { return recording_.openTrack(file); }

// No sound output: the recording writes the sound itself.
bool ClockPlayer::init() { return true; }

void ClockPlayer::close() {}

void ClockPlayer::play() {}

uint32_t ClockPlayer::timeMs() { return recording_.timeMs(); }

void ClockPlayer::stop() {}
