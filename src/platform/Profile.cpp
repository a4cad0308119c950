#include "platform/Profile.h"

#include <cstdint>

namespace corvatine::platform {

const std::string& CProfile::Key(std::string_view section) const {
    if (section.empty()) return m_root;
    // Options and lists read many values of one section in a row.
    if (m_lastKey.empty() || section != m_lastSection) {
        // Rebuilt in the storage it already has.
        m_lastSection = section;
        m_lastKey.assign(m_root).append(1, '\\').append(section);
    }
    return m_lastKey;
}

int CProfile::GetInt(std::string_view section, std::string_view entry, int defaultValue) const {
    int value = defaultValue;
    return ReadInt(section, entry, value) ? value : defaultValue;
}

int CProfile::GetBool(std::string_view section, std::string_view entry, int defaultValue) const {
    const int value = GetInt(section, entry, defaultValue);
    return value == 0 || value == 1 ? value : defaultValue;
}

std::string CProfile::GetString(std::string_view section, std::string_view entry,
                                const std::string& defaultValue) const {
    std::string text;
    return ReadString(section, entry, text) ? text : defaultValue;
}

bool CProfile::ReadString(std::string_view section, std::string_view entry, std::string& text) const {
    return m_hive.GetString(Key(section), entry, text);
}

bool CProfile::ReadInt(std::string_view section, std::string_view entry, int& value) const {
    uint32_t dword = 0;
    if (!m_hive.GetDword(Key(section), entry, dword)) return false;
    value = static_cast<int>(dword);
    return true;
}

void CProfile::WriteInt(std::string_view section, std::string_view entry, int value) {
    m_hive.SetDword(Key(section), entry, static_cast<uint32_t>(value));
}

void CProfile::WriteString(std::string_view section, std::string_view entry, const std::string& value) {
    m_hive.SetString(Key(section), entry, value);
}

void CProfile::DeleteValue(std::string_view section, std::string_view entry) {
    m_hive.DeleteValue(Key(section), entry);
}

void CProfile::DeleteSection(std::string_view section) { m_hive.DeleteKey(Key(section)); }

void CProfile::ReplaceSection(std::string_view section,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    bool held = ValueNames(section).size() == values.size() && !HasSubsections(section);
    std::string stored;
    for (size_t i = 0; held && i < values.size(); ++i)
        held = ReadString(section, values[i].first, stored) && stored == values[i].second;
    if (held) return;
    DeleteSection(section);
    for (const auto& [name, value] : values) WriteString(section, name, value);
}

std::vector<std::string> CProfile::ValueNames(std::string_view section) const {
    return m_hive.ValueNames(Key(section));
}

bool CProfile::HasValues(std::string_view section) const { return m_hive.HasValues(Key(section)); }

bool CProfile::HasSubsections(std::string_view section) const { return m_hive.HasSubkeys(Key(section)); }

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
