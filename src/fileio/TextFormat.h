// Line-ending styles and load results of text files.
#pragma once

#include <string_view>

namespace corvatine {

enum LineEndingStyle : int {
    EOL_KEEP = 0,  // on load: detect; on save: the buffer's style, or each line's own
    EOL_CRLF = 1,
    EOL_CR = 2,
    EOL_LF = 3,
};

enum LoadResult : int {
    LOAD_FAILED = 0,  // the file could not be opened
    LOAD_OK = 1,      // at most one kind of line ending
    LOAD_MIXED = 2,   // two or three kinds of line ending
    LOAD_BINARY = 3,  // a NUL byte or character: nothing was loaded
};

// The ending a style writes; any style but CR and LF writes CR LF.
inline std::string_view EndingForStyle(int style) {
    return style == EOL_CR   ? std::string_view("\r")
           : style == EOL_LF ? std::string_view("\n")
                             : std::string_view("\r\n");
}

// The name of a line's ending as the status bar shows it: "CRLF", "LF", "CR",
// "?" for any other ending, nothing for a line without one.
inline const char* LineEndingName(std::string_view ending) {
    if (ending.empty()) return "";
    if (ending == "\r\n") return "CRLF";
    if (ending == "\n") return "LF";
    if (ending == "\r") return "CR";
    return "?";
}

// The line-ending choices; index i chooses style i.
inline constexpr const char* kLineEndingChoices[4] = {"Current Setting", "Windows (CRLF)", "Macintosh (CR)",
                                                      "Unix (LF)"};

}  // namespace corvatine
