// The text comparison rules and settings, and the process-wide text
// comparison component that holds them for the whole run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Profile.h"

namespace corvatine {

// Bits of the text rule word; all other bits are 0.
enum TextRule : uint32_t {
    RULE_IGNORE_ALL_SPACE = 0x1,
    RULE_IGNORE_SPACE_DIFFERENCES = 0x2,
    RULE_IGNORE_TAB_EXPANSION = 0x4,
    RULE_IGNORE_LEADING_SPACE = 0x8,
    RULE_IGNORE_TRAILING_SPACE = 0x10,
    RULE_IGNORE_CASE = 0x10000,
    RULE_IGNORE_LINE_ENDINGS = 0x20000,
    RULE_IGNORE_BLANK_LINES = 0x40000,
    RULE_IGNORE_COMMENTS = 0x80000,
    RULE_IGNORE_LINES_MATCHING_FILTER = 0x100000,
};

constexpr uint32_t kAllTextRules =
    RULE_IGNORE_ALL_SPACE | RULE_IGNORE_SPACE_DIFFERENCES | RULE_IGNORE_TAB_EXPANSION |
    RULE_IGNORE_LEADING_SPACE | RULE_IGNORE_TRAILING_SPACE | RULE_IGNORE_CASE | RULE_IGNORE_LINE_ENDINGS |
    RULE_IGNORE_BLANK_LINES | RULE_IGNORE_COMMENTS | RULE_IGNORE_LINES_MATCHING_FILTER;

// A named line filter.
struct PRESET_LINE_FILTER {
    std::string name;
    std::string expression;
};

class CTextCompareOptions {
public:
    int highlightSyntax = 1;
    int autoRecompare = 1;
    int mergeMode = 0;
    int jumpToFirstDifference = 0;
    uint32_t rules = RULE_IGNORE_LINE_ENDINGS;
    std::string lineFilter;
    int highlightLineDifferences = 1;
    int detailLevel = 1;
    int wordBreak = 1;
    std::string customWordBreak = ",;:.";
    int highlightTrivialDifferences = 1;
    int displayFilters = 0;
    int lineDifferenceFullTextSearch = 0;
    std::vector<PRESET_LINE_FILTER> presetLineFilters;

    void ResetToDefaults() { *this = CTextCompareOptions(); }

    // Reads the rules, bit by bit, and the line filter from the settings;
    // missing values take their defaults.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
};

// The settings keys of the text comparison options.
inline constexpr const char* kDefaultRulesKey =
    "Comparisons\\FileComparison\\TextComparison\\Settings\\Rules\\Default";

// The text comparison component. It will also own the report settings and
// the recent lists.
class CTextComparer : public CTextCompareOptions {};

// The one text comparison component of the process.
CTextComparer& GetTextComparer();

}  // namespace corvatine
