#include "platform/program_message.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

const char* programName() { return program_invocation_short_name; }

void programMessage(const char* format, ...) {
    std::fprintf(stderr, "%s: ", programName());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

std::string fullPath(const char* path) {
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failure);
    return failure ? std::string(path) : absolute.string();
}
