// The main frame's place and size on the screen: restored at start, kept at
// exit, and full-screen mode.
#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>

#include "ui/MainFrame.h"
#include "ui/WindowPlacement.h"

namespace corvatine::ui {

namespace {
constexpr int kDefaultWidth = 1200, kDefaultHeight = 800;
}  // namespace

void CMainFrame::RestoreWindow() {
    const CGeneralOptions& options = m_app.generalOptions;
    const bool stored = options.windowSizeCX > 0 && options.windowSizeCY > 0;
    const QSize size =
        stored ? QSize(options.windowSizeCX, options.windowSizeCY) : QSize(kDefaultWidth, kDefaultHeight);
    // A stored place counts only where a screen still shows it; else the
    // window opens centred, never larger than the screen's free area.
    if (stored && options.windowPosX != -1 && options.windowPosY != -1) {
        const QRect wanted(QPoint(options.windowPosX, options.windowPosY), size);
        for (const QScreen* screen : QGuiApplication::screens()) {
            if (!screen->availableGeometry().intersects(wanted)) continue;
            resize(FitWindowToArea(size, screen->availableGeometry()).size());
            move(wanted.topLeft());
            return;
        }
    }
    PlaceFirstWindow(*this, size);
}

void CMainFrame::ShowWindow() {
    const CGeneralOptions& options = m_app.generalOptions;
    if (options.windowMaximized != 0 && options.windowSizeCX > 0 && options.windowSizeCY > 0)
        showMaximized();
    else
        show();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The list's width can be set once the window has its own.
    if (!m_docksPlaced) {
        m_docksPlaced = true;
        resizeDocks({m_comparisonListBar}, {m_app.generalOptions.leftPaneSize}, Qt::Horizontal);
    }
}

void CMainFrame::RememberWindow() {
    CGeneralOptions& options = m_app.generalOptions;
    options.windowMaximized = isMaximized() ? 1 : 0;
    // The place is the frame's, as move() takes it; the size is the window's.
    const QPoint frame = pos() - geometry().topLeft();
    QRect place = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    if (place.isValid()) {
        place.translate(frame);
        options.windowPosX = place.x();
        options.windowPosY = place.y();
        options.windowSizeCX = place.width();
        options.windowSizeCY = place.height();
    }
    if (m_comparisonListBar->isVisible()) options.leftPaneSize = m_comparisonListBar->width();
}

void CMainFrame::SetFullScreen(bool on) {
    const bool now = (windowState() & Qt::WindowFullScreen) != 0;
    if (on && !now) {
        m_stateBeforeFullScreen = windowState();
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else if (!on && now) {
        setWindowState(m_stateBeforeFullScreen & ~Qt::WindowFullScreen);
    }
    m_fullScreen->setChecked(on);
    m_app.generalOptions.windowFullScreen = on ? 1 : 0;
}

}  // namespace corvatine::ui
