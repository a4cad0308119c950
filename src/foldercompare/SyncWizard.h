// Synchronisation of the two sides of a folder comparison by one of five
// rules: the type page chooses the rule, the prepare page collects what to do
// (two lists of entries with check boxes and a summary), the process page
// does it with a log. The window shows these pages; the command line prints
// them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "foldercompare/FolderCompareContext.h"
#include "foldercompare/FolderCompareItem.h"
#include "platform/Progress.h"

namespace corvatine {

enum SyncType : int {
    SYNC_UPDATE_RIGHT = 0,
    SYNC_UPDATE_LEFT = 1,
    SYNC_BIDIRECTIONAL = 2,
    SYNC_MIRROR_RIGHT = 3,
    SYNC_MIRROR_LEFT = 4,
};
inline constexpr int kSyncTypeCount = 5;

struct SYNCTYPETEXT {
    const char* button;
    const char* description;
    const char* word;  // the command line's name of the type
};
extern const SYNCTYPETEXT kSyncTypes[kSyncTypeCount];

// The type of a command-line word ("mirror-right") or number ("3"); -1 for
// neither.
int FindSyncType(const std::string& word);

// Why the folders of a comparison must not be synchronised by the type: a
// side missing or unreadable, both sides one folder, one inside the other
// (what one side gets would be taken from the other), or a mirror of a
// folder that holds no files onto one that holds anything (far more often a
// wrong or unmounted folder than a wish). Empty when they may; the text
// starts in lower case.
std::string SyncRefusal(const CFolderCompareContext& context, uint32_t rootStatus, int type);
// The part of the refusal that needs no type: a side is an archive, or
// archives are read as folders. Empty when neither.
std::string ArchiveSyncRefusal(const CFolderCompareContext& context);

// Why no file operation may change the trees of a comparison whose folders
// are one inside the other (what is done on one side also changes the
// other); empty when none is. what names the refused work ("cannot
// synchronize").
std::string NestedRootsRefusal(const CFolderCompareContext& context, const std::string& what);

// What an entry of the prepare lists does.
enum SyncAction : int {
    SYNC_COPY_LEFT_TO_RIGHT = 0,
    SYNC_COPY_RIGHT_TO_LEFT = 1,
    SYNC_DELETE_LEFT = 2,
    SYNC_DELETE_RIGHT = 3,
    // Known to the log; the prepare page makes none of them.
    SYNC_DELETE_BOTH = 4,
    SYNC_MOVE_LEFT_TO_RIGHT = 5,
    SYNC_MOVE_RIGHT_TO_LEFT = 6,
    // A temporary copy that an interrupted run left behind.
    SYNC_REMOVE_LEFTOVER_LEFT = 7,
    SYNC_REMOVE_LEFTOVER_RIGHT = 8,
};

// "%s - Copying from left to right" ... and the status line's "Copying from
// left to right" ...
const char* SyncActionText(int action);

struct SYNCENTRY {
    CFolderCompareItem* item = nullptr;
    int action = SYNC_COPY_LEFT_TO_RIGHT;
    std::string path;  // below the compared roots, '/'-separated
    bool checked = true;
    bool isFolder = false;  // a folder (not a link to one): counted as a folder
    // A copy that puts its entry where the target side has one of another
    // kind (a folder where a file or link goes, or the reverse): the item
    // holding that entry (this item, or its twin of the same name). The copy
    // is made first; the entry in the way goes only when it succeeded.
    CFolderCompareItem* replaces = nullptr;
    // A delete of an entry in the way of such a copy (the copy's item): done
    // by that copy, or kept when it failed.
    const CFolderCompareItem* replacedBy = nullptr;
};

// How many entries of a list, files (links included) and folders apart.
struct SYNCCOUNT {
    int files = 0;
    int folders = 0;

    int Entries() const { return files + folders; }
    // "3 file(s)", "3 file(s) and 1 folder(s)".
    std::string Text() const;
};

// Something below which nothing is synchronised: it could not be compared.
struct SYNCSKIPPED {
    std::string path;
    std::string reason;
};

class CSyncTypePage {
public:
    static constexpr const char* kTitle = "Synchronize Folders";
    static constexpr const char* kHeading = "Select Type of Synchronization";
    int type = SYNC_UPDATE_RIGHT;
};

class CSyncPreparePage {
public:
    static constexpr const char* kHeading = "Prepare for Synchronization";
    static constexpr const char* kNoConfirmationText = "&No confirmation";
    static constexpr const char* kUseRecycleBinText = "Move deleted items to the &Trash where possible";
    static constexpr const char* kLeftoversLabel = "Remove leftover temporary copies";

    // The left list acts on the left side (copy left to right, or delete on
    // the left), the right list on the right.
    std::vector<SYNCENTRY> lists[2];
    std::vector<SYNCSKIPPED> skipped;
    // Temporary copies of interrupted runs on the sides the type writes to;
    // the run removes them before anything else.
    std::vector<SYNCENTRY> leftovers;
    bool noConfirmation = false;
    bool useRecycleBin = false;

    // Collects the entries of the type, walking the tree depth first (a
    // folder's rows before the folder, then its following siblings); the
    // progress advances per item and may stop it (false). Every file item
    // that differs goes into a list by the type and the time order. A
    // symbolic link is an entry of its own, never followed: copied as a
    // link when its text differs, deleted as a link. A mirror also deletes
    // the target's one-sided folders that hold nothing but what it deletes,
    // so that the target ends equal to the source, and replaces an entry of
    // another kind on the target by the source's (an update replaces none:
    // such a name is skipped).
    bool Prepare(CFolderCompareItem& root, int type, int tolerance,
                 platform::CProgressSink* progress = nullptr);
    // "Copy to Right: %d Files" (", %d Folders" when the list has folders)
    // ...: one line per list the type uses, all entries counted.
    std::vector<std::string> SummaryLines() const;
    // The label of a list for the type ("Copy to Right"); empty when the
    // type does not use it.
    std::string ListLabel(int list) const;
    // The checked entries that delete something, files and folders apart:
    // what the confirmation and the command line's limit count.
    SYNCCOUNT DeleteCount() const;
    // The question before the run: "Synchronize the folders as listed?",
    // after "N file(s) and M folder(s) will be deleted." (or moved to the
    // Trash) when the run deletes anything.
    std::string ConfirmationText() const;
    int CheckedCount() const;
    int Type() const { return m_type; }

private:
    int Collect(CFolderCompareItem& item, platform::CProgressSink* progress, int& position, bool& stopped);
    SYNCENTRY& Add(int list, CFolderCompareItem& item, int action);
    void CollectLink(CFolderCompareItem& child);
    bool CollectTwins(CFolderCompareItem& folder, CFolderCompareItem& child, CFolderCompareItem& twin,
                      platform::CProgressSink* progress, int& position, bool& stopped, int& rows);
    int CollectSourceBelow(CFolderCompareItem& item, int source);
    bool AddTargetSubtree(CFolderCompareItem& item, int target, const CFolderCompareItem* replacedBy);
    void Skip(const CFolderCompareItem& item, const std::string& reason);
    bool Leftover(CFolderCompareItem& child);
    int SourceSide() const;

    int m_type = SYNC_UPDATE_RIGHT;
    int m_tolerance = 2;
};

// What the process page shows as it works.
class CSyncLog {
public:
    virtual ~CSyncLog() = default;
    virtual void Started(int /*count*/) {}
    // A line of the log ("dir/a.txt - Copying from left to right", "OK",
    // "ERROR!"): names with their control characters escaped.
    virtual void AddLine(const std::string& line) = 0;
    // The current action ("Copying from left to right").
    virtual void SetStatus(const std::string& /*text*/) {}
    virtual void SetPosition(int /*position*/) {}
    // Why an entry failed.
    virtual void Failed(const SYNCENTRY& /*entry*/, const std::string& /*reason*/) {}
    // Why the run as a whole failed at its end (the changed folders could
    // not be synced to disk).
    virtual void RunFailed(const std::string& /*reason*/) {}
};

class CSyncProcessPage {
public:
    static constexpr const char* kHeading = "Synchronizing...";
    static constexpr const char* kFinished = "Finished!";
    static constexpr const char* kAborted = "Aborted!";
    static constexpr const char* kCloseButton = "Close";

    // Removes the leftovers, then does the checked entries: the copies of
    // both lists (the left list first), then the deletes, so that nothing is
    // deleted whose copy failed: a delete of the same path as a failed copy,
    // or of one above or below it, is kept and fails. Each entry changed
    // since the comparison is left as it is and fails. The cancel flag is
    // tested before each entry and between the chunks of a long copy. At the
    // end the folders changed are synced to disk. Returns the number of
    // entries that failed; Status() is "Finished!" or "Aborted!".
    int Run(CSyncPreparePage& prepare, const FOLDERCOMPARESETTINGS& settings, const std::atomic<bool>& cancel,
            CSyncLog& log);
    const std::string& Status() const { return m_status; }
    bool WasAborted() const { return m_aborted; }
    // The shell flags of the run: silent, and the options of the prepare page.
    static uint32_t ShellFlags(const CSyncPreparePage& prepare);

private:
    struct RUNSTATE;
    int DoEntry(SYNCENTRY& entry, FILEOPCONTEXT& context, RUNSTATE& state);

    std::string m_status;
    bool m_aborted = false;
};

class CSyncWizard {
public:
    CSyncTypePage typePage;
    CSyncPreparePage preparePage;
    CSyncProcessPage processPage;

    explicit CSyncWizard(int type) { typePage.type = type; }
    const char* Title() const { return CSyncTypePage::kTitle; }
};

}  // namespace corvatine
