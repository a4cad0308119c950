// A run with GNU diff's options: two files or two folder trees compared by
// the line difference engine and written in diff's formats, byte for byte
// as diff writes them, with diff's exit status.
#pragma once

#include <string>
#include <vector>

#include "app/DiffOptions.h"
#include "platform/Output.h"

namespace corvatine {

// Compares the two paths of the arguments (what TakeDiffOptions left: the
// paths, "--", and -c or -compare, which change nothing). Returns 0 when
// they are the same, 1 when they differ, 2 on trouble (told on err); git's
// external diff call ends 0 unless in trouble.
int RunDiffAction(const DIFFOPTIONS& options, const std::vector<std::string>& arguments,
                  platform::COutput& out, platform::COutput& err);

}  // namespace corvatine
