// One-line messages on stderr, each under the program's own name
// ("pelmira15: ..."), whichever module has something to tell the user.
//
// What the rest of the program may rely on:
//   - programMessage() writes one whole line; the newline is added.
//   - A stderr that cannot be written (a closed pipe) loses the line and
//     nothing else.
//   - fullPath() names a file the way every message names it.
#pragma once

#include <string>

// The name the program was started under, without its folder.
const char* programName();

void programMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The path made absolute: the data folder is the working directory, unknown
// to the user, so a relative name would not say which file is meant. The path
// as given where it cannot be made absolute.
std::string fullPath(const char* path);
