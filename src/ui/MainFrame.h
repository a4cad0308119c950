// The main window: the open documents as tabs, the menus, toolbar and status
// bar, whose commands go to the active document's view.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPrinter>
#include <QTabWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fileio/EncodingChoices.h"
#include "fileio/EncodingDetect.h"
#include "launch/CompareToChosen.h"
#include "launch/CorvatineApp.h"
#include "request/CompareParams.h"
#include "ui/DialogMessages.h"
#include "ui/DocumentView.h"

class QDockWidget;
class QStackedWidget;
class QMenu;

namespace corvatine::ui {

class CTextPane;
class CFindResultsPane;
class CComparisonListPane;
class CStartPage;
struct MenuEntry;
struct MainMenus;

class CMainFrame : public QMainWindow {
    Q_OBJECT
    // The menu tables' entries run the frame's commands.
    friend struct MainMenus;

public:
    explicit CMainFrame(CCorvatineApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Opens a comparison: text, binary and folder comparisons in their views.
    // An open document with an equal request is activated instead. Null when nothing could be opened.
    // With remember false the request is not added to the recent comparisons
    // (files that are gone once the view closes).
    CDocumentView* OpenRequest(const CCompareParams& request, bool remember = true);
    // Opens the changes of the version-control working copy that holds the
    // folder; null with error when none does or its client fails.
    CDocumentView* OpenWorkingCopy(const std::string& folder, std::string& error);
    // Opens a file in the text editor (without byte-order mark in codePage,
    // or with CP_DETECT in the encoding its bytes call for), or in the hex
    // editor when it holds binary data.
    CDocumentView* OpenFile(const std::string& path, bool readOnly = false, int codePage = CP_DETECT);
    // Opens a file in the hex editor.
    CDocumentView* OpenHexFile(const std::string& path, bool readOnly = false);
    // Opens every comparison of a comparison file, text comparisons with the
    // encodings named (SetRequestEncodings); false when none opened.
    bool OpenComparisonFile(const std::string& path, const std::vector<NAMEDENCODING>& encodings = {});
    // Acts on a command line as the program was started with it; false with
    // the reason told when it is not understood.
    bool OpenCommandLine(const std::vector<std::string>& arguments, std::string& error);

    CDocumentView* ActiveView() const;
    // The text pane of the active view (the focused side of a comparison), or null.
    CTextPane* ActivePane() const;
    int ViewCount() const { return m_tabs->count(); }
    CDocumentView* View(int index) const;
    // Asks the view whether it may close (unless ask is false), then closes it.
    bool CloseView(CDocumentView* view, bool ask = true);
    // Closes every view, asking each; false when one stays open.
    bool CloseAll();

    // The action of a command, and every action by its object name.
    QAction* Action(Command command) const { return m_actions[static_cast<int>(command)]; }
    platform::CMessages& Messages() { return m_messages; }
    // The output bar of find in files.
    CFindResultsPane* FindResults() const { return m_findResults; }
    CCorvatineApp& App() { return m_app; }

    // The status of the active view and the commands it allows, again.
    void UpdateCommands();

    // A text comparison of the clipboard's text with a file the user chooses
    // (withFile) or with an empty side to paste into; null when there is no
    // text or nothing was chosen.
    CDocumentView* CompareClipboard(bool withFile);

    // The chooser of a new comparison of a kind (0 automatic, 1 text,
    // 2 binary, 3 folder), with the paths given already filled in.
    void NewComparison(int kind = 0, const QString& left = QString(), const QString& right = QString());

    // Around the documents: the start page and the comparison list
    // (MainFrameStartPage.cpp), printing (MainFramePrinting.cpp), the
    // window's place and full screen (MainFrameWindowPlace.cpp), and files
    // dropped on the window (MainFrameDrops.cpp).
    // Acts on the command line the program started with, then shows the
    // start page when it is on and the command line opened nothing. False
    // with error when the command line is not understood. With
    // --compare-to-chosen the chooser comes first, and when it opened nothing
    // EndedAtStart() is the status the program ends with at once, without
    // showing the window: 0 when the choice was cancelled, 2 when the
    // comparison could not be opened (its view said why).
    bool StartUp(const std::vector<std::string>& arguments, std::string& error);
    // -1 while the window has something to show; see StartUp.
    int EndedAtStart() const { return m_endedAtStart; }
    // Asks in a chooser titled Compare "NAME" To which file (or folder, for a
    // folder) the item is compared with, starting in the item's folder, and
    // opens the comparison of the item, left, with the one chosen, right.
    // Null when the choice was cancelled (cancelled set) or the comparison
    // could not be opened. Over this window when it shows, else alone.
    CDocumentView* CompareToChosen(const CHOSENCOMPARISON& item, bool& cancelled);
    // Opens the start page, or activates it when it is open.
    CStartPage* ShowStartPage();
    CStartPage* StartPage() const;
    CComparisonListPane* ComparisonList() const { return m_comparisonList; }
    QDockWidget* ComparisonListBar() const { return m_comparisonListBar; }
    // Opens the entry of the recent comparisons list.
    void OpenRecentComparison(int index);
    // The printer of Print, Print Preview and Page Setup, which keeps the
    // user's choices for the run.
    QPrinter& Printer() { return m_printer; }
    // Prints the active view on the printer in the layout; the pages printed.
    int PrintActiveView(QPrinter& printer, int layout);
    void SetFullScreen(bool on);
    // Shows the window as it was left: maximised, or at its place and size.
    void ShowWindow();
    // The page shown while no document is open.
    CStartPage* EmptyPage() const { return m_emptyPage; }

signals:
    // An entry of the recent comparisons list was added, moved or removed.
    void recentComparisonsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The window's place, size and comparison list width from the options, and back.
    void RestoreWindow();
    void RememberWindow();
    void ConnectStartPage(CStartPage* page);
    bool CanGoToContainingFolder(CDocumentView* view) const;
    bool ContainingFolders(CDocumentView* view, std::string (&folders)[2]) const;
    void GoToContainingFolder();
    void CreateActions();
    // The menus and the tool bar (MainFrameMenus.cpp).
    void CreateMenus();
    void AddMenuEntries(QMenu* menu, const MenuEntry* entries, size_t count);
    void CreateFindInFilesCommand(QMenu* tools);
    void CreateWindowMenu();
    void CreateToolBar();
    CDocumentView* AddView(CDocumentView* view, const CCompareParams* request);
    void OpenFileDialog();
    void OpenWorkingCopyDialog();
    void OpenComparisonDialog();
    void SaveComparisonAs();
    void FillRecentMenu();
    void FillWindowMenu();
    void ShowGuide();
    void ShowHelp();
    void ShowOptions();

    void CreatePrintCommands(QMenu* file);
    void CreatePaneCommands(QMenu* view);
    void UpdatePrintCommands(CDocumentView* view);
    void Print();
    void PrintPreview();
    void PageSetup();
    // Acts on paths dropped on the target widget.
    void DropPaths(const QStringList& paths, QWidget* target);
    void ComparePaths(const std::string& left, const std::string& right);
    // Opens the text comparison again with another file on one side.
    void ReplaceSide(CDocumentView* view, int side, const std::string& path);

    CCorvatineApp& m_app;
    CDialogMessages m_messages;
    QTabWidget* m_tabs;
    QStackedWidget* m_central = nullptr;  // the documents, or the empty page
    CStartPage* m_emptyPage = nullptr;
    bool m_docksPlaced = false;
    int m_endedAtStart = -1;
    QLabel* m_status;
    QAction* m_actions[static_cast<int>(Command::Count)] = {};
    QMenu* m_recentMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    CFindResultsPane* m_findResults = nullptr;
    // The request each comparison view was opened for.
    std::map<CDocumentView*, std::unique_ptr<CCompareParams>> m_requests;
    // The folder comparison each file comparison was opened from.
    std::map<CDocumentView*, CDocumentView*> m_containingFolder;
    CComparisonListPane* m_comparisonList = nullptr;
    QDockWidget* m_comparisonListBar = nullptr;
    QAction* m_fullScreen = nullptr;
    Qt::WindowStates m_stateBeforeFullScreen = Qt::WindowNoState;
    QAction* m_printCommands[3] = {nullptr, nullptr, nullptr};
    QPrinter m_printer;
    int m_printLayout = 0;
};

}  // namespace corvatine::ui
