// The recorder's one-line messages on stderr, all under the tool's name.
#pragma once

extern const char* const CAPTURE_TOOL_NAME;

// printf-style; the line ends by itself. A stderr that cannot be written
// (a closed pipe) loses the line and nothing else.
void captureMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
