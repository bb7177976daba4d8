#include "app/capture/wav_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "audio/track_decoder.h"
#include "base/file_path.h"

namespace {

constexpr uint32_t HEADER_BYTES = 44;
constexpr uint32_t FORMAT_CHUNK_BYTES = 16;
constexpr uint16_t PCM_FORMAT = 1;
constexpr uint16_t BITS_PER_SAMPLE = 16;
constexpr uint16_t BLOCK_BYTES = TRACK_CHANNELS * BITS_PER_SAMPLE / 8;
// Samples go to the file as they lie in memory.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "WAV samples are little-endian");

// The RIFF size fields are 32-bit: about 6.7 hours of 44.1 kHz stereo.
constexpr uint64_t MAX_DATA_BYTES = UINT32_MAX - HEADER_BYTES;

void put16(unsigned char*& at, uint16_t value) {
    *at++ = static_cast<unsigned char>(value);
    *at++ = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char*& at, uint32_t value) {
    put16(at, static_cast<uint16_t>(value));
    put16(at, static_cast<uint16_t>(value >> 16));
}

void putTag(unsigned char*& at, const char* tag) {
    std::memcpy(at, tag, 4);
    at += 4;
}

void fillHeader(unsigned char (&header)[HEADER_BYTES], uint32_t sampleRate, uint32_t dataBytes) {
    unsigned char* at = header;
    putTag(at, "RIFF");
    put32(at, HEADER_BYTES - 8 + dataBytes);
    putTag(at, "WAVE");
    putTag(at, "fmt ");
    put32(at, FORMAT_CHUNK_BYTES);
    put16(at, PCM_FORMAT);
    put16(at, TRACK_CHANNELS);
    put32(at, sampleRate);
    put32(at, sampleRate * BLOCK_BYTES);
    put16(at, BLOCK_BYTES);
    put16(at, BITS_PER_SAMPLE);
    putTag(at, "data");
    put32(at, dataBytes);
}

// A short write need not set errno; it still is a failed write.
int lastError() { return errno != 0 ? errno : EIO; }

}  // namespace

WavFile::~WavFile() {
    if (file_ != nullptr)
        discard();
}

bool WavFile::open(const std::string& path, std::string& error) {
    path_ = path;
    dataBytes_ = 0;
    failure_ = 0;
    file_ = openFile(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // A placeholder until close() knows the length.
    unsigned char header[HEADER_BYTES];
    fillHeader(header, 0, 0);
    if (std::fwrite(header, 1, HEADER_BYTES, file_) != HEADER_BYTES)
        failure_ = lastError();
    return true;
}

bool WavFile::append(const int16_t* samples, size_t frames) {
    static_assert(sizeof(int16_t) * TRACK_CHANNELS == BLOCK_BYTES);
    const size_t bytes = frames * BLOCK_BYTES;
    if (file_ == nullptr || failure_ != 0)
        return false;
    if (dataBytes_ + bytes > MAX_DATA_BYTES)
        failure_ = EFBIG;
    else if (std::fwrite(samples, 1, bytes, file_) != bytes)
        failure_ = lastError();
    dataBytes_ += bytes;
    return failure_ == 0;
}

bool WavFile::close(uint32_t sampleRate, std::string& error) {
    if (file_ == nullptr) {
        error = "cannot write " + path_ + ": not open";
        return false;
    }
    unsigned char header[HEADER_BYTES];
    fillHeader(header, sampleRate, static_cast<uint32_t>(dataBytes_));
    if (failure_ == 0 && (std::fseek(file_, 0, SEEK_SET) != 0 ||
                          std::fwrite(header, 1, HEADER_BYTES, file_) != HEADER_BYTES))
        failure_ = lastError();
    if (std::fclose(file_) != 0 && failure_ == 0)
        failure_ = lastError();
    file_ = nullptr;
    if (failure_ != 0)
        error = "cannot write " + path_ + ": " + std::strerror(failure_);
    return failure_ == 0;
}

void WavFile::discard() {
    if (file_ != nullptr)
        std::fclose(file_);
    file_ = nullptr;
    std::error_code ignored;
    std::filesystem::remove(utf8Path(path_), ignored);
}
