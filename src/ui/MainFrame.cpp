#include "ui/MainFrame.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "fileio/ContentType.h"
#include "integration/ShellIntegration.h"
#include "launch/CommandLine.h"
#include "launch/Components.h"
#include "launch/NamedEncodings.h"
#include "launch/ProgramNames.h"
#include "persist/ComparisonFile.h"
#include "platform/Output.h"
#include "platform/Path.h"
#include "ui/DialogLook.h"
#include "ui/Dialogs.h"
#include "ui/FindReplaceDialog.h"
#include "ui/FolderCompareView.h"
#include "ui/HelpWindow.h"
#include "ui/HexCompareView.h"
#include "ui/HexEditorView.h"
#include "ui/OptIntegrationPage.h"
#include "ui/OptionsDialog.h"
#include "ui/OptionsPages.h"
#include "ui/StartPage.h"
#include "ui/SyncWizardDialog.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"
#include "ui/UiText.h"
#include "ui/VcsView.h"
#include "vcs/WorkingCopy.h"

namespace corvatine::ui {

namespace {

struct ACTIONINFO {
    Command command;
    const char* name;
    const char* text;
    const char* shortcut;
    const char* tip;  // the status line's text
    bool checkable;
};

// The Parts' own command texts and keys.
constexpr ACTIONINFO kActions[] = {
    {Command::Save, "save", "&Save", "Ctrl+S", "Save the file of the active side", false},
    {Command::SaveAs, "saveAs", "Save &As...", "", "Save the file of the active side with a new name", false},
    {Command::SaveLeft, "saveLeft", "Save &Left File", "Ctrl+Alt+1", "Save left file", false},
    {Command::SaveRight, "saveRight", "Save &Right File", "Ctrl+Alt+2", "Save right file", false},
    {Command::Reload, "reload", "Re&load", "Ctrl+F5", "Load the files again", false},
    {Command::ReopenWithEncoding, "reopenWithEncoding", "Reopen with &Encoding...", "",
     "Read the active file again in another encoding", false},
    {Command::Undo, "undo", "&Undo", "Ctrl+Z", "Undo the last action", false},
    {Command::Redo, "redo", "&Redo", "Ctrl+Y", "Redo the previously undone action", false},
    {Command::Cut, "cut", "Cu&t", "Ctrl+X", "Cut the selection and put it on the clipboard", false},
    {Command::Copy, "copy", "&Copy", "Ctrl+C", "Copy the selection and put it on the clipboard", false},
    {Command::Paste, "paste", "&Paste", "Ctrl+V", "Insert the clipboard's contents", false},
    {Command::SelectAll, "selectAll", "Select &All", "Ctrl+A", "Select the whole text", false},
    {Command::GoToLine, "goToLine", "&Go To Line...", "Ctrl+G", "Go to a line", false},
    {Command::CopyToLeft, "copyToLeft", "Copy to &Left", "Alt+Left",
     "Copy selection/difference from right to left", false},
    {Command::CopyToRight, "copyToRight", "Copy to &Right", "Alt+Right",
     "Copy selection/difference from left to right", false},
    {Command::CopyToLeftAndAdvance, "copyToLeftAndAdvance", "Copy to Left and Advance", "Ctrl+Alt+Left",
     "Copy selection/difference to left and advance to next difference", false},
    {Command::CopyToRightAndAdvance, "copyToRightAndAdvance", "Copy to Right and Advance", "Ctrl+Alt+Right",
     "Copy selection/difference to right and advance to next difference", false},
    {Command::InsertToLeft, "insertToLeft", "&Insert Different Block to Left", "",
     "Insert different block from right to left", false},
    {Command::InsertToRight, "insertToRight", "I&nsert Different Block to Right", "",
     "Insert different block from left to right", false},
    {Command::CopyAllToLeft, "copyAllToLeft", "Copy All to Left", "",
     "Copy all different blocks from right to left", false},
    {Command::CopyAllToRight, "copyAllToRight", "Copy All to Right", "",
     "Copy all different blocks from left to right", false},
    {Command::FirstDifference, "firstDifference", "&First Difference", "Alt+Home",
     "Move the cursor to the first difference", false},
    {Command::PreviousDifference, "previousDifference", "&Previous Difference", "Alt+Up",
     "Move the cursor to the previous difference", false},
    {Command::NextDifference, "nextDifference", "&Next Difference", "Alt+Down",
     "Move the cursor to the next difference", false},
    {Command::LastDifference, "lastDifference", "L&ast Difference", "Alt+End",
     "Move the cursor to the last difference", false},
    {Command::NextLineDifference, "nextLineDifference", "Next Line Difference", "Ctrl+Alt+Down",
     "Move to the next line difference and select difference section", false},
    {Command::PreviousLineDifference, "previousLineDifference", "Previous Line Difference", "Ctrl+Alt+Up",
     "Move to the previous line difference and select difference section", false},
    {Command::SelectLineDifference, "selectLineDifference", "Select Line Difference", "F4",
     "Select line different section in current line", false},
    {Command::GoToMovedBlock, "goToMovedBlock", "Go to &Moved Block", "Ctrl+Alt+M",
     "Move the cursor to where the block of lines at the cursor moved from or to", false},
    {Command::Recompare, "recompare", "Re&compare", "F5", "Refresh the current comparison/files", false},
    {Command::QuickMergeMode, "quickMergeMode", "&Quick Merge Mode", "F9",
     "Toggle quick merge mode on and off", true},
    {Command::WordLevel, "wordLevel", "&Word Level", "",
     "Set detail level to word level for inline differences", true},
    {Command::CharacterLevel, "characterLevel", "&Character Level", "",
     "Set detail level to character level for inline differences", true},
    {Command::SwapSides, "swapSides", "S&wap Sides", "", "Exchange the left and the right side", false},
    {Command::Report, "report", "&Report...", "", "Generate a report of the comparison (HTML)", false},
    {Command::GenerateCommandLine, "generateCommandLine", "Generate &Command Line...", "",
     "Generate command line scripts for the active comparison", false},
    {Command::Synchronize, "synchronize", "&Synchronize...", "", "Synchronize the folders of the comparison",
     false},
    {Command::SaveLeftAs, "saveLeftAs", "Save Left File As", "", "Save left file with a new name", false},
    {Command::SaveRightAs, "saveRightAs", "Save Right File As", "", "Save right file with a new name", false},
    {Command::Find, "find", "&Find...", "Ctrl+F", "Find bytes or text", false},
    {Command::FindNext, "findNext", "Find &Next", "F3", "Find the next occurrence", false},
    {Command::FindPrevious, "findPrevious", "Find Pre&vious", "Shift+F3", "Find the previous occurrence",
     false},
    {Command::Replace, "replace", "&Replace...", "Ctrl+H", "Replace specific text with different text",
     false},
    {Command::ExportHtml, "exportHtml", "&Export to HTML...", "",
     "Convert the active document to a html file with syntax highlighting", false},
    {Command::PreviewHtml, "previewHtml", "Pre&view HTML Export", "", "Preview the html export", false},
    {Command::ComparisonProperties, "comparisonProperties", "Comparison &Properties...", "",
     "Show the properties of the current comparison", false},
    {Command::GoToTextComparison, "goToTextComparison", "Go To &Text Comparison", "",
     "Compare the files as text", false},
    {Command::GoToContainingFolder, "goToContainingFolder", "Go To Containing F&older Comparison", "Ctrl+F12",
     "Toogle the containing folder comparison", false},
    {Command::AutoRecompare, "autoRecompare", "&Automatic Recompare", "",
     "Automatically recompare after every change done to files", true},
    // The folder comparison view.
    {Command::ShowIdenticalItems, "showIdenticalItems", "Show identical items", "",
     "Show or hide identical items", true},
    {Command::ShowDifferentItems, "showDifferentItems", "Show different items", "",
     "Show or hide different items", true},
    {Command::ShowLeftOnlyItems, "showLeftOnlyItems", "Show left-only items", "",
     "Show or hide left-only items", true},
    {Command::ShowRightOnlyItems, "showRightOnlyItems", "Show right-only items", "",
     "Show or hide right-only items", true},
    {Command::ShowLeftNewerItems, "showLeftNewerItems", "Show left-newer items", "",
     "Show or hide left-newer items", true},
    {Command::ShowRightNewerItems, "showRightNewerItems", "Show right-newer items", "",
     "Show or hide right-newer items", true},
    {Command::ShowAllItems, "showAllItems", "Show all items", "", "Show the items of every class", false},
    {Command::MoveItems, "moveItems", "&Move...", "", "Move selected files, folders", false},
    {Command::DeleteItems, "deleteItems", "&Delete...", "Del", "Delete selected files, folders", false},
    {Command::CopyToFolder, "copyToFolder", "Copy to &Folder...", "", "Copy the selected items into a folder",
     false},
    {Command::NewFolder, "newFolder", "&New Folder...", "", "Create a folder in the current folder", false},
    {Command::RenameItem, "renameItem", "Re&name...", "F2", "Rename the selected item", false},
    {Command::SetDateTime, "setDateTime", "Set &Date/Time...", "",
     "Set the modification time of the selected items", false},
    {Command::SetAttributes, "setAttributes", "Set A&ttributes...", "",
     "Set the attributes of the selected items", false},
    {Command::CompareContents, "compareContents", "Compare C&ontents...", "",
     "Compare the contents of the selected items again", false},
    {Command::FolderFilters, "folderFilters", "F&ilters...", "",
     "Choose the filters and methods of the comparison", false},
    {Command::ExpandAll, "expandAll", "&Expand All", "", "Compare every level and open every folder", false},
    {Command::CollapseAll, "collapseAll", "Co&llapse All", "", "Close every folder", false},
    {Command::HideItems, "hideItems", "&Hide", "", "Hide the selected items", false},
    {Command::ExcludeItems, "excludeItems", "E&xclude", "", "Exclude the selected items", false},
    {Command::ShowHiddenItems, "showHiddenItems", "Show Hidden Items", "",
     "Make all hidden items visible again", false},
    {Command::ShowFilteredItems, "showFilteredItems", "Show Filtered Items", "",
     "Make all filtered files and folders visible", true},
    {Command::UpOneLevel, "upOneLevel", "Up One Level", "",
     "Compare the folders that hold the compared folders", false},
    {Command::SetBaseFolder, "setBaseFolder", "Set as &Base Folder", "",
     "Set the selected folder as base folder", false},
    {Command::ShowGridLines, "showGridLines", "Show &Grid Lines", "",
     "Show lines between the rows and columns", true},
    {Command::WordWrap, "wordWrap", "Word Wra&p", "", "Wrap long lines at the window's edge", true},
    {Command::ShowWhiteSpace, "showWhiteSpace", "S&how White Space", "",
     "Mark tabs, trailing blanks and line endings", true},
};

const ACTIONINFO& ActionInfo(Command command) {
    for (const ACTIONINFO& info : kActions)
        if (info.command == command) return info;
    return kActions[0];
}

}  // namespace

CMainFrame::CMainFrame(CCorvatineApp& app, QWidget* parent)
    : QMainWindow(parent), m_app(app), m_messages(this) {
    setWindowTitle(QStringLiteral("Corvatine"));
    // The folder view's Synchronize command runs the wizard on its document.
    SetSyncWizardHook(
        [](QWidget* owner, CFolderCompareDoc& doc, int type) { RunSyncWizard(owner, doc, type); });
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("documents"));
    m_tabs->setDocumentMode(true);
    m_tabs->setTabsClosable(true);
    m_tabs->setMovable(true);
    // With no document open the start page stands in the documents' place,
    // rather than a bare area.
    m_central = new QStackedWidget(this);
    m_central->addWidget(m_tabs);
    m_emptyPage = new CStartPage(m_app.RecentComparisons(), m_app.generalOptions, m_central);
    m_emptyPage->setObjectName(QStringLiteral("emptyPage"));
    ConnectStartPage(m_emptyPage);
    m_central->addWidget(m_emptyPage);
    setCentralWidget(m_central);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { UpdateCommands(); });
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, [this](int index) { CloseView(View(index)); });
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    statusBar()->addPermanentWidget(m_status);
    m_messages.onStatus = [this](const QString& text) { statusBar()->showMessage(text, 5000); };
    CreateActions();
    CreateMenus();
    RestoreWindow();
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
        InstallDialogLook(*application);
    UpdateCommands();
}

CMainFrame::~CMainFrame() {
    // The views go before the requests they were opened for.
    while (m_tabs->count() > 0) delete m_tabs->widget(0);
}

void CMainFrame::CreateActions() {
    for (const ACTIONINFO& info : kActions) {
        auto* action = new QAction(QString::fromLatin1(info.text), this);
        action->setObjectName(QString::fromLatin1(info.name));
        if (*info.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(info.shortcut)));
        action->setStatusTip(QString::fromLatin1(info.tip));
        action->setToolTip(QString::fromLatin1(info.tip));
        action->setCheckable(info.checkable);
        const Command command = info.command;
        connect(action, &QAction::triggered, this, [this, command] {
            if (command == Command::GoToContainingFolder)
                GoToContainingFolder();
            else if (CDocumentView* view = ActiveView(); view != nullptr && view->IsEnabled(command))
                view->Execute(command);
            // How the text views show their rows is one setting for all of them.
            if (command == Command::WordWrap || command == Command::ShowWhiteSpace)
                for (int i = 0; i < m_tabs->count(); ++i)
                    if (CDocumentView* other = View(i);
                        other != ActiveView() && (qobject_cast<CTextEditView*>(other) != nullptr ||
                                                  qobject_cast<CTextCompareView*>(other) != nullptr))
                        other->ReadOptions();
            UpdateCommands();
        });
        m_actions[static_cast<int>(command)] = action;
        addAction(action);
    }
}

CTextPane* CMainFrame::ActivePane() const {
    CDocumentView* view = ActiveView();
    if (auto* edit = qobject_cast<CTextEditView*>(view)) return &edit->Pane();
    if (auto* compare = qobject_cast<CTextCompareView*>(view)) return &compare->Pane(compare->ActiveSide());
    return nullptr;
}

// ---- Documents ----

CDocumentView* CMainFrame::View(int index) const {
    return qobject_cast<CDocumentView*>(m_tabs->widget(index));
}

CDocumentView* CMainFrame::ActiveView() const {
    return qobject_cast<CDocumentView*>(m_tabs->currentWidget());
}

CDocumentView* CMainFrame::AddView(CDocumentView* view, const CCompareParams* request) {
    if (request != nullptr) m_requests[view] = request->Clone();
    connect(view, &CDocumentView::stateChanged, this, [this, view] {
        const int index = m_tabs->indexOf(view);
        if (index >= 0) m_tabs->setTabText(index, view->Title());
        if (view == ActiveView()) UpdateCommands();
    });
    const int index = m_tabs->addTab(view, view->Title());
    m_tabs->setCurrentIndex(index);
    view->setFocus();
    UpdateCommands();
    return view;
}

CDocumentView* CMainFrame::CompareClipboard(bool withFile) {
    const QString clipboard = QApplication::clipboard()->text();
    if (clipboard.isEmpty()) {
        m_messages.Inform("The clipboard holds no text to compare.");
        return nullptr;
    }
    CTextCompareParams request(AppComponents().Text().rules);
    SIDETEXT texts[2];
    texts[0] = {true, ToWorking(clipboard), "Clipboard"};
    if (withFile) {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Compare the Clipboard with"));
        if (path.isEmpty()) return nullptr;
        request.sides[1].path = ToPath(path);
    } else {
        texts[1] = {true, std::string(), "Untitled"};
    }
    auto* view =
        new CTextCompareView(request, m_messages, m_app.generalOptions.fileWatch != 0, m_tabs, texts);
    if (!view->Opened()) {
        delete view;
        return nullptr;
    }
    // No file pair: nothing for the recent comparisons.
    return AddView(view, nullptr);
}

CDocumentView* CMainFrame::OpenRequest(const CCompareParams& request, bool remember) {
    for (const auto& [view, open] : m_requests)
        if (open->Equals(request)) {
            m_tabs->setCurrentWidget(view);
            return view;
        }
    if (remember) {
        m_app.AddRecentComparison(request);
        emit recentComparisonsChanged();
    }
    if (request.kind == COMPARE_TEXT) {
        auto* view = new CTextCompareView(static_cast<const CTextCompareParams&>(request), m_messages,
                                          m_app.generalOptions.fileWatch != 0, m_tabs);
        if (!view->Opened()) {
            delete view;
            return nullptr;
        }
        return AddView(view, &request);
    }
    if (request.kind == COMPARE_BINARY) {
        auto* view = new CHexCompareView(static_cast<const CBinaryCompareParams&>(request), m_messages,
                                         m_app.generalOptions.fileWatch != 0, m_tabs);
        if (!view->Opened()) {
            delete view;
            return nullptr;
        }
        return AddView(view, &request);
    }
    if (request.kind == COMPARE_FOLDER) {
        auto* view =
            CFolderCompareView::Create(static_cast<const CFolderCompareParams&>(request), m_messages, m_tabs);
        if (view == nullptr) return nullptr;
        // A pair opened from the folder view remembers where it came from.
        connect(view, &CFolderCompareView::openComparison, this, [this, view](const CCompareParams& pair) {
            if (CDocumentView* opened = OpenRequest(pair); opened != nullptr && opened != view)
                m_containingFolder[opened] = view;
            UpdateCommands();
        });
        connect(view, &CFolderCompareView::openFile, this, [this, view](const QString& path, bool readOnly) {
            if (CDocumentView* opened = OpenFile(ToPath(path), readOnly)) m_containingFolder[opened] = view;
            UpdateCommands();
        });
        connect(view, &CFolderCompareView::requestChanged, this,
                [this, view](const CCompareParams& changed) { m_requests[view] = changed.Clone(); });
        return AddView(view, &request);
    }
    return nullptr;
}

CDocumentView* CMainFrame::OpenWorkingCopy(const std::string& folder, std::string& error) {
    vcs::WORKINGCOPY copy;
    switch (vcs::FindWorkingCopy(folder, copy, error)) {
        case vcs::FindResult::Found: break;
        case vcs::FindResult::None:
            error = "'" + folder + "' is in no git, Mercurial or Subversion working copy";
            return nullptr;
        default: return nullptr;
    }
    auto* view = new CVcsView(std::move(copy), m_messages, m_tabs);
    connect(view, &CVcsView::openComparison, this,
            [this, view](const CCompareParams& request, std::shared_ptr<void> keep) {
                CDocumentView* opened = OpenRequest(request, false);
                if (opened == nullptr) return;
                m_containingFolder[opened] = view;
                // The fetched versions stay as long as the comparison is open.
                connect(opened, &QObject::destroyed, opened, [keep] {});
                UpdateCommands();
            });
    connect(view, &CVcsView::openFile, this, [this, view](const QString& path, bool readOnly) {
        if (CDocumentView* opened = OpenFile(ToPath(path), readOnly)) m_containingFolder[opened] = view;
        UpdateCommands();
    });
    return AddView(view, nullptr);
}

// Back to the folder comparison a pair was opened from; else the view's own
// (a binary comparison knows the folder comparison it came from); else, for
// a pair of files, the comparison of the folders that hold them.
bool CMainFrame::CanGoToContainingFolder(CDocumentView* view) const {
    if (view == nullptr) return false;
    if (m_containingFolder.count(view) != 0 || view->IsEnabled(Command::GoToContainingFolder)) return true;
    std::string folders[2];
    return ContainingFolders(view, folders);
}

// The folders that hold a file pair's two files, as absolute paths (a pair
// named from a terminal may be named relative to it): false when the view is
// no file pair, or a side has no file on disk (text from the clipboard).
bool CMainFrame::ContainingFolders(CDocumentView* view, std::string (&folders)[2]) const {
    const auto request = m_requests.find(view);
    if (request == m_requests.end() || request->second->kind == COMPARE_FOLDER) return false;
    for (int side = 0; side < 2; ++side) {
        const std::string& path = request->second->sides[side].path;
        if (path.empty()) return false;
        folders[side] = platform::PathParentFolder(platform::AbsolutePath(path));
        if (folders[side].empty() || !platform::IsFolder(folders[side])) return false;
    }
    return true;
}

void CMainFrame::GoToContainingFolder() {
    CDocumentView* active = ActiveView();
    if (active == nullptr) return;
    if (const auto found = m_containingFolder.find(active); found != m_containingFolder.end()) {
        m_tabs->setCurrentWidget(found->second);
        return;
    }
    if (active->IsEnabled(Command::GoToContainingFolder)) {
        active->Execute(Command::GoToContainingFolder);
        return;
    }
    std::string paths[2];
    if (!ContainingFolders(active, paths)) return;
    CFolderCompareParams folders(AppComponents().Folders().methods);
    for (int side = 0; side < 2; ++side) folders.sides[side].path = paths[side];
    OpenRequest(folders);
}

CDocumentView* CMainFrame::OpenFile(const std::string& path, bool readOnly, int codePage) {
    if (!path.empty() && DetermineContentType(path) == CONTENT_TYPE_BINARY)
        return OpenHexFile(path, readOnly);
    auto* view =
        new CTextEditView(path, readOnly, m_messages, m_app.generalOptions.fileWatch != 0, m_tabs, codePage);
    if (!view->Opened()) {
        delete view;
        return nullptr;
    }
    return AddView(view, nullptr);
}

CDocumentView* CMainFrame::OpenHexFile(const std::string& path, bool readOnly) {
    auto* view = new CHexEditorView(path, readOnly, m_messages, m_app.generalOptions.fileWatch != 0, m_tabs);
    if (!view->Opened()) {
        delete view;
        return nullptr;
    }
    return AddView(view, nullptr);
}

bool CMainFrame::OpenComparisonFile(const std::string& path, const std::vector<NAMEDENCODING>& encodings) {
    CompareParamsList list;
    std::string error;
    if (!CComparisonFile::ReadComparisons(path, list, error)) {
        m_messages.Error(error);
        return false;
    }
    for (const auto& request : list)
        if (!SetRequestEncodings(*request, encodings, error)) {
            m_messages.Error(error);
            return false;
        }
    bool opened = false;
    for (const auto& request : list) opened = OpenRequest(*request) != nullptr || opened;
    if (opened) m_app.AddRecentComparisonFile(path);
    return opened;
}

bool CMainFrame::OpenCommandLine(const std::vector<std::string>& arguments, std::string& error) {
    // --encoding names the encodings of what the command line opens.
    std::vector<NAMEDENCODING> encodings;
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument.rfind("--encoding=", 0) == 0 &&
            !ParseEncodingNames(argument.substr(11), encodings, error))
            return false;
    }
    std::vector<std::string> rest;
    bool optionsEnded = false, vcs = false;
    for (const std::string& argument : arguments) {
        if (argument == "--") optionsEnded = true;
        if (!optionsEnded && argument.rfind("--encoding=", 0) == 0) continue;
        if (!optionsEnded && argument == "--vcs") {
            vcs = true;
            continue;
        }
        if (!optionsEnded && argument.rfind("--recent=", 0) == 0) {
            const int entry = std::atoi(argument.c_str() + 9);
            const CRecentComparisonList* list = m_app.RecentComparisons();
            if (list == nullptr || entry < 1 || entry > list->Count()) {
                error = "there is no recent comparison " + argument.substr(9);
                return false;
            }
            const std::unique_ptr<CCompareParams> request = (*list)[entry - 1].Clone();
            if (!SetRequestEncodings(*request, encodings, error)) return false;
            OpenRequest(*request);
            continue;
        }
        rest.push_back(argument);
    }
    if (rest.empty() && !vcs) return true;
    CCommandLine commandLine;
    commandLine.Parse(rest, m_app.components.ForCommandLine());
    if (!commandLine.UnknownLongOptions().empty()) {
        error = "unrecognized option '" + commandLine.UnknownLongOptions().front() + "'";
        return false;
    }
    // --vcs [DIR], or a lone folder inside a working copy: its changes.
    const bool loneFolder = commandLine.action == CCommandLine::ACTION_EDIT && commandLine.pathCount == 1 &&
                            commandLine.kindNamed == CCommandLine::KIND_NONE &&
                            platform::IsFolder(commandLine.namedPaths[0]);
    if (vcs || loneFolder) {
        if (vcs && (commandLine.pathCount > 1 || commandLine.action == CCommandLine::ACTION_COMPARE)) {
            error = "--vcs takes at most one folder";
            return false;
        }
        const std::string folder = commandLine.pathCount == 1 ? commandLine.namedPaths[0] : std::string(".");
        std::string reason;
        if (OpenWorkingCopy(folder, reason) != nullptr) return true;
        if (vcs) {
            error = reason;
            return false;
        }
    }
    switch (commandLine.action) {
        case CCommandLine::ACTION_COMPARE: {
            const std::unique_ptr<CCompareParams> request = commandLine.BuildRequest();
            if (!encodings.empty() && request->kind != COMPARE_TEXT) {
                error = "'--encoding' applies to text comparisons and text files only";
                return false;
            }
            if (!SetRequestEncodings(*request, encodings, error)) return false;
            if (request->sides[0].path.empty() || request->sides[1].path.empty()) {
                // One path: the dialog asks for the other.
                CNewComparisonDialog dialog(this);
                dialog.SetPaths(FromPath(request->sides[0].path), FromPath(request->sides[1].path));
                if (dialog.exec() == QDialog::Accepted)
                    if (const auto chosen = dialog.Request();
                        chosen && SetRequestEncodings(*chosen, encodings, error))
                        OpenRequest(*chosen);
                return true;
            }
            OpenRequest(*request);
            return true;
        }
        case CCommandLine::ACTION_EDIT: {
            EDITINGENCODING encoding;
            if (!EditingEncoding(encodings, encoding, error)) return false;
            if (!encodings.empty() && (commandLine.kind == CCommandLine::KIND_BINARY ||
                                       (commandLine.pathCount > 0 &&
                                        DetermineContentType(commandLine.paths[0]) == CONTENT_TYPE_BINARY))) {
                error = "'--encoding' does not apply to editing a binary file";
                return false;
            }
            if (commandLine.kind == CCommandLine::KIND_BINARY && commandLine.pathCount > 0) {
                OpenHexFile(commandLine.paths[0], commandLine.readOnly[0] != 0);
            } else if (CDocumentView* view =
                           OpenFile(commandLine.pathCount > 0 ? commandLine.paths[0] : std::string(),
                                    commandLine.readOnly[0] != 0, encoding.readCodePage)) {
                // The encoding to save in is the document's encoding from now on.
                if (auto* edit = dynamic_cast<CTextEditView*>(view))
                    ApplySaveEncoding(encoding, edit->Doc().Context());
            }
            return true;
        }
        case CCommandLine::ACTION_OPEN:
            if (commandLine.pathCount == 1) OpenComparisonFile(commandLine.paths[0], encodings);
            return true;
        case CCommandLine::ACTION_HELP: ShowHelp(); return true;
        default: return true;
    }
}

bool CMainFrame::CloseView(CDocumentView* view, bool ask) {
    if (view == nullptr || (ask && !view->CanClose())) return false;
    m_requests.erase(view);
    m_containingFolder.erase(view);
    for (auto it = m_containingFolder.begin(); it != m_containingFolder.end();)
        it = it->second == view ? m_containingFolder.erase(it) : std::next(it);
    m_tabs->removeTab(m_tabs->indexOf(view));
    delete view;
    UpdateCommands();
    return true;
}

bool CMainFrame::CloseAll() {
    while (m_tabs->count() > 0) {
        CDocumentView* view = View(m_tabs->count() - 1);
        m_tabs->setCurrentWidget(view);
        if (!CloseView(view)) return false;
    }
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (CloseAll()) {
        RememberWindow();
        event->accept();
    } else {
        event->ignore();
    }
}

void CMainFrame::UpdateCommands() {
    m_central->setCurrentWidget(m_tabs->count() > 0 ? static_cast<QWidget*>(m_tabs) : m_emptyPage);
    CDocumentView* view = ActiveView();
    for (int i = 0; i < static_cast<int>(Command::Count); ++i) {
        QAction* action = m_actions[i];
        if (action == nullptr) continue;
        action->setEnabled(view != nullptr && view->IsEnabled(static_cast<Command>(i)));
        // A view may name a command its own way ("Go To Address" in hex views).
        const QString text = view != nullptr ? view->CommandText(static_cast<Command>(i)) : QString();
        if (static_cast<Command>(i) != Command::Undo && static_cast<Command>(i) != Command::Redo)
            action->setText(text.isEmpty() ? QString::fromLatin1(ActionInfo(static_cast<Command>(i)).text)
                                           : text);
        if (action->isCheckable())
            action->setChecked(view != nullptr && view->IsChecked(static_cast<Command>(i)));
    }
    // "&Undo %s\tCtrl+Z": the shortcut is the action's own.
    const auto menuText = [](const QString& text) { return text.left(text.indexOf(QLatin1Char('\t'))); };
    Action(Command::Undo)->setText(view ? menuText(view->UndoText()) : QStringLiteral("&Undo"));
    Action(Command::Redo)->setText(view ? menuText(view->RedoText()) : QStringLiteral("&Redo"));
    m_status->setText(view ? view->StatusText() : QString());
    Action(Command::GoToContainingFolder)->setEnabled(CanGoToContainingFolder(view));
    UpdatePrintCommands(view);
    setWindowTitle(view ? view->Title() + QStringLiteral(" - Corvatine") : QStringLiteral("Corvatine"));
}

// ---- Frame commands ----

void CMainFrame::OpenFileDialog() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"));
    if (!path.isEmpty()) OpenFile(ToPath(path));
}

// The changes of a git, Mercurial or Subversion working copy, from a folder in it.
void CMainFrame::OpenWorkingCopyDialog() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Open Working Copy"));
    if (folder.isEmpty()) return;
    std::string error;
    if (OpenWorkingCopy(ToPath(folder), error) == nullptr) m_messages.Error(error);
}

void CMainFrame::OpenComparisonDialog() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Comparison"), QString(),
                                     QStringLiteral("Comparison Files (*.cmp);;All Files (*)"));
    if (!path.isEmpty()) OpenComparisonFile(ToPath(path));
}

void CMainFrame::SaveComparisonAs() {
    CDocumentView* view = ActiveView();
    const auto found = m_requests.find(view);
    if (found == m_requests.end()) {
        m_messages.Inform("The active document is no comparison.");
        return;
    }
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Comparison As"), QString(),
                                     QStringLiteral("Comparison Files (*.cmp);;All Files (*)"));
    if (path.isEmpty()) return;
    CompareParamsList list;
    list.push_back(StoredCopy(*found->second));
    std::string error;
    if (!CComparisonFile::WriteComparisons(ToPath(path), list, -1, error)) {
        m_messages.Error(error);
        return;
    }
    m_app.AddRecentComparisonFile(ToPath(path));
}

void CMainFrame::FillRecentMenu() {
    m_recentMenu->clear();
    CRecentComparisonList* list = m_app.RecentComparisons();
    const int count = list != nullptr ? list->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const CCompareParams& request = (*list)[i];
        QAction* action =
            m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(FromPath(request.GetTitle())));
        action->setStatusTip(FromPath(request.sides[0].path) + QStringLiteral(" : ") +
                             FromPath(request.sides[1].path));
        connect(action, &QAction::triggered, this, [this, i] {
            CRecentComparisonList* recent = m_app.RecentComparisons();
            if (recent == nullptr || i >= recent->Count()) return;
            // Opening moves the entry in the list: work on a copy.
            const std::unique_ptr<CCompareParams> copy = (*recent)[i].Clone();
            OpenRequest(*copy);
        });
    }
    if (count == 0) m_recentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void CMainFrame::FillWindowMenu() {
    m_windowMenu->clear();
    for (QAction* action : actions())
        if (action->objectName() == QLatin1String("nextWindow") ||
            action->objectName() == QLatin1String("previousWindow"))
            m_windowMenu->addAction(action);
    m_windowMenu->addSeparator();
    for (int i = 0; i < m_tabs->count(); ++i) {
        QAction* action =
            m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(m_tabs->tabText(i)));
        action->setCheckable(true);
        action->setChecked(i == m_tabs->currentIndex());
        connect(action, &QAction::triggered, this, [this, i] { m_tabs->setCurrentIndex(i); });
    }
}

void CMainFrame::ShowOptions() {
    COptionsDialog dialog(this);
    dialog.AddPage(new COptGeneralPage(m_app.generalOptions));
    dialog.AddPage(new COptTextComparePage());
    dialog.AddPage(new COptFolderComparePage());
    dialog.AddPage(new COptBinaryComparePage());
    dialog.AddPage(new COptEditorPage());
    dialog.AddPage(new COptHexEditorPage());
    dialog.AddPage(new COptIntegrationPage(
        m_app.generalOptions, [] { return GetShellExtensionState(); },
        [] { return RegisterShellExtension(); }, [] { return UnregisterShellExtension(); }));
    // What a cancelled dialog leaves: the settings as last saved.
    COptionsState saved(m_app.generalOptions);
    dialog.onSave = [this, &saved] {
        platform::CStringOutput error;
        const bool written = m_app.SaveOptions(error);
        saved = COptionsState(m_app.generalOptions);
        if (!written) m_messages.Error(error.Text().substr(0, error.Text().find_last_not_of('\n') + 1));
        return written;
    };
    connect(&dialog, &COptionsDialog::applied, this, [this] {
        for (int i = 0; i < m_tabs->count(); ++i)
            if (CDocumentView* view = View(i)) view->ReadOptions();
        UpdateCommands();
    });
    dialog.resize(900, 640);
    if (dialog.exec() != QDialog::Accepted) saved.Restore(m_app.generalOptions);
}

// The guide's page of the active view.
void CMainFrame::ShowGuide() {
    QString page = QStringLiteral("index.html");
    CDocumentView* view = ActiveView();
    if (qobject_cast<CTextCompareView*>(view) != nullptr)
        page = QStringLiteral("text-comparison.html");
    else if (qobject_cast<CFolderCompareView*>(view) != nullptr)
        page = QStringLiteral("folder-comparison.html");
    else if (qobject_cast<CHexCompareView*>(view) != nullptr)
        page = QStringLiteral("binary-comparison.html");
    else if (qobject_cast<CTextEditView*>(view) != nullptr)
        page = QStringLiteral("editor.html");
    else if (qobject_cast<CHexEditorView*>(view) != nullptr)
        page = QStringLiteral("hex-editor.html");
    else if (qobject_cast<CVcsView*>(view) != nullptr)
        page = QStringLiteral("version-control.html");
    CHelpWindow::Show(this, *menuBar(), page);
}

void CMainFrame::ShowHelp() {
    QProcess help;
    help.start(FromPath(platform::JoinPath(platform::ProgramFolder(), kHeadlessProgram)),
               {QStringLiteral("--no-gui"), QStringLiteral("--help")});
    help.waitForFinished(5000);
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Command Line"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QPlainTextEdit(QString::fromLocal8Bit(help.readAllStandardOutput()), &dialog);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(700, 600);
    dialog.exec();
}

}  // namespace corvatine::ui
