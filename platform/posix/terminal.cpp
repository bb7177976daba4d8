#include "platform/terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

int terminalColumns(int fd) {
    winsize size = {};
    if (!isatty(fd) || ioctl(fd, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

void ignoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }
