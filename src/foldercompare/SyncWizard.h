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
// side missing or unreadable, both sides one folder, or a mirror of an empty
// folder onto one that is not (far more often a wrong or unmounted folder
// than a wish). Empty when they may; the text starts in lower case.
std::string SyncRefusal(const CFolderCompareContext& context, uint32_t rootStatus, int type);

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
};

// "%s - Copying from left to right" ... and the status line's "Copying from
// left to right" ...
const char* SyncActionText(int action);

struct SYNCENTRY {
    CFolderCompareItem* item = nullptr;
    int action = SYNC_COPY_LEFT_TO_RIGHT;
    std::string path;  // below the compared roots, '/'-separated
    bool checked = true;
    bool isFolder = false;
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
    static constexpr const char* kUseRecycleBinText = "&Use recycle bin if possible";

    // The left list acts on the left side (copy left to right, or delete on
    // the left), the right list on the right.
    std::vector<SYNCENTRY> lists[2];
    std::vector<SYNCSKIPPED> skipped;
    bool noConfirmation = false;
    bool useRecycleBin = false;

    // Collects the entries of the type, walking the tree depth first (a
    // folder's rows before the folder, then its following siblings); the
    // progress advances per item and may stop it (false). Every file item
    // that differs goes into a list by the type and the time order. A
    // mirror also deletes the target's one-sided folders that hold nothing
    // but what it deletes, so that the target ends equal to the source.
    bool Prepare(CFolderCompareItem& root, int type, int tolerance,
                 platform::CProgressSink* progress = nullptr);
    // "Copy to Right: %d Files" ...: one line per list the type uses.
    std::vector<std::string> SummaryLines() const;
    // The label of a list for the type ("Copy to Right"); empty when the
    // type does not use it.
    std::string ListLabel(int list) const;
    // The checked entries that delete files.
    int DeleteCount() const;
    int CheckedCount() const;
    int Type() const { return m_type; }

private:
    int Collect(CFolderCompareItem& item, platform::CProgressSink* progress, int& position, bool& stopped);
    void Add(int list, CFolderCompareItem& item, int action);

    int m_type = SYNC_UPDATE_RIGHT;
    int m_tolerance = 2;
};

// What the process page shows as it works.
class CSyncLog {
public:
    virtual ~CSyncLog() = default;
    virtual void Started(int /*count*/) {}
    // A line of the log ("dir/a.txt - Copying from left to right", "OK",
    // "ERROR!").
    virtual void AddLine(const std::string& line) = 0;
    // The current action ("Copying from left to right").
    virtual void SetStatus(const std::string& /*text*/) {}
    virtual void SetPosition(int /*position*/) {}
    // Why an entry failed.
    virtual void Failed(const SYNCENTRY& /*entry*/, const std::string& /*reason*/) {}
};

class CSyncProcessPage {
public:
    static constexpr const char* kHeading = "Synchronizing...";
    static constexpr const char* kFinished = "Finished!";
    static constexpr const char* kAborted = "Aborted!";
    static constexpr const char* kCloseButton = "Close";

    // Does the checked entries, the left list first: copy with contents from
    // a side, or delete a side. The cancel flag is tested before each entry.
    // Returns the number of entries that failed; Status() is "Finished!" or
    // "Aborted!".
    int Run(CSyncPreparePage& prepare, const FOLDERCOMPARESETTINGS& settings, const std::atomic<bool>& cancel,
            CSyncLog& log);
    const std::string& Status() const { return m_status; }
    bool WasAborted() const { return m_aborted; }
    // The shell flags of the run: silent, and the options of the prepare page.
    static uint32_t ShellFlags(const CSyncPreparePage& prepare);

private:
    int DoEntry(SYNCENTRY& entry, FILEOPCONTEXT& context);

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
