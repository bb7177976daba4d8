#include "platform/terminal.h"

#include <io.h>
#include <windows.h>

// A console's width is its window's, not its buffer's (which may be far wider).
int terminalColumns(int fd) {
    const intptr_t handle = _get_osfhandle(fd);
    CONSOLE_SCREEN_BUFFER_INFO console = {};
    if (handle == -1 || !GetConsoleScreenBufferInfo(reinterpret_cast<HANDLE>(handle), &console))
        return 0;
    return console.srWindow.Right - console.srWindow.Left + 1;
}

// Nothing to ignore: Windows raises no signal for a write to a pipe whose
// reader has gone; the write fails (EINVAL from the C runtime) and the
// program goes on.
void ignoreBrokenPipes() {}
