#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace corvatine::ui {

QRect FitWindowToArea(QSize wanted, const QRect& area) {
    if (area.isEmpty()) return QRect(area.topLeft(), wanted);
    const QSize room(std::max(1, area.width() - kFrameAllowanceWidth),
                     std::max(1, area.height() - kFrameAllowanceHeight));
    const QSize size = wanted.boundedTo(room);
    // Centred with its frame, whose title bar lies above the geometry.
    const int left = area.left() + (area.width() - size.width()) / 2;
    const int top = area.top() + (area.height() - size.height() + kFrameAllowanceHeight) / 2;
    return QRect(QPoint(left, std::min(top, area.bottom() + 1 - size.height())), size);
}

void PlaceFirstWindow(QWidget& window, QSize wanted) {
    QScreen* screen = window.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        window.resize(wanted);
        return;
    }
    window.setGeometry(FitWindowToArea(wanted, screen->availableGeometry()));
}

}  // namespace corvatine::ui
