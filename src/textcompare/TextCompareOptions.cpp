#include "textcompare/TextCompareOptions.h"

namespace corvatine {

namespace {

struct RULEVALUE {
    uint32_t bit;
    const char* name;
    int defaultValue;
};

// Each rule bit is its own value; any non-zero value sets the bit.
constexpr RULEVALUE kRuleValues[] = {
    {RULE_IGNORE_ALL_SPACE, "IgnoreAllSpace", 0},
    {RULE_IGNORE_SPACE_DIFFERENCES, "IgnoreSpaceDifferences", 0},
    {RULE_IGNORE_TAB_EXPANSION, "IgnoreTabExpansion", 0},
    {RULE_IGNORE_LEADING_SPACE, "IgnoreLeadingSpace", 0},
    {RULE_IGNORE_TRAILING_SPACE, "IgnoreTrailingSpace", 0},
    {RULE_IGNORE_CASE, "IgnoreCase", 0},
    {RULE_IGNORE_LINE_ENDINGS, "IgnoreEOLs", 1},
    {RULE_IGNORE_BLANK_LINES, "IgnoreBlankLines", 0},
    {RULE_IGNORE_COMMENTS, "IgnoreComments", 0},
    {RULE_IGNORE_LINES_MATCHING_FILTER, "IgnoreLinesMatchingFilter", 0},
};

}  // namespace

void CTextCompareOptions::Load(const platform::CProfile& profile) {
    rules = 0;
    for (const RULEVALUE& rule : kRuleValues)
        if (profile.GetInt(kDefaultRulesKey, rule.name, rule.defaultValue) != 0) rules |= rule.bit;
    lineFilter = profile.GetString(kDefaultRulesKey, "LineFilter", "");
}

void CTextCompareOptions::Save(platform::CProfile& profile) const {
    for (const RULEVALUE& rule : kRuleValues)
        profile.WriteInt(kDefaultRulesKey, rule.name, (rules & rule.bit) ? 1 : 0);
    profile.WriteString(kDefaultRulesKey, "LineFilter", lineFilter);
}

CTextComparer& GetTextComparer() {
    static CTextComparer comparer;
    return comparer;
}

}  // namespace corvatine
