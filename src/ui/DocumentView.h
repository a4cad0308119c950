// What the main frame knows of a document's view: its title and status, the
// commands it offers, and whether it may close.
#pragma once

#include <QString>
#include <QWidget>

namespace corvatine::ui {

// The commands of the menus, toolbar and keys, carried out by the view of the
// active document.
enum class Command : int {
    Save,
    SaveAs,
    SaveLeft,
    SaveRight,
    Reload,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    GoToLine,
    CopyToLeft,
    CopyToRight,
    CopyToLeftAndAdvance,
    CopyToRightAndAdvance,
    InsertToLeft,
    InsertToRight,
    CopyAllToLeft,
    CopyAllToRight,
    FirstDifference,
    PreviousDifference,
    NextDifference,
    LastDifference,
    NextLineDifference,
    PreviousLineDifference,
    SelectLineDifference,
    GoToMovedBlock,
    Recompare,
    QuickMergeMode,
    WordLevel,
    CharacterLevel,
    SwapSides,
    Report,
    GenerateCommandLine,
    Synchronize,
    SaveLeftAs,
    SaveRightAs,
    Find,
    FindNext,
    FindPrevious,
    GoToTextComparison,
    GoToContainingFolder,
    AutoRecompare,
    // The folder comparison view.
    ShowIdenticalItems,
    ShowDifferentItems,
    ShowLeftOnlyItems,
    ShowRightOnlyItems,
    ShowLeftNewerItems,
    ShowRightNewerItems,
    ShowAllItems,
    MoveItems,
    DeleteItems,
    CopyToFolder,
    NewFolder,
    RenameItem,
    SetDateTime,
    SetAttributes,
    CompareContents,
    FolderFilters,
    ExpandAll,
    CollapseAll,
    HideItems,
    ExcludeItems,
    ShowHiddenItems,
    ShowFilteredItems,
    UpOneLevel,
    SetBaseFolder,
    ShowGridLines,
    // Find and replace, and the HTML export of the text views.
    Replace,
    ExportHtml,
    PreviewHtml,
    // The parameters and the outcome of the binary comparison.
    ComparisonProperties,
    // How the text views show their rows.
    WordWrap,
    ShowWhiteSpace,
    // Reading the active file again in another encoding.
    ReopenWithEncoding,
    Count,
};

class CDocumentView : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The tab's and the window's title.
    virtual QString Title() const = 0;
    // The status bar: "Diff: %d", the caret's line and column.
    virtual QString StatusText() const = 0;
    virtual bool IsEnabled(Command command) const = 0;
    virtual bool IsChecked(Command command) const {
        (void)command;
        return false;
    }
    virtual void Execute(Command command) = 0;
    // The menu text of a command as this view names it; empty for the frame's own.
    virtual QString CommandText(Command command) const {
        (void)command;
        return QString();
    }
    // "&Undo %s\tCtrl+Z" and "&Redo %s\tCtrl+Y" as the model words them.
    virtual QString UndoText() const { return QStringLiteral("&Undo\tCtrl+Z"); }
    virtual QString RedoText() const { return QStringLiteral("&Redo\tCtrl+Y"); }
    // Asks to save what is modified; false keeps the document open.
    virtual bool CanClose() = 0;
    // The options were changed: take the colours, fonts and tabs again.
    virtual void ReadOptions() { update(); }

signals:
    // The title, the status or what the commands may do changed.
    void stateChanged();
};

}  // namespace corvatine::ui
