// GNU diff's options on the program's command line: which of them were
// given, taken out of the arguments before the program's own options are
// read. Any of them makes the run headless and its output diff's.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

enum class DiffFormat { Normal, Unified, Context, SideBySide };

struct DIFFOPTIONS {
    bool active = false;  // a diff option was given: the run is diff's
    DiffFormat format = DiffFormat::Normal;
    int context = 3;  // lines of context of the unified and context formats
    int width = 130;  // side by side: columns of the output
    bool brief = false;
    bool reportIdentical = false;
    bool recursive = false;
    bool newFile = false;
    bool text = false;  // -a: every file is text
    bool ignoreAllSpace = false;
    bool ignoreSpaceChange = false;
    bool ignoreCase = false;
    bool ignoreBlankLines = false;
    bool ignoreTabExpansion = false;
    bool ignoreTrailingSpace = false;
    bool stripTrailingCr = false;
    std::vector<std::string> ignoreLines;  // -I expressions
    std::vector<std::string> labels;       // --label, at most two
    bool color = false;                    // --color decided: colour the output
    std::vector<std::string> excludes;     // -x patterns and the lines of -X files
    // The options as given, for the "diff OPTIONS A B" lines of a folder
    // comparison, each shell-quoted where it needs it.
    std::string given;
    // Git's external diff form (GIT_EXTERNAL_DIFF): the pair is the old and
    // the new file, labelled a/PATH and b/PATH, and the run ends 0 unless
    // trouble, as git demands.
    bool gitForm = false;
};

// Takes GNU diff's options out of the arguments (up to a lone "--"), and
// recognises git's external diff call (PATH OLD-FILE OLD-HEX OLD-MODE
// NEW-FILE NEW-HEX NEW-MODE, two more after a rename), which it rewrites to
// the two files. Short options may be bundled (-ruN, -U5, -xPAT); -c, -e,
// -h, -ro and the forms with a colon stay the program's own. --width,
// --color and --label are the program's own unless another diff option is
// given (--label also when --merge is), --color without a value is diff's.
// Subversion's diff-cmd call (-u -L LEFT -L RIGHT LEFT-FILE RIGHT-FILE) with
// a display and without --no-gui stays the window's, as it always was.
// False, with error set, for a malformed option (a missing or bad value,
// an unreadable -X file).
bool TakeDiffOptions(std::vector<std::string>& arguments, DIFFOPTIONS& options, bool hasDisplay,
                     std::string& error);

}  // namespace corvatine
