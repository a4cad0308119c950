// The text comparison rules and settings, and the process-wide text
// comparison component that holds them for the whole run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "platform/RecentFileList.h"
#include "request/TextRuleWord.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareReport.h"

namespace corvatine {

// A named line filter.
struct PRESET_LINE_FILTER {
    std::string name;
    std::string expression;
};

inline constexpr const char* kTextCompareSettingsKey =
    "Comparisons\\FileComparison\\TextComparison\\Settings";
inline constexpr const char* kDefaultRulesKey =
    "Comparisons\\FileComparison\\TextComparison\\Settings\\Rules\\Default";
inline constexpr const char* kPresetLineFiltersKey =
    "Comparisons\\FileComparison\\TextComparison\\Settings\\Rules\\Preset\\LineFilters";

class CTextCompareOptions {
public:
    int highlightSyntax = 1;
    int autoRecompare = 1;
    int mergeMode = 0;
    int jumpToFirstDifference = 1;
    uint32_t rules = kDefaultTextRules;
    std::string lineFilter;
    int highlightLineDifferences = 1;
    int detailLevel = 1;  // 0 word level, 1 character level
    int wordBreak = 1;    // 1 punctuation, 2 the custom characters, else none
    std::string customWordBreak = ",;:.";
    int highlightTrivialDifferences = 1;
    int displayFilters = 0;
    int lineDifferenceFullTextSearch = 0;
    // Blocks of at least this many lines that are not blank, lost in one
    // place and gained in another, are shown as moved; 0: never.
    int movedLines = 3;
    std::vector<PRESET_LINE_FILTER> presetLineFilters;

    void ResetToDefaults() { *this = CTextCompareOptions(); }

    // Reads every setting, the rules bit by bit and the preset line filters;
    // missing or out-of-range values take their defaults.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
};

// The text comparison component: the options, the comparison colours, the
// report settings and the recent lists.
class CTextComparer : public CTextCompareOptions {
public:
    CTextCompareColors colors;
    CTextCompareReport report;

    void ResetToDefaults();
    // The options, the colours and the report settings.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

    // Displayed entries of the recent file lists are cut to this length.
    static constexpr int kRecentFileDisplayLength = 30;

    // Makes the recent lists (a list of size 0 is not made) and reads them:
    // the files of each side and the line filters hold maxRecent entries,
    // the pairs maxPairs.
    void CreateRecentLists(const platform::CProfile& profile, int maxRecent, int maxPairs);
    // Writes the recent lists and lets them go.
    void SaveRecentLists(platform::CProfile& profile);

    // Remembers a path of a side (0 left, 1 right) when it is not empty and exists.
    void AddRecentFile(int side, const std::string& path);
    // Remembers a line filter that is not empty.
    void AddRecentLineFilter(const std::string& expression);
    void AddRecentPair(const std::string& left, const std::string& right);

    const platform::CRecentFileList* RecentFiles(int side) const { return m_recentFiles[side].get(); }
    const platform::CRecentFileList* RecentLineFilters() const { return m_recentFilters.get(); }
    const platform::CRecentFilePairList* RecentPairs() const { return m_recentPairs.get(); }

private:
    std::unique_ptr<platform::CRecentFileList> m_recentFiles[2];
    std::unique_ptr<platform::CRecentFileList> m_recentFilters;
    std::unique_ptr<platform::CRecentFilePairList> m_recentPairs;
};

}  // namespace corvatine
