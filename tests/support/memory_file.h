// One in-memory file for fuzz targets that read through a path: rewritten for
// every input, opened by its /proc path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

struct MemoryFile {
    explicit MemoryFile(const char* name)
        : fd(memfd_create(name, 0)), path("/proc/self/fd/" + std::to_string(fd)) {
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
