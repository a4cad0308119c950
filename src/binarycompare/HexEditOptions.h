// The hex editor's settings and the process-wide hex editor component.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Profile.h"
#include "platform/RecentFileList.h"

namespace corvatine {

inline constexpr const char* kHexEditSettingsKey = "Components\\BinaryEditor\\Settings";
inline constexpr const char* kHexEditColorsKey = "Components\\BinaryEditor\\Settings\\Colors";
inline constexpr const char* kHexEditRecentFindKey = "Components\\BinaryEditor\\Recent\\Find";

struct HEXFONT {
    std::string face;
    int height;
    int weight;
    int italic;
    int charset;
};

class CHexEditOptions {
public:
    static constexpr int kColorCount = 5;
    static constexpr int kRecentFindSize = 20;

    int showUppercase = 1;
    int showDecimalAddresses = 0;
    int showCharacterArea = 1;
    int rowSize = 16;   // 4..1024
    int groupSize = 4;  // at least 2
    int backupFile = 0;
    // Windows-style colour values (red in the low byte), by index 1 to 5:
    // text, background, selected text, selection, and changed bytes.
    uint32_t colors[kColorCount + 1] = {0, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x800000, 0x0000FF};
    HEXFONT ansiFont{"Courier New", 15, 400, 0, 0};
    HEXFONT oemFont{"Terminal", 16, 400, 0, 255};

    void ResetToDefaults() { *this = CHexEditOptions(); }
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

    // "face|height|weight|italic|charset"; false when the text is no font.
    static bool ParseFont(const std::string& text, HEXFONT& font);
    static std::string FontText(const HEXFONT& font);
};

class CHexEditor : public CHexEditOptions {
public:
    // The options and the recent search strings.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
    void AddRecentFind(const std::string& text) {
        if (!text.empty()) m_recentFind.Add(text);
    }
    const platform::CRecentFileList& RecentFind() const { return m_recentFind; }

private:
    platform::CRecentFileList m_recentFind{kHexEditRecentFindKey, "String%d", kRecentFindSize,
                                           platform::CRecentFileList::Match::Text};
};

}  // namespace corvatine
