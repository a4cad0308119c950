// The main frame's start page and comparison list: starting up from the
// command line, the start page, the list of recent comparisons beside the
// documents, and the View commands that show them.
#include <QDockWidget>
#include <QFileDialog>
#include <QMenu>
#include <QTabBar>

#include "launch/CommandLine.h"
#include "platform/Path.h"
#include "ui/ComparisonListPane.h"
#include "ui/EventHook.h"
#include "ui/MainFrame.h"
#include "ui/StartPage.h"
#include "ui/UiText.h"

namespace corvatine::ui {

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
    commandLine.Parse({"-c", "--", item.path, ToPath(chosen)}, m_app.components.ForCommandLine());
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

void CMainFrame::OpenRecentComparison(int index) {
    CRecentComparisonList* list = m_app.RecentComparisons();
    if (list == nullptr || index < 0 || index >= list->Count()) return;
    // Opening moves the entry in the list: work on a copy.
    const std::unique_ptr<CCompareParams> request = (*list)[index].Clone();
    OpenRequest(*request);
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

}  // namespace corvatine::ui
