// What the program knows about the terminal it runs in.
#pragma once

#include <atomic>

namespace corvatine::platform {

bool IsTerminal(int fd);
// The width in columns of the terminal on fd, or 0 when it is none.
int TerminalWidth(int fd);

// Catches Ctrl+C (SIGINT), SIGTERM and SIGHUP until ReleaseInterrupt: the
// first one only sets the flag returned, so that long work can stop between
// two safe steps; a second of the same signal ends the program as usual.
const std::atomic<bool>& CatchInterrupt();
void ReleaseInterrupt();

}  // namespace corvatine::platform
