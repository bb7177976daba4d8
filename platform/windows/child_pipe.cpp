// Child processes over CreateProcessW (platform/child_pipe.h). Windows hands a
// child every inheritable handle unless told otherwise, and the C runtime's
// files are inheritable by default; so each child gets exactly its three
// standard handles through an explicit handle list.
#include "platform/child_pipe.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/windows/wide_text.h"

namespace {

constexpr const wchar_t* NULL_DEVICE = L"NUL";
// Only a hint to the system: a frame is written in several turns anyway.
constexpr DWORD PIPE_BUFFER_BYTES = 1 << 20;
// What a child ended by kill() reports; nobody reads it.
constexpr UINT KILLED_EXIT_CODE = 1;
// Exit codes with the top bit set are NTSTATUS errors: the child died of an
// exception (an access violation, a stack overflow), as a signal ends one on POSIX.
constexpr DWORD EXCEPTION_EXIT_BIT = 0x80000000u;

HANDLE handleOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t valueOf(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

// One argument as the C runtime's parser (and CommandLineToArgvW) reads it
// back: quoted when it is empty or holds blanks or quotes; inside quotes, a
// run of backslashes is doubled before a quote or the closing one.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    for (auto at = argument.begin();; ++at) {
        size_t backslashes = 0;
        while (at != argument.end() && *at == L'\\') {
            ++at;
            ++backslashes;
        }
        if (at == argument.end()) {
            line.append(backslashes * 2, L'\\');
            break;
        }
        line.append(*at == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        line += *at;
    }
    line += L'"';
}

std::wstring commandLine(const std::vector<std::string>& argv) {
    std::wstring line;
    for (const std::string& argument : argv) {
        if (!line.empty())
            line += L' ';
        appendQuoted(line, wideFromUtf8(argument.c_str()));
    }
    return line;
}

// The child's stdin, stdout and stderr as inheritable copies, for the life
// of one CreateProcessW. A standard handle this process lacks (a GUI program
// started without a console) stays null.
class InheritedHandles {
public:
    explicit InheritedHandles(HANDLE input) {
        const HANDLE sources[] = {input, GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
        for (size_t i = 0; i < COUNT; ++i) {
            if (sources[i] == nullptr || sources[i] == INVALID_HANDLE_VALUE ||
                !DuplicateHandle(GetCurrentProcess(), sources[i], GetCurrentProcess(), &copies_[i], 0, TRUE,
                                 DUPLICATE_SAME_ACCESS)) {
                copies_[i] = nullptr;
                continue;
            }
            listed_[listedCount_++] = copies_[i];
        }
    }
    ~InheritedHandles() {
        for (HANDLE copy : copies_) {
            if (copy != nullptr)
                CloseHandle(copy);
        }
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    void fill(STARTUPINFOW& info) const {
        info.dwFlags |= STARTF_USESTDHANDLES;
        info.hStdInput = copies_[0];
        info.hStdOutput = copies_[1];
        info.hStdError = copies_[2];
    }
    HANDLE* list() { return listed_; }
    size_t listBytes() const { return listedCount_ * sizeof(HANDLE); }
    bool empty() const { return listedCount_ == 0; }

private:
    static constexpr size_t COUNT = 3;
    HANDLE copies_[COUNT] = {};
    HANDLE listed_[COUNT] = {};
    size_t listedCount_ = 0;
};

// The attribute list that limits what the child inherits to the handles named.
class HandleListAttribute {
public:
    explicit HandleListAttribute(InheritedHandles& handles) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        ok_ = !handles.empty() && InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
              UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.list(),
                                        handles.listBytes(), nullptr, nullptr);
        initialised_ = ok_;
    }
    ~HandleListAttribute() {
        if (initialised_)
            DeleteProcThreadAttributeList(list_);
    }
    HandleListAttribute(const HandleListAttribute&) = delete;
    HandleListAttribute& operator=(const HandleListAttribute&) = delete;

    bool ok() const { return ok_; }
    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

private:
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ok_ = false;
    bool initialised_ = false;
};

// The child starts in a process group of its own (the console's Ctrl-C is
// for this process to act on) with its stdin on input. CreateProcessW finds
// argv[0] on PATH, .exe added, as a command line would.
bool spawn(const std::vector<std::string>& argv, HANDLE input, HANDLE& process, std::string& error) {
    InheritedHandles handles(input);
    HandleListAttribute attribute(handles);
    if (!attribute.ok()) {
        error = "cannot start " + argv[0] + ": cannot hand over its standard handles: " +
                windowsErrorText(GetLastError());
        return false;
    }
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof(startup);
    handles.fill(startup.StartupInfo);
    startup.lpAttributeList = attribute.list();
    std::wstring line = commandLine(argv);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_PROCESS_GROUP | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                        &startup.StartupInfo, &started)) {
        error = "cannot start " + argv[0] + ": " + windowsErrorText(GetLastError());
        return false;
    }
    CloseHandle(started.hThread);
    process = started.hProcess;
    return true;
}

int waitForExit(HANDLE process) {
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (!ended || (code & EXCEPTION_EXIT_BIT) != 0)
        return CHILD_ABNORMAL_EXIT;
    return static_cast<int>(code);
}

}  // namespace

ChildPipe::~ChildPipe() {
    if (isOpen())
        kill();
}

bool ChildPipe::open(const std::vector<std::string>& argv, std::string& error) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    // Neither end is inheritable; the child gets a copy of the read end alone.
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, PIPE_BUFFER_BYTES)) {
        error = "cannot make a pipe: " + windowsErrorText(GetLastError());
        return false;
    }
    HANDLE process = nullptr;
    const bool started = spawn(argv, readEnd, process, error);
    CloseHandle(readEnd);
    if (!started) {
        CloseHandle(writeEnd);
        return false;
    }
    process_ = valueOf(process);
    input_ = valueOf(writeEnd);
    return true;
}

// A reader that has gone fails the write (ERROR_NO_DATA, ERROR_BROKEN_PIPE);
// Windows raises no signal for it.
bool ChildPipe::write(const void* data, size_t size) {
    if (input_ == NO_HANDLE)
        return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        constexpr size_t MOST_PER_CALL = 1u << 30;
        const DWORD chunk = static_cast<DWORD>(size < MOST_PER_CALL ? size : MOST_PER_CALL);
        DWORD written = 0;
        if (!WriteFile(handleOf(input_), bytes, chunk, &written, nullptr))
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

int ChildPipe::close() {
    if (input_ != NO_HANDLE)
        CloseHandle(handleOf(input_));
    input_ = NO_HANDLE;
    const int status = isOpen() ? waitForExit(handleOf(process_)) : CHILD_ABNORMAL_EXIT;
    process_ = NO_HANDLE;
    return status;
}

void ChildPipe::kill() {
    if (isOpen())
        TerminateProcess(handleOf(process_), KILLED_EXIT_CODE);
    close();
}

bool runChild(const std::vector<std::string>& argv, int& status, std::string& error) {
    const HANDLE input = CreateFileW(NULL_DEVICE, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) {
        error = "cannot open NUL: " + windowsErrorText(GetLastError());
        return false;
    }
    HANDLE process = nullptr;
    const bool started = spawn(argv, input, process, error);
    CloseHandle(input);
    if (!started)
        return false;
    status = waitForExit(process);
    return true;
}
