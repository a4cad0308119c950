#include "platform/Terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace corvatine::platform {

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

int TerminalWidth(int fd) {
    struct winsize size {};
    if (::ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Ctrl+C, kill's default and a closed terminal: each asks the program to end.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnInterrupt(int signal) {
    g_interrupted = true;
    ::signal(signal, SIG_DFL);  // a second one ends the program
}

}  // namespace

const std::atomic<bool>& CatchInterrupt() {
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : kEndingSignals) ::sigaction(signal, &action, nullptr);
    return g_interrupted;
}

void ReleaseInterrupt() {
    for (const int signal : kEndingSignals) ::signal(signal, SIG_DFL);
}

}  // namespace corvatine::platform
