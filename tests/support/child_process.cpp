#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& env, const std::string& workingDirectory,
                           ProcessGroup group) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        if (group == ProcessGroup::Own)
            setpgid(0, 0);
        dup2(pipeEnds[1], STDERR_FILENO);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(126);
        for (const std::string& entry : env)
            putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    // Both sides set the group, so it exists whichever runs first.
    if (pid_ > 0 && group == ProcessGroup::Own)
        setpgid(pid_, pid_);
    close(pipeEnds[1]);
    stderrPipe_ = pipeEnds[0];
    fcntl(stderrPipe_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitFor(5000);
    }
    if (stderrPipe_ >= 0)
        close(stderrPipe_);
}

void ChildProcess::signal(int number) const {
    if (pid_ > 0)
        kill(pid_, number);
}

void ChildProcess::signalGroup(int number) const {
    if (pid_ > 0)
        kill(-pid_, number);
}

bool ChildProcess::running() {
    if (pid_ <= 0 || status_ >= 0)
        return false;
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return false;
    }
    return true;
}

bool ChildProcess::waitFor(int timeoutMs) {
    const long long deadline = monotonicMs() + timeoutMs;
    while (running()) {
        errorOutput();
        if (monotonicMs() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_ >= 0;
}

std::string ChildProcess::errorOutput() {
    char buffer[4096];
    ssize_t got;
    while (stderrPipe_ >= 0 && (got = read(stderrPipe_, buffer, sizeof buffer)) > 0)
        collected_.append(buffer, static_cast<size_t>(got));
    return collected_;
}

long long monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string shellOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[512];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}
