// The sound a program under test plays into SDL's disk driver: a raw file of
// 16-bit stereo samples at 44.1 kHz. The driver takes sound at the pace the
// show plays it, so the file's length is the show's own clock, which end-to-
// end tests wait on instead of the wall clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CapturedSound {
public:
    CapturedSound();  // a scratch folder for the file, removed with the object
    ~CapturedSound();
    CapturedSound(const CapturedSound&) = delete;
    CapturedSound& operator=(const CapturedSound&) = delete;

    // "SDL_AUDIODRIVER=disk" and the file, for a child's environment.
    std::vector<std::string> env() const;
    // Seconds of sound taken so far.
    double heardSeconds() const;
    // Waits until this much sound was taken; answers whether it was in time.
    bool waitUntilHeard(double seconds, int timeoutMs) const;
    // What a program said on stderr, less the lines the disk driver itself
    // writes there on each open (each starts "CRITICAL: ").
    static std::string withoutDriverLines(const std::string& said);
    // RMS of the samples in [from, to) seconds after the moment origin (in
    // heardSeconds()); -1 when none were taken there.
    double rms(double origin, double from, double to) const;
    // Every sample taken so far, left and right interleaved.
    std::vector<int16_t> samples() const;

private:
    std::string dir_;
    std::string path_;
};
