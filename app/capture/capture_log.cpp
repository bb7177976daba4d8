#include "app/capture/capture_log.h"

#include <cstdarg>
#include <cstdio>

void captureMessage(const char* format, ...) {
    std::fprintf(stderr, "%s: ", CAPTURE_TOOL_NAME);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}
