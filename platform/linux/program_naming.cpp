// The program's name and its files' names on Linux (base/program_message.h).
#include "base/program_message.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

const char* programName() { return program_invocation_short_name; }

std::string fullPath(const char* path) {
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failure);
    return failure ? std::string(path) : absolute.string();
}
