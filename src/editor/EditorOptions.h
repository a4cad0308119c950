// The text editor settings: the working code page, change tracking and the
// colour table.
#pragma once

#include <cstdint>
#include <string>

#include "editor/SyntaxParser.h"
#include "platform/Profile.h"

namespace corvatine {

inline constexpr const char* kTextEditorSettingsKey = "Components\\TextEditor\\Settings";
inline constexpr const char* kTextEditorColorsKey = "Components\\TextEditor\\Settings\\Colors";

// A Windows-style colour value: red in the low byte, then green, then blue.
constexpr uint32_t RGB(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

struct SYNTAXCOLOR {
    uint32_t color;
    int bold;
};

class CSyntaxEditorOptions {
public:
    static constexpr int kDefaultTabSize = 4;
    static constexpr int kMaxTabSize = 16;

    // The working code page of all text in memory; the system code page by default.
    int defaultCodePage;
    // New edit contexts track which lines changed since loading and saving.
    int trackChanges = 1;
    // The views' font, "face|height|weight|italic|charset" with the height in
    // pixels; empty is the system's fixed-pitch font.
    std::string font;
    // Columns per tab stop in the views, 1 to kMaxTabSize.
    int tabSize = kDefaultTabSize;
    // The views wrap long lines at their width.
    int wordWrap = 0;
    // The views mark tabs, trailing blanks and line endings.
    int showWhiteSpace = 0;
    // By colour index (see ColorIndex).
    SYNTAXCOLOR colors[COLORINDEX_COUNT];

    CSyntaxEditorOptions();

    // Reads the settings and makes the stored code page the working one
    // (an unknown code page falls back to the system's). The stored colour
    // table is read only when it says it has exactly 20 entries.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

    static const SYNTAXCOLOR kDefaultColors[COLORINDEX_COUNT];
};

}  // namespace corvatine
