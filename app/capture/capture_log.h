// The recorder's one-line messages on stderr, all under the tool's name.
#pragma once

// printf-style; the line ends by itself.
void captureMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
