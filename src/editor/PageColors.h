// The colours of an HTML page the program writes (the reports and the
// syntax-coloured export) beside its colour tables. The defaults are the
// page as it has always been written: white, black text, a grey frame.
#pragma once

#include <string>

namespace corvatine {

struct PAGECOLORS {
    std::string background = "#ffffff";  // the body and the tables of text
    std::string text = "#000000";        // the text of the tables
    // The text of the body (the summary block); empty: the browser's own.
    std::string bodyText;
    std::string frame = "#c0c0c0";        // the frame around the tables
    std::string summary = "#ffffcc";      // the summary block
    std::string heading = "#CCCCCC";      // the column headings of the folder report
    std::string lineNumbers = "#c0c0c0";  // ".tl"
    // Tinted backgrounds also set the text that stands on them: the row
    // classes of the folder report, the in-line differences of the text
    // report (whose syntax colours may not read on them).
    bool tintsCarryText = false;
};

}  // namespace corvatine
