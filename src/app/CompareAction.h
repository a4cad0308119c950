// The compare action of the front end: two files compared headless, merged
// on request, and shown as aligned columns, a unified diff or JSON.
#pragma once

#include <iosfwd>

#include "app/CommandLine.h"
#include "app/FrontEndOptions.h"

namespace corvatine {

// Returns the exit status: 0 identical, 1 different, 2 trouble (the message on err).
int RunCompareAction(const CCommandLine& commandLine, const FRONTENDOPTIONS& options, std::ostream& out,
                     std::ostream& err);

}  // namespace corvatine
