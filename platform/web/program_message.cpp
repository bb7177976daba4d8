// Tagged messages in a page (platform/program_message.h): stderr is the
// browser's console.
#include "platform/program_message.h"

#include <cstdarg>
#include <cstdio>

const char* programName() { return PELMIRA_PROGRAM_NAME; }

void programMessage(const char* format, ...) {
    std::fprintf(stderr, "%s: ", programName());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}

// A data file is named as the page fetched it, relative to the page, which
// is the name a visitor can look up.
std::string fullPath(const char* path) { return path; }
