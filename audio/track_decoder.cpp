#include "audio/track_decoder.h"

#include <mpg123.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>

namespace {

constexpr size_t DECODE_CHUNK_BYTES = 64 * 1024;
// The densest frames of the standard bit rates: 576 sample frames in 24
// bytes (8 kbit/s at 24 kHz).
constexpr off_t MAX_FRAMES_PER_FILE_BYTE = 24;

// Only 16-bit stereo at any rate the decoder knows: the file's own rate is
// kept, mono is widened by the decoder.
void allowStereo16(mpg123_handle* handle) {
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

// A format change that keeps the rate keeps the samples one stream.
bool sameRate(mpg123_handle* handle, long rate) {
    long newRate = 0;
    int channels = 0, encoding = 0;
    return mpg123_getformat(handle, &newRate, &channels, &encoding) == MPG123_OK && newRate == rate;
}

// The length a file's header claims, as far as the file's size can back it:
// a lying header must not make the decoder reserve more than the file can
// fill (the samples still grow past the reservation if they must).
size_t plausibleFrames(const char* path, off_t claimed) {
    struct stat info;
    if (claimed <= 0 || stat(path, &info) != 0 || info.st_size <= 0)
        return 0;
    return static_cast<size_t>(std::min(claimed, info.st_size * MAX_FRAMES_PER_FILE_BYTE));
}

bool fail(const std::string& path, const char* reason, DecodedTrack& track, std::string& error) {
    error = path + ": " + reason;
    track = DecodedTrack{};
    return false;
}

}  // namespace

bool decodeTrack(const char* path, DecodedTrack& track, std::string& error) {
    track = DecodedTrack{};
    mpg123_init();
    int result = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &result);
    if (handle == nullptr)
        return fail(path, mpg123_plain_strerror(result), track, error);
    // libmpg123's own notes stay off stderr: the error is the one line said.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    allowStereo16(handle);

    bool ok = false;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(handle, path) != MPG123_OK) {
        fail(path, mpg123_strerror(handle), track, error);
    } else if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK) {
        fail(path, mpg123_strerror(handle), track, error);
    } else {
        track.samples.reserve(plausibleFrames(path, mpg123_length(handle)) * TRACK_CHANNELS);
        unsigned char chunk[DECODE_CHUNK_BYTES];
        for (;;) {
            size_t got = 0;
            result = mpg123_read(handle, chunk, sizeof chunk, &got);
            const int16_t* decoded = reinterpret_cast<const int16_t*>(chunk);
            track.samples.insert(track.samples.end(), decoded, decoded + got / sizeof(int16_t));
            if (result == MPG123_NEW_FORMAT && !sameRate(handle, rate))
                break;
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                break;
        }
        if (result == MPG123_NEW_FORMAT)
            fail(path, "the sample rate changes inside the file", track, error);
        else if (result != MPG123_DONE)
            fail(path, mpg123_strerror(handle), track, error);
        else if (track.samples.empty())
            fail(path, "no audio in the file", track, error);
        else
            ok = true;
        track.sampleRate = ok ? static_cast<uint32_t>(rate) : 0;
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return ok;
}
