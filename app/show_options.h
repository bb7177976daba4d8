// The show's command line:
//   pelmira15 [--window] [--display N]
//   pelmira15 --help | --version
// Without arguments the show runs fullscreen on the primary monitor.
#pragma once

#include <string>

struct ShowOptions {
    bool window = false;    // --window: a movable 1024 x 768 window
    int displayIndex = 0;   // --display N: the monitor to fill, from 0
    bool help = false;      // --help: print the usage and run nothing
    bool version = false;   // --version: print the version and run nothing
};

extern const char* const SHOW_USAGE;

// Answers false and one line saying why for a command line it cannot use.
bool parseShowOptions(int argc, const char* const* argv, ShowOptions& options, std::string& error);
