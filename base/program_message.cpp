// Tagged messages on stderr (a page's stderr is the browser's console); the
// program's name comes from the platform's program_naming.cpp.
#include "base/program_message.h"

#include <cstdarg>
#include <cstdio>

void programMessage(const char* format, ...) {
    std::fprintf(stderr, "%s: ", programName());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}
