#include "foldercompare/FolderCompareColors.h"

#include <cstdio>

namespace corvatine {

namespace {

// "#rrggbb" as written in the page, to a Windows colour value.
constexpr uint32_t Rgb(uint32_t html) {
    return ((html >> 16) & 0xFF) | (html & 0xFF00) | ((html & 0xFF) << 16);
}

constexpr uint32_t kSchemes[2][CFolderCompareColors::kCount] = {
    {Rgb(0xfffff0), Rgb(0xffffff), Rgb(0xa6caf0), Rgb(0xff0000), Rgb(0xffffff), Rgb(0x0000ff), Rgb(0xc0dcc0),
     Rgb(0xf0f0f0), Rgb(0x808080), Rgb(0xf0f0f0), Rgb(0xffffff)},
    {Rgb(0xfffff0), Rgb(0xe0ffdd), Rgb(0xffe0e0), Rgb(0xff0000), Rgb(0xe0ffff), Rgb(0x0000ff), Rgb(0xe0e0ff),
     Rgb(0xf0f0f0), Rgb(0x808080), Rgb(0xf0f0f0), Rgb(0xffffff)},
};

}  // namespace

void CFolderCompareColors::ApplyScheme(int scheme) {
    const uint32_t* colors = kSchemes[scheme == SCHEME_ALTERNATIVE ? 1 : 0];
    for (int i = 0; i < kCount; ++i) m_colors[i] = colors[i];
}

std::string CFolderCompareColors::Html(int index) const {
    const uint32_t color = Get(index);
    if (color == 0) return "0";
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    return text;
}

void CFolderCompareColors::Load(const platform::CProfile& profile) {
    ApplyScheme(SCHEME_DEFAULT);
    if (profile.GetInt(kFolderCompareColorsKey, "Count", 0) != kCount) return;
    for (int i = 0; i < kCount; ++i)
        Set(i, static_cast<uint32_t>(profile.GetInt(kFolderCompareColorsKey, "Color" + std::to_string(i),
                                                    static_cast<int>(m_colors[i]))));
}

void CFolderCompareColors::Save(platform::CProfile& profile) const {
    profile.WriteInt(kFolderCompareColorsKey, "Count", kCount);
    for (int i = 0; i < kCount; ++i)
        profile.WriteInt(kFolderCompareColorsKey, "Color" + std::to_string(i), static_cast<int>(m_colors[i]));
}

}  // namespace corvatine
