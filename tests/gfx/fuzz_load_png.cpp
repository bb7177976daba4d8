// libFuzzer target: any bytes, as a file, through Texture::loadPng. No GL
// context: only loading and freeing the pixels run.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfx/texture.h"

namespace {

// One in-memory file, rewritten for every input, opened by its /proc path.
struct MemoryFile {
    MemoryFile() : fd(memfd_create("fuzz-png", 0)), path("/proc/self/fd/" + std::to_string(fd)) {
        if (fd < 0)
            std::abort();
    }
    void replace(const uint8_t* data, size_t size) const {
        if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
            std::abort();
    }
    int fd;
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MemoryFile file;
    file.replace(data, size);
    Texture texture;
    // Both settings of the flag get exercised without spending input bytes on it.
    texture.loadPng(file.path.c_str(), static_cast<int32_t>(size & 1));
    if (texture.pixels != nullptr) {
        if (texture.width == 0 || texture.height == 0)
            std::abort();
        // Reading the last byte lets AddressSanitizer check the buffer's size.
        volatile uint8_t last = texture.pixels[size_t{texture.width} * texture.height * 4 - 1];
        (void)last;
    }
    texture.freePixels();
    return 0;
}
