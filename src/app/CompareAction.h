// The compare action of the front end: one request compared headless (text
// files merged on request) and its result printed in the chosen format.
#pragma once

#include <iosfwd>

#include "app/FrontEndOptions.h"
#include "request/CompareParams.h"

namespace corvatine {

// Returns the exit status: 0 identical, 1 different, 2 trouble (the message on err).
int RunCompareRequest(const CCompareParams& request, const FRONTENDOPTIONS& options, std::ostream& out,
                      std::ostream& err);

}  // namespace corvatine
