#include "textcompare/TextRules.h"

#include <algorithm>
#include <cctype>

#include "editor/SyntaxEditContext.h"
#include "request/CommandLineWords.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {

namespace {

bool IsSpace(unsigned char c) { return c < 0x80 && std::isspace(c); }

}  // namespace

int WhiteSpaceModeFromRules(uint32_t rules) {
    if (rules & RULE_IGNORE_ALL_SPACE) return WHITESPACE_ALL;
    if (rules & RULE_IGNORE_SPACE_DIFFERENCES) return WHITESPACE_AMOUNT;
    if (rules & RULE_IGNORE_TAB_EXPANSION) return WHITESPACE_TAB_EXPANSION;
    return WHITESPACE_NONE;
}

bool ParseTextRuleWords(std::string_view words, uint32_t& rules, std::string& error) {
    rules = 0;
    size_t start = 0;
    while (start <= words.size()) {
        size_t end = words.find_first_of("|,", start);
        if (end == std::string_view::npos) end = words.size();
        std::string word(words.substr(start, end - start));
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!word.empty()) {
            bool known = false;
            for (const cmdline::WORDBIT& rule : cmdline::kRuleWords) {
                if (word == rule.longWord || word == rule.shortWord) {
                    rules |= rule.bit;
                    known = true;
                }
            }
            if (!known) {
                error = "unknown text rule '" + word + "'";
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

std::unique_ptr<CLineFilter> LineFilterFromRules(uint32_t rules, const std::string& expression) {
    if (!(rules & RULE_IGNORE_LINES_MATCHING_FILTER) || expression.empty()) return nullptr;
    return std::make_unique<CLineFilter>(expression);
}

void ApplyRulesToEngine(CTextCompare& engine, uint32_t rules, const CLineFilter* lineFilter, int tabSize) {
    engine.whiteSpaceMode = WhiteSpaceModeFromRules(rules);
    engine.ignoreCase = (rules & RULE_IGNORE_CASE) != 0;
    engine.ignoreBlankLines = (rules & RULE_IGNORE_BLANK_LINES) != 0;
    engine.lineFilter = (rules & RULE_IGNORE_LINES_MATCHING_FILTER) ? lineFilter : nullptr;
    engine.tabSize = tabSize;
}

namespace {

// The characters of line i as the rules compare them: without the spans the
// comment parse colours as comment, and without leading or trailing white
// space when asked. A view of the line, or of scratch when comments went.
std::string_view ComparisonCharacters(CSyntaxEditContext& side, int i, uint32_t rules, bool comments,
                                      std::vector<COLORBLOCK>& blocks, std::string& scratch) {
    const CSyntaxTextLine& line = side.GetLine(i);
    std::string_view chars = line.Characters();
    if (comments) {
        blocks.clear();
        side.ParseComments(side.GetParseState(i - 1), i, &blocks);
        scratch.clear();
        size_t pos = 0;
        int colour = COLORINDEX_NORMALTEXT;
        auto take = [&](size_t to) {
            to = std::min(to, chars.size());
            if (to > pos && colour != COLORINDEX_COMMENT) scratch.append(chars.substr(pos, to - pos));
            pos = std::max(pos, to);
        };
        for (const COLORBLOCK& block : blocks) {
            take(static_cast<size_t>(block.position));
            colour = block.color;
        }
        take(chars.size());
        chars = scratch;
    }
    // The rules for leading and trailing white space hold for the last line too.
    size_t begin = 0, end = chars.size();
    if (rules & RULE_IGNORE_LEADING_SPACE)
        while (begin < end && IsSpace(static_cast<unsigned char>(chars[begin]))) ++begin;
    if (rules & RULE_IGNORE_TRAILING_SPACE)
        while (end > begin && IsSpace(static_cast<unsigned char>(chars[end - 1]))) --end;
    return chars.substr(begin, end - begin);
}

// The last line that is no ghost row; -1 when none.
int LastRealLine(const CSyntaxEditContext& side) {
    int lastReal = side.GetLineCount() - 1;
    while (lastReal >= 0 && (side.GetLine(lastReal).flags & LF_GHOST)) --lastReal;
    return lastReal;
}

}  // namespace

int WriteComparisonText(CSyntaxEditContext& side, uint32_t rules, std::string* out) {
    if (out == nullptr) return 1;
    const int lastReal = LastRealLine(side);
    const bool comments = (rules & RULE_IGNORE_COMMENTS) && side.GetSyntaxDefinition() != nullptr;
    size_t total = 0;
    for (int i = 0; i <= lastReal; ++i) total += static_cast<size_t>(side.GetLine(i).Length()) + 1;
    out->reserve(out->size() + total);

    std::vector<COLORBLOCK> blocks;
    std::string scratch;
    for (int i = 0; i <= lastReal; ++i) {
        if (side.GetLine(i).flags & LF_GHOST) continue;
        out->append(ComparisonCharacters(side, i, rules, comments, blocks, scratch));
        if (i != lastReal) out->push_back('\n');
    }
    return 0;
}

void GatherComparisonLines(CSyntaxEditContext& side, uint32_t rules, TEXTLINES& lines, CLineStore& store) {
    lines = TEXTLINES();
    const int lastReal = LastRealLine(side);
    const bool comments = (rules & RULE_IGNORE_COMMENTS) && side.GetSyntaxDefinition() != nullptr;
    // Rules that change no line's characters.
    const bool plain = !comments && !(rules & (RULE_IGNORE_LEADING_SPACE | RULE_IGNORE_TRAILING_SPACE));
    // The lines are read from the buffer as long as each is a whole line
    // with a line feed after it; the first that is not has them listed.
    lines.buffer = &side;
    const auto list = [&] {
        lines.starts.reserve(static_cast<size_t>(lastReal + 1));
        lines.ListBufferLines();
    };
    std::vector<COLORBLOCK> blocks;
    std::string scratch;
    for (int i = 0; i <= lastReal; ++i) {
        const CSyntaxTextLine& line = side.GetLine(i);
        if (line.flags & LF_GHOST) {
            list();
            continue;
        }
        const std::string_view chars =
            plain ? line.Characters() : ComparisonCharacters(side, i, rules, comments, blocks, scratch);
        if (i == lastReal) {
            // The text written for the comparison ends with the line feed of
            // the line before: an empty last line is no line.
            if (chars.empty()) break;
            // A missing final line ending is a difference of line endings,
            // and trailing white space as diff -Z sees it: where those are
            // ignored the last line equals the same line with an ending.
            lines.lastIncomplete = MissingFinalEndingCounts(rules);
        }
        // A line left as it lies, with a line feed after it, is compared in
        // place.
        const bool inPlace = chars.data() + chars.size() == line.Text() + line.Length() &&
                             line.EndingLength() == 1 && line.Text()[line.Length()] == '\n';
        if (lines.buffer != nullptr) {
            if (inPlace && chars.data() == line.Text()) {
                ++lines.bufferLines;
                continue;
            }
            if (i == lastReal) {
                // Only the last line lies elsewhere.
                lines.bufferLast = store.Add(chars).data();
                ++lines.bufferLines;
                continue;
            }
            list();
        }
        lines.Add(inPlace ? chars : store.Add(chars));
    }
}

void GatherRegionLines(CSyntaxEditContext& side, uint32_t rules, int first, int end, bool atEnd,
                       TEXTLINES& lines, CLineStore& store) {
    lines = TEXTLINES();
    const int lastReal = atEnd ? LastRealLine(side) : -1;
    const bool comments = (rules & RULE_IGNORE_COMMENTS) && side.GetSyntaxDefinition() != nullptr;
    const bool plain = !comments && !(rules & (RULE_IGNORE_LEADING_SPACE | RULE_IGNORE_TRAILING_SPACE));
    std::vector<COLORBLOCK> blocks;
    std::string scratch;
    end = std::min(end, side.GetLineCount());
    for (int i = std::max(first, 0); i < end; ++i) {
        const CSyntaxTextLine& line = side.GetLine(i);
        if (line.flags & LF_GHOST) continue;
        const std::string_view chars =
            plain ? line.Characters() : ComparisonCharacters(side, i, rules, comments, blocks, scratch);
        if (i == lastReal) {
            // As for the whole text: an empty last line is no line.
            if (chars.empty()) break;
            lines.lastIncomplete = MissingFinalEndingCounts(rules);
        }
        const bool inPlace = chars.data() + chars.size() == line.Text() + line.Length() &&
                             line.EndingLength() == 1 && line.Text()[line.Length()] == '\n';
        lines.Add(inPlace ? chars : store.Add(chars));
    }
}

bool MissingFinalEndingCounts(uint32_t rules) {
    return !(rules & (RULE_IGNORE_LINE_ENDINGS | RULE_IGNORE_TRAILING_SPACE));
}

bool IsBlankUnderRules(std::string_view characters, uint32_t rules) {
    constexpr uint32_t kSpaceRules = RULE_IGNORE_ALL_SPACE | RULE_IGNORE_SPACE_DIFFERENCES |
                                     RULE_IGNORE_LEADING_SPACE | RULE_IGNORE_TRAILING_SPACE;
    if (characters.empty()) return true;
    return (rules & kSpaceRules) != 0 && std::all_of(characters.begin(), characters.end(), [](char c) {
               return IsSpace(static_cast<unsigned char>(c));
           });
}

void CompareLinesUnderRules(CStringCompare& compare, std::string_view left, std::string_view right,
                            uint32_t rules, const CTextCompareOptions& options,
                            std::vector<STRINGDIFFERENCE>& result) {
    compare.CompareLines(left, right, !(rules & RULE_IGNORE_CASE), rules & 0xFFFF, options.wordBreak,
                         options.detailLevel == 1, result, options.customWordBreak);
}

}  // namespace corvatine
