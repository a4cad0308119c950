// The colours of a folder comparison: eleven entries shared by the folder
// view and the report, with two built-in schemes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Profile.h"

namespace corvatine {

inline constexpr const char* kFolderCompareColorsKey = "Comparisons\\FolderComparison\\Settings\\Colors";

class CFolderCompareColors {
public:
    static constexpr int kCount = 11;
    enum Scheme { SCHEME_DEFAULT = 0, SCHEME_ALTERNATIVE = 1 };

    CFolderCompareColors() { ApplyScheme(SCHEME_DEFAULT); }
    // Index 10 is the system window colour (white here) in both schemes.
    void ApplyScheme(int scheme);

    // Windows-style colour values (red in the low byte) by index 0 to 10.
    uint32_t Get(int index) const { return index >= 0 && index < kCount ? m_colors[index] : 0; }
    void Set(int index, uint32_t color) {
        if (index >= 0 && index < kCount) m_colors[index] = color & 0xFFFFFF;
    }
    // "#rrggbb", and "0" for the colour value 0.
    std::string Html(int index) const;

    // The user's table replaces the scheme when it holds exactly eleven entries.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

private:
    uint32_t m_colors[kCount];
};

}  // namespace corvatine
