#include "ui/DialogLook.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
#include <QWindow>

#include <algorithm>

namespace corvatine::ui {

namespace {

// Room a window manager takes beside the title: the icon and the buttons.
constexpr int kTitleDecoration = 130;

class CDialogWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Polish) && watched->isWidgetType()) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog != nullptr && dialog->isWindow()) {
                // The buttons before the window exists, as window managers
                // read them when it is first shown; the size once it is laid out.
                if (type == QEvent::Polish)
                    SetDialogButtons(*dialog);
                else
                    FitDialog(*dialog);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool IsResizableDialog(const QDialog& dialog) {
    // A list, tree, table or text box of the dialog's own (not a combo box's
    // popup, which is a window of its own) is worth more room.
    for (const QAbstractScrollArea* area : dialog.findChildren<QAbstractScrollArea*>())
        if (area->window() == &dialog && !area->isHidden()) return true;
    return dialog.isSizeGripEnabled();
}

void FitDialog(QDialog& dialog) {
    // The title as the window manager shows it, with the program's name.
    QString title = dialog.windowTitle();
    if (!QGuiApplication::applicationDisplayName().isEmpty() &&
        !title.contains(QGuiApplication::applicationDisplayName()))
        title += QStringLiteral(" \u2014 ") + QGuiApplication::applicationDisplayName();
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int titleWidth = QFontMetrics(font).horizontalAdvance(title) + kTitleDecoration;
    if (IsResizableDialog(dialog)) {
        dialog.setMinimumWidth(std::max(dialog.minimumWidth(), std::min(titleWidth, 900)));
        if (dialog.width() < dialog.minimumWidth()) dialog.resize(dialog.minimumWidth(), dialog.height());
    } else {
        dialog.setFixedSize(dialog.sizeHint().expandedTo(QSize(std::min(titleWidth, 900), 0)));
    }
    SetDialogButtons(dialog);
}

void SetDialogButtons(QDialog& dialog) {
    // Dialogs are neither minimised nor maximised on their own.
    Qt::WindowFlags flags = dialog.windowFlags();
    flags &= ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint);
    flags |=
        Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (flags == dialog.windowFlags()) return;
    if (QWindow* window = dialog.windowHandle()) {
        dialog.overrideWindowFlags(flags);
        window->setFlags(flags);
    } else {
        dialog.setWindowFlags(flags);
    }
}

void InstallDialogLook(QApplication& application) {
    static QPointer<CDialogWatch> watch;
    if (watch == nullptr) {
        watch = new CDialogWatch(&application);
        application.installEventFilter(watch);
    }
}

}  // namespace corvatine::ui
