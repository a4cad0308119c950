#include "foldercompare/SyncWizard.h"

#include <cstdio>
#include <unordered_set>

#include "platform/FileOperations.h"

namespace corvatine {

const SYNCTYPETEXT kSyncTypes[kSyncTypeCount] = {
    {"&Update Target on Right",
     "Copy newer and orphan files/folders from left to right.\nOrphans on right will not be deleted. Newer "
     "files on right will not be replaced.",
     "update-right"},
    {"U&pdate Target on Left",
     "Copy newer and orphan files/folders from right to left.\nOrphans on left will not be deleted. Newer "
     "files "
     "on left will not be replaced.",
     "update-left"},
    {"&Bidirectional Update", "Replace older files with newer ones and copy orphan files/folders both ways.",
     "bidirectional"},
    {"&Mirror Left to Right",
     "Replace all different files on right, delete any orphans on right, copy any orphans on left.",
     "mirror-right"},
    {"M&irror Right to Left",
     "Replace all different files on left, delete any orphans on left, copy any orphans on right.",
     "mirror-left"},
};

int FindSyncType(const std::string& word) {
    for (int type = 0; type < kSyncTypeCount; ++type)
        if (word == kSyncTypes[type].word || word == std::to_string(type)) return type;
    return -1;
}

const char* SyncActionText(int action) {
    switch (action) {
        case SYNC_COPY_LEFT_TO_RIGHT: return "Copying from left to right";
        case SYNC_COPY_RIGHT_TO_LEFT: return "Copying from right to left";
        case SYNC_DELETE_LEFT: return "Deleting left";
        case SYNC_DELETE_RIGHT: return "Deleting right";
        case SYNC_DELETE_BOTH: return "Deleting both left and right";
        case SYNC_MOVE_LEFT_TO_RIGHT: return "Moving from left to right";
        case SYNC_MOVE_RIGHT_TO_LEFT: return "Moving from right to left";
        default: return "";
    }
}

std::string SyncRefusal(const CFolderCompareContext& context, uint32_t rootStatus, int type) {
    const bool sources[2] = {type != SYNC_UPDATE_LEFT && type != SYNC_MIRROR_LEFT,
                             type != SYNC_UPDATE_RIGHT && type != SYNC_MIRROR_RIGHT};
    for (int side = 0; side < 2; ++side) {
        const std::string& path = context.paths[side];
        if (!context.roots[side])
            return "cannot synchronize: '" + path + "' does not exist" +
                   (sources[side] ? "" : " (create the folder first)") + "; nothing was changed";
        if (context.roots[side]->readError != 0)
            return "cannot synchronize: cannot read '" + path +
                   "': " + ReadErrorText(context.roots[side]->readError) + "; nothing was changed";
    }
    if (rootStatus == STATUS_SAME_PATH)
        return "cannot synchronize: '" + context.paths[0] + "' and '" + context.paths[1] +
               "' are the same folder";
    if (type == SYNC_MIRROR_RIGHT || type == SYNC_MIRROR_LEFT) {
        const int source = type == SYNC_MIRROR_RIGHT ? 0 : 1;
        if (context.roots[source]->GetChildCount() == 0 && context.roots[1 - source]->GetChildCount() > 0)
            return "cannot mirror: '" + context.paths[source] + "' is empty and '" +
                   context.paths[1 - source] + "' is not; nothing was changed";
    }
    return {};
}

namespace {

int CountRows(const CFolderCompareItem& item) {
    int count = 0;
    for (int i = 0; i < item.GetChildCount(); ++i) count += 1 + CountRows(*item.Child(i));
    return count;
}

// The reason a row could not be compared, for the log.
std::string SkipReason(const CFolderCompareItem& item) {
    std::string reason;
    for (int side = 0; side < 2; ++side) {
        const CFolderItem* entry = item.Side(side);
        if (entry == nullptr || entry->readError == 0) continue;
        if (!reason.empty()) reason += "; ";
        reason += std::string(side == 0 ? "left side: " : "right side: ") + ReadErrorText(entry->readError);
    }
    return reason.empty() ? std::string("could not be compared") : reason;
}

}  // namespace

bool CSyncPreparePage::Prepare(CFolderCompareItem& root, int type, int tolerance,
                               platform::CProgressSink* progress) {
    m_type = type;
    m_tolerance = tolerance;
    lists[0].clear();
    lists[1].clear();
    skipped.clear();
    if (progress != nullptr) progress->Start(0, CountRows(root), kHeading);
    int position = 0;
    bool stopped = false;
    Collect(root, progress, position, stopped);
    if (progress != nullptr) progress->Close();
    return !stopped;
}

void CSyncPreparePage::Add(int list, CFolderCompareItem& item, int action) {
    SYNCENTRY entry;
    entry.item = &item;
    entry.action = action;
    entry.path = item.RelativePath();
    entry.isFolder = item.IsFolderPair();
    lists[list].push_back(std::move(entry));
}

// Collects below item and returns the rows it walked there; whether every
// row below a one-sided folder went into the list to be deleted decides if
// the folder may be deleted whole.
int CSyncPreparePage::Collect(CFolderCompareItem& item, platform::CProgressSink* progress, int& position,
                              bool& stopped) {
    int rows = 0;
    const bool mirror = m_type == SYNC_MIRROR_RIGHT || m_type == SYNC_MIRROR_LEFT;
    const int deleteSide = m_type == SYNC_MIRROR_RIGHT ? 1 : 0;
    for (int i = 0; i < item.GetChildCount() && !stopped; ++i) {
        CFolderCompareItem& child = *item.Child(i);
        if (progress != nullptr) {
            if (progress->IsCancelled()) {
                stopped = true;
                return rows;
            }
            progress->SetPosition(++position);
        }
        ++rows;
        if (child.IsFilteredOut() || child.IsHidden()) continue;
        if (child.status == STATUS_ERROR) {
            skipped.push_back({child.RelativePath(), SkipReason(child)});
            continue;
        }
        if (child.IsFolderPair()) {
            const size_t before = lists[deleteSide].size();
            const int below = Collect(child, progress, position, stopped);
            rows += below;
            if (!mirror || stopped || child.Side(deleteSide) == nullptr ||
                child.Side(1 - deleteSide) != nullptr)
                continue;
            // Every row below went into the delete list: the folder goes too.
            const size_t added = lists[deleteSide].size() - before;
            if (added == static_cast<size_t>(below))
                Add(deleteSide, child, deleteSide == 1 ? SYNC_DELETE_RIGHT : SYNC_DELETE_LEFT);
            continue;
        }
        if (child.status != STATUS_DIFFERENT) continue;
        const int order = child.HasBothSides() ? child.GetTimeOrder(m_tolerance) : 0;
        const bool pair = child.HasBothSides();
        switch (m_type) {
            case SYNC_UPDATE_RIGHT:
                if ((pair && order > 0) || child.IsLeftOnly()) Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
                break;
            case SYNC_UPDATE_LEFT:
                if ((pair && order < 0) || child.IsRightOnly()) Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
                break;
            case SYNC_BIDIRECTIONAL:
                if ((pair && order > 0) || child.IsLeftOnly())
                    Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
                else if ((pair && order < 0) || child.IsRightOnly())
                    Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
                break;
            case SYNC_MIRROR_RIGHT:
                if (child.IsRightOnly())
                    Add(1, child, SYNC_DELETE_RIGHT);
                else
                    Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
                break;
            case SYNC_MIRROR_LEFT:
                if (child.IsLeftOnly())
                    Add(0, child, SYNC_DELETE_LEFT);
                else
                    Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
                break;
            default: break;
        }
    }
    return rows;
}

std::string CSyncPreparePage::ListLabel(int list) const {
    switch (m_type) {
        case SYNC_UPDATE_RIGHT: return list == 0 ? "Copy to Right" : "";
        case SYNC_UPDATE_LEFT: return list == 1 ? "Copy to Left" : "";
        case SYNC_BIDIRECTIONAL: return list == 0 ? "Copy to Right" : "Copy to Left";
        case SYNC_MIRROR_RIGHT: return list == 0 ? "Copy to Right" : "Delete on Right";
        case SYNC_MIRROR_LEFT: return list == 0 ? "Delete on Left" : "Copy to Left";
        default: return "";
    }
}

std::vector<std::string> CSyncPreparePage::SummaryLines() const {
    std::vector<std::string> lines;
    for (int list = 0; list < 2; ++list) {
        const std::string label = ListLabel(list);
        if (label.empty()) continue;
        char text[96];
        std::snprintf(text, sizeof text, "%s: %d Files", label.c_str(), static_cast<int>(lists[list].size()));
        lines.push_back(text);
    }
    return lines;
}

int CSyncPreparePage::DeleteCount() const {
    int count = 0;
    for (const auto& list : lists)
        for (const SYNCENTRY& entry : list)
            if (entry.checked && !entry.isFolder &&
                (entry.action == SYNC_DELETE_LEFT || entry.action == SYNC_DELETE_RIGHT))
                ++count;
    return count;
}

int CSyncPreparePage::CheckedCount() const {
    int count = 0;
    for (const auto& list : lists)
        for (const SYNCENTRY& entry : list) count += entry.checked ? 1 : 0;
    return count;
}

uint32_t CSyncProcessPage::ShellFlags(const CSyncPreparePage& prepare) {
    uint32_t flags = platform::FOF_SILENT;
    if (prepare.useRecycleBin) flags |= platform::FOF_ALLOWUNDO;
    if (prepare.noConfirmation) flags |= platform::FOF_NOCONFIRMATION;
    return flags;
}

int CSyncProcessPage::Run(CSyncPreparePage& prepare, const FOLDERCOMPARESETTINGS& settings,
                          const std::atomic<bool>& cancel, CSyncLog& log) {
    m_aborted = false;
    log.Started(prepare.CheckedCount());
    int failures = 0;
    int position = 0;
    // The folders are rolled up once at the end, not after every entry.
    std::unordered_set<CFolderCompareItem*> batch;
    for (auto& list : prepare.lists) {
        for (SYNCENTRY& entry : list) {
            if (!entry.checked) continue;
            if (cancel) {
                m_aborted = true;
                break;
            }
            log.SetStatus(SyncActionText(entry.action));
            log.AddLine(entry.path + " - " + SyncActionText(entry.action));
            FILEOPCONTEXT context;
            context.settings = &settings;
            context.shellFlags = ShellFlags(prepare);
            context.batch = &batch;
            const int result = DoEntry(entry, context);
            log.AddLine(result == 0 ? "OK" : "ERROR!");
            if (result != 0) {
                ++failures;
                log.Failed(entry, context.error);
            }
            log.SetPosition(++position);
        }
        if (m_aborted) break;
    }
    FinishBatch(batch);
    m_status = m_aborted ? kAborted : kFinished;
    return failures;
}

int CSyncProcessPage::DoEntry(SYNCENTRY& entry, FILEOPCONTEXT& context) {
    CFolderCompareItem& item = *entry.item;
    switch (entry.action) {
        case SYNC_COPY_LEFT_TO_RIGHT: return item.CopySide(0, false, context);
        case SYNC_COPY_RIGHT_TO_LEFT: return item.CopySide(1, false, context);
        case SYNC_MOVE_LEFT_TO_RIGHT: return item.MoveSide(0, context);
        case SYNC_MOVE_RIGHT_TO_LEFT: return item.MoveSide(1, context);
        case SYNC_DELETE_BOTH: return item.DeleteSides(3u, context);
        default: break;
    }
    const int side = entry.action == SYNC_DELETE_LEFT ? 0 : 1;
    if (entry.isFolder) {
        // A one-sided folder goes only when what was in it is gone: whatever
        // failed to go, or came since the scan, keeps it.
        auto* folder = static_cast<CFolder*>(item.Side(side));
        if (folder == nullptr) {
            context.error = "'" + entry.path + "' is gone";
            return -1;
        }
        bool holdsItems = false;  // items deleted in this run have no side left
        for (int i = 0; i < item.GetChildCount() && !holdsItems; ++i)
            holdsItems = item.Child(i)->left != nullptr || item.Child(i)->right != nullptr;
        if (!holdsItems && !folder->Scan(false)) {
            context.error =
                "cannot read '" + folder->GetFullPath() + "': " + ReadErrorText(folder->readError);
            return -1;
        }
        if (holdsItems || folder->GetChildCount() > 0) {
            context.error =
                "'" + folder->GetFullPath() + "' is not empty: it holds entries that were not deleted";
            return -1;
        }
    }
    return item.DeleteSides(side == 0 ? 1u : 2u, context);
}

}  // namespace corvatine
