// The application's profile: integer and string settings in sections that are
// keys below one settings root of a hive.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/RegistryHive.h"

namespace corvatine::platform {

// The settings root of the program under HKEY_CURRENT_USER.
inline constexpr const char* kSettingsRoot = "Software\\Brasko\\Corvatine";

class CProfile {
public:
    CProfile(CRegistryHive& hive, std::string root) : m_hive(hive), m_root(std::move(root)) {}

    // The stored DWORD read as a signed integer, or the default when the value
    // is missing or is not a number. An empty section is the root itself.
    int GetInt(std::string_view section, std::string_view entry, int defaultValue) const;
    // A stored switch: the stored 0 or 1, else (missing or any other value)
    // the default.
    int GetBool(std::string_view section, std::string_view entry, int defaultValue) const;
    // The stored string, or the default when it is missing or not a string.
    std::string GetString(std::string_view section, std::string_view entry,
                          const std::string& defaultValue) const;
    // True when the value exists as a string; text is then set.
    [[nodiscard]] bool ReadString(std::string_view section, std::string_view entry, std::string& text) const;
    // True when the value exists as a number; value is then set.
    [[nodiscard]] bool ReadInt(std::string_view section, std::string_view entry, int& value) const;

    void WriteInt(std::string_view section, std::string_view entry, int value);
    void WriteString(std::string_view section, std::string_view entry, const std::string& value);
    void DeleteValue(std::string_view section, std::string_view entry);
    // Removes the section with its values and subsections.
    void DeleteSection(std::string_view section);
    // Makes a section that holds a list hold exactly these string values and
    // no subsection. A section that holds them already is left alone, so that
    // a list saved unchanged at every exit leaves nothing to write.
    void ReplaceSection(std::string_view section,
                        const std::vector<std::pair<std::string, std::string>>& values);
    // The names of the section's values.
    std::vector<std::string> ValueNames(std::string_view section) const;
    // Whether the section holds any value.
    bool HasValues(std::string_view section) const;
    // Whether a section below the section holds any value.
    bool HasSubsections(std::string_view section) const;

    // A change worked out from what the profile holds (CRegistryHive::Update):
    // edit runs on a profile of the same root now, and again on the file as
    // another program left it when that replaced the file before Flush.
    void Update(std::function<void(CProfile&)> edit);

    CRegistryHive& Hive() const { return m_hive; }

private:
    // The hive's key of a section; valid until the next call.
    const std::string& Key(std::string_view section) const;

    CRegistryHive& m_hive;
    std::string m_root;
    mutable std::string m_lastSection;
    mutable std::string m_lastKey;
};

// The program's profile: the settings root in the per-user hive.
CProfile& AppProfile();

}  // namespace corvatine::platform
