// The colours of a text comparison: the row states of the aligned model and
// the in-line differences, shared by the views and the report.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Profile.h"

namespace corvatine {

inline constexpr const char* kTextCompareColorsKey =
    "Comparisons\\FileComparison\\TextComparison\\Settings\\Colors";

enum TextCompareColor : int {
    TCC_NONE = 0,
    TCC_CHANGED = 1,          // a changed line
    TCC_TRIVIAL = 2,          // a line that differs only trivially
    TCC_ONE_SIDED = 3,        // a line opposite a ghost row
    TCC_GHOST = 4,            // a ghost row
    TCC_DIFFERENCE = 5,       // background of an in-line difference
    TCC_DIFFERENCE_TEXT = 6,  // text of an in-line difference
    TCC_COUNT = 6,
    // A line of a block that moved: drawn in a colour of the scheme's own,
    // not one of the stored table.
    TCC_MOVED = 7,
};

class CTextCompareColors {
public:
    CTextCompareColors() { ResetToDefaults(); }
    void ResetToDefaults();

    // Windows-style colour values (red in the low byte) by index 1 to 6.
    uint32_t Get(int index) const { return index >= 1 && index <= TCC_COUNT ? m_colors[index] : 0; }
    void Set(int index, uint32_t color) {
        if (index >= 1 && index <= TCC_COUNT) m_colors[index] = color & 0xFFFFFF;
    }
    // "#rrggbb".
    std::string Html(int index) const;

    // Read only when the stored table says it has exactly six entries.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

private:
    uint32_t m_colors[TCC_COUNT + 1];
};

// The comparison colour of a line of a side from its flags: none for a line
// that is no difference; 1 changed; trivial lines 2 (a trivial ghost row 4)
// while trivial differences are highlighted, else none; ghost rows 4 and
// one-sided lines 3; with moved, a line of a moved block TCC_MOVED.
int RowColor(uint32_t flags, bool highlightTrivial, bool moved = false);

// "#rrggbb" of a Windows-style colour value.
std::string HtmlColor(uint32_t color);

}  // namespace corvatine
