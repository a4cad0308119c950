#include "binarycompare/HexEditOptions.h"

#include <cstdlib>

namespace corvatine {

bool CHexEditOptions::ParseFont(const std::string& text, HEXFONT& font) {
    std::string parts[5];
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        const size_t end = i < 4 ? text.find('|', start) : text.size();
        if (end == std::string::npos) return false;
        parts[i] = text.substr(start, end - start);
        start = end + 1;
    }
    if (parts[0].empty()) return false;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        const long value = std::strtol(parts[i + 1].c_str(), &end, 10);
        if (parts[i + 1].empty() || *end != '\0' || value < -10000 || value > 10000) return false;
        numbers[i] = static_cast<int>(value);
    }
    font = {parts[0], numbers[0], numbers[1], numbers[2], numbers[3]};
    return true;
}

std::string CHexEditOptions::FontText(const HEXFONT& font) {
    return font.face + "|" + std::to_string(font.height) + "|" + std::to_string(font.weight) + "|" +
           std::to_string(font.italic) + "|" + std::to_string(font.charset);
}

void CHexEditOptions::Load(const platform::CProfile& profile) {
    ResetToDefaults();
    const CHexEditOptions defaults;
    showUppercase = profile.GetBool(kHexEditSettingsKey, "ShowUppercase", defaults.showUppercase);
    showDecimalAddresses =
        profile.GetBool(kHexEditSettingsKey, "ShowDecimalAddresses", defaults.showDecimalAddresses);
    showCharacterArea = profile.GetBool(kHexEditSettingsKey, "ShowCharacterArea", defaults.showCharacterArea);
    backupFile = profile.GetBool(kHexEditSettingsKey, "BackupFile", defaults.backupFile);
    rowSize = profile.GetInt(kHexEditSettingsKey, "RowSize", defaults.rowSize);
    if (rowSize < 4 || rowSize > 1024) rowSize = 4;
    groupSize = profile.GetInt(kHexEditSettingsKey, "GroupSize", defaults.groupSize);
    if (groupSize < 2) groupSize = 2;
    if (profile.GetInt(kHexEditColorsKey, "Count", 0) == kColorCount)
        for (int i = 1; i <= kColorCount; ++i)
            colors[i] = static_cast<uint32_t>(profile.GetInt(kHexEditColorsKey, "Color" + std::to_string(i),
                                                             static_cast<int>(colors[i]))) &
                        0xFFFFFF;
    HEXFONT font;
    if (ParseFont(profile.GetString(kHexEditSettingsKey, "ANSIFont", ""), font)) ansiFont = font;
    if (ParseFont(profile.GetString(kHexEditSettingsKey, "OEMFont", ""), font)) oemFont = font;
}

void CHexEditOptions::Save(platform::CProfile& profile) const {
    profile.WriteInt(kHexEditSettingsKey, "ShowUppercase", showUppercase);
    profile.WriteInt(kHexEditSettingsKey, "ShowDecimalAddresses", showDecimalAddresses);
    profile.WriteInt(kHexEditSettingsKey, "ShowCharacterArea", showCharacterArea);
    profile.WriteInt(kHexEditSettingsKey, "RowSize", rowSize);
    profile.WriteInt(kHexEditSettingsKey, "GroupSize", groupSize);
    profile.WriteInt(kHexEditSettingsKey, "BackupFile", backupFile);
    profile.WriteInt(kHexEditColorsKey, "Count", kColorCount);
    for (int i = 1; i <= kColorCount; ++i)
        profile.WriteInt(kHexEditColorsKey, "Color" + std::to_string(i), static_cast<int>(colors[i]));
    profile.WriteString(kHexEditSettingsKey, "ANSIFont", FontText(ansiFont));
    profile.WriteString(kHexEditSettingsKey, "OEMFont", FontText(oemFont));
}

void CHexEditor::Load(const platform::CProfile& profile) {
    CHexEditOptions::Load(profile);
    m_recentFind.Load(profile);
}

void CHexEditor::Save(platform::CProfile& profile) const {
    CHexEditOptions::Save(profile);
    m_recentFind.Save(profile);
}

}  // namespace corvatine
