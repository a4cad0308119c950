#include "app/SearchAction.h"

#include "app/ConsoleMessages.h"
#include "editor/FindReplace.h"
#include "editor/MultiByteCase.h"
#include "fileio/Bom.h"
#include "fileio/CodePages.h"
#include "platform/Output.h"

#include <algorithm>

namespace corvatine {

namespace {

uint32_t SearchFlags(const FRONTENDOPTIONS& options) {
    return (options.matchCase ? FIND_MATCH_CASE : 0u) | (options.wholeWord ? FIND_WHOLE_WORD : 0u) |
           (options.regex ? FIND_REGEXP : 0u) | (options.up ? FIND_DIRECTION_UP : 0u);
}

int TooComplex(platform::COutput& err, const std::string& path) {
    return Trouble(err, "cannot search '" + path + "': expression too complex");
}

// A line as --search prints it: whole when it has at most kShownBytes
// bytes, else the kShownBytes around column (kShownBefore before it), cut
// between characters, with "..." where it was cut.
constexpr int kShownBytes = 160;
constexpr int kShownBefore = 40;

std::string Excerpt(std::string_view text, int column) {
    const int length = static_cast<int>(text.size());
    if (length <= kShownBytes) return std::string(text);
    const CMultiByteCase& chars = CMultiByteCase::For(WorkingCodePage());
    const int wantFrom = std::max(0, std::min(column - kShownBefore, length - kShownBytes));
    int from = 0, to = 0;
    for (int at = 0; at < length;) {
        char32_t code = 0;
        const int next = at + chars.Decode(text.data(), length, at, code);
        if (at <= wantFrom) from = at;
        if (next - from > kShownBytes) break;
        to = next;
        at = next;
    }
    return (from > 0 ? "..." : "") +
           std::string(text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))) +
           (to < length ? "..." : "");
}

int NotFound(platform::COutput& err, const FRONTENDOPTIONS& options) {
    CConsoleMessages(err, options.yes).Inform(FormatNotFound(kReplaceNotFoundFormat, options.search));
    return EXIT_DIFFERENT;
}

}  // namespace

int CheckSearchOptions(const FRONTENDOPTIONS& options, platform::COutput& err) {
    if (!options.hasSearch) {
        for (const char* word : {"regex", "match-case", "whole-word", "up", "replace"})
            for (const std::string& given : options.given)
                if (given == word) return Trouble(err, "'--" + given + "' needs --search");
        if (options.save) return Trouble(err, "'--save' saves what '--replace' changed: give --replace too");
        return EXIT_SAME;
    }
    if (options.search.empty()) return Trouble(err, "'--search' needs a text to search for: --search=TEXT");
    if (options.regex && options.wholeWord)
        return Trouble(err, "'--whole-word' does not apply to a regular expression");
    if (options.regex) {
        if (const std::string error = ExpressionError(options.search); !error.empty())
            return Trouble(err, "invalid regular expression '" + options.search + "': " + error);
    }
    if (!options.format.empty()) return Trouble(err, "'--format' does not apply to --search");
    if (options.hasReplace) {
        if (options.up)
            return Trouble(err, "'--up' does not apply to --replace, which goes through the whole file");
        return EXIT_SAME;
    }
    if (options.save) return Trouble(err, "'--save' saves what '--replace' changed: give --replace too");
    // --encoding chooses what the file is read in, which a search reads too;
    // UTF-16 only what it is saved in.
    for (const char* word : {"save-as", "line-endings", "export"})
        for (const std::string& given : options.given)
            if (given == word)
                return Trouble(err, "'--" + given + "' does not apply to --search without --replace");
    for (const NAMEDENCODING& encoding : options.encodings)
        if (encoding.kind == ENCODING_UCS2_LE || encoding.kind == ENCODING_UCS2_BE)
            return Trouble(err,
                           "'--encoding=" + encoding.name +
                               "' chooses what the file is saved in, and --search without --replace saves "
                               "nothing");
    return EXIT_SAME;
}

int PrintMatches(CSyntaxEditContextEx& context, const std::string& path, const FRONTENDOPTIONS& options,
                 platform::COutput& out, platform::COutput& err) {
    CRecentTexts history;
    CFindReplace finder(context, &history);
    finder.SetTextUnchanging(true);
    const CPoint end = CFindReplace::TextEnd(context);
    const uint32_t flags = SearchFlags(options);
    const bool up = options.up;
    int found = 0;
    CPoint at = up ? end : CPoint{0, 0};
    CPoint position;
    // The line with matches being gathered, their columns, and the first.
    int shownLine = -1, firstColumn = 0;
    std::string columns;
    const auto printLine = [&] {
        if (shownLine < 0 || options.quiet) return;
        out << shownLine + 1 << ":" << columns << ": "
            << Excerpt(context.GetLine(shownLine).Characters(), firstColumn) << "\n";
    };
    while (finder.SearchText(options.search, at, {0, 0}, end, flags, false, position)) {
        ++found;
        const CSyntaxTextLine& line = context.GetLine(position.y);
        if (position.y != shownLine) {
            printLine();
            shownLine = position.y;
            firstColumn = position.x;
            columns = std::to_string(position.x + 1);
        } else {
            columns += "," + std::to_string(position.x + 1);
        }
        const LASTSEARCH& last = finder.GetLastSearch();
        if (up) {
            at = position;  // the next match lies before this one
        } else if (last.matchLength > 0) {
            at = last.matchEnd;
        } else if (position.x < line.Length()) {
            // An empty match: on past the character it stands before.
            char32_t code = 0;
            at = {position.x + CMultiByteCase::For(WorkingCodePage())
                                   .Decode(line.Text(), line.Length(), position.x, code),
                  position.y};
        } else if (position.y + 1 < context.GetLineCount()) {
            at = {0, position.y + 1};
        } else {
            break;
        }
    }
    printLine();
    if (finder.GetStatus() == SEARCH_TOO_COMPLEX) return TooComplex(err, path);
    return found > 0 ? EXIT_SAME : NotFound(err, options);
}

int ReplaceMatches(CSyntaxEditContextEx& context, const std::string& path, const FRONTENDOPTIONS& options,
                   platform::COutput& err) {
    CRecentTexts history;
    CFindReplace finder(context, &history);
    CPoint blockEnd = CFindReplace::TextEnd(context);
    const int count = finder.ReplaceAll(nullptr, options.search, options.replace, SearchFlags(options),
                                        {0, 0}, {0, 0}, blockEnd, false);
    if (finder.GetStatus() == SEARCH_TOO_COMPLEX) return TooComplex(err, path);
    if (finder.GetLastSearch().found) {
        const CPoint at = finder.GetLastSearch().matchStart;
        return Trouble(
            err, "cannot replace the match at " + std::to_string(at.y + 1) + ":" + std::to_string(at.x + 1) +
                     " of '" + path + "' with '" + options.replace +
                     "': it names a group that did not match, or ends in a backslash or a bad escape");
    }
    if (count == 0) return NotFound(err, options);
    if (!options.quiet)
        err << "corvatine: " << count << (count == 1 ? " occurrence" : " occurrences") << " replaced\n";
    return EXIT_SAME;
}

}  // namespace corvatine
