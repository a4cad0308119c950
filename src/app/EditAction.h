// The edit action of the front end: a file opened in the text editor
// headless, shown, converted and saved.
#pragma once

#include <iosfwd>

#include "app/FrontEndOptions.h"
#include "launch/CommandLine.h"

namespace corvatine {

// Returns the exit status: 0 done, 2 trouble (the message on err).
int RunEditAction(const CCommandLine& commandLine, const FRONTENDOPTIONS& options, std::ostream& out,
                  std::ostream& err);

}  // namespace corvatine
