// The compare action of the front end: one request compared headless (text
// files merged on request) and its result printed in the chosen format.
#pragma once

#include "app/FrontEndOptions.h"
#include "launch/Components.h"
#include "platform/Output.h"
#include "request/CompareParams.h"

namespace corvatine {

// Returns the exit status: 0 identical, 1 different, 2 trouble (the message on err).
// The comparison reads only the components of its kind.
int RunCompareRequest(CComponents& components, const CCompareParams& request, const FRONTENDOPTIONS& options,
                      platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
