// A 16-bit stereo PCM WAV file written as the recording goes: the header is
// completed when the file is closed, once the length and rate are known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class WavFile {
public:
    WavFile() = default;
    ~WavFile();
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    // Creates (or truncates) the file; false with a reason when it cannot.
    bool open(const std::string& path, std::string& error);
    // Appends interleaved stereo frames.
    bool append(const int16_t* samples, size_t frames);
    // Writes the final header and closes; false with a reason when any write
    // failed. The file stays where it is either way.
    bool close(uint32_t sampleRate, std::string& error);
    // Closes without completing, and deletes the file.
    void discard();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    uint64_t dataBytes_ = 0;
    int failure_ = 0;  // errno of the first failed write
};
