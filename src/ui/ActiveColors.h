// The one place the window takes its colours from. Every view, the location
// maps and the pages written from the window ask here; none decides a
// colour of its own. The scheme is the one the colour options choose, made
// from the application's palette and the stored colour tables, and made
// again whenever one of these changed (the desktop switched its theme, the
// options were applied).
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

#include "persist/ColorScheme.h"
#include "ui/UiText.h"

namespace corvatine::ui {

// The palette's colours as the schemes take them.
DESKTOPPALETTE DesktopPalette(const QPalette& palette);

// The scheme in force for the application's palette. The reference stays
// valid; its values change when the scheme is made again.
const COLORSCHEME& ActiveColors();
// Grows each time the scheme is made again: what a view keeps in colour
// (laid-out rows, a drawn map) is stale when it was made under another.
uint64_t ActiveColorsRevision();

// What is printed: the stored tables on white paper, whatever the desktop.
COLORSCHEME PaperColors();

// A colour of a scheme for the toolkit.
inline QColor SchemeColor(uint32_t color) { return ToQColor(color); }

}  // namespace corvatine::ui
