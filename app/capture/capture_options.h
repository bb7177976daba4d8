// The recorder's command line:
//   pelmira15-capture --at MS frame.png
//   pelmira15-capture [range and rate] [video choices] VIDEO
//   pelmira15-capture [range and rate] [--force] FOLDER/
// VIDEO is a file whose extension names its kind (see output_kind.h); a
// FOLDER (an existing folder, or a path ending with '/') gets PNG frames and
// audio.wav.
#pragma once

#include <string>

#include "app/capture/recording.h"
#include "app/capture/video_sink.h"

enum class CaptureOutput { SingleFrame, PngFolder, Video };

struct CaptureOptions {
    CaptureOutput output = CaptureOutput::Video;
    std::string path;
    RecordingPlan plan;
    VideoSettings video;          // for a video output
    bool replaceFrames = false;   // --force: a folder's old frames make way
    bool help = false;            // --help: print the usage and record nothing
    bool version = false;         // --version: print the version and record nothing
    std::string note;             // a line for the user: the range was cut to the show's end
};

extern const char* const CAPTURE_USAGE;

// Answers false and one line saying why for a command line it cannot use.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options, std::string& error);
