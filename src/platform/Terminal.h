// What the program knows about the terminal it runs in.
#pragma once

namespace corvatine::platform {

bool IsTerminal(int fd);
// The width in columns of the terminal on fd, or 0 when it is none.
int TerminalWidth(int fd);

}  // namespace corvatine::platform
