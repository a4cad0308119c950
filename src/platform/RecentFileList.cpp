#include "platform/RecentFileList.h"

#include "platform/Path.h"

namespace corvatine::platform {

CRecentFileList::CRecentFileList(std::string section, std::string entryFormat, int size, Match match,
                                 int displayLength)
    : m_section(std::move(section)),
      m_entryFormat(std::move(entryFormat)),
      m_size(size < 0 ? 0 : size),
      m_match(match),
      m_displayLength(displayLength) {}

std::string CRecentFileList::EntryName(int n) const {
    std::string name = m_entryFormat;
    const size_t at = name.find("%d");
    if (at != std::string::npos) name.replace(at, 2, std::to_string(n));
    return name;
}

bool CRecentFileList::Same(const std::string& a, const std::string& b) const {
    return m_match == Match::Path ? PathsEqual(a, b) : a == b;
}

void CRecentFileList::Add(const std::string& item) {
    if (item.empty() || m_size == 0) return;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (Same(m_items[i], item)) {
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    m_items.insert(m_items.begin(), item);
    if (m_items.size() > static_cast<size_t>(m_size)) m_items.resize(static_cast<size_t>(m_size));
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < Count()) m_items.erase(m_items.begin() + index);
}

void CRecentFileList::Load(const CProfile& profile) {
    m_items.clear();
    for (int n = 1; n <= m_size; ++n) {
        std::string item;
        if (profile.ReadString(m_section, EntryName(n), item) && !item.empty()) m_items.push_back(item);
    }
}

void CRecentFileList::Save(CProfile& profile) const {
    if (m_size == 0) return;
    std::vector<std::string> written;
    for (int i = 0; i < Count(); ++i) {
        written.push_back(EntryName(i + 1));
        profile.WriteString(m_section, written.back(), m_items[static_cast<size_t>(i)]);
    }
    // Whatever else the section holds (older, longer lists) goes.
    for (const std::string& name : profile.ValueNames(m_section)) {
        bool keep = false;
        for (const std::string& w : written) keep = keep || CRegistryHive::NamesEqual(w, name);
        if (!keep) profile.DeleteValue(m_section, name);
    }
}

CRecentFilePairList::CRecentFilePairList(std::string section, std::string entryFormat, int size)
    : m_section(std::move(section)), m_entryFormat(std::move(entryFormat)), m_size(size < 0 ? 0 : size) {}

std::string CRecentFilePairList::EntryName(int n, int side) const {
    std::string name = m_entryFormat;
    size_t at = name.find("%d");
    if (at != std::string::npos) {
        const std::string number = std::to_string(n);
        name.replace(at, 2, number);
        at = name.find("%d", at + number.size());
        if (at != std::string::npos) name.replace(at, 2, std::to_string(side));
    }
    return name;
}

void CRecentFilePairList::Add(const std::string& left, const std::string& right) {
    if (left.empty() || right.empty() || m_size == 0) return;
    for (size_t i = 0; i < m_pairs.size(); ++i) {
        if (PathsEqual(m_pairs[i].left, left) && PathsEqual(m_pairs[i].right, right)) {
            m_pairs.erase(m_pairs.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    m_pairs.insert(m_pairs.begin(), PAIR{left, right});
    if (m_pairs.size() > static_cast<size_t>(m_size)) m_pairs.resize(static_cast<size_t>(m_size));
}

void CRecentFilePairList::Remove(int index) {
    if (index >= 0 && index < Count()) m_pairs.erase(m_pairs.begin() + index);
}

void CRecentFilePairList::Load(const CProfile& profile) {
    m_pairs.clear();
    for (int n = 1; n <= m_size; ++n) {
        PAIR pair;
        if (profile.ReadString(m_section, EntryName(n, 1), pair.left) &&
            profile.ReadString(m_section, EntryName(n, 2), pair.right) && !pair.left.empty() &&
            !pair.right.empty())
            m_pairs.push_back(std::move(pair));
    }
}

void CRecentFilePairList::Save(CProfile& profile) const {
    if (m_size == 0) return;
    std::vector<std::string> written;
    for (int i = 0; i < Count(); ++i) {
        const PAIR& pair = m_pairs[static_cast<size_t>(i)];
        written.push_back(EntryName(i + 1, 1));
        profile.WriteString(m_section, written.back(), pair.left);
        written.push_back(EntryName(i + 1, 2));
        profile.WriteString(m_section, written.back(), pair.right);
    }
    for (const std::string& name : profile.ValueNames(m_section)) {
        bool keep = false;
        for (const std::string& w : written) keep = keep || CRegistryHive::NamesEqual(w, name);
        if (!keep) profile.DeleteValue(m_section, name);
    }
}

}  // namespace corvatine::platform
