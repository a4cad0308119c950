#include "ui/ActiveColors.h"

#include <QGuiApplication>

#include "launch/Components.h"

namespace corvatine::ui {

namespace {

uint32_t ToColorValue(const QColor& color) {
    return RGB(static_cast<unsigned>(color.red()), static_cast<unsigned>(color.green()),
               static_cast<unsigned>(color.blue()));
}

// The scheme and what it was made from.
struct ACTIVE {
    bool made = false;
    int setting = COLORSCHEME_DEFAULT;
    DESKTOPPALETTE palette;
    STOREDCOLORS stored;
    COLORSCHEME scheme;
    uint64_t revision = 0;
};

ACTIVE& Active() {
    static ACTIVE active;
    const int setting = AppComponents().ColorSchemeChoice().scheme;
    const DESKTOPPALETTE palette = DesktopPalette(QGuiApplication::palette());
    if (!active.made || setting != active.setting || !(palette == active.palette) ||
        !AppComponents().HoldColors(active.stored)) {
        active.stored = AppComponents().StoredColors();
        active.scheme = MakeColorScheme(setting, palette, active.stored);
        active.setting = setting;
        active.palette = palette;
        active.made = true;
        ++active.revision;
    }
    return active;
}

}  // namespace

DESKTOPPALETTE DesktopPalette(const QPalette& palette) {
    DESKTOPPALETTE desktop;
    desktop.window = ToColorValue(palette.color(QPalette::Active, QPalette::Window));
    desktop.windowText = ToColorValue(palette.color(QPalette::Active, QPalette::WindowText));
    desktop.base = ToColorValue(palette.color(QPalette::Active, QPalette::Base));
    desktop.text = ToColorValue(palette.color(QPalette::Active, QPalette::Text));
    desktop.highlight = ToColorValue(palette.color(QPalette::Active, QPalette::Highlight));
    desktop.highlightedText = ToColorValue(palette.color(QPalette::Active, QPalette::HighlightedText));
    return desktop;
}

const COLORSCHEME& ActiveColors() { return Active().scheme; }

uint64_t ActiveColorsRevision() { return Active().revision; }

COLORSCHEME PaperColors() { return DefaultColorScheme(DESKTOPPALETTE(), AppComponents().StoredColors()); }

}  // namespace corvatine::ui
