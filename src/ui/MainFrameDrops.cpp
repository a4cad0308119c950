// Files and folders dropped on the main frame or on the New Comparison
// dialog, and the comparisons they start.
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <QUrl>

#include "launch/CommandLine.h"
#include "platform/Path.h"
#include "ui/Dialogs.h"
#include "ui/EventHook.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// The local files and folders a drag carries, without a trailing separator.
QStringList DroppedPaths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
        if (!path.isEmpty()) paths << path;
    }
    return paths;
}

bool IsComparisonFile(const QString& path) {
    return path.endsWith(QStringLiteral(".cmp"), Qt::CaseInsensitive) && !platform::IsFolder(ToPath(path));
}

// Drags of files and folders into the New Comparison dialog: a drop on a
// path box fills that side (two items fill both), a drop elsewhere fills the
// next side still empty.
void AcceptDroppedPaths(CNewComparisonDialog& dialog) {
    QComboBox* boxes[2] = {dialog.findChild<QComboBox*>(QStringLiteral("leftPath")),
                           dialog.findChild<QComboBox*>(QStringLiteral("rightPath"))};
    if (boxes[0] == nullptr || boxes[1] == nullptr) return;
    const auto accepts = [](QEvent* event) {
        if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove) return false;
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedPaths(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    };
    dialog.setAcceptDrops(true);
    new CEventHook(&dialog, [boxes, accepts](QEvent* event) {
        if (accepts(event)) return true;
        if (event->type() != QEvent::Drop) return false;
        auto* drop = static_cast<QDropEvent*>(event);
        for (const QString& path : DroppedPaths(drop->mimeData())) {
            QComboBox* box = boxes[0]->currentText().isEmpty() ? boxes[0] : boxes[1];
            box->setEditText(path);
        }
        drop->acceptProposedAction();
        return true;
    });
    for (int side = 0; side < 2; ++side) {
        QWidget* edit = boxes[side]->lineEdit();
        if (edit == nullptr) continue;
        new CEventHook(edit, [boxes, side, accepts](QEvent* event) {
            if (accepts(event)) return true;
            if (event->type() != QEvent::Drop) return false;
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList paths = DroppedPaths(drop->mimeData());
            if (paths.size() >= 2) {
                boxes[0]->setEditText(paths[0]);
                boxes[1]->setEditText(paths[1]);
            } else {
                boxes[side]->setEditText(paths.front());
            }
            drop->acceptProposedAction();
            return true;
        });
    }
}

}  // namespace

void CMainFrame::NewComparison(int kind, const QString& left, const QString& right) {
    CNewComparisonDialog dialog(this);
    if (kind != 0) dialog.SetKind(kind);
    if (!left.isEmpty() || !right.isEmpty()) dialog.SetPaths(left, right);
    AcceptDroppedPaths(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto request = dialog.Request()) OpenRequest(*request);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedPaths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedPaths(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    // After the drop has ended: what it starts may ask questions.
    QPointer<QWidget> target = childAt(event->position().toPoint());
    QTimer::singleShot(0, this, [this, paths, target] { DropPaths(paths, target); });
}

void CMainFrame::DropPaths(const QStringList& paths, QWidget* target) {
    // One file on a pane of a text comparison takes that side's place.
    if (paths.size() == 1 && !platform::IsFolder(ToPath(paths[0])) && !IsComparisonFile(paths[0])) {
        for (QWidget* widget = target; widget != nullptr; widget = widget->parentWidget()) {
            auto* compare = qobject_cast<CTextCompareView*>(widget);
            if (compare == nullptr) continue;
            for (int side = 0; side < 2; ++side)
                if (&compare->Pane(side) == target || compare->Pane(side).isAncestorOf(target)) {
                    ReplaceSide(compare, side, ToPath(paths[0]));
                    return;
                }
            break;
        }
    }
    // Comparison files open their comparisons; the rest are compared.
    QStringList rest;
    for (const QString& path : paths) {
        if (IsComparisonFile(path))
            OpenComparisonFile(ToPath(path));
        else
            rest << path;
    }
    if (rest.size() == 1)
        NewComparison(0, rest[0]);
    else if (rest.size() == 2)
        ComparePaths(ToPath(rest[0]), ToPath(rest[1]));
    else if (rest.size() > 2)
        m_messages.Error("Drop one or two files or folders to compare them; " + std::to_string(rest.size()) +
                         " were dropped.");
}

void CMainFrame::ComparePaths(const std::string& left, const std::string& right) {
    // As the command line compares two paths: two folders as folders, two
    // files as text or binary by their content, and a file against a folder
    // with its namesake in the folder.
    CCommandLine line;
    line.Parse({"--", left, right}, m_app.components.ForCommandLine());
    const bool folder[2] = {platform::IsFolder(left), platform::IsFolder(right)};
    if (folder[0] != folder[1]) {
        const int inFolder = folder[0] ? 0 : 1;
        const std::string& namesake = line.paths[inFolder];
        if (!platform::PathExists(namesake) || platform::IsFolder(namesake)) {
            const std::string& file = inFolder == 0 ? right : left;
            m_messages.Error("The folder \"" + (inFolder == 0 ? left : right) + "\" holds no file named \"" +
                             platform::PathFileName(file) + "\" to compare with \"" + file + "\".");
            return;
        }
    }
    if (const std::unique_ptr<CCompareParams> request = line.BuildRequest(); request->kind != COMPARE_NONE)
        OpenRequest(*request);
}

void CMainFrame::ReplaceSide(CDocumentView* view, int side, const std::string& path) {
    auto* compare = qobject_cast<CTextCompareView*>(view);
    if (compare == nullptr) return;
    CTextCompareParams request = compare->Doc().Request();
    request.sides[side].path = path;
    request.sides[side].flags = 0;
    // The comparison is made again from the files: unsaved edits of either
    // side are saved or given up first.
    if (!compare->CanClose()) return;
    const int index = m_tabs->indexOf(view);
    CDocumentView* opened = OpenRequest(request);
    if (opened == nullptr || opened == view) return;
    CloseView(view, false);
    m_tabs->tabBar()->moveTab(m_tabs->indexOf(opened), std::min(index, m_tabs->count() - 1));
    m_tabs->setCurrentWidget(opened);
}

}  // namespace corvatine::ui
