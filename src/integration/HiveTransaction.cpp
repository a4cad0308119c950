#include "integration/HiveTransaction.h"

#include <cassert>

#include "platform/Profile.h"

namespace corvatine {

using platform::CRegistryHive;

std::string SettingsKey(const std::string& section) {
    return std::string(platform::kSettingsRoot) + "\\" + section;
}

void CHiveTransaction::Remember(const std::string& key, const std::string& name) {
    OLDVALUE old;
    old.key = key;
    old.name = name;
    old.value.name = name;
    if (m_hive.GetString(key, name, old.value.text)) {
        old.existed = true;
        old.value.type = CRegistryHive::ValueType::String;
    } else if (m_hive.GetDword(key, name, old.value.dword)) {
        old.existed = true;
        old.value.type = CRegistryHive::ValueType::Dword;
    }
    m_undo.push_back(std::move(old));
}

void CHiveTransaction::SetString(const std::string& key, const std::string& name, const std::string& value) {
    Remember(key, name);
    m_hive.SetString(key, name, value);
}

void CHiveTransaction::SetDword(const std::string& key, const std::string& name, uint32_t value) {
    Remember(key, name);
    m_hive.SetDword(key, name, value);
}

void CHiveTransaction::DeleteKey(const std::string& key) {
    assert(!m_hive.HasSubkeys(key));
    for (const std::string& name : m_hive.ValueNames(key)) Remember(key, name);
    m_hive.DeleteKey(key);
}

void CHiveTransaction::Undo() {
    for (auto old = m_undo.rbegin(); old != m_undo.rend(); ++old) {
        if (!old->existed)
            m_hive.DeleteValue(old->key, old->name);
        else if (old->value.type == CRegistryHive::ValueType::String)
            m_hive.SetString(old->key, old->name, old->value.text);
        else
            m_hive.SetDword(old->key, old->name, old->value.dword);
    }
    m_undo.clear();
}

bool CHiveTransaction::Commit(const HiveCommit& commit, std::string& error) {
    const bool written = commit ? commit(error) : m_hive.Flush(error);
    if (!written) Undo();
    m_undo.clear();
    return written;
}

}  // namespace corvatine
