// What a command-line tool needs to know about where its output goes.
#pragma once

// The width in columns of the terminal on fd; 0 when fd is not a terminal
// (a file, a pipe) or tells no width.
int terminalColumns(int fd);

// A write to a pipe whose reader has gone (stderr piped into head) fails
// with EPIPE instead of ending the program. Children started later still get
// the default (see child_pipe.h).
void ignoreBrokenPipes();
