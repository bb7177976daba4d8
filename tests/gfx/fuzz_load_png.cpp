// libFuzzer target: any bytes, as a file, through Texture::loadPng. No GL
// context: only loading and freeing the pixels run.
#include <cstdint>
#include <cstdlib>

#include "gfx/texture.h"
#include "tests/support/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MemoryFile file("fuzz-png");
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
