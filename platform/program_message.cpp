#include "platform/program_message.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

const char* programName() { return program_invocation_short_name; }

void programMessage(const char* format, ...) {
    std::fprintf(stderr, "%s: ", programName());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}
