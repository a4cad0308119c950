// "corvatine --shell-menu=CODE PATHS...": the context-menu command CODE run
// on the paths, for file managers that start a process per menu action.
#pragma once

#include <string>
#include <vector>

#include "platform/Output.h"

namespace corvatine {

// Runs the command; the exit status (0 done, 2 trouble told on err).
int RunShellMenuAction(const std::string& code, const std::vector<std::string>& paths,
                       platform::COutput& err);

}  // namespace corvatine
