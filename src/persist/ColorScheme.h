// The colour schemes of the window and of the pages it writes. The default
// scheme is the stored colour tables as they are (the built-in tables unless
// the user changed them). The desktop scheme is made from the desktop's
// palette, light or dark: the palette's own background and text, differences
// as tints of that background and coloured text, every text at a contrast of
// at least kMinimumContrast against each background it can stand on.
//
// Colours are values as the tables hold them: red in the low byte (RGB()).
// Nothing here knows a toolkit; the window reads its palette and hands the
// plain values down.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "binarycompare/HexEditOptions.h"
#include "editor/EditorOptions.h"
#include "editor/PageColors.h"
#include "foldercompare/FolderCompareColors.h"
#include "foldercompare/FolderCompareReport.h"
#include "platform/Profile.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareReport.h"

namespace corvatine {

// The least contrast of text against its background (WCAG 2, level AA).
inline constexpr double kMinimumContrast = 4.5;

// Relative luminance after WCAG 2: 0 for black to 1 for white.
double RelativeLuminance(uint32_t color);
// (L1 + 0.05) / (L2 + 0.05) of the lighter over the darker: 1 to 21.
double ContrastRatio(uint32_t a, uint32_t b);
// a moved toward b by share (0 is a, 1 is b), channel by channel.
uint32_t MixColor(uint32_t a, uint32_t b, double share);
// Every channel times 100 / factor: 110 is a little darker.
uint32_t DarkerColor(uint32_t color, int factor);
// The colour moved toward black (on light backgrounds) or white (on dark
// ones) no further than it takes to reach the ratio against every
// background; black or white when even they do not. The backgrounds are all
// light or all dark (tints of one background).
uint32_t ReadableColor(uint32_t color, std::initializer_list<uint32_t> backgrounds,
                       double ratio = kMinimumContrast);
// "#rrggbb".
std::string HtmlColorOf(uint32_t color);

// The colours of the desktop that the schemes are made from. The defaults are
// a classic light desktop.
struct DESKTOPPALETTE {
    uint32_t window = RGB(240, 240, 240);  // the window's own background
    uint32_t windowText = RGB(0, 0, 0);
    uint32_t base = RGB(255, 255, 255);  // the background of views of text and lists
    uint32_t text = RGB(0, 0, 0);
    uint32_t highlight = RGB(0, 120, 215);  // selected items
    uint32_t highlightedText = RGB(255, 255, 255);

    // The views' background is darker than their text.
    bool IsDark() const { return RelativeLuminance(base) < RelativeLuminance(text); }
    bool operator==(const DESKTOPPALETTE&) const = default;
};

enum ColorSchemeKind : int {
    COLORSCHEME_DEFAULT = 0,  // the stored colour tables
    COLORSCHEME_DESKTOP = 1,  // made from the desktop's palette
};

// The colour tables as stored by the components.
struct STOREDCOLORS {
    SYNTAXCOLOR editor[COLORINDEX_COUNT];
    CTextCompareColors compare;
    CFolderCompareColors folders;
    uint32_t hex[CHexEditOptions::kColorCount + 1];

    // The built-in tables.
    STOREDCOLORS();
    // The tables the components hold, and whether they still hold these
    // (cheaper than taking them again).
    static STOREDCOLORS FromComponents(const CSyntaxEditorOptions& editor, const CTextCompareColors& compare,
                                       const CFolderCompareColors& folders, const CHexEditOptions& hex);
    bool MatchesComponents(const CSyntaxEditorOptions& editor, const CTextCompareColors& compare,
                           const CFolderCompareColors& folders, const CHexEditOptions& hex) const;
    // Every table is the built-in one: the user has set no colours of their own.
    bool IsDefault() const;
    bool operator==(const STOREDCOLORS& other) const;
};

// Every colour a view, a report or the export is drawn with.
struct COLORSCHEME {
    int kind = COLORSCHEME_DEFAULT;
    bool dark = false;  // light text on a dark background

    // The editor's table as drawn: 1 the background, 3 the text, 9 to 15 and
    // 18 the syntax colours (see ColorIndex).
    SYNTAXCOLOR editor[COLORINDEX_COUNT];
    // The rows' comparison colours 1 to 4, the in-line differences 5 and 6.
    CTextCompareColors compare;
    // The comparison colours 1 to 4 inside the current difference.
    uint32_t current[TCC_COUNT + 1] = {};
    // The rows of a moved block, and inside the current difference.
    uint32_t moved = 0;
    uint32_t currentMoved = 0;
    // The folder table, and the text that stands on each of its backgrounds.
    CFolderCompareColors folders;
    uint32_t folderText[CFolderCompareColors::kCount] = {};
    // The hex views: 1 text, 2 background, 3 selected text, 4 selection,
    // 5 bytes changed by an edit.
    uint32_t hex[CHexEditOptions::kColorCount + 1] = {};

    // Beside the tables.
    uint32_t margin = 0;       // the margin of line numbers
    uint32_t lineNumber = 0;   // its numbers
    uint32_t ghostHatch = 0;   // the hatching over ghost rows
    uint32_t currentMark = 0;  // the bar and lines around the current difference
    uint32_t selection = 0;
    uint32_t selectionText = 0;
    uint32_t markBackground = 0;  // text found by Highlight All
    uint32_t markText = 0;
    // The location maps: background, the bands of changed and one-sided
    // rows or bytes, the current difference's, the frame of what is in view
    // and the part not listed yet.
    uint32_t mapBackground = 0;
    uint32_t mapChanged = 0;
    uint32_t mapOneSided = 0;
    uint32_t mapCurrentChanged = 0;
    uint32_t mapCurrentOneSided = 0;
    uint32_t mapFrame = 0;
    uint32_t mapPending = 0;
    // The pages: reports and the export.
    PAGECOLORS page;

    uint32_t Background() const { return editor[COLORINDEX_BKGND].color; }
    uint32_t Text() const { return editor[COLORINDEX_NORMALTEXT].color; }
    // The background of a row of comparison colour (TCC_NONE: the text's own).
    uint32_t RowBackground(int color) const;
    // The same inside the current difference.
    uint32_t CurrentBackground(int color) const;
    // The text of a folder view cell on the background of a colour index.
    uint32_t FolderText(int index) const;

    TEXTREPORTCOLORS TextReport() const;
    FOLDERREPORTCOLORS FolderReport() const;
};

// The scheme in force: the desktop's when chosen, and also under a dark
// palette where the user has set no colours of their own; the stored tables
// otherwise.
int ChooseColorScheme(int setting, const DESKTOPPALETTE& palette, const STOREDCOLORS& stored);
COLORSCHEME MakeColorScheme(int setting, const DESKTOPPALETTE& palette, const STOREDCOLORS& stored);
// The two schemes themselves.
COLORSCHEME DefaultColorScheme(const DESKTOPPALETTE& palette, const STOREDCOLORS& stored);
COLORSCHEME DesktopColorScheme(const DESKTOPPALETTE& palette);

// Which scheme the user chose; value "ColorScheme" of the "Settings" key.
class CColorSchemeOptions {
public:
    int scheme = COLORSCHEME_DEFAULT;

    // A missing or unknown value is the default.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
};

}  // namespace corvatine
