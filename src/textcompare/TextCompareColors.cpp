#include "textcompare/TextCompareColors.h"

#include <cstdio>

#include "editor/EditorOptions.h"
#include "editor/SyntaxTextLine.h"

namespace corvatine {

void CTextCompareColors::ResetToDefaults() {
    m_colors[TCC_NONE] = RGB(255, 255, 255);
    m_colors[TCC_CHANGED] = RGB(255, 242, 179);
    m_colors[TCC_TRIVIAL] = RGB(230, 230, 242);
    m_colors[TCC_ONE_SIDED] = RGB(214, 240, 214);
    m_colors[TCC_GHOST] = RGB(224, 224, 224);
    m_colors[TCC_DIFFERENCE] = RGB(255, 200, 100);
    m_colors[TCC_DIFFERENCE_TEXT] = RGB(160, 0, 0);
}

std::string CTextCompareColors::Html(int index) const { return HtmlColor(Get(index)); }

void CTextCompareColors::Load(const platform::CProfile& profile) {
    ResetToDefaults();
    if (profile.GetInt(kTextCompareColorsKey, "Count", 0) != TCC_COUNT) return;
    for (int i = 1; i <= TCC_COUNT; ++i)
        Set(i, static_cast<uint32_t>(profile.GetInt(kTextCompareColorsKey, "Color" + std::to_string(i),
                                                    static_cast<int>(m_colors[i]))));
}

void CTextCompareColors::Save(platform::CProfile& profile) const {
    profile.WriteInt(kTextCompareColorsKey, "Count", TCC_COUNT);
    for (int i = 1; i <= TCC_COUNT; ++i)
        profile.WriteInt(kTextCompareColorsKey, "Color" + std::to_string(i), static_cast<int>(m_colors[i]));
}

int RowColor(uint32_t flags, bool highlightTrivial, bool moved) {
    if (!(flags & LF_DIFFERENCE)) return TCC_NONE;
    if (moved && (flags & LF_MOVED) && !(flags & LF_GHOST)) return TCC_MOVED;
    if (flags & LF_CHANGED) return TCC_CHANGED;
    if (flags & LF_TRIVIAL)
        return highlightTrivial ? ((flags & LF_GHOST) ? TCC_GHOST : TCC_TRIVIAL) : TCC_NONE;
    if (flags & LF_GHOST) return TCC_GHOST;
    return TCC_ONE_SIDED;
}

std::string HtmlColor(uint32_t color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    return text;
}

}  // namespace corvatine
