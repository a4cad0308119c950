// The version-control view of the front end: the changes of the working copy
// that holds a folder, one line (or JSON entry) per changed file.
#pragma once

#include <string>

#include "app/FrontEndOptions.h"
#include "platform/Output.h"

namespace corvatine {

// Whether folder is an existing folder inside a working copy whose client is
// installed: what "corvatine DIR" shows the changes of.
bool IsVersionControlFolder(const std::string& folder);

// Prints the changes of the working copy that holds folder (--format=list,
// the default, or json). Exit status 0 when there are none, 1 when there are,
// 2 on trouble: no working copy there, its client missing or failing, or a
// front-end word that does not apply (said on err).
int RunVcsAction(const std::string& folder, const FRONTENDOPTIONS& options, platform::COutput& out,
                 platform::COutput& err);

}  // namespace corvatine
