// The command-line front end: runs the program headless and prints results.
#pragma once

#include <string>
#include <vector>

#include "platform/Output.h"

namespace corvatine {

// Runs the program on the arguments that follow the program name, writing
// results to out and messages to err. Returns the exit status: 0 success
// (identical), 1 different, 2 trouble.
int RunFrontEnd(const std::vector<std::string>& arguments, platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
