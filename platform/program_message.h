// One-line messages on stderr, each under the program's own name
// ("pelmira15: ..."), whichever module has something to tell the user.
//
// What the rest of the program may rely on:
//   - programMessage() writes one whole line; the newline is added.
//   - A stderr that cannot be written (a closed pipe) loses the line and
//     nothing else.
#pragma once

// The name the program was started under, without its folder.
const char* programName();

void programMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
