// A scratch folder for files that a program under test writes while it plays.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

// A new folder named NAME-XXXXXX, in memory (/dev/shm) where the system has
// it, else in /tmp; "" when none can be made. SDL's disk driver writes its
// sound file from the audio thread, and on a disk busy with other writes a
// write can block past the sound layer's stall limit, which then rightly takes
// the device for lost; memory never holds it up.
inline std::string makeScratchFolder(const std::string& name) {
    const std::string root = access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm/" : "/tmp/";
    std::string pattern = root + name + "-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : "";
}
