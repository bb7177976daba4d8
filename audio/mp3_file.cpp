#include "audio/mp3_file.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdio>

// mpg123's lseek hands over POSIX origins; the callbacks take 0, 1 and 2.
static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "seek origins must be 0, 1, 2");

namespace sound_internal {

namespace {

FileCallbacks setCallbacks{};

}  // namespace

bool fileCallbacksSet() {
    return setCallbacks.open != nullptr && setCallbacks.close != nullptr && setCallbacks.read != nullptr &&
           setCallbacks.seek != nullptr && setCallbacks.tell != nullptr;
}

Mp3File::~Mp3File() {
    if (decoder_ != nullptr) {
        mpg123_close(decoder_);
        mpg123_delete(decoder_);
    }
    // mpg123 only cleans up a handle it has taken on.
    closeFile();
}

const char* Mp3File::open(const char* path, long rate) {
    assert(file_ == nullptr && decoder_ == nullptr && fileCallbacksSet());
    callbacks_ = setCallbacks;
    file_ = callbacks_.open(path);
    if (file_ == nullptr)
        return FILE_NOT_OPENED;
    return openDecoder(rate) ? nullptr : NO_MP3_DATA;
}

bool Mp3File::openDecoder(long rate) {
    decoder_ = mpg123_new(nullptr, nullptr);
    if (decoder_ == nullptr)
        return false;
    // The tags are never read; skipping them keeps a header that claims a
    // large tag from costing an allocation of its claimed size (up to 256 MB).
    mpg123_param(decoder_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
    mpg123_format_none(decoder_);
    if (mpg123_format(decoder_, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK)
        return false;
    if (mpg123_replace_reader_handle(decoder_, readThrough, seekThrough, cleanupThrough) != MPG123_OK)
        return false;
    if (mpg123_open_handle(decoder_, this) != MPG123_OK)
        return false;
    long decodedRate = 0;
    int channels = 0;
    int encoding = 0;
    return mpg123_getformat(decoder_, &decodedRate, &channels, &encoding) == MPG123_OK && decodedRate == rate &&
           channels == OUTPUT_CHANNELS && encoding == MPG123_ENC_SIGNED_16;
}

void Mp3File::closeFile() {
    if (file_ != nullptr) {
        callbacks_.close(file_);
        file_ = nullptr;
    }
}

mpg123_ssize_t Mp3File::readThrough(void* handle, void* buffer, size_t bytes) {
    Mp3File& file = *static_cast<Mp3File*>(handle);
    const int size = static_cast<int>(std::min(bytes, static_cast<size_t>(INT_MAX)));
    const int got = file.callbacks_.read(buffer, size, file.file_);
    return got < 0 ? -1 : got;
}

// Behaves as POSIX lseek: answers the new absolute offset.
off_t Mp3File::seekThrough(void* handle, off_t offset, int whence) {
    Mp3File& file = *static_cast<Mp3File*>(handle);
    if (offset < INT_MIN || offset > INT_MAX)
        return -1;
    if (file.callbacks_.seek(file.file_, static_cast<int>(offset), static_cast<signed char>(whence)) != 0)
        return -1;
    const int at = file.callbacks_.tell(file.file_);
    return at < 0 ? -1 : at;
}

void Mp3File::cleanupThrough(void* handle) { static_cast<Mp3File*>(handle)->closeFile(); }

}  // namespace sound_internal

void soundSetFileCallbacks(SoundFileOpen open, SoundFileClose close, SoundFileRead read, SoundFileSeek seek,
                           SoundFileTell tell) {
    sound_internal::setCallbacks = sound_internal::FileCallbacks{open, close, read, seek, tell};
}
