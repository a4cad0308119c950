#include "platform/Profile.h"

#include <cstdint>

namespace corvatine::platform {

const std::string& CProfile::Key(const std::string& section) const {
    if (section.empty()) return m_root;
    // Options and lists read many values of one section in a row.
    if (m_lastKey.empty() || section != m_lastSection) {
        m_lastSection = section;
        m_lastKey = m_root + "\\" + section;
    }
    return m_lastKey;
}

int CProfile::GetInt(const std::string& section, const std::string& entry, int defaultValue) const {
    int value = defaultValue;
    return ReadInt(section, entry, value) ? value : defaultValue;
}

int CProfile::GetBool(const std::string& section, const std::string& entry, int defaultValue) const {
    const int value = GetInt(section, entry, defaultValue);
    return value == 0 || value == 1 ? value : defaultValue;
}

std::string CProfile::GetString(const std::string& section, const std::string& entry,
                                const std::string& defaultValue) const {
    std::string text;
    return ReadString(section, entry, text) ? text : defaultValue;
}

bool CProfile::ReadString(const std::string& section, const std::string& entry, std::string& text) const {
    return m_hive.GetString(Key(section), entry, text);
}

bool CProfile::ReadInt(const std::string& section, const std::string& entry, int& value) const {
    uint32_t dword = 0;
    if (!m_hive.GetDword(Key(section), entry, dword)) return false;
    value = static_cast<int>(dword);
    return true;
}

void CProfile::WriteInt(const std::string& section, const std::string& entry, int value) {
    m_hive.SetDword(Key(section), entry, static_cast<uint32_t>(value));
}

void CProfile::WriteString(const std::string& section, const std::string& entry, const std::string& value) {
    m_hive.SetString(Key(section), entry, value);
}

void CProfile::DeleteValue(const std::string& section, const std::string& entry) {
    m_hive.DeleteValue(Key(section), entry);
}

void CProfile::DeleteSection(const std::string& section) { m_hive.DeleteKey(Key(section)); }

void CProfile::ReplaceSection(const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    bool held = ValueNames(section).size() == values.size() && !HasSubsections(section);
    std::string stored;
    for (size_t i = 0; held && i < values.size(); ++i)
        held = ReadString(section, values[i].first, stored) && stored == values[i].second;
    if (held) return;
    DeleteSection(section);
    for (const auto& [name, value] : values) WriteString(section, name, value);
}

std::vector<std::string> CProfile::ValueNames(const std::string& section) const {
    return m_hive.ValueNames(Key(section));
}

bool CProfile::HasValues(const std::string& section) const { return m_hive.HasValues(Key(section)); }

bool CProfile::HasSubsections(const std::string& section) const { return m_hive.HasSubkeys(Key(section)); }

void CProfile::Update(std::function<void(CProfile&)> edit) {
    m_hive.Update([root = m_root, edit = std::move(edit)](CRegistryHive& hive) {
        CProfile view(hive, root);
        edit(view);
    });
}

CProfile& AppProfile() {
    static CProfile profile(CurrentUserHive(), kSettingsRoot);
    return profile;
}

}  // namespace corvatine::platform
