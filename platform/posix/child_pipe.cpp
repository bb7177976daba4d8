#include "platform/child_pipe.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace {

constexpr const char* NULL_DEVICE = "/dev/null";

// The child starts with nothing blocked and SIGPIPE at its default, whatever
// this process has set, in a process group of its own (the terminal's
// signals are for this process to act on), and its stdin on inputFd; every
// close-on-exec descriptor, the pipe's write end included, stays behind.
bool spawn(const std::vector<std::string>& argv, int inputFd, pid_t& pid, std::string& error) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputFd, STDIN_FILENO);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    const int result = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        error = "cannot start " + argv[0] + ": " + std::strerror(result);
        pid = -1;
        return false;
    }
    return true;
}

int waitForExit(pid_t pid) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0) {
        if (errno != EINTR)
            return CHILD_ABNORMAL_EXIT;
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : CHILD_ABNORMAL_EXIT;
}

// A write to a pipe whose reader has gone raises SIGPIPE; it is blocked for
// the call and a pending one is taken back, so only EPIPE remains.
bool writeQuietly(int fd, const char* data, size_t size) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool ok = true;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    if (!ok && errno == EPIPE) {
        const timespec noWait = {0, 0};
        sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

}  // namespace

ChildPipe::~ChildPipe() {
    if (isOpen())
        kill();
}

bool ChildPipe::open(const std::vector<std::string>& argv, std::string& error) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    pid_t pid = -1;
    const bool started = spawn(argv, ends[0], pid, error);
    ::close(ends[0]);
    if (!started) {
        ::close(ends[1]);
        return false;
    }
    process_ = pid;
    input_ = ends[1];
    return true;
}

bool ChildPipe::write(const void* data, size_t size) {
    return input_ != NO_HANDLE && writeQuietly(static_cast<int>(input_), static_cast<const char*>(data), size);
}

int ChildPipe::close() {
    if (input_ != NO_HANDLE)
        ::close(static_cast<int>(input_));
    input_ = NO_HANDLE;
    const int status = isOpen() ? waitForExit(static_cast<pid_t>(process_)) : CHILD_ABNORMAL_EXIT;
    process_ = NO_HANDLE;
    return status;
}

void ChildPipe::kill() {
    if (isOpen())
        ::kill(static_cast<pid_t>(process_), SIGKILL);
    close();
}

bool runChild(const std::vector<std::string>& argv, int& status, std::string& error) {
    const int input = ::open(NULL_DEVICE, O_RDONLY | O_CLOEXEC);
    if (input < 0) {
        error = std::string("cannot open ") + NULL_DEVICE + ": " + std::strerror(errno);
        return false;
    }
    pid_t pid = -1;
    const bool started = spawn(argv, input, pid, error);
    ::close(input);
    if (!started)
        return false;
    status = waitForExit(pid);
    return true;
}
