// The info action of the front end: one file-system entry described as the
// folder comparison sees it.
#pragma once

#include <string>

#include "platform/Output.h"

namespace corvatine {

// Prints the entry as one JSON object. Returns 0, or 2 when the path names
// nothing (the reason on err).
int RunInfoAction(const std::string& path, platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
