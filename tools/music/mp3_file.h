// Writes stereo samples as an MP3 file through libmp3lame: 44.1 kHz, joint
// stereo, constant bit rate, with an Info frame so decoders can skip the
// encoder's delay and padding (gapless length). The file appears complete or
// not at all: it is written under a temporary name and renamed at the end.
#pragma once

#include <string>

#include "tools/music/render.h"

constexpr int MP3_BITRATE_KBPS = 192;

// False on failure, with a one-line reason in `error`; no file is left
// behind then.
bool writeMp3(const std::string& path, const StereoTrack& track, std::string& error);
