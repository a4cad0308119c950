#include "foldercompare/FileOperation.h"

#include <cstdio>
#include <set>

#include "foldercompare/ArchiveEntries.h"

namespace corvatine {

namespace {

const char* MaskName(uint32_t mask) {
    return mask == SIDE_LEFT ? "Left" : mask == SIDE_RIGHT ? "Right" : "Both";
}

OperationDirection MaskDirection(uint32_t mask) {
    return mask == SIDE_LEFT    ? OperationDirection::Left
           : mask == SIDE_RIGHT ? OperationDirection::Right
                                : OperationDirection::Both;
}

}  // namespace

std::string CFileOperation::GetTitle() const {
    return kind == FILEOP_MOVE ? "Moving" : kind == FILEOP_COPY ? "Copying" : "Deleting";
}

std::string CFileOperation::GetVerb() const {
    return kind == FILEOP_MOVE ? "Move" : kind == FILEOP_COPY ? "Copy" : "Delete";
}

std::string CFileOperation::GetDetailText() const {
    if (kind == FILEOP_DELETE) return std::string("Deleting ") + MaskName(sides);
    const std::string direction = sides == 0 ? "from Left to Right" : "from Right to Left";
    return (kind == FILEOP_MOVE ? "Moving " : "Copying ") + direction;
}

OperationDirection CFileOperation::GetDirection() const {
    if (kind == FILEOP_DELETE) return MaskDirection(sides);
    return sides == 0 ? OperationDirection::LeftToRight : OperationDirection::RightToLeft;
}

std::string CFileOperation::GetDialogTitle() const {
    return kind == FILEOP_MOVE   ? kMoveDialogTitle
           : kind == FILEOP_COPY ? kCopyDialogTitle
                                 : kDeleteDialogTitle;
}

int CFileOperation::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.shellFlags = shellFlags;
    context.listener = window;
    switch (kind) {
        case FILEOP_MOVE: return item.MoveSide(static_cast<int>(sides), context);
        case FILEOP_COPY: return item.CopySide(static_cast<int>(sides), emptyFolderOnly, context);
        case FILEOP_DELETE: return item.DeleteSides(sides, context);
        default: context.error = "unknown file operation"; return -1;
    }
}

OperationDirection CCopyToFolder::GetDirection() const {
    return sides == 0 ? OperationDirection::Left : OperationDirection::Right;
}

int CCopyToFolder::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.itemRemoved = false;
    const CFolderItem* entry = item.Side(static_cast<int>(sides));
    if (entry == nullptr) {
        context.error =
            "'" + item.GetName() + "': nothing on the " + (sides == 0 ? "left" : "right") + " side";
        return -1;
    }
    if (LiesInArchive(*entry)) {
        context.error = ArchiveReadOnlyMessage(entry->GetFullPath());
        return -1;
    }
    return entry->CopyToFolder({targetFolder, std::string()}, shellFlags, emptyFolderOnly, nullptr,
                               context.error);
}

std::string CNewFolder::GetDetailText() const { return "Creating " + name + " in " + MaskName(sides); }

OperationDirection CNewFolder::GetDirection() const { return MaskDirection(sides); }

int CNewFolder::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.listener = window;
    return item.CreateFolder(sides, name, context);
}

std::string CSetTime::GetDetailText() const { return std::string("Setting to ") + MaskName(sides); }

OperationDirection CSetTime::GetDirection() const { return MaskDirection(sides); }

int CSetTime::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.listener = window;
    for (int side = 0; side < 2; ++side) {
        if (!(sides & (side == 0 ? SIDE_LEFT : SIDE_RIGHT))) continue;
        if (item.SetTime(side, copyFromOtherSide != 0, time, context) != 0) return -1;
    }
    return 0;
}

std::string CSetAttributes::GetDetailText() const { return std::string("Setting to ") + MaskName(sides); }

OperationDirection CSetAttributes::GetDirection() const { return MaskDirection(sides); }

int CSetAttributes::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.listener = window;
    return item.SetAttributes(sides, clearMask, setMask, context);
}

std::string CRename::GetDetailText() const { return std::string("Renaming ") + MaskName(sides); }

OperationDirection CRename::GetDirection() const { return MaskDirection(sides); }

int CRename::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.listener = window;
    return item.RenameSides(sides, newName, context);
}

int CCompareContents::Apply(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    context.listener = window;
    return item.RecompareContents(method, context);
}

std::string SelectionCountText(const std::vector<CFolderCompareItem*>& selection, int side) {
    int files = 0, folders = 0;
    for (const CFolderCompareItem* item : selection) {
        const CFolderItem* entry = item->Side(side);
        if (entry == nullptr) continue;
        if (entry->IsFolder())
            ++folders;
        else
            ++files;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d File(s), %d Folder(s)", files, folders);
    return text;
}

CFileProcessDlg::CFileProcessDlg(CFileOperation& command, std::vector<CFolderCompareItem*> selection,
                                 const FOLDERCOMPARESETTINGS& settings, CFileProcessSink* sink)
    : m_command(command), m_settings(settings), m_sink(sink) {
    if (command.OneItemOnly() && selection.size() > 1)
        selection.erase(selection.begin() + 1, selection.end());
    if (command.RemovesItems()) {
        // An item below another selected one goes with it.
        const std::set<const CFolderCompareItem*> chosen(selection.begin(), selection.end());
        for (CFolderCompareItem* item : selection) {
            bool below = false;
            for (const CFolderCompareItem* up = item->parent; up != nullptr && !below; up = up->parent)
                below = chosen.count(up) != 0;
            if (!below) m_items.push_back(item);
        }
    } else {
        m_items = std::move(selection);
    }
}

CFileProcessDlg::~CFileProcessDlg() {
    if (m_worker.joinable()) {
        Cancel();
        m_worker.join();
    }
}

void CFileProcessDlg::Start() {
    m_worker = std::thread([this] { Run(); });
}

int CFileProcessDlg::Wait() {
    if (m_worker.joinable()) m_worker.join();
    return m_failures;
}

int CFileProcessDlg::Run() {
    m_failures = 0;
    const int count = static_cast<int>(m_items.size());
    if (m_sink != nullptr) m_sink->Started(count);
    const std::string detail = m_command.GetDetailText();
    bool cancelled = false;
    // The folders changed are synced to disk once each, at the end.
    platform::CTouchedFolders touched;
    for (int i = 0; i < count; ++i) {
        if (m_cancel) {
            cancelled = true;
            break;
        }
        CFolderCompareItem* item = m_items[static_cast<size_t>(i)];
        const std::string name = item->RelativePath();
        if (m_sink != nullptr) m_sink->ItemStarting(i, name, detail);
        FILEOPCONTEXT context;
        context.settings = &m_settings;
        context.touched = &touched;
        context.cancel = &m_cancel;
        const int result = m_command.Apply(*item, context);
        if (result != 0 && m_cancel) {
            // Stopped by Cancel in the middle of the item (a copy's temporary
            // goes): cancelled, not failed.
            cancelled = true;
            break;
        }
        if (result != 0) ++m_failures;
        if (m_sink != nullptr) m_sink->ItemDone(i, name, result, result != 0 ? context.error : std::string());
    }
    if (std::string error; !touched.Sync(error)) {
        ++m_failures;
        if (m_sink != nullptr) m_sink->ItemDone(count, std::string(), -1, error);
    }
    if (m_sink != nullptr) m_sink->Finished(cancelled);
    return m_failures;
}

}  // namespace corvatine
