// The command line of a three-way merge, as both faces read it:
// --merge BASE OURS THEIRS with --output, --diff3, --label, --rules, --auto.
#pragma once

#include <string>
#include <vector>

#include "textcompare/MergeDoc.h"

namespace corvatine {

struct MERGECOMMAND {
    MERGEREQUEST request;
    std::string output;     // where the merged text is saved; empty: not named
    bool autoSave = false;  // --auto: a clean merge is saved at once, without the window
};

// Whether the arguments ask for a merge: "--merge" before any lone "--".
bool IsMergeCommand(const std::vector<std::string>& arguments);

// The three paths among the arguments left once the options are taken:
// "--" ends the options, and any other word starting with '-' is refused
// (an absolute path starts with '/'). False with error unless exactly three.
[[nodiscard]] bool TakeMergePaths(const std::vector<std::string>& arguments, MERGEREQUEST& request,
                                  std::string& error);

// Reads a whole merge command line (the window's): the merge's words and the
// three paths. False with error for anything else.
[[nodiscard]] bool ParseMergeCommand(const std::vector<std::string>& arguments, MERGECOMMAND& command,
                                     std::string& error);

}  // namespace corvatine
