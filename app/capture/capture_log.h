// The recorder's one-line messages on stderr, all under the tool's name.
#pragma once

constexpr const char* CAPTURE_TOOL_NAME = "pelmira15-capture";

// printf-style; the line ends by itself. A stderr that cannot be written
// (a closed pipe) loses the line and nothing else.
void captureMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
