// The recorder's command line:
//   pelmira15-capture --at MS frame.png
//   pelmira15-capture [--fps N | N/D] [--from MS] [--to MS] [--escape-at MS] OUTPUT
// OUTPUT is an H.264 video with sound, or, when it is an existing folder or
// ends with '/', a folder of PNG frames with audio.wav.
#pragma once

#include <string>

#include "app/capture/recording.h"

enum class CaptureOutput { SingleFrame, PngFolder, Video };

struct CaptureOptions {
    CaptureOutput output = CaptureOutput::Video;
    std::string path;
    RecordingPlan plan;
    bool help = false;  // --help: print the usage and record nothing
};

extern const char* const CAPTURE_USAGE;

// Answers false and one line saying why for a command line it cannot use.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options, std::string& error);
