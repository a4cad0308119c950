// The colour schemes: the contrast arithmetic, the scheme made from a
// desktop's palette (every text readable on every background it stands on),
// the default scheme as the built-in tables, which scheme is in force, and
// the choice stored in the settings.
#include "persist/ColorScheme.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foldercompare/FolderCompareOptions.h"
#include "support/ScratchProfile.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

constexpr uint32_t Html(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

uint32_t Parse(const std::string& html) {
    unsigned value = 0;
    EXPECT_EQ(std::sscanf(html.c_str(), "#%6x", &value), 1) << html;
    return Html(value);
}

struct NAMEDPALETTE {
    const char* name;
    DESKTOPPALETTE palette;
    bool dark;
};

// As the desktops hand them to Qt: window, window text, base, text,
// highlight, highlighted text.
const NAMEDPALETTE kPalettes[] = {
    {"Adwaita",
     {Html(0xf6f5f4), Html(0x2e3436), Html(0xffffff), Html(0x000000), Html(0x3584e4), Html(0xffffff)},
     false},
    {"Adwaita dark",
     {Html(0x353535), Html(0xeeeeec), Html(0x2d2d2d), Html(0xeeeeec), Html(0x15539e), Html(0xffffff)},
     true},
    {"Breeze",
     {Html(0xeff0f1), Html(0x232629), Html(0xffffff), Html(0x232629), Html(0x3daee9), Html(0xffffff)},
     false},
    {"Breeze dark",
     {Html(0x202326), Html(0xfcfcfc), Html(0x141618), Html(0xfcfcfc), Html(0x3daee9), Html(0xfcfcfc)},
     true},
    {"Breeze dark (Plasma 5)",
     {Html(0x31363b), Html(0xeff0f1), Html(0x232629), Html(0xeff0f1), Html(0x3daee9), Html(0xeff0f1)},
     true},
    {"High contrast dark",
     {Html(0x000000), Html(0xffffff), Html(0x000000), Html(0xffffff), Html(0x1aebff), Html(0x000000)},
     true},
    {"High contrast light",
     {Html(0xffffff), Html(0x000000), Html(0xffffff), Html(0x000000), Html(0x37006e), Html(0xffffff)},
     false},
    // A theme whose own text hardly reads on its background.
    {"Grey on grey",
     {Html(0x5a5a5a), Html(0x8a8a8a), Html(0x505050), Html(0x7a7a7a), Html(0x606060), Html(0x707070)},
     true},
};

struct PAIR {
    std::string what;
    uint32_t text;
    uint32_t background;
};

// Every text of a scheme with every background it is drawn on.
std::vector<PAIR> TextPairs(const COLORSCHEME& s) {
    std::vector<PAIR> pairs;
    // The text views: plain and syntax-coloured text on the background and
    // on every row tint.
    const std::pair<const char*, int> rows[] = {{"background", TCC_NONE},
                                                {"changed", TCC_CHANGED},
                                                {"trivial", TCC_TRIVIAL},
                                                {"one-sided", TCC_ONE_SIDED},
                                                {"ghost", TCC_GHOST}};
    const std::pair<const char*, int> texts[] = {
        {"text", COLORINDEX_NORMALTEXT},   {"keyword", COLORINDEX_KEYWORD},
        {"function", COLORINDEX_FUNCNAME}, {"comment", COLORINDEX_COMMENT},
        {"number", COLORINDEX_NUMBER},     {"operator", COLORINDEX_OPERATOR},
        {"string", COLORINDEX_STRING},     {"preprocessor", COLORINDEX_PREPROCESSOR},
        {"user keyword", COLORINDEX_USER1}};
    for (const auto& [rowName, row] : rows)
        for (const auto& [textName, index] : texts)
            pairs.push_back(
                {std::string(textName) + " on " + rowName, s.editor[index].color, s.RowBackground(row)});
    pairs.push_back(
        {"in-line difference", s.compare.Get(TCC_DIFFERENCE_TEXT), s.compare.Get(TCC_DIFFERENCE)});
    pairs.push_back({"selection", s.selectionText, s.selection});
    pairs.push_back({"Highlight All", s.markText, s.markBackground});
    pairs.push_back({"line numbers", s.lineNumber, s.margin});
    // The folder view: each background a cell can have, with its text.
    for (const int index : {0, 1, 2, 3, 7, 8, 10})
        pairs.push_back({"folder cell " + std::to_string(index), s.FolderText(index), s.folders.Get(index)});
    // The hex views, the current difference's tints included.
    for (const int row : {TCC_NONE, TCC_CHANGED, TCC_ONE_SIDED, TCC_GHOST}) {
        pairs.push_back({"hex text on " + std::to_string(row), s.hex[1], s.RowBackground(row)});
        pairs.push_back({"hex edited on " + std::to_string(row), s.hex[5], s.RowBackground(row)});
        pairs.push_back({"hex text on current " + std::to_string(row), s.hex[1], s.CurrentBackground(row)});
        pairs.push_back({"hex edited on current " + std::to_string(row), s.hex[5], s.CurrentBackground(row)});
    }
    pairs.push_back({"hex text", s.hex[1], s.hex[2]});
    pairs.push_back({"hex selection", s.hex[3], s.hex[4]});
    // The pages.
    const PAGECOLORS& page = s.page;
    pairs.push_back({"page text", Parse(page.text), Parse(page.background)});
    pairs.push_back({"page summary", Parse(page.text), Parse(page.summary)});
    pairs.push_back({"page headings", Parse(page.text), Parse(page.heading)});
    pairs.push_back({"page line numbers", Parse(page.lineNumbers), Parse(page.background)});
    return pairs;
}

TEST(ColorMathTest, ContrastFollowsTheWcagFormula) {
    EXPECT_DOUBLE_EQ(RelativeLuminance(RGB(0, 0, 0)), 0);
    EXPECT_DOUBLE_EQ(RelativeLuminance(RGB(255, 255, 255)), 1);
    EXPECT_NEAR(ContrastRatio(RGB(0, 0, 0), RGB(255, 255, 255)), 21, 1e-9);
    EXPECT_NEAR(ContrastRatio(RGB(255, 255, 255), RGB(0, 0, 0)), 21, 1e-9);
    // The well-known greys either side of 4.5 on white.
    EXPECT_NEAR(ContrastRatio(Html(0x767676), Html(0xffffff)), 4.54, 0.01);
    EXPECT_NEAR(ContrastRatio(Html(0x777777), Html(0xffffff)), 4.48, 0.01);
    // Pure red on white, and the green channel weighing most.
    EXPECT_NEAR(ContrastRatio(Html(0xff0000), Html(0xffffff)), 4.0, 0.01);
    EXPECT_GT(RelativeLuminance(Html(0x00ff00)), RelativeLuminance(Html(0xff0000)));
    EXPECT_GT(RelativeLuminance(Html(0xff0000)), RelativeLuminance(Html(0x0000ff)));
}

TEST(ColorMathTest, MixingAndDarkening) {
    EXPECT_EQ(MixColor(Html(0x000000), Html(0xffffff), 0), Html(0x000000));
    EXPECT_EQ(MixColor(Html(0x000000), Html(0xffffff), 1), Html(0xffffff));
    EXPECT_EQ(MixColor(Html(0x000000), Html(0xc86432), 0.5), Html(0x643219));
    EXPECT_EQ(MixColor(Html(0x102030), Html(0x405060), 2), Html(0x405060));
    EXPECT_EQ(DarkerColor(Html(0xc86432), 200), Html(0x643219));
    EXPECT_EQ(DarkerColor(Html(0xc86432), 100), Html(0xc86432));
    EXPECT_EQ(HtmlColorOf(Html(0x0a0b0c)), "#0a0b0c");
}

TEST(ColorMathTest, ReadableColorMovesJustFarEnough) {
    // Already readable: unchanged.
    EXPECT_EQ(ReadableColor(Html(0x000080), {Html(0xffffff)}), Html(0x000080));
    // Too light on white: darker until 4.5, not to black.
    const uint32_t red = ReadableColor(Html(0xff0000), {Html(0xffffff)});
    EXPECT_GE(ContrastRatio(red, Html(0xffffff)), kMinimumContrast);
    EXPECT_LT(ContrastRatio(red, Html(0xffffff)), 5.5);
    EXPECT_GT(RelativeLuminance(red), 0);
    // Too dark on a dark background: lighter, keeping its hue.
    const uint32_t blue = ReadableColor(Html(0x0000ff), {Html(0x202020), Html(0x303828)});
    EXPECT_GE(ContrastRatio(blue, Html(0x202020)), kMinimumContrast);
    EXPECT_GE(ContrastRatio(blue, Html(0x303828)), kMinimumContrast);
    EXPECT_GT((blue >> 16) & 0xFF, blue & 0xFF);
    // A ratio no colour reaches: the better end.
    EXPECT_EQ(ReadableColor(Html(0x808080), {Html(0x777777)}, 21), Html(0x000000));
}

TEST(DesktopSchemeTest, EveryTextReadsOnEveryBackground) {
    for (const NAMEDPALETTE& named : kPalettes) {
        const COLORSCHEME scheme = DesktopColorScheme(named.palette);
        EXPECT_EQ(scheme.dark, named.dark) << named.name;
        EXPECT_EQ(scheme.kind, COLORSCHEME_DESKTOP);
        double least = 21;
        std::string weakest;
        for (const PAIR& pair : TextPairs(scheme)) {
            const double ratio = ContrastRatio(pair.text, pair.background);
            EXPECT_GE(ratio, kMinimumContrast)
                << named.name << ": " << pair.what << " " << HtmlColorOf(pair.text) << " on "
                << HtmlColorOf(pair.background);
            if (ratio < least) least = ratio, weakest = pair.what;
        }
        RecordProperty(named.name, std::to_string(least) + " (" + weakest + ")");
    }
}

TEST(DesktopSchemeTest, TheViewsStandOnThePalettesBackground) {
    for (const NAMEDPALETTE& named : kPalettes) {
        const COLORSCHEME scheme = DesktopColorScheme(named.palette);
        EXPECT_EQ(scheme.Background(), named.palette.base) << named.name;
        EXPECT_EQ(scheme.hex[2], named.palette.base) << named.name;
        EXPECT_EQ(HtmlColorOf(named.palette.base), scheme.page.background) << named.name;
        EXPECT_TRUE(scheme.page.tintsCarryText);
        // Folder cells: the window's own background, the state in the text.
        for (const int index : {0, 1, 2, 3, 7, 8})
            EXPECT_EQ(scheme.folders.Get(index), named.palette.base) << named.name << " " << index;
        EXPECT_NE(scheme.FolderText(3), scheme.FolderText(1)) << named.name;
        EXPECT_NE(scheme.FolderText(7), scheme.FolderText(1)) << named.name;
        EXPECT_NE(scheme.FolderText(7), scheme.FolderText(3)) << named.name;
        EXPECT_NE(scheme.FolderText(8), scheme.FolderText(1)) << named.name;
        // The palette's text where it reads, as it is.
        if (ContrastRatio(named.palette.text, named.palette.base) >= kMinimumContrast) {
            EXPECT_EQ(scheme.Text(), named.palette.text) << named.name;
        }
    }
}

TEST(DesktopSchemeTest, DifferencesStandApartAtAGlance) {
    for (const NAMEDPALETTE& named : kPalettes) {
        if (std::string(named.name) == "Grey on grey") continue;
        const COLORSCHEME scheme = DesktopColorScheme(named.palette);
        const uint32_t base = scheme.Background();
        std::vector<uint32_t> seen{base};
        for (const int row : {TCC_CHANGED, TCC_TRIVIAL, TCC_ONE_SIDED, TCC_GHOST, TCC_DIFFERENCE}) {
            const uint32_t tint = scheme.compare.Get(row);
            EXPECT_GE(ContrastRatio(tint, base), 1.1) << named.name << " " << row << " " << HtmlColorOf(tint);
            for (const uint32_t other : seen) EXPECT_NE(tint, other) << named.name << " " << row;
            seen.push_back(tint);
            if (row <= TCC_GHOST) {
                EXPECT_NE(scheme.CurrentBackground(row), tint) << named.name << " " << row;
            }
        }
        // The in-line difference stands out from the changed row around it.
        EXPECT_GE(ContrastRatio(scheme.compare.Get(TCC_DIFFERENCE), scheme.compare.Get(TCC_CHANGED)), 1.1)
            << named.name;
        // The location map's bands are seen on its background (saturated:
        // their hue tells more than their luminance).
        EXPECT_GE(ContrastRatio(scheme.mapChanged, scheme.mapBackground), 1.4) << named.name;
        EXPECT_GE(ContrastRatio(scheme.mapOneSided, scheme.mapBackground), 1.4) << named.name;
        EXPECT_NE(scheme.mapCurrentChanged, scheme.mapChanged) << named.name;
        EXPECT_GE(ContrastRatio(scheme.mapFrame, scheme.mapBackground), 3) << named.name;
    }
}

TEST(DesktopSchemeTest, ADarkSchemeTintsStayDark) {
    // Coloured text keeps its colour: the tints stay near the background's
    // luminance, so the syntax colours need not fade to white.
    const COLORSCHEME scheme = DesktopColorScheme(kPalettes[1].palette);
    for (const int row : {TCC_CHANGED, TCC_TRIVIAL, TCC_ONE_SIDED, TCC_GHOST})
        EXPECT_LT(RelativeLuminance(scheme.compare.Get(row)), 0.06) << row;
    const uint32_t keyword = scheme.editor[COLORINDEX_KEYWORD].color;
    EXPECT_GT(RelativeLuminance(keyword), 0.2);
    EXPECT_GT(keyword >> 16 & 0xFF, (keyword & 0xFF) + 60);  // still blue
    EXPECT_EQ(scheme.editor[COLORINDEX_KEYWORD].bold, 1);
}

// The default scheme is the built-in tables exactly, and the pages as they
// have always been written.
TEST(DefaultSchemeTest, IsTheBuiltInTablesByteForByte) {
    const COLORSCHEME scheme = MakeColorScheme(COLORSCHEME_DEFAULT, kPalettes[0].palette, STOREDCOLORS());
    EXPECT_EQ(scheme.kind, COLORSCHEME_DEFAULT);
    EXPECT_FALSE(scheme.dark);
    // The editor's colour table, index by index.
    const uint32_t editor[COLORINDEX_COUNT] = {
        RGB(128, 0, 0),   RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),     RGB(200, 200, 200),
        RGB(0, 120, 215), RGB(255, 255, 255), RGB(123, 152, 225), RGB(255, 255, 0), RGB(0, 0, 255),
        RGB(128, 0, 128), RGB(0, 128, 0),     RGB(255, 0, 0),     RGB(96, 96, 96),  RGB(128, 0, 0),
        RGB(0, 128, 192), RGB(128, 0, 0),     RGB(128, 0, 0),     RGB(0, 0, 128),   RGB(0, 128, 192)};
    for (int i = 0; i < COLORINDEX_COUNT; ++i) {
        EXPECT_EQ(scheme.editor[i].color, editor[i]) << i;
        EXPECT_EQ(scheme.editor[i].bold, i == COLORINDEX_KEYWORD ? 1 : 0) << i;
    }
    // The folder table's default scheme as the page writes it.
    const char* const folders[] = {"#fffff0", "#ffffff", "#a6caf0", "#ff0000", "#ffffff", "#0000ff",
                                   "#c0dcc0", "#f0f0f0", "#808080", "#f0f0f0", "#ffffff"};
    for (int i = 0; i < CFolderCompareColors::kCount; ++i) EXPECT_EQ(scheme.folders.Html(i), folders[i]) << i;
    // The comparison colours and the hex colours as built in.
    const CTextCompareColors compare;
    for (int i = 1; i <= TCC_COUNT; ++i) EXPECT_EQ(scheme.compare.Get(i), compare.Get(i)) << i;
    const CHexEditOptions hex;
    for (int i = 1; i <= CHexEditOptions::kColorCount; ++i) EXPECT_EQ(scheme.hex[i], hex.colors[i]) << i;

    // The reports: the same tables and the page as always.
    const TEXTREPORTCOLORS text = scheme.TextReport(), always;
    for (int i = 1; i <= TCC_COUNT; ++i) EXPECT_EQ(text.rows.Get(i), always.rows.Get(i));
    for (int i = 0; i < COLORINDEX_COUNT; ++i) {
        EXPECT_EQ(text.syntax[i].color, always.syntax[i].color);
        EXPECT_EQ(text.syntax[i].bold, always.syntax[i].bold);
    }
    for (const PAGECOLORS& page : {text.page, scheme.FolderReport().page}) {
        EXPECT_EQ(page.background, "#ffffff");
        EXPECT_EQ(page.text, "#000000");
        EXPECT_EQ(page.bodyText, "");
        EXPECT_EQ(page.frame, "#c0c0c0");
        EXPECT_EQ(page.summary, "#ffffcc");
        EXPECT_EQ(page.heading, "#CCCCCC");
        EXPECT_EQ(page.lineNumbers, "#c0c0c0");
        EXPECT_FALSE(page.tintsCarryText);
    }
}

TEST(DefaultSchemeTest, KeepsTheUsersTablesUnderAnyPalette) {
    STOREDCOLORS stored;
    stored.compare.Set(TCC_CHANGED, RGB(1, 2, 3));
    stored.editor[COLORINDEX_KEYWORD] = {RGB(4, 5, 6), 0};
    stored.folders.ApplyScheme(CFolderCompareColors::SCHEME_ALTERNATIVE);
    stored.hex[5] = RGB(7, 8, 9);
    for (const NAMEDPALETTE& named : kPalettes) {
        const COLORSCHEME scheme = DefaultColorScheme(named.palette, stored);
        EXPECT_EQ(scheme.compare.Get(TCC_CHANGED), RGB(1, 2, 3));
        EXPECT_EQ(scheme.editor[COLORINDEX_KEYWORD].color, RGB(4, 5, 6));
        EXPECT_EQ(scheme.folders.Get(1), stored.folders.Get(1));
        EXPECT_EQ(scheme.hex[5], RGB(7, 8, 9));
        // The text of the folder view is readable on the user's light tables
        // whatever the desktop.
        for (const int index : {1, 2, 7, 10})
            EXPECT_GE(ContrastRatio(scheme.FolderText(index), scheme.folders.Get(index)), kMinimumContrast);
    }
}

TEST(ChooseSchemeTest, TheDarkDesktopSchemeOnlyWithoutColoursOfTheUsersOwn) {
    const DESKTOPPALETTE& light = kPalettes[0].palette;
    const DESKTOPPALETTE& dark = kPalettes[1].palette;
    const STOREDCOLORS builtIn;
    STOREDCOLORS own;
    own.compare.Set(TCC_GHOST, RGB(9, 9, 9));
    EXPECT_TRUE(builtIn.IsDefault());
    EXPECT_FALSE(own.IsDefault());
    EXPECT_EQ(ChooseColorScheme(COLORSCHEME_DEFAULT, light, builtIn), COLORSCHEME_DEFAULT);
    EXPECT_EQ(ChooseColorScheme(COLORSCHEME_DEFAULT, dark, builtIn), COLORSCHEME_DESKTOP);
    EXPECT_EQ(ChooseColorScheme(COLORSCHEME_DEFAULT, dark, own), COLORSCHEME_DEFAULT);
    EXPECT_EQ(ChooseColorScheme(COLORSCHEME_DESKTOP, light, own), COLORSCHEME_DESKTOP);
    EXPECT_EQ(ChooseColorScheme(COLORSCHEME_DESKTOP, dark, own), COLORSCHEME_DESKTOP);
    // Any one table of the user's own counts.
    for (int table = 0; table < 4; ++table) {
        STOREDCOLORS changed;
        if (table == 0) changed.editor[COLORINDEX_COMMENT].bold = 1;
        if (table == 1) changed.compare.Set(TCC_DIFFERENCE_TEXT, RGB(1, 1, 1));
        if (table == 2) changed.folders.Set(10, RGB(1, 1, 1));
        if (table == 3) changed.hex[1] = RGB(1, 1, 1);
        EXPECT_EQ(ChooseColorScheme(COLORSCHEME_DEFAULT, dark, changed), COLORSCHEME_DEFAULT) << table;
    }
    // The palette decides dark by its views' background against their text.
    DESKTOPPALETTE darkWindowOnly = light;
    darkWindowOnly.window = RGB(0, 0, 0);
    EXPECT_FALSE(darkWindowOnly.IsDark());
}

class ColorSchemeOptionsTest : public ::testing::Test, protected test::ScratchProfile {};

TEST_F(ColorSchemeOptionsTest, RoundTripsUnderTheSettingsKey) {
    CColorSchemeOptions options;
    options.Load(profile);
    EXPECT_EQ(options.scheme, COLORSCHEME_DEFAULT);
    options.scheme = COLORSCHEME_DESKTOP;
    options.Save(profile);
    EXPECT_EQ(profile.GetInt("Settings", "ColorScheme", -1), 1);
    CColorSchemeOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.scheme, COLORSCHEME_DESKTOP);
    // An unknown value is the default.
    profile.WriteInt("Settings", "ColorScheme", 7);
    loaded.Load(profile);
    EXPECT_EQ(loaded.scheme, COLORSCHEME_DEFAULT);
}

TEST_F(ColorSchemeOptionsTest, TheComponentsTablesAreNeverWritten) {
    // Making schemes reads the components' tables and leaves them as they are.
    CSyntaxEditorOptions editor;
    CTextComparer text;
    CFolderComparer folders;
    CHexEditOptions hex;
    CColorSchemeOptions choice;
    const auto stored = [&] {
        return STOREDCOLORS::FromComponents(editor, text.colors, folders.colors, hex);
    };
    const auto current = [&](const DESKTOPPALETTE& palette) {
        return MakeColorScheme(choice.scheme, palette, stored());
    };
    text.colors.Set(TCC_CHANGED, RGB(10, 20, 30));
    choice.scheme = COLORSCHEME_DESKTOP;
    const COLORSCHEME scheme = current(kPalettes[1].palette);
    EXPECT_EQ(scheme.kind, COLORSCHEME_DESKTOP);
    EXPECT_NE(scheme.compare.Get(TCC_CHANGED), RGB(10, 20, 30));
    EXPECT_EQ(text.colors.Get(TCC_CHANGED), RGB(10, 20, 30));
    EXPECT_FALSE(stored().IsDefault());
    EXPECT_TRUE(stored().MatchesComponents(editor, text.colors, folders.colors, hex));
    choice.scheme = COLORSCHEME_DEFAULT;
    EXPECT_EQ(current(kPalettes[1].palette).compare.Get(TCC_CHANGED), RGB(10, 20, 30));
    text.colors.ResetToDefaults();
    EXPECT_EQ(current(kPalettes[1].palette).kind, COLORSCHEME_DESKTOP);
}

}  // namespace
}  // namespace corvatine
