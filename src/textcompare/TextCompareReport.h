// The HTML report of a text comparison: a header with the files and the
// result, then the aligned rows side by side, coloured by their state, with
// syntax colours and the in-line differences marked.
#pragma once

#include <cstdint>
#include <string>

#include "editor/EditorOptions.h"
#include "editor/PageColors.h"
#include "platform/Profile.h"
#include "platform/Progress.h"
#include "textcompare/TextCompareColors.h"

namespace corvatine {

class CTextCompareObject;
class CTextCompareOptions;

// What the report shows of an open comparison.
struct TEXTREPORTSOURCE {
    CTextCompareObject* sides[2] = {nullptr, nullptr};
    int rows = 0;                 // the rows to show
    std::string comparisonTitle;  // "left : right"
    std::string documentTitle;    // the same with a star for a modified side
    std::string paths[2];
    int differences = 0;
    uint32_t rules = 0;
    bool highlightTrivial = true;
    // The settings the in-line differences are found under (word breaks,
    // detail level); null: the defaults.
    const CTextCompareOptions* options = nullptr;
};

// What the report is coloured with: the comparison colours of its rows, the
// editor's syntax colours and the page's own. By default the built-in tables
// and the page as it has always been written.
struct TEXTREPORTCOLORS {
    CTextCompareColors rows;
    SYNTAXCOLOR syntax[COLORINDEX_COUNT];
    PAGECOLORS page;
    TEXTREPORTCOLORS();
};

class CTextCompareReport {
public:
    enum IncludeLines : int { INCLUDE_ALL = 0, INCLUDE_DIFFERENT = 1, INCLUDE_IDENTICAL = 2 };

    CTextCompareReport() = default;
    ~CTextCompareReport();  // removes the preview file
    CTextCompareReport(const CTextCompareReport&) = delete;
    CTextCompareReport& operator=(const CTextCompareReport&) = delete;

    std::string title;  // empty: the comparison's title
    int includeLines = INCLUDE_ALL;
    int lineNumbers = 1;
    int syntaxHighlighting = 1;
    int highlightLineDifferences = 1;
    std::string previewFile;

    void ResetSettings();
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

    // The whole report, its time stamps from the given time (seconds since 1970).
    void Render(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors, std::string& html,
                platform::CProgressSink* progress, int64_t now) const;
    // Writes the report to a file, replacing it only once completely written.
    bool Generate(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors, const std::string& path,
                  platform::CProgressSink* progress, std::string& error) const;
    // Puts the report's HTML text on the clipboard.
    bool Copy(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors,
              platform::CProgressSink* progress) const;
    // Writes the report to the preview file (made on first use) and opens it
    // in the browser.
    bool Preview(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors,
                 platform::CProgressSink* progress, std::string& error);

    // The text of a cell: blanks and tabs before the first other character
    // become &nbsp; (four for a tab), and < > & their entities; an empty
    // text is "&nbsp;".
    static std::string Escape(std::string_view text);
    // The text with < > & as their entities, for titles and paths.
    static std::string EscapeMarkup(std::string_view text);
};

}  // namespace corvatine
