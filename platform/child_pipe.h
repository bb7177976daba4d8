// Child programs for the recorder: one fed through a pipe on its standard
// input (the encoder), or one run to completion (the muxer).
//
// What the rest of the program may rely on:
//   - ChildPipe::open() starts a program found on PATH with its stdin on a
//     pipe. Both ends are close-on-exec, so no other child ever holds the
//     pipe open and the reader sees its end as soon as close() is called.
//     A program that cannot be started answers false and a reason.
//   - write() hands over every byte or answers false when the reader has
//     gone; a gone reader never raises SIGPIPE in this process.
//   - close() ends the input and waits: the child's exit status.
//     A ChildPipe destroyed while open kills its child and waits for it.
//   - runChild() runs a program with stdin on /dev/null and waits.
//   - The child gets the default signal mask and dispositions, and shares
//     this process's stdout and stderr.
//   - The child leads a process group of its own: a terminal's Ctrl-C (or
//     hang-up) reaches this process alone, which then ends the child itself
//     rather than find it gone half way.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

// The exit status reported for a child that a signal ended, or that could
// not be waited for.
constexpr int CHILD_ABNORMAL_EXIT = -1;

class ChildPipe {
public:
    ChildPipe() = default;
    ~ChildPipe();
    ChildPipe(const ChildPipe&) = delete;
    ChildPipe& operator=(const ChildPipe&) = delete;

    // argv[0] is searched on PATH.
    bool open(const std::vector<std::string>& argv, std::string& error);
    bool write(const void* data, size_t size);
    int close();
    // Ends the child at once and waits for it.
    void kill();
    bool isOpen() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
};

// Runs the program to its end; answers its exit status, or false with a
// reason when it cannot be started.
bool runChild(const std::vector<std::string>& argv, int& status, std::string& error);
