// Runs a program the way a user would start it, for end-to-end tests: own
// environment additions, working directory, stderr captured, a time limit.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Own: the child leads a process group of its own, as a shell puts a job in
// one, so that a test can signal the whole group as a terminal's Ctrl-C does.
enum class ProcessGroup { Shared, Own };

class ChildProcess {
public:
    // Starts program with args; env entries are "NAME=value" added to ours.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, const std::string& workingDirectory,
                 ProcessGroup group = ProcessGroup::Shared);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number) const;
    // To every process in its group; started with ProcessGroup::Own only.
    void signalGroup(int number) const;
    // Waits up to timeoutMs; answers true when it exited (then status() holds
    // its exit code, or 128 + the signal that killed it).
    bool waitFor(int timeoutMs);
    bool running();
    int status() const { return status_; }
    // What it wrote to stderr so far (complete once it has exited).
    std::string errorOutput();

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int stderrPipe_ = -1;
    std::string collected_;
};

// Milliseconds on the monotonic clock.
long long monotonicMs();
// Runs a shell command and answers its stdout.
std::string shellOutput(const std::string& command);
