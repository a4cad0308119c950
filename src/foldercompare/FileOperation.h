// The commands a folder comparison applies to the selected result items
// (copy, move, delete, copy to a folder, new folder, set time, set
// attributes, rename, compare contents), and the runner that applies one to
// each item on a worker thread with progress and Cancel. The window's dialogs
// present these objects; the command line fills their options itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "foldercompare/FolderCompareItem.h"

namespace corvatine {

enum FileOperationKind : int { FILEOP_MOVE = 1, FILEOP_COPY = 2, FILEOP_DELETE = 3 };

// Masks of sides for the commands that take several.
enum SideMask : uint32_t { SIDE_LEFT = 1, SIDE_RIGHT = 2, SIDE_BOTH = 3 };

// The arrow or mark a view draws beside a command's detail text.
enum class OperationDirection { LeftToRight, RightToLeft, Left, Right, Both, None };

// Texts of the file operation dialog.
inline constexpr const char* kCopyDialogTitle = "Copy selected files, folders";
inline constexpr const char* kMoveDialogTitle = "Move selected files, folders";
inline constexpr const char* kDeleteDialogTitle = "Delete selected files, folders";
inline constexpr const char* kCopyToRightText = "Copy to &Right";
inline constexpr const char* kCopyToLeftText = "Copy to &Left";
inline constexpr const char* kMoveToRightText = "Move to &Right";
inline constexpr const char* kMoveToLeftText = "Move to &Left";
inline constexpr const char* kLeftSideText = "&Left Side";
inline constexpr const char* kRightSideText = "&Right Side";
inline constexpr const char* kNoConfirmationText = "&No confirmation";
inline constexpr const char* kUseRecycleBinText = "Move to the &Trash where possible";
inline constexpr const char* kEmptyFolderOnlyText = "&Create empty folder only if the item is a folder.";
inline constexpr const char* kSelectFolderTitle = "Select Folder";
inline constexpr const char* kProcessingTitle = "Processing...";

class CFileOperation;

// How a window asks for a command's options; the command line has none.
class CFileOperationDialogs {
public:
    virtual ~CFileOperationDialogs() = default;
    // Shows the command's dialog over the selection; true when confirmed
    // (the options are then in the command).
    virtual bool Confirm(CFileOperation& command, const std::vector<CFolderCompareItem*>& selection) = 0;
};

class CFileOperation {
public:
    int kind;                 // FileOperationKind; 0 for the subclasses' own commands
    uint32_t sides;           // copy, move: the source side (0, 1); delete and others: a SideMask
    uint32_t shellFlags = 0;  // FOF_NOCONFIRMATION, FOF_ALLOWUNDO ...
    CFolderCompareListener* window = nullptr;  // told of every change
    bool emptyFolderOnly = false;              // copy: a folder becomes only the empty folder

    CFileOperation(int operation, uint32_t sideWord) : kind(operation), sides(sideWord) {}
    virtual ~CFileOperation() = default;

    // "Copying", "Moving" ...: what the progress dialog says while it runs.
    virtual std::string GetTitle() const;
    // "Copy", "Move" ...: the dialog's verb.
    virtual std::string GetVerb() const;
    // "Copying from Left to Right" ...
    virtual std::string GetDetailText() const;
    virtual OperationDirection GetDirection() const;
    // The dialog's window title ("Copy selected files, folders" ...).
    virtual std::string GetDialogTitle() const;
    virtual bool RunDialog(CFileOperationDialogs& dialogs,
                           const std::vector<CFolderCompareItem*>& selection) {
        return dialogs.Confirm(*this, selection);
    }
    // Applies the command to one item: 0, or -1 with context.error.
    virtual int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context);
    // Whether applying it may delete the item (and what is below it).
    virtual bool RemovesItems() const { return kind == FILEOP_MOVE || kind == FILEOP_DELETE; }
    // Whether it runs on the first selected item only.
    virtual bool OneItemOnly() const { return false; }
};

class CCopyToFolder : public CFileOperation {
public:
    std::string targetFolder;

    CCopyToFolder(uint32_t side, std::string target)
        : CFileOperation(0, side), targetFolder(std::move(target)) {}
    std::string GetTitle() const override { return "Copying to Folder"; }
    std::string GetVerb() const override { return "Copy to Folder"; }
    std::string GetDetailText() const override { return "Copying to " + targetFolder; }
    OperationDirection GetDirection() const override;
    std::string GetDialogTitle() const override { return kSelectFolderTitle; }
    // Copies the side's entry into the target folder (outside the compared
    // trees, which stay as they are).
    int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) override;
    bool RemovesItems() const override { return false; }
};

class CNewFolder : public CFileOperation {
public:
    std::string name;

    CNewFolder(uint32_t mask, std::string folderName)
        : CFileOperation(0, mask), name(std::move(folderName)) {}
    std::string GetTitle() const override { return "Creating New Folder"; }
    std::string GetVerb() const override { return "New Folder"; }
    std::string GetDetailText() const override;
    OperationDirection GetDirection() const override;
    std::string GetDialogTitle() const override { return GetVerb(); }
    // Creates the folder in the item (a folder pair).
    int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) override;
    bool RemovesItems() const override { return false; }
};

class CSetTime : public CFileOperation {
public:
    int copyFromOtherSide = 1;
    FILETIME time = 0;  // UTC, when not copied from the other side

    explicit CSetTime(uint32_t mask) : CFileOperation(0, mask) {}
    std::string GetTitle() const override { return "Setting Date/Time"; }
    std::string GetVerb() const override { return "Set Date/Time"; }
    std::string GetDetailText() const override;
    OperationDirection GetDirection() const override;
    std::string GetDialogTitle() const override { return GetVerb(); }
    int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) override;
    bool RemovesItems() const override { return false; }
};

class CSetAttributes : public CFileOperation {
public:
    uint32_t clearMask = 0;
    uint32_t setMask = 0;

    explicit CSetAttributes(uint32_t mask) : CFileOperation(0, mask) {}
    std::string GetTitle() const override { return "Setting Attributes"; }
    std::string GetVerb() const override { return "Set Attributes"; }
    std::string GetDetailText() const override;
    OperationDirection GetDirection() const override;
    std::string GetDialogTitle() const override { return GetVerb(); }
    int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) override;
    bool RemovesItems() const override { return false; }
};

class CRename : public CFileOperation {
public:
    std::string newName;

    CRename(uint32_t mask, std::string name) : CFileOperation(0, mask), newName(std::move(name)) {}
    std::string GetTitle() const override { return "Renaming"; }
    std::string GetVerb() const override { return "Rename"; }
    std::string GetDetailText() const override;
    OperationDirection GetDirection() const override;
    std::string GetDialogTitle() const override { return GetVerb(); }
    int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) override;
    // A renamed side may pair anew: the items of its folder are rebuilt, so
    // no other selected item would stay valid.
    bool RemovesItems() const override { return true; }
    bool OneItemOnly() const override { return true; }
};

class CCompareContents : public CFileOperation {
public:
    uint32_t method;  // METHOD_CRC, METHOD_BINARY or METHOD_TEXT

    explicit CCompareContents(uint32_t contentMethod) : CFileOperation(0, SIDE_BOTH), method(contentMethod) {}
    std::string GetTitle() const override { return "Comparing Contents"; }
    std::string GetVerb() const override { return "Compare Contents"; }
    std::string GetDetailText() const override { return "Comparing Contents"; }
    OperationDirection GetDirection() const override { return OperationDirection::Both; }
    std::string GetDialogTitle() const override { return GetVerb(); }
    int Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) override;
    bool RemovesItems() const override { return false; }
};

// "%d File(s), %d Folder(s)": the selected items that have the side.
std::string SelectionCountText(const std::vector<CFolderCompareItem*>& selection, int side);

// What the progress dialog shows while the runner works.
class CFileProcessSink {
public:
    virtual ~CFileProcessSink() = default;
    // The progress runs from 0 to count.
    virtual void Started(int /*count*/) {}
    virtual void ItemStarting(int /*index*/, const std::string& /*name*/, const std::string& /*detail*/) {}
    // result 0, or -1 with the reason.
    virtual void ItemDone(int /*index*/, const std::string& /*name*/, int /*result*/,
                          const std::string& /*error*/) {}
    virtual void Finished(bool /*cancelled*/) {}
};

// Applies a command to each selected item in selection order, on a worker
// thread of normal priority ("Processing..." with Cancel); the cancel flag is
// tested before each item. Items below another selected item are left to it
// when the command may delete items, so that none is used after it is gone.
class CFileProcessDlg {
public:
    CFileProcessDlg(CFileOperation& command, std::vector<CFolderCompareItem*> selection,
                    const FOLDERCOMPARESETTINGS& settings, CFileProcessSink* sink = nullptr);
    ~CFileProcessDlg();
    CFileProcessDlg(const CFileProcessDlg&) = delete;
    CFileProcessDlg& operator=(const CFileProcessDlg&) = delete;

    // Starts the worker.
    void Start();
    // Waits for the worker; the number of items that failed.
    int Wait();
    // Runs on the calling thread; the number of items that failed.
    int Run();
    // Asks the worker to stop before the next item.
    void Cancel() { m_cancel = true; }
    bool IsCancelled() const { return m_cancel; }
    // The items the command runs on (after leaving out those below another).
    const std::vector<CFolderCompareItem*>& Items() const { return m_items; }

private:
    CFileOperation& m_command;
    std::vector<CFolderCompareItem*> m_items;
    const FOLDERCOMPARESETTINGS& m_settings;
    CFileProcessSink* m_sink;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    int m_failures = 0;
};

}  // namespace corvatine
