#include "app/capture/capture_log.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr const char* TOOL_NAME = "pelmira15-capture";

}  // namespace

void captureMessage(const char* format, ...) {
    std::fprintf(stderr, "%s: ", TOOL_NAME);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
}
