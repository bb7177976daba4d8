// A program's start on Windows (platform/program_start.h). main's narrow
// argv is in the ANSI code page, which cannot name every file: the wide
// command line is read again and kept as UTF-8. A windowed program starts
// with no standard streams; it writes into its starter's console when there
// is one, and otherwise into a file that a message box shows at exit.
#include "platform/program_start.h"

// windows.h first: shellapi.h builds on it.
#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/program_message.h"
#include "platform/windows/wide_text.h"

namespace {

constexpr size_t BOX_TEXT_LIMIT = 4096;

// The arguments main sees from now on; they live as long as the process.
std::vector<std::string> utf8Arguments;
std::vector<char*> argumentPointers;
// Where stderr went when no one could see it.
std::FILE* unseenMessages = nullptr;

bool hasStream(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void readArgumentsAgain(int& argc, char**& argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return;
    for (int i = 0; i < count; ++i)
        utf8Arguments.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    for (std::string& argument : utf8Arguments)
        argumentPointers.push_back(argument.data());
    argumentPointers.push_back(nullptr);
    argc = count;
    argv = argumentPointers.data();
}

// Whatever reached the file, in one box, once the program is done.
void showUnseenMessages() {
    std::fflush(stderr);
    std::rewind(unseenMessages);
    std::string text(BOX_TEXT_LIMIT, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), unseenMessages));
    if (text.empty())
        return;
    MessageBoxW(nullptr, wideFromUtf8(text.c_str()).c_str(), wideFromUtf8(programName()).c_str(),
                MB_OK | MB_ICONERROR);
}

// A stream the starter did not redirect goes to its console, if it has one.
void reachTheStarter() {
    const bool out = hasStream(STD_OUTPUT_HANDLE);
    const bool err = hasStream(STD_ERROR_HANDLE);
    if (out && err)
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!out)
            std::freopen("CONOUT$", "w", stdout);
        if (!err)
            std::freopen("CONOUT$", "w", stderr);
        return;
    }
    if (err)
        return;
    unseenMessages = std::tmpfile();
    if (unseenMessages == nullptr)
        return;
    _dup2(_fileno(unseenMessages), _fileno(stderr));
    std::atexit(showUnseenMessages);
}

}  // namespace

void startProgram(int& argc, char**& argv) {
    reachTheStarter();
    readArgumentsAgain(argc, argv);
}
