#include "binarycompare/BinaryComparer.h"

#include "platform/Path.h"

namespace corvatine {

int CBinaryComparer::Load(const platform::CProfile& profile, int maxRecent, int maxPairs) {
    const int value = profile.GetInt(kBinaryCompareSettingsKey, "AutoRecompare", 1);
    autoRecompare = value == 0 ? 0 : 1;
    for (int side = 0; side < 2; ++side) {
        m_files[side].reset();
        if (maxRecent <= 0) continue;
        m_files[side] = std::make_unique<platform::CRecentFileList>(
            "Comparisons\\FileComparison\\BinaryComparison\\Recent\\Files\\" + std::to_string(side + 1),
            "File%d", maxRecent, platform::CRecentFileList::Match::Path, kRecentFileDisplayLength);
        m_files[side]->Load(profile);
    }
    m_pairs.reset();
    if (maxPairs > 0) {
        m_pairs = std::make_unique<platform::CRecentFilePairList>(
            "Comparisons\\FileComparison\\BinaryComparison\\Recent\\Pairs", "Pair%d.%d", maxPairs);
        m_pairs->Load(profile);
    }
    return 1;
}

void CBinaryComparer::Save(platform::CProfile& profile) const {
    profile.WriteInt(kBinaryCompareSettingsKey, "AutoRecompare", autoRecompare ? 1 : 0);
}

void CBinaryComparer::SaveRecentLists(platform::CProfile& profile) {
    for (auto& list : m_files) {
        if (list) list->Save(profile);
        list.reset();
    }
    if (m_pairs) m_pairs->Save(profile);
    m_pairs.reset();
}

void CBinaryComparer::AddRecentFile(int side, const std::string& path) {
    if (side >= 0 && side < 2 && m_files[side] && !path.empty() && platform::PathExists(path))
        m_files[side]->Add(path);
}

void CBinaryComparer::AddRecentPair(const std::string& left, const std::string& right) {
    if (m_pairs) m_pairs->Add(left, right);
}

bool CBinaryComparer::GetRecentPair(int index, std::string& left, std::string& right) const {
    if (!m_pairs || index < 0 || index >= m_pairs->Count()) return false;
    left = (*m_pairs)[index].left;
    right = (*m_pairs)[index].right;
    return true;
}

}  // namespace corvatine
