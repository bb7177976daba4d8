// The file glue: libmpg123 reads and seeks a stream through the file
// callbacks the program set, never through the file system itself.
#include "audio/sound_system_internal.h"

#include <algorithm>
#include <climits>
#include <cstdio>

// mpg123's lseek hands over POSIX origins; the callbacks take 0, 1 and 2.
static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "seek origins must be 0, 1, 2");

namespace sound_internal {

void closeFile(SoundStream& stream) {
    if (stream.file != nullptr) {
        stream.callbacks.close(stream.file);
        stream.file = nullptr;
    }
}

mpg123_ssize_t readThrough(void* handle, void* buffer, size_t bytes) {
    SoundStream& stream = *static_cast<SoundStream*>(handle);
    const int size = static_cast<int>(std::min(bytes, static_cast<size_t>(INT_MAX)));
    const int got = stream.callbacks.read(buffer, size, stream.file);
    return got < 0 ? -1 : got;
}

// Behaves as POSIX lseek: answers the new absolute offset.
off_t seekThrough(void* handle, off_t offset, int whence) {
    SoundStream& stream = *static_cast<SoundStream*>(handle);
    if (offset < INT_MIN || offset > INT_MAX)
        return -1;
    if (stream.callbacks.seek(stream.file, static_cast<int>(offset), static_cast<signed char>(whence)) != 0)
        return -1;
    const int at = stream.callbacks.tell(stream.file);
    return at < 0 ? -1 : at;
}

void cleanupThrough(void* handle) { closeFile(*static_cast<SoundStream*>(handle)); }

}  // namespace sound_internal
