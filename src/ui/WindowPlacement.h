// Where a top-level window first opens: its wished size, made to fit the
// screen's available area (without panels and docks), centred there.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace corvatine::ui {

// Room left around a window inside the area for the frame the window
// manager draws (title bar and borders), which the geometry does not hold.
inline constexpr int kFrameAllowanceWidth = 16;
inline constexpr int kFrameAllowanceHeight = 48;

// The geometry for a window that wishes to be wanted large in area: at most
// the area less the frame allowance, centred in the area. An empty area
// leaves the wished size at the area's origin.
QRect FitWindowToArea(QSize wanted, const QRect& area);

// Gives window its first geometry on its screen's available area (the
// primary screen's when it has none yet).
void PlaceFirstWindow(QWidget& window, QSize wanted);

}  // namespace corvatine::ui
