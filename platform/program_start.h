// What the OS needs done before a program's own first line.
//
// What the rest of the program may rely on:
//   - After startProgram(argc, argv), argv holds the program's arguments as
//     UTF-8, for as long as the process runs, and stdout and stderr reach
//     the user where the OS lets them: on Windows, a windowed program's
//     lines go to the console it was started from; started with no console
//     (from the desktop), what it wrote on stderr shows in a message box when
//     it ends, so a message that ends it is not lost.
//   - On POSIX it changes nothing: the arguments are the bytes given.
#pragma once

void startProgram(int& argc, char**& argv);
