// The binary comparison option and the recent lists of binary comparisons,
// held by the process-wide binary comparison component.
#pragma once

#include <memory>
#include <string>

#include "platform/Profile.h"
#include "platform/RecentFileList.h"

namespace corvatine {

inline constexpr const char* kBinaryCompareSettingsKey =
    "Comparisons\\FileComparison\\BinaryComparison\\Settings";

class CBinaryCompareOptions {
public:
    int autoRecompare = 1;  // run the whole-file test again after every edit

    void ResetToDefaults() { *this = CBinaryCompareOptions(); }
};

class CBinaryComparer : public CBinaryCompareOptions {
public:
    static constexpr int kRecentFileDisplayLength = 30;

    // Reads the option, makes the side lists of maxRecent entries and the
    // pair list of maxPairs (a size of 0 makes none) and reads them; 1.
    int Load(const platform::CProfile& profile, int maxRecent, int maxPairs);
    // Writes the option.
    void Save(platform::CProfile& profile) const;
    // Writes the three lists and lets them go.
    void SaveRecentLists(platform::CProfile& profile);

    // Remembers a path of a side (0 left, 1 right) when it is not empty and exists.
    void AddRecentFile(int side, const std::string& path);
    void AddRecentPair(const std::string& left, const std::string& right);
    // The pair at the index; false when there is none.
    bool GetRecentPair(int index, std::string& left, std::string& right) const;

    const platform::CRecentFileList* RecentFiles(int side) const { return m_files[side].get(); }
    const platform::CRecentFilePairList* RecentPairs() const { return m_pairs.get(); }

private:
    std::unique_ptr<platform::CRecentFileList> m_files[2];
    std::unique_ptr<platform::CRecentFilePairList> m_pairs;
};

}  // namespace corvatine
