// The headless three-way merge: corvatine --merge BASE OURS THEIRS.
#pragma once

#include <string>
#include <vector>

#include "app/FrontEndOptions.h"
#include "platform/Output.h"
#include "textcompare/MergeDoc.h"

namespace corvatine {

// Merges and writes the merged text to --output (replaced atomically) or to
// out; --format=json describes the chunks on out instead. Exit 0 when clean,
// 1 when conflicts remain, 2 on trouble.
int RunMergeAction(const FRONTENDOPTIONS& options, const std::vector<std::string>& arguments,
                   platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
