// From a rule word to what the engine and the normalisation do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textcompare/LineFilter.h"
#include "textcompare/StringCompare.h"
#include "textcompare/TextCompare.h"

namespace corvatine {

class CSyntaxEditContext;

// Reads rule words joined by '|' or ',' (long or short forms, any case, as
// -r: takes them) into a rule word. False with error naming a word that is
// no rule.
[[nodiscard]] bool ParseTextRuleWords(std::string_view words, uint32_t& rules, std::string& error);

// The white-space mode: all (0x1) before amount (0x2) before tab expansion
// (0x4) before none.
int WhiteSpaceModeFromRules(uint32_t rules);

// The line filter a comparison uses: compiled only when the rule word asks
// for it (0x100000) and the expression is not empty; null otherwise.
std::unique_ptr<CLineFilter> LineFilterFromRules(uint32_t rules, const std::string& expression);

// Sets up an engine for a rule word: white-space mode, case, blank lines,
// the line filter (not owned; may be null) and the tab size.
void ApplyRulesToEngine(CTextCompare& engine, uint32_t rules, const CLineFilter* lineFilter, int tabSize);

// Writes the text that the engine compares for one side: real lines only
// (ghost rows are skipped), comments left out with 0x80000, leading and
// trailing white space removed with 0x8 and 0x10, every line but the last
// followed by "\n"; the last real line never has a terminator. Returns 0, or
// 1 without an output.
// The lines of a side as the engine compares them under the rules, where
// they lie in the buffer when the rules leave a line as it is and it ends in
// a line feed, else copied into the store: the same lines that
// WriteComparisonText writes.
void GatherComparisonLines(CSyntaxEditContext& side, uint32_t rules, TEXTLINES& lines, CLineStore& store);
int WriteComparisonText(CSyntaxEditContext& side, uint32_t rules, std::string* out);

// The same for rows first..end-1 of a side (ghost rows skipped), every line
// listed; with atEnd the rows reach the end of the text, whose last line
// counts as it does for the whole text.
void GatherRegionLines(CSyntaxEditContext& side, uint32_t rules, int first, int end, bool atEnd,
                       TEXTLINES& lines, CLineStore& store);

// Whether a last line without an ending differs from the same line with one
// under the rule word: not where line endings or trailing white space are
// ignored.
bool MissingFinalEndingCounts(uint32_t rules);

// Whether a line's characters are blank to ignore-blank-lines under the
// rule word: empty, or only white space when a white-space rule (all, amount,
// leading or trailing) takes it away, as diff -w -B, -b -B and -Z -B do.
bool IsBlankUnderRules(std::string_view characters, uint32_t rules);

class CTextCompareOptions;

// Appends the in-line differences of a line pair under the rule word (case,
// white space) and the text comparison settings (word breaks, detail level).
void CompareLinesUnderRules(CStringCompare& compare, std::string_view left, std::string_view right,
                            uint32_t rules, const CTextCompareOptions& options,
                            std::vector<STRINGDIFFERENCE>& result);

}  // namespace corvatine
