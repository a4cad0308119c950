#include "textcompare/TextCompareOptions.h"

#include "platform/Path.h"
#include "request/CompareParams.h"

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

struct INTVALUE {
    int CTextCompareOptions::*field;
    const char* name;
    int minimum;
    int maximum;
};

constexpr int kAny = -2147483647 - 1;
constexpr int kAnyMax = 2147483647;

// The merge mode has its own names (see Load).
constexpr INTVALUE kIntValues[] = {
    {&CTextCompareOptions::highlightSyntax, "HighlightSyntax", 0, 1},
    {&CTextCompareOptions::autoRecompare, "AutoRecompare", 0, 1},
    {&CTextCompareOptions::jumpToFirstDifference, "JumpToFirstDifference", 0, 1},
    {&CTextCompareOptions::highlightLineDifferences, "HighlightLineDifferences", 0, 1},
    {&CTextCompareOptions::detailLevel, "DetailLevel", 0, 1},
    {&CTextCompareOptions::wordBreak, "WordBreak", kAny, kAnyMax},
    {&CTextCompareOptions::highlightTrivialDifferences, "HighlightTrivialDifferences", 0, 1},
    {&CTextCompareOptions::displayFilters, "DisplayFilters", kAny, kAnyMax},
    {&CTextCompareOptions::lineDifferenceFullTextSearch, "LineDifferenceFullTextSearch", 0, 1},
    {&CTextCompareOptions::movedLines, "MovedLines", 0, 100000},
};

}  // namespace

void CTextCompareOptions::Load(const platform::CProfile& profile) {
    const CTextCompareOptions defaults;
    for (const INTVALUE& v : kIntValues) {
        const int value = profile.GetInt(kTextCompareSettingsKey, v.name, defaults.*v.field);
        this->*v.field = value >= v.minimum && value <= v.maximum ? value : defaults.*v.field;
    }
    // The merge mode is written as "QuickMergeMode"; a value under the older
    // name "MergeMode" is read when there is none under the new one.
    if (!profile.ReadInt(kTextCompareSettingsKey, "QuickMergeMode", mergeMode))
        mergeMode = profile.GetInt(kTextCompareSettingsKey, "MergeMode", defaults.mergeMode);
    customWordBreak = profile.GetString(kTextCompareSettingsKey, "CustomWordBreak", defaults.customWordBreak);

    rules = 0;
    for (const RULEVALUE& rule : kRuleValues)
        if (profile.GetInt(kDefaultRulesKey, rule.name, rule.defaultValue) != 0) rules |= rule.bit;
    lineFilter = profile.GetString(kDefaultRulesKey, "LineFilter", "");

    presetLineFilters.clear();
    for (int n = 1;; ++n) {
        PRESET_LINE_FILTER preset;
        if (!profile.ReadString(kPresetLineFiltersKey, "Filter" + std::to_string(n), preset.expression) ||
            preset.expression.empty())
            break;
        preset.name = profile.GetString(kPresetLineFiltersKey, "Name" + std::to_string(n), "");
        presetLineFilters.push_back(std::move(preset));
    }
}

void CTextCompareOptions::Save(platform::CProfile& profile) const {
    const CTextCompareOptions defaults;
    for (const INTVALUE& v : kIntValues) {
        const int value = this->*v.field;
        profile.WriteInt(kTextCompareSettingsKey, v.name,
                         value >= v.minimum && value <= v.maximum ? value : defaults.*v.field);
    }
    profile.WriteInt(kTextCompareSettingsKey, "QuickMergeMode", mergeMode);
    profile.WriteString(kTextCompareSettingsKey, "CustomWordBreak", customWordBreak);

    for (const RULEVALUE& rule : kRuleValues)
        profile.WriteInt(kDefaultRulesKey, rule.name, (rules & rule.bit) ? 1 : 0);
    profile.WriteString(kDefaultRulesKey, "LineFilter", lineFilter);

    // Presets without an expression are dropped and leave no gap; older
    // entries beyond the new count must not come back at the next start.
    std::vector<std::pair<std::string, std::string>> presets;
    int n = 0;
    for (const PRESET_LINE_FILTER& preset : presetLineFilters) {
        if (preset.expression.empty()) continue;
        ++n;
        presets.emplace_back("Filter" + std::to_string(n), preset.expression);
        presets.emplace_back("Name" + std::to_string(n), preset.name);
    }
    profile.ReplaceSection(kPresetLineFiltersKey, presets);
}

void CTextComparer::ResetToDefaults() {
    CTextCompareOptions::ResetToDefaults();
    colors.ResetToDefaults();
    report.ResetSettings();
}

void CTextComparer::Load(const platform::CProfile& profile) {
    CTextCompareOptions::Load(profile);
    colors.Load(profile);
    report.Load(profile);
}

void CTextComparer::Save(platform::CProfile& profile) const {
    CTextCompareOptions::Save(profile);
    colors.Save(profile);
    report.Save(profile);
}

void CTextComparer::CreateRecentLists(const platform::CProfile& profile, int maxRecent, int maxPairs) {
    using platform::CRecentFileList;
    for (int side = 0; side < 2; ++side) {
        m_recentFiles[side].reset();
        if (maxRecent > 0) {
            m_recentFiles[side] = std::make_unique<CRecentFileList>(
                "Comparisons\\FileComparison\\TextComparison\\Recent\\Files\\" + std::to_string(side + 1),
                "File%d", maxRecent, CRecentFileList::Match::Path, kRecentFileDisplayLength);
            m_recentFiles[side]->Load(profile);
        }
    }
    m_recentFilters.reset();
    if (maxRecent > 0) {
        m_recentFilters =
            std::make_unique<CRecentFileList>("Comparisons\\FileComparison\\TextComparison\\Recent\\Filters",
                                              "Filter%d", maxRecent, CRecentFileList::Match::Text);
        m_recentFilters->Load(profile);
    }
    m_recentPairs.reset();
    if (maxPairs > 0) {
        m_recentPairs = std::make_unique<platform::CRecentFilePairList>(
            "Comparisons\\FileComparison\\TextComparison\\Recent\\Pairs", "Pair%d.%d", maxPairs);
        m_recentPairs->Load(profile);
    }
}

void CTextComparer::SaveRecentLists(platform::CProfile& profile) {
    for (auto& list : m_recentFiles) {
        if (list) list->Save(profile);
        list.reset();
    }
    if (m_recentFilters) m_recentFilters->Save(profile);
    m_recentFilters.reset();
    if (m_recentPairs) m_recentPairs->Save(profile);
    m_recentPairs.reset();
}

void CTextComparer::AddRecentFile(int side, const std::string& path) {
    if (side < 0 || side > 1 || !m_recentFiles[side] || path.empty() || !platform::PathExists(path)) return;
    m_recentFiles[side]->Add(path);
}

void CTextComparer::AddRecentLineFilter(const std::string& expression) {
    if (m_recentFilters && !expression.empty()) m_recentFilters->Add(expression);
}

void CTextComparer::AddRecentPair(const std::string& left, const std::string& right) {
    if (m_recentPairs) m_recentPairs->Add(left, right);
}

}  // namespace corvatine
