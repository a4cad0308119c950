// The main frame around its documents: the start page, the comparison list
// pane, printing and print preview, full-screen mode, and files and folders
// dropped on the window.
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <functional>

#include "fileio/ContentType.h"
#include "launch/CommandLine.h"
#include "platform/Path.h"
#include "ui/ComparisonListPane.h"
#include "ui/Dialogs.h"
#include "ui/MainFrame.h"
#include "ui/StartPage.h"
#include "ui/TextCompareView.h"
#include "ui/TextPrinter.h"
#include "ui/UiText.h"
#include "ui/WindowPlacement.h"

namespace corvatine::ui {

namespace {

// Hands a widget's events to a function first; true from it eats the event.
class CEventHook : public QObject {
public:
    CEventHook(QObject* watched, std::function<bool(QEvent*)> hook)
        : QObject(watched), m_hook(std::move(hook)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return m_hook(event); }

private:
    std::function<bool(QEvent*)> m_hook;
};

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

// ---- Start page and comparison list ----

CStartPage* CMainFrame::StartPage() const {
    for (int i = 0; i < m_tabs->count(); ++i)
        if (auto* page = qobject_cast<CStartPage*>(m_tabs->widget(i))) return page;
    return nullptr;
}

bool CMainFrame::StartUp(const std::vector<std::string>& arguments, std::string& error) {
    m_endedAtStart = -1;
    if (NamesCompareToChosen(arguments)) {
        CHOSENCOMPARISON item;
        if (!ParseCompareToChosen(arguments, item, error)) {
            // A file manager that started the program shows nothing of stderr.
            m_messages.Error(error);
            return false;
        }
        bool cancelled = false;
        if (CompareToChosen(item, cancelled) == nullptr) m_endedAtStart = cancelled ? 0 : 2;
        return true;
    }
    if (!OpenCommandLine(arguments, error)) return false;
    if (ViewCount() == 0 && m_app.generalOptions.showStartPage != 0) ShowStartPage();
    return true;
}

CDocumentView* CMainFrame::CompareToChosen(const CHOSENCOMPARISON& item, bool& cancelled) {
    QWidget* parent = isVisible() ? this : nullptr;
    const QString title =
        QStringLiteral("Compare \"%1\" To").arg(FromPath(platform::PathFileName(item.path)));
    const QString start = FromPath(platform::PathParentFolder(item.path));
    const QString chosen = item.folder ? QFileDialog::getExistingDirectory(parent, title, start)
                                       : QFileDialog::getOpenFileName(parent, title, start);
    cancelled = chosen.isEmpty();
    if (cancelled) return nullptr;
    // As the command line would name the pair: its kind follows the files.
    CCommandLine commandLine;
    commandLine.Parse({"-c", "--", item.path, ToPath(chosen)});
    return OpenRequest(*commandLine.BuildRequest());
}

CStartPage* CMainFrame::ShowStartPage() {
    if (CStartPage* page = StartPage()) {
        m_tabs->setCurrentWidget(page);
        return page;
    }
    auto* page = new CStartPage(m_app.RecentComparisons(), m_app.generalOptions, m_tabs);
    ConnectStartPage(page);
    AddView(page, nullptr);
    m_tabs->tabBar()->moveTab(m_tabs->indexOf(page), 0);
    return page;
}

void CMainFrame::ConnectStartPage(CStartPage* page) {
    connect(page, &CStartPage::openEntry, this, &CMainFrame::OpenRecentComparison);
    connect(page, &CStartPage::newComparison, this, [this](int kind) { NewComparison(kind); });
    connect(page, &CStartPage::openFile, this, &CMainFrame::OpenFileDialog);
    connect(page, &CStartPage::openComparisonFile, this, &CMainFrame::OpenComparisonDialog);
    // Queued: the list changes while the page's own click is still handled.
    connect(this, &CMainFrame::recentComparisonsChanged, page, &CStartPage::Reload, Qt::QueuedConnection);
}

// ---- The window's place and size ----

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

void CMainFrame::OpenRecentComparison(int index) {
    CRecentComparisonList* list = m_app.RecentComparisons();
    if (list == nullptr || index < 0 || index >= list->Count()) return;
    // Opening moves the entry in the list: work on a copy.
    const std::unique_ptr<CCompareParams> request = (*list)[index].Clone();
    OpenRequest(*request);
}

void CMainFrame::NewComparison(int kind, const QString& left, const QString& right) {
    CNewComparisonDialog dialog(this);
    if (kind != 0) dialog.SetKind(kind);
    if (!left.isEmpty() || !right.isEmpty()) dialog.SetPaths(left, right);
    AcceptDroppedPaths(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto request = dialog.Request()) OpenRequest(*request);
}

void CMainFrame::CreatePaneCommands(QMenu* view) {
    view->addSeparator();
    QAction* start = view->addAction(QStringLiteral("&Start Page"));
    start->setObjectName(QStringLiteral("startPageCommand"));
    start->setStatusTip(QStringLiteral("Show the start page"));
    connect(start, &QAction::triggered, this, [this] { ShowStartPage(); });

    // The comparison list on the left, shown as ShowLeftPane says.
    m_comparisonListBar = new QDockWidget(QStringLiteral("Comparisons"), this);
    m_comparisonListBar->setObjectName(QStringLiteral("comparisonListBar"));
    m_comparisonList = new CComparisonListPane(m_app.RecentComparisons(), m_comparisonListBar);
    m_comparisonListBar->setWidget(m_comparisonList);
    addDockWidget(Qt::LeftDockWidgetArea, m_comparisonListBar);
    m_comparisonListBar->setVisible(m_app.generalOptions.showLeftPane != 0);
    connect(m_comparisonList, &CComparisonListPane::openEntry, this, &CMainFrame::OpenRecentComparison);
    connect(m_comparisonList, &CComparisonListPane::entriesRemoved, this,
            &CMainFrame::recentComparisonsChanged);
    connect(this, &CMainFrame::recentComparisonsChanged, m_comparisonList, &CComparisonListPane::Reload,
            Qt::QueuedConnection);
    QAction* pane = m_comparisonListBar->toggleViewAction();
    pane->setText(QStringLiteral("Comparison &List"));
    pane->setObjectName(QStringLiteral("showComparisonList"));
    pane->setStatusTip(QStringLiteral("Show or hide the list of recent comparisons"));
    pane->setShortcut(QKeySequence(QStringLiteral("Alt+0")));
    connect(pane, &QAction::triggered, this,
            [this](bool shown) { m_app.generalOptions.showLeftPane = shown; });
    // Its own close button hides it as well.
    new CEventHook(m_comparisonListBar, [this](QEvent* event) {
        if (event->type() == QEvent::Close) m_app.generalOptions.showLeftPane = 0;
        return false;
    });
    view->addAction(pane);

    m_fullScreen = view->addAction(QStringLiteral("F&ull Screen"));
    m_fullScreen->setObjectName(QStringLiteral("fullScreen"));
    m_fullScreen->setShortcut(QKeySequence(QStringLiteral("F11")));
    m_fullScreen->setStatusTip(QStringLiteral("Show the window on the whole screen"));
    m_fullScreen->setCheckable(true);
    connect(m_fullScreen, &QAction::triggered, this, [this](bool on) { SetFullScreen(on); });
    // The window comes up as it was left.
    if (m_app.generalOptions.windowFullScreen != 0) SetFullScreen(true);

    setAcceptDrops(true);
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

// ---- Printing ----

void CMainFrame::CreatePrintCommands(QMenu* file) {
    file->addSeparator();
    struct COMMAND {
        const char* name;
        const char* text;
        const char* keys;
        const char* tip;
        void (CMainFrame::*slot)();
    };
    static const COMMAND kCommands[3] = {
        {"print", "&Print...", "Ctrl+P", "Print the active document", &CMainFrame::Print},
        {"printPreview", "Print Pre&view", "", "Show the pages as they will be printed",
         &CMainFrame::PrintPreview},
        {"pageSetup", "Page Set&up...", "", "Choose the paper, its orientation and margins",
         &CMainFrame::PageSetup},
    };
    for (int i = 0; i < 3; ++i) {
        QAction* action = file->addAction(QString::fromLatin1(kCommands[i].text));
        action->setObjectName(QString::fromLatin1(kCommands[i].name));
        action->setShortcut(QKeySequence(QString::fromLatin1(kCommands[i].keys)));
        action->setStatusTip(QString::fromLatin1(kCommands[i].tip));
        connect(action, &QAction::triggered, this, kCommands[i].slot);
        m_printCommands[i] = action;
    }
    m_printCommands[0]->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
}

void CMainFrame::UpdatePrintCommands(CDocumentView* view) {
    const bool printable = CTextPrintJob::CanPrint(view);
    for (int i = 0; i < 2; ++i)
        if (m_printCommands[i] != nullptr) m_printCommands[i]->setEnabled(printable);
}

int CMainFrame::PrintActiveView(QPrinter& printer, int layout) {
    const std::unique_ptr<CTextPrintJob> job = CTextPrintJob::ForView(ActiveView(), layout);
    return job ? job->Print(printer) : 0;
}

void CMainFrame::Print() {
    CDocumentView* view = ActiveView();
    const std::unique_ptr<CTextPrintJob> job = CTextPrintJob::ForView(view, m_printLayout);
    if (!job) return;
    QPrintDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setMinMax(1, job->PageCount(m_printer));
    QComboBox* layout = nullptr;
    if (qobject_cast<CTextCompareView*>(view) != nullptr) {
        auto* tab = new QWidget;
        tab->setWindowTitle(QStringLiteral("Comparison"));
        auto* form = new QFormLayout(tab);
        layout = new QComboBox(tab);
        layout->setObjectName(QStringLiteral("printLayout"));
        layout->addItems(PrintLayoutNames());
        layout->setCurrentIndex(m_printLayout);
        form->addRow(QStringLiteral("&Print:"), layout);
        dialog.setOptionTabs({tab});
    }
    if (dialog.exec() != QDialog::Accepted) return;
    if (layout != nullptr) m_printLayout = layout->currentIndex();
    // Many pages take a while: their progress is shown, with Cancel.
    QProgressDialog progress(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 1, this);
    progress.setWindowTitle(QStringLiteral("Print"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const std::unique_ptr<CTextPrintJob> chosen = CTextPrintJob::ForView(view, m_printLayout);
    const int printed = chosen->Print(m_printer, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        progress.setLabelText(QStringLiteral("Printing page %1 of %2...").arg(done + 1).arg(total));
        return !progress.wasCanceled();
    });
    if (progress.wasCanceled()) return;
    if (printed == 0)
        m_messages.Error("The document could not be printed on \"" + ToPath(m_printer.printerName()) + "\"" +
                         (m_printer.outputFileName().isEmpty()
                              ? std::string(".")
                              : " (\"" + ToPath(m_printer.outputFileName()) + "\")."));
}

void CMainFrame::PrintPreview() {
    if (!CTextPrintJob::CanPrint(ActiveView())) return;
    QPrintPreviewDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintActiveView(*printer, m_printLayout); });
    if (qobject_cast<CTextCompareView*>(ActiveView()) != nullptr && preview != nullptr) {
        if (auto* bar = dialog.findChild<QToolBar*>()) {
            auto* layout = new QComboBox(bar);
            layout->setObjectName(QStringLiteral("printLayout"));
            layout->addItems(PrintLayoutNames());
            layout->setCurrentIndex(m_printLayout);
            bar->addSeparator();
            bar->addWidget(layout);
            connect(layout, &QComboBox::currentIndexChanged, this, [this, preview](int chosen) {
                m_printLayout = chosen;
                preview->updatePreview();
            });
        }
    }
    // One page at a time, or two facing pages, as the preview was left.
    if (preview != nullptr)
        preview->setViewMode(m_app.generalOptions.previewPages == 2 ? QPrintPreviewWidget::FacingPagesView
                                                                    : QPrintPreviewWidget::SinglePageView);
    dialog.exec();
    if (preview != nullptr)
        m_app.generalOptions.previewPages =
            preview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1;
}

void CMainFrame::PageSetup() {
    QPageSetupDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Page Setup"));
    dialog.exec();
}

// ---- Drag and drop ----

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
    line.Parse({"--", left, right});
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
