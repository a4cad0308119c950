#include "platform/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace corvatine::platform {

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

int TerminalWidth(int fd) {
    struct winsize size {};
    if (::ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

}  // namespace corvatine::platform
