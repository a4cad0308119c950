// The edit action of the front end: a file opened in the text editor
// headless, shown, converted and saved.
#pragma once

#include "app/FrontEndOptions.h"
#include "launch/CommandLine.h"
#include "launch/Components.h"
#include "platform/Output.h"

namespace corvatine {

// Returns the exit status: 0 done, 2 trouble (the message on err).
int RunEditAction(CComponents& components, const CCommandLine& commandLine, const FRONTENDOPTIONS& options,
                  platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
