// The whole program on its arguments: diff's options, the client's words,
// the choice of face, then the window or the front end; what main runs.
#pragma once

#include <string>
#include <vector>

#include "platform/Output.h"

namespace corvatine {

// Runs on the arguments that follow the program name, writing results to out
// and messages to err; the exit status (0 identical, 1 different, 2
// trouble, or the window's). Output that could not be written is trouble.
int RunProgram(std::vector<std::string> arguments, platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
