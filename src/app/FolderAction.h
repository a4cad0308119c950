// The folder comparison of the front end: two folder trees compared headless
// and shown as an indented tree, as diff -rq's brief lines, or as JSON.
#pragma once

#include "app/FrontEndOptions.h"
#include "launch/Components.h"
#include "platform/Output.h"
#include "request/CompareParams.h"

namespace corvatine {

// Returns the exit status: 0 identical or one folder on both sides, 1
// different, 2 trouble (a file that could not be compared included).
int RunFolderCompare(CComponents& components, const CFolderCompareParams& request,
                     const FRONTENDOPTIONS& options, platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
