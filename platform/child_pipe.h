// Child programs for the recorder: one fed through a pipe on its standard
// input (the encoder), or one run to completion (the muxer).
//
// What the rest of the program may rely on:
//   - ChildPipe::open() starts a program found on PATH (on Windows also
//     with .exe added) with its stdin on a pipe. Neither end is inherited by
//     any other child, so none holds the pipe open and the reader sees its
//     end as soon as close() is called. Arguments are UTF-8 and reach the
//     child as they were given, spaces and quotes included. A program that
//     cannot be started answers false and a reason.
//   - write() hands over every byte or answers false when the reader has
//     gone; a gone reader never raises SIGPIPE in this process.
//   - close() ends the input and waits: the child's exit status.
//     A ChildPipe destroyed while open kills its child and waits for it.
//   - runChild() runs a program with stdin on the null device and waits.
//   - The child gets the default signal mask and dispositions, and shares
//     this process's stdout and stderr.
//   - The child leads a process group of its own: a terminal's Ctrl-C (or
//     hang-up) reaches this process alone, which then ends the child itself
//     rather than find it gone half way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The exit status reported for a child that a signal (on Windows an
// exception) ended, or that could not be waited for.
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
    bool isOpen() const { return process_ != NO_HANDLE; }

private:
    // The platform's own handles of the child and of the pipe's write end: a
    // process id and a descriptor on POSIX, two HANDLEs on Windows.
    static constexpr intptr_t NO_HANDLE = -1;
    intptr_t process_ = NO_HANDLE;
    intptr_t input_ = NO_HANDLE;
};

// Runs the program to its end; answers its exit status, or false with a
// reason when it cannot be started.
bool runChild(const std::vector<std::string>& argv, int& status, std::string& error);
