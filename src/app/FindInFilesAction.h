// The command line's find in files: --find-in-files=TEXT DIR.
#pragma once

#include <string>

#include "app/FrontEndOptions.h"
#include "platform/Output.h"

namespace corvatine {

// Searches the folder as the options ask (--types, --subfolders, --regex,
// --match-case) and prints the result nodes as they come: indented by their
// depth in the results tree (--format=tree, the default), as grep -n's
// PATH:LINE:TEXT lines (--format=grep), or as one JSON object at the end
// (--format=json). Ctrl+C cancels the search. Exit 0 when something was
// found, 1 when nothing was, 2 when the folder cannot be searched or the
// search was canceled (the reason on err).
int RunFindInFilesAction(const std::string& folder, const FRONTENDOPTIONS& options, platform::COutput& out,
                         platform::COutput& err);

}  // namespace corvatine
