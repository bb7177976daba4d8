#include "platform/windows/executable_path.h"

#include <windows.h>

#include <string>

namespace {

constexpr DWORD FIRST_GUESS = MAX_PATH;
// Windows' own limit for a path with the \\?\ prefix.
constexpr DWORD LONGEST_PATH = 32768;

}  // namespace

// A path longer than the buffer comes back cut short with the buffer's size
// as its length: try again with room to spare.
std::filesystem::path executablePath() {
    std::wstring buffer;
    for (DWORD size = FIRST_GUESS; size <= LONGEST_PATH; size *= 2) {
        buffer.resize(size);
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0)
            return std::filesystem::path();
        if (length < size) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
    }
    return std::filesystem::path();
}
