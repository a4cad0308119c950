// The main frame's menus and tool bar, written as tables of their entries:
// the commands the views share, the frame's own commands, and the parts the
// frame builds itself (the recent list, the language menu, printing, the
// panes, Find in Files).
#include <QActionGroup>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>

#include <iterator>
#include <span>
#include <string>

#include "ui/FindReplaceDialog.h"
#include "ui/FindResultsPane.h"
#include "ui/MainFrame.h"
#include "ui/UiText.h"

namespace corvatine::ui {

// One entry of a menu.
struct MenuEntry {
    enum class Kind { Shared, Own, Separator, Part };
    Kind kind = Kind::Separator;
    Command command = Command::Count;                     // Shared: the views' command
    const char* name = nullptr;                           // Own: the action's object name
    const char* text = nullptr;                           // Own: its text
    const char* keys = "";                                // Own: its shortcut
    QStyle::StandardPixmap icon = QStyle::SP_CustomBase;  // Own: its icon; SP_CustomBase for none
    void (*run)(CMainFrame&) = nullptr;                   // Own: what it does
    void (*build)(CMainFrame&, QMenu*) = nullptr;         // Part: adds its entries
};

namespace {

constexpr MenuEntry Shared(Command command) { return {MenuEntry::Kind::Shared, command}; }
constexpr MenuEntry Own(const char* name, const char* text, const char* keys, void (*run)(CMainFrame&),
                        QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
    return {MenuEntry::Kind::Own, Command::Count, name, text, keys, icon, run};
}
constexpr MenuEntry Part(void (*build)(CMainFrame&, QMenu*)) {
    MenuEntry entry{MenuEntry::Kind::Part};
    entry.build = build;
    return entry;
}
constexpr MenuEntry kSeparator{};

// Icons of the views' commands, for the menus and the tool bar.
constexpr std::pair<Command, QStyle::StandardPixmap> kCommandIcons[] = {
    {Command::Save, QStyle::SP_DialogSaveButton},    {Command::Undo, QStyle::SP_ArrowBack},
    {Command::Redo, QStyle::SP_ArrowForward},        {Command::CopyToLeft, QStyle::SP_ArrowLeft},
    {Command::CopyToRight, QStyle::SP_ArrowRight},   {Command::PreviousDifference, QStyle::SP_ArrowUp},
    {Command::NextDifference, QStyle::SP_ArrowDown}, {Command::Recompare, QStyle::SP_BrowserReload},
};

}  // namespace

void CMainFrame::AddMenuEntries(QMenu* menu, const MenuEntry* entries, size_t count) {
    for (const MenuEntry& entry : std::span(entries, count)) {
        switch (entry.kind) {
            case MenuEntry::Kind::Shared: menu->addAction(Action(entry.command)); break;
            case MenuEntry::Kind::Separator: menu->addSeparator(); break;
            case MenuEntry::Kind::Part: entry.build(*this, menu); break;
            case MenuEntry::Kind::Own: {
                QAction* action = menu->addAction(QString::fromLatin1(entry.text));
                action->setObjectName(QString::fromLatin1(entry.name));
                action->setShortcut(QKeySequence(QString::fromLatin1(entry.keys)));
                if (entry.icon != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(entry.icon));
                const auto run = entry.run;
                connect(action, &QAction::triggered, this, [this, run] { run(*this); });
                break;
            }
        }
    }
}

// The menu bar's menus. A friend of the frame: their entries run its commands.
struct MainMenus {
    static const MenuEntry kClipboard[];
    static const MenuEntry kFile[];
    static const MenuEntry kEdit[];
    static const MenuEntry kView[];
    static const MenuEntry kMerge[];
    static const MenuEntry kFolder[];
    static const MenuEntry kTools[];
    static const MenuEntry kHelp[];
};

const MenuEntry MainMenus::kClipboard[] = {
    Own("compareClipboardWithFile", "Clipboard and a &File...", "",
        [](CMainFrame& frame) { frame.CompareClipboard(true); }),
    Own("compareClipboardWithEmpty", "Clipboard and an &Empty Side", "",
        [](CMainFrame& frame) { frame.CompareClipboard(false); }),
};
const MenuEntry MainMenus::kFile[] = {
    Own(
        "newComparison", "&New Comparison...", "Ctrl+N", [](CMainFrame& frame) { frame.NewComparison(); },
        QStyle::SP_FileDialogNewFolder),
    Part([](CMainFrame& frame, QMenu* menu) {
        frame.AddMenuEntries(menu->addMenu(QStringLiteral("New Comparison from C&lipboard")), kClipboard,
                             std::size(kClipboard));
    }),
    Own(
        "openFile", "&Open File...", "Ctrl+Shift+O", [](CMainFrame& frame) { frame.OpenFileDialog(); },
        QStyle::SP_DialogOpenButton),
    Own("openComparison", "Open &Comparison...", "Ctrl+O",
        [](CMainFrame& frame) { frame.OpenComparisonDialog(); }),
    Own("openWorkingCopy", "Open &Working Copy...", "",
        [](CMainFrame& frame) { frame.OpenWorkingCopyDialog(); }),
    kSeparator,
    Shared(Command::Save),
    Shared(Command::SaveAs),
    Shared(Command::SaveLeft),
    Shared(Command::SaveRight),
    Shared(Command::SaveLeftAs),
    Shared(Command::SaveRightAs),
    Own("saveComparisonAs", "Save Co&mparison As...", "",
        [](CMainFrame& frame) { frame.SaveComparisonAs(); }),
    Shared(Command::Reload),
    Shared(Command::ReopenWithEncoding),
    kSeparator,
    Shared(Command::ExportHtml),
    Shared(Command::PreviewHtml),
    Part([](CMainFrame& frame, QMenu* menu) { frame.CreatePrintCommands(menu); }),
    kSeparator,
    Part([](CMainFrame& frame, QMenu* menu) {
        frame.m_recentMenu = menu->addMenu(QStringLiteral("Recent Comparisons"));
        QObject::connect(frame.m_recentMenu, &QMenu::aboutToShow, &frame,
                         [&frame] { frame.FillRecentMenu(); });
    }),
    kSeparator,
    Own("close", "&Close", "Ctrl+W",
        [](CMainFrame& frame) {
            if (CDocumentView* view = frame.ActiveView()) frame.CloseView(view);
        }),
    Own("exit", "E&xit", "Ctrl+Q", [](CMainFrame& frame) { frame.close(); }),
};
const MenuEntry MainMenus::kEdit[] = {
    Shared(Command::Undo),
    Shared(Command::Redo),
    kSeparator,
    Shared(Command::Cut),
    Shared(Command::Copy),
    Shared(Command::Paste),
    Shared(Command::SelectAll),
    kSeparator,
    Shared(Command::Find),
    Shared(Command::FindNext),
    Shared(Command::FindPrevious),
    Shared(Command::Replace),
    Shared(Command::GoToLine),
};
const MenuEntry MainMenus::kView[] = {
    Shared(Command::WordLevel),
    Shared(Command::CharacterLevel),
    kSeparator,
    Shared(Command::WordWrap),
    Shared(Command::ShowWhiteSpace),
    kSeparator,
    Shared(Command::SwapSides),
    Shared(Command::GoToTextComparison),
    Shared(Command::GoToContainingFolder),
    kSeparator,
    // The syntax colouring of the text in the active pane.
    Part([](CMainFrame& frame, QMenu* menu) {
        QMenu* language = menu->addMenu(QStringLiteral("&Language"));
        language->setObjectName(QStringLiteral("languageMenu"));
        QObject::connect(language, &QMenu::aboutToShow, &frame,
                         [&frame, language] { FillLanguageMenu(language, frame.ActivePane()); });
        FillLanguageMenu(language, nullptr);
    }),
    Part([](CMainFrame& frame, QMenu* menu) { frame.CreatePaneCommands(menu); }),
    // The folder comparison view's display filters.
    kSeparator,
    Shared(Command::ShowIdenticalItems),
    Shared(Command::ShowDifferentItems),
    Shared(Command::ShowLeftOnlyItems),
    Shared(Command::ShowRightOnlyItems),
    Shared(Command::ShowLeftNewerItems),
    Shared(Command::ShowRightNewerItems),
    Shared(Command::ShowAllItems),
    kSeparator,
    Shared(Command::ShowHiddenItems),
    Shared(Command::ShowFilteredItems),
    Shared(Command::ShowGridLines),
    Shared(Command::ExpandAll),
    Shared(Command::CollapseAll),
};
const MenuEntry MainMenus::kMerge[] = {
    Shared(Command::CopyToLeft),
    Shared(Command::CopyToRight),
    Shared(Command::CopyToLeftAndAdvance),
    Shared(Command::CopyToRightAndAdvance),
    Shared(Command::InsertToLeft),
    Shared(Command::InsertToRight),
    Shared(Command::CopyAllToLeft),
    Shared(Command::CopyAllToRight),
    kSeparator,
    Shared(Command::FirstDifference),
    Shared(Command::PreviousDifference),
    Shared(Command::NextDifference),
    Shared(Command::LastDifference),
    Shared(Command::NextLineDifference),
    Shared(Command::PreviousLineDifference),
    Shared(Command::SelectLineDifference),
    Shared(Command::GoToMovedBlock),
    kSeparator,
    Shared(Command::Recompare),
    Shared(Command::AutoRecompare),
    Shared(Command::QuickMergeMode),
};
// The folder comparison view's file operations.
const MenuEntry MainMenus::kFolder[] = {
    Shared(Command::CopyToRight),   Shared(Command::CopyToLeft),      Shared(Command::MoveItems),
    Shared(Command::DeleteItems),   Shared(Command::CopyToFolder),    kSeparator,
    Shared(Command::NewFolder),     Shared(Command::RenameItem),      Shared(Command::SetDateTime),
    Shared(Command::SetAttributes), Shared(Command::CompareContents), kSeparator,
    Shared(Command::HideItems),     Shared(Command::ExcludeItems),    kSeparator,
    Shared(Command::FolderFilters), Shared(Command::Synchronize),     kSeparator,
    Shared(Command::SetBaseFolder), Shared(Command::UpOneLevel),
};
const MenuEntry MainMenus::kTools[] = {
    Shared(Command::Report),
    Shared(Command::GenerateCommandLine),
    Shared(Command::Synchronize),
    Shared(Command::ComparisonProperties),
    kSeparator,
    Part([](CMainFrame& frame, QMenu* menu) { frame.CreateFindInFilesCommand(menu); }),
    kSeparator,
    Own("options", "&Options...", "", [](CMainFrame& frame) { frame.ShowOptions(); }),
};
const MenuEntry MainMenus::kHelp[] = {
    Own("guide", "&Contents", "F1", [](CMainFrame& frame) { frame.ShowGuide(); }),
    Own("commandLineHelp", "&Command Line...", "", [](CMainFrame& frame) { frame.ShowHelp(); }),
    Own("about", "&About Corvatine", "",
        [](CMainFrame& frame) {
            QMessageBox::about(&frame, QStringLiteral("About Corvatine"), AboutText());
        }),
};

void CMainFrame::CreateMenus() {
    for (const auto& [command, icon] : kCommandIcons) Action(command)->setIcon(style()->standardIcon(icon));
    const auto add = [this](const char* title, const auto& entries) {
        AddMenuEntries(menuBar()->addMenu(QString::fromLatin1(title)), entries, std::size(entries));
    };
    add("&File", MainMenus::kFile);
    add("&Edit", MainMenus::kEdit);
    add("&View", MainMenus::kView);
    // The levels of detail exclude each other.
    auto* detail = new QActionGroup(this);
    for (Command c : {Command::WordLevel, Command::CharacterLevel}) detail->addAction(Action(c));
    add("&Merge", MainMenus::kMerge);
    add("F&older", MainMenus::kFolder);
    add("&Tools", MainMenus::kTools);
    CreateWindowMenu();
    add("&Help", MainMenus::kHelp);
    CreateToolBar();
}

void CMainFrame::CreateFindInFilesCommand(QMenu* tools) {
    // The command starts a search, or stops the running one; the results go
    // to the output bar.
    auto* output = new QDockWidget(QStringLiteral("Find in Files"), this);
    output->setObjectName(QStringLiteral("findInFilesBar"));
    m_findResults = new CFindResultsPane(output);
    m_findResults->onOpen = [this](const std::string& path) { return OpenFile(path); };
    output->setWidget(m_findResults);
    addDockWidget(Qt::BottomDockWidgetArea, output);
    output->hide();
    QAction* findInFiles = tools->addAction(QStringLiteral("Find in Files..."));
    findInFiles->setObjectName(QStringLiteral("findInFiles"));
    findInFiles->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    connect(findInFiles, &QAction::triggered, this, [this, output] {
        if (m_findResults->IsRunning()) {
            m_findResults->StopFind();
        } else {
            output->show();
            m_findResults->NewFind();
        }
    });
    connect(m_findResults, &CFindResultsPane::runningChanged, findInFiles, [findInFiles](bool running) {
        findInFiles->setText(running ? QStringLiteral("Stop Find in Files")
                                     : QStringLiteral("Find in Files..."));
    });
}

void CMainFrame::CreateWindowMenu() {
    m_windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this] { FillWindowMenu(); });
    // Keys that go round the open documents, in either direction.
    for (const bool forward : {true, false}) {
        auto* go =
            new QAction(forward ? QStringLiteral("Next Window") : QStringLiteral("Previous Window"), this);
        go->setObjectName(forward ? QStringLiteral("nextWindow") : QStringLiteral("previousWindow"));
        go->setShortcut(
            QKeySequence(forward ? QStringLiteral("Ctrl+Tab") : QStringLiteral("Ctrl+Shift+Tab")));
        connect(go, &QAction::triggered, this, [this, forward] {
            const int count = m_tabs->count();
            if (count > 1)
                m_tabs->setCurrentIndex((m_tabs->currentIndex() + (forward ? 1 : count - 1)) % count);
        });
        addAction(go);
    }
    FillWindowMenu();
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->addAction(menuBar()->findChild<QAction*>(QStringLiteral("newComparison")));
    bar->addAction(menuBar()->findChild<QAction*>(QStringLiteral("openFile")));
    bar->addAction(Action(Command::Save));
    bar->addSeparator();
    for (Command c : {Command::Undo, Command::Redo}) bar->addAction(Action(c));
    bar->addSeparator();
    for (Command c : {Command::PreviousDifference, Command::NextDifference, Command::CopyToLeft,
                      Command::CopyToRight, Command::Recompare})
        bar->addAction(Action(c));
}

}  // namespace corvatine::ui
