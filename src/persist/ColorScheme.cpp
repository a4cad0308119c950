#include "persist/ColorScheme.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace corvatine {

namespace {

constexpr const char* kSettingsKey = "Settings";
constexpr const char* kSchemeValue = "ColorScheme";

constexpr int Red(uint32_t c) { return static_cast<int>(c & 0xFF); }
constexpr int Green(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double LeastContrast(uint32_t color, std::initializer_list<uint32_t> backgrounds) {
    double least = 21;
    for (const uint32_t background : backgrounds) least = std::min(least, ContrastRatio(color, background));
    return least;
}

// A tint of the background toward an accent, by share at most: less where
// the text would no longer read on it, or where its luminance would stray
// further than the budget from the background's (on a dark background a
// bright tint would leave coloured text nothing to stand out with).
uint32_t Tint(uint32_t background, uint32_t accent, double share, uint32_t text, double budget = 1) {
    constexpr double kStep = 0.005;
    const double luminance = RelativeLuminance(background);
    for (; share > 0; share -= kStep) {
        const uint32_t tint = MixColor(background, accent, share);
        if (ContrastRatio(text, tint) >= kMinimumContrast &&
            std::abs(RelativeLuminance(tint) - luminance) <= budget)
            return tint;
    }
    return background;
}

// What the desktop scheme takes from the desktop's palette: the accents it
// tints and colours with, for a light and for a dark background.
struct ACCENTS {
    // The comparison rows: a colour and how far the background is tinted
    // toward it; the current difference is tinted further by kCurrentShare.
    uint32_t changed;
    double changedShare;
    uint32_t trivial;
    double trivialShare;
    uint32_t oneSided;
    double oneSidedShare;
    double ghostShare;  // toward the text: a shade of grey
    uint32_t difference;
    double differenceShare;
    uint32_t differenceText;
    // The syntax colours by colour index; 0 for entries made otherwise.
    uint32_t syntax[COLORINDEX_COUNT];
    // Text in the folder view and the hex view.
    uint32_t different;  // a different pair, and bytes changed by an edit
    uint32_t orphan;
    uint32_t failed;  // could not be compared
    uint32_t report;  // the folder table's report text entry
    uint32_t found;   // Highlight All
    double foundShare;
    // How far the luminance of a row's tint, and of one in the current
    // difference, may stray from the background's.
    double rowBudget;
    double currentBudget;
};

constexpr double kCurrentShare = 0.12;
constexpr double kMapShare = 0.75;

// The light accents keep the hues of the built-in tables.
constexpr ACCENTS kLightAccents = {
    .changed = RGB(245, 194, 17),
    .changedShare = 0.30,
    .trivial = RGB(153, 193, 241),
    .trivialShare = 0.22,
    .oneSided = RGB(87, 227, 137),
    .oneSidedShare = 0.25,
    .ghostShare = 0.07,
    .difference = RGB(255, 120, 0),
    .differenceShare = 0.45,
    .differenceText = RGB(165, 29, 45),
    .syntax = {RGB(128, 0, 0),
               0,
               0,
               0,
               0,
               0,
               0,
               RGB(123, 152, 225),
               RGB(255, 255, 0),
               RGB(0, 0, 255),
               RGB(128, 0, 128),
               RGB(0, 128, 0),
               RGB(255, 0, 0),
               0,
               RGB(128, 0, 0),
               RGB(0, 128, 192),
               RGB(128, 0, 0),
               RGB(128, 0, 0),
               RGB(0, 0, 128),
               RGB(0, 128, 192)},
    .different = RGB(192, 28, 40),
    .orphan = RGB(28, 113, 216),
    .failed = RGB(198, 70, 0),
    .report = RGB(38, 162, 105),
    .found = RGB(246, 211, 45),
    .foundShare = 0.55,
    .rowBudget = 1,
    .currentBudget = 1,
};

// The dark accents are lighter and softer, so that they read on a dark
// background without glaring.
constexpr ACCENTS kDarkAccents = {
    .changed = RGB(245, 194, 17),
    .changedShare = 0.26,
    .trivial = RGB(153, 193, 241),
    .trivialShare = 0.16,
    .oneSided = RGB(87, 227, 137),
    .oneSidedShare = 0.20,
    .ghostShare = 0.08,
    .difference = RGB(255, 120, 0),
    .differenceShare = 0.40,
    .differenceText = RGB(255, 214, 168),
    .syntax = {RGB(255, 163, 72),
               0,
               0,
               0,
               0,
               0,
               0,
               RGB(153, 193, 241),
               RGB(248, 228, 92),
               RGB(98, 160, 234),
               RGB(220, 138, 221),
               RGB(127, 209, 139),
               RGB(246, 97, 81),
               0,
               RGB(255, 163, 72),
               RGB(98, 200, 224),
               RGB(255, 163, 72),
               RGB(255, 163, 72),
               RGB(153, 193, 241),
               RGB(98, 200, 224)},
    .different = RGB(255, 123, 99),
    .orphan = RGB(120, 174, 237),
    .failed = RGB(255, 163, 72),
    .report = RGB(143, 240, 164),
    .found = RGB(246, 211, 45),
    .foundShare = 0.45,
    .rowBudget = 0.025,
    .currentBudget = 0.06,
};

// The margin of line numbers: the window's own colour when it is as light
// or as dark as the text's background, else a shade of that background.
uint32_t MarginOf(const DESKTOPPALETTE& palette, uint32_t background, uint32_t text) {
    const bool darkBackground = RelativeLuminance(background) < RelativeLuminance(text);
    const bool darkWindow = RelativeLuminance(palette.window) < RelativeLuminance(text);
    return darkBackground == darkWindow ? palette.window : MixColor(background, text, 0.05);
}

// Moved blocks: a violet tint of the background, apart from the other
// comparison colours, that the text reads on.
void MovedOf(uint32_t background, uint32_t text, double budget, double currentBudget, COLORSCHEME& scheme) {
    constexpr uint32_t kMovedAccent = RGB(150, 100, 230);
    constexpr double kMovedShare = 0.22;
    scheme.moved = Tint(background, kMovedAccent, kMovedShare, text, budget);
    scheme.currentMoved = Tint(background, kMovedAccent, kMovedShare + kCurrentShare, text, currentBudget);
}

// The selection: the desktop's, darkened or lightened until its text reads.
void SelectionOf(const DESKTOPPALETTE& palette, COLORSCHEME& scheme) {
    scheme.selectionText = palette.highlightedText;
    scheme.selection = ReadableColor(palette.highlight, {palette.highlightedText});
    scheme.currentMark = palette.highlight;
}

}  // namespace

double RelativeLuminance(uint32_t color) {
    return 0.2126 * Linear(Red(color)) + 0.7152 * Linear(Green(color)) + 0.0722 * Linear(Blue(color));
}

double ContrastRatio(uint32_t a, uint32_t b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

uint32_t MixColor(uint32_t a, uint32_t b, double share) {
    share = std::clamp(share, 0.0, 1.0);
    const auto mix = [share](int x, int y) {
        return static_cast<unsigned>(std::lround(x + (y - x) * share));
    };
    return RGB(mix(Red(a), Red(b)), mix(Green(a), Green(b)), mix(Blue(a), Blue(b)));
}

uint32_t DarkerColor(uint32_t color, int factor) {
    if (factor <= 0) return color;
    const auto scale = [factor](int x) {
        return static_cast<unsigned>(std::min(255, (x * 100 + factor / 2) / factor));
    };
    return RGB(scale(Red(color)), scale(Green(color)), scale(Blue(color)));
}

uint32_t ReadableColor(uint32_t color, std::initializer_list<uint32_t> backgrounds, double ratio) {
    if (backgrounds.size() == 0 || LeastContrast(color, backgrounds) >= ratio) return color;
    // Toward whichever end stands out more from the backgrounds.
    const uint32_t black = RGB(0, 0, 0), white = RGB(255, 255, 255);
    const uint32_t end =
        LeastContrast(white, backgrounds) > LeastContrast(black, backgrounds) ? white : black;
    constexpr int kSteps = 100;
    for (int step = 1; step < kSteps; ++step) {
        const uint32_t moved = MixColor(color, end, static_cast<double>(step) / kSteps);
        if (LeastContrast(moved, backgrounds) >= ratio) return moved;
    }
    return end;
}

std::string HtmlColorOf(uint32_t color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", Red(color), Green(color), Blue(color));
    return text;
}

// ---- The stored tables ----

STOREDCOLORS::STOREDCOLORS() {
    std::copy(std::begin(CSyntaxEditorOptions::kDefaultColors),
              std::end(CSyntaxEditorOptions::kDefaultColors), editor);
    const CHexEditOptions hexDefaults;
    std::copy(std::begin(hexDefaults.colors), std::end(hexDefaults.colors), hex);
}

STOREDCOLORS STOREDCOLORS::FromComponents(const CSyntaxEditorOptions& editor,
                                          const CTextCompareColors& compare,
                                          const CFolderCompareColors& folders, const CHexEditOptions& hex) {
    STOREDCOLORS stored;
    std::copy(std::begin(editor.colors), std::end(editor.colors), stored.editor);
    stored.compare = compare;
    stored.folders = folders;
    std::copy(std::begin(hex.colors), std::end(hex.colors), stored.hex);
    return stored;
}

namespace {

bool SameTables(const SYNTAXCOLOR* editorA, const CTextCompareColors& compareA,
                const CFolderCompareColors& foldersA, const uint32_t* hexA, const SYNTAXCOLOR* editorB,
                const CTextCompareColors& compareB, const CFolderCompareColors& foldersB,
                const uint32_t* hexB) {
    for (int i = 0; i < COLORINDEX_COUNT; ++i)
        if (editorA[i].color != editorB[i].color || editorA[i].bold != editorB[i].bold) return false;
    for (int i = 1; i <= TCC_COUNT; ++i)
        if (compareA.Get(i) != compareB.Get(i)) return false;
    for (int i = 0; i < CFolderCompareColors::kCount; ++i)
        if (foldersA.Get(i) != foldersB.Get(i)) return false;
    return std::equal(hexA + 1, hexA + CHexEditOptions::kColorCount + 1, hexB + 1);
}

}  // namespace

bool STOREDCOLORS::operator==(const STOREDCOLORS& other) const {
    return SameTables(editor, compare, folders, hex, other.editor, other.compare, other.folders, other.hex);
}

bool STOREDCOLORS::MatchesComponents(const CSyntaxEditorOptions& editorOptions,
                                     const CTextCompareColors& compareColors,
                                     const CFolderCompareColors& folderColors,
                                     const CHexEditOptions& hexOptions) const {
    return SameTables(editor, compare, folders, hex, editorOptions.colors, compareColors, folderColors,
                      hexOptions.colors);
}

bool STOREDCOLORS::IsDefault() const { return *this == STOREDCOLORS(); }

// ---- Schemes ----

uint32_t COLORSCHEME::RowBackground(int color) const {
    if (color == TCC_MOVED) return moved;
    return color >= TCC_CHANGED && color <= TCC_GHOST ? compare.Get(color) : Background();
}

uint32_t COLORSCHEME::CurrentBackground(int color) const {
    if (color == TCC_MOVED) return currentMoved;
    return color >= TCC_CHANGED && color <= TCC_GHOST ? current[color] : Background();
}

uint32_t COLORSCHEME::FolderText(int index) const {
    return index >= 0 && index < CFolderCompareColors::kCount ? folderText[index] : Text();
}

TEXTREPORTCOLORS COLORSCHEME::TextReport() const {
    TEXTREPORTCOLORS colors;
    colors.rows = compare;
    std::copy(std::begin(editor), std::end(editor), colors.syntax);
    colors.page = page;
    return colors;
}

FOLDERREPORTCOLORS COLORSCHEME::FolderReport() const {
    FOLDERREPORTCOLORS colors(folders);
    std::copy(std::begin(folderText), std::end(folderText), colors.text);
    colors.page = page;
    return colors;
}

int ChooseColorScheme(int setting, const DESKTOPPALETTE& palette, const STOREDCOLORS& stored) {
    if (setting == COLORSCHEME_DESKTOP) return COLORSCHEME_DESKTOP;
    return palette.IsDark() && stored.IsDefault() ? COLORSCHEME_DESKTOP : COLORSCHEME_DEFAULT;
}

COLORSCHEME MakeColorScheme(int setting, const DESKTOPPALETTE& palette, const STOREDCOLORS& stored) {
    return ChooseColorScheme(setting, palette, stored) == COLORSCHEME_DESKTOP
               ? DesktopColorScheme(palette)
               : DefaultColorScheme(palette, stored);
}

COLORSCHEME DefaultColorScheme(const DESKTOPPALETTE& palette, const STOREDCOLORS& stored) {
    COLORSCHEME scheme;
    scheme.kind = COLORSCHEME_DEFAULT;
    std::copy(std::begin(stored.editor), std::end(stored.editor), scheme.editor);
    scheme.compare = stored.compare;
    scheme.folders = stored.folders;
    std::copy(std::begin(stored.hex), std::end(stored.hex), scheme.hex);
    const uint32_t background = scheme.Background(), text = scheme.Text();
    scheme.dark = RelativeLuminance(background) < RelativeLuminance(text);

    // The current difference as the views have always shown it: a shade darker.
    for (int i = TCC_CHANGED; i <= TCC_GHOST; ++i)
        scheme.current[i] = DarkerColor(scheme.compare.Get(i), 115);
    MovedOf(background, text, 1, 1, scheme);
    // The table pairs a text colour with the different and the failed
    // backgrounds; on the others the text that reads best.
    for (int i = 0; i < CFolderCompareColors::kCount; ++i)
        scheme.folderText[i] = ReadableColor(text, {scheme.folders.Get(i)});
    scheme.folderText[3] = scheme.folders.Get(4);
    scheme.folderText[8] = scheme.folders.Get(9);

    scheme.margin = MarginOf(palette, background, text);
    scheme.lineNumber = ReadableColor(MixColor(text, scheme.margin, 0.5), {scheme.margin});
    scheme.ghostHatch = DarkerColor(scheme.compare.Get(TCC_GHOST), 115);
    SelectionOf(palette, scheme);
    scheme.markBackground = RGB(255, 176, 64);
    scheme.markText = ReadableColor(text, {scheme.markBackground});

    scheme.mapBackground = background;
    scheme.mapChanged = DarkerColor(scheme.compare.Get(TCC_CHANGED), 110);
    scheme.mapOneSided = DarkerColor(scheme.compare.Get(TCC_ONE_SIDED), 110);
    scheme.mapCurrentChanged = DarkerColor(scheme.compare.Get(TCC_CHANGED), 160);
    scheme.mapCurrentOneSided = DarkerColor(scheme.compare.Get(TCC_ONE_SIDED), 160);
    scheme.mapFrame = text;
    scheme.mapPending = MixColor(background, text, 0.35);
    // The pages as they have always been written.
    scheme.page = PAGECOLORS();
    return scheme;
}

COLORSCHEME DesktopColorScheme(const DESKTOPPALETTE& palette) {
    COLORSCHEME scheme;
    scheme.kind = COLORSCHEME_DESKTOP;
    scheme.dark = palette.IsDark();
    const ACCENTS& accents = scheme.dark ? kDarkAccents : kLightAccents;
    const uint32_t base = palette.base;
    // A palette whose own text does not read on its background is mended.
    const uint32_t text = ReadableColor(palette.text, {base});

    // The comparison: tints of the background that the text reads on.
    CTextCompareColors& compare = scheme.compare;
    const double row = accents.rowBudget, current = accents.currentBudget;
    compare.Set(TCC_CHANGED, Tint(base, accents.changed, accents.changedShare, text, row));
    compare.Set(TCC_TRIVIAL, Tint(base, accents.trivial, accents.trivialShare, text, row));
    compare.Set(TCC_ONE_SIDED, Tint(base, accents.oneSided, accents.oneSidedShare, text, row));
    compare.Set(TCC_GHOST, Tint(base, text, accents.ghostShare, text, row));
    // In-line differences have a text colour of their own: they may stand out more.
    compare.Set(TCC_DIFFERENCE, Tint(base, accents.difference, accents.differenceShare, text));
    compare.Set(TCC_DIFFERENCE_TEXT, ReadableColor(accents.differenceText, {compare.Get(TCC_DIFFERENCE)}));
    scheme.current[TCC_CHANGED] =
        Tint(base, accents.changed, accents.changedShare + kCurrentShare, text, current);
    scheme.current[TCC_TRIVIAL] =
        Tint(base, accents.trivial, accents.trivialShare + kCurrentShare, text, current);
    scheme.current[TCC_ONE_SIDED] =
        Tint(base, accents.oneSided, accents.oneSidedShare + kCurrentShare, text, current);
    scheme.current[TCC_GHOST] = Tint(base, text, accents.ghostShare + kCurrentShare, text, current);
    MovedOf(base, text, row, current, scheme);
    // Coloured text of the text views stands on the background and the row tints.
    const auto readable = [&](uint32_t color) {
        return ReadableColor(color, {base, compare.Get(TCC_CHANGED), compare.Get(TCC_TRIVIAL),
                                     compare.Get(TCC_ONE_SIDED), compare.Get(TCC_GHOST), scheme.moved});
    };
    // That of the hex views also on the current difference's tints.
    const auto readableHex = [&](uint32_t color) {
        return ReadableColor(
            color, {base, compare.Get(TCC_CHANGED), compare.Get(TCC_ONE_SIDED), compare.Get(TCC_GHOST),
                    scheme.current[TCC_CHANGED], scheme.current[TCC_ONE_SIDED], scheme.current[TCC_GHOST]});
    };

    // The editor's table: the palette's background and text, the syntax
    // colours readable on every row.
    SelectionOf(palette, scheme);
    for (int i = 0; i < COLORINDEX_COUNT; ++i) {
        scheme.editor[i].color = readable(accents.syntax[i]);
        scheme.editor[i].bold = CSyntaxEditorOptions::kDefaultColors[i].bold;
    }
    scheme.editor[COLORINDEX_BKGND].color = base;
    scheme.editor[COLORINDEX_BLOCKBKGND].color = base;
    scheme.editor[COLORINDEX_NORMALTEXT].color = text;
    scheme.editor[4].color = palette.window;
    scheme.editor[5].color = scheme.selection;
    scheme.editor[6].color = scheme.selectionText;
    scheme.editor[COLORINDEX_OPERATOR].color = readable(MixColor(text, base, 0.25));

    // The folder view: coloured text on the window's own background.
    CFolderCompareColors& folders = scheme.folders;
    for (int i = 0; i < CFolderCompareColors::kCount; ++i) folders.Set(i, base);
    const uint32_t dim = ReadableColor(MixColor(text, base, 0.4), {base});
    folders.Set(4, ReadableColor(accents.different, {base}));
    folders.Set(5, ReadableColor(accents.orphan, {base}));
    folders.Set(6, ReadableColor(accents.report, {base}));
    folders.Set(9, ReadableColor(accents.failed, {base}));
    folders.Set(10, palette.window);
    for (uint32_t& color : scheme.folderText) color = text;
    scheme.folderText[2] = dim;
    scheme.folderText[3] = folders.Get(4);
    scheme.folderText[7] = folders.Get(5);
    scheme.folderText[8] = folders.Get(9);
    scheme.folderText[10] = ReadableColor(text, {palette.window});

    // The hex views.
    scheme.hex[1] = readableHex(text);
    scheme.hex[2] = base;
    scheme.hex[3] = scheme.selectionText;
    scheme.hex[4] = scheme.selection;
    scheme.hex[5] = readableHex(accents.different);

    scheme.margin = MarginOf(palette, base, text);
    scheme.lineNumber = ReadableColor(MixColor(text, scheme.margin, 0.5), {scheme.margin});
    scheme.ghostHatch = MixColor(compare.Get(TCC_GHOST), text, 0.18);
    scheme.markBackground = Tint(base, accents.found, accents.foundShare, text);
    scheme.markText = ReadableColor(text, {scheme.markBackground});

    scheme.mapBackground = base;
    scheme.mapChanged = MixColor(base, accents.changed, kMapShare);
    scheme.mapOneSided = MixColor(base, accents.oneSided, kMapShare);
    scheme.mapCurrentChanged = accents.changed;
    scheme.mapCurrentOneSided = accents.oneSided;
    // A frame, not text: softer, and still seen (3:1).
    scheme.mapFrame = ReadableColor(MixColor(text, base, 0.4), {base}, 3);
    scheme.mapPending = MixColor(base, text, 0.3);

    PAGECOLORS& page = scheme.page;
    page.background = HtmlColorOf(base);
    page.text = HtmlColorOf(text);
    page.bodyText = page.text;
    page.frame = HtmlColorOf(MixColor(base, text, 0.3));
    page.summary = HtmlColorOf(Tint(base, accents.found, 0.12, text));
    page.heading = HtmlColorOf(Tint(base, text, 0.15, text));
    page.lineNumbers = HtmlColorOf(ReadableColor(MixColor(text, base, 0.5), {base}));
    page.tintsCarryText = true;
    return scheme;
}

// ---- The choice ----

void CColorSchemeOptions::Load(const platform::CProfile& profile) {
    const int value = profile.GetInt(kSettingsKey, kSchemeValue, COLORSCHEME_DEFAULT);
    scheme = value == COLORSCHEME_DESKTOP ? COLORSCHEME_DESKTOP : COLORSCHEME_DEFAULT;
}

void CColorSchemeOptions::Save(platform::CProfile& profile) const {
    profile.WriteInt(kSettingsKey, kSchemeValue,
                     scheme == COLORSCHEME_DESKTOP ? COLORSCHEME_DESKTOP : COLORSCHEME_DEFAULT);
}

}  // namespace corvatine
