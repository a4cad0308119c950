#include "binarycompare/BinaryCompareDoc.h"

#include <mutex>

#include "binarycompare/BinaryComparer.h"
#include "fileio/Archive.h"
#include "fileio/ContentType.h"
#include "platform/FileAttributes.h"
#include "platform/FileFind.h"
#include "platform/Path.h"

namespace corvatine {

bool CBinaryCompareObject::Edit(char operation, int64_t position, int64_t length, const uint8_t* data,
                                int typingCount, CHexEditView* view) {
    std::lock_guard<std::mutex> lock(m_context.Compare().editLock);
    return CBinaryCompareSide::Edit(operation, position, length, data, typingCount, view);
}

int CBinaryCompareObject::Undo(CHexEditView* view, int index, int flag) {
    std::lock_guard<std::mutex> lock(m_context.Compare().editLock);
    return CBinaryCompareSide::Undo(view, index, flag);
}

int CBinaryCompareObject::Redo(CHexEditView* view) {
    std::lock_guard<std::mutex> lock(m_context.Compare().editLock);
    return CBinaryCompareSide::Redo(view);
}

bool CBinaryCompareObjectEx::Edit(char operation, int64_t position, int64_t length, const uint8_t* data,
                                  int typingCount, CHexEditView* view) {
    if (!CBinaryCompareObject::Edit(operation, position, length, data, typingCount, view)) return false;
    m_doc.OnSideEdited();
    return true;
}

int CBinaryCompareObjectEx::AddRecord(char operation, int64_t position, int64_t length, const uint8_t* data) {
    const int index = CBinaryCompareObject::AddRecord(operation, position, length, data);
    if (simpleUndo) m_doc.RecordAdded(m_side);
    return index;
}

int CBinaryCompareObjectEx::RemoveLastRecord() {
    const int result = CBinaryCompareObject::RemoveLastRecord();
    if (simpleUndo) m_doc.RecordRemoved();
    return result;
}

CBinaryCompareDoc::CBinaryCompareDoc(platform::CMessages& messages, CBinaryComparer& settings, bool fileWatch,
                                     WorkerPriority priority)
    : m_messages(messages),
      m_settings(settings),
      m_autoRecompare(settings.autoRecompare != 0),
      m_watches(fileWatch),
      m_thread(m_context, platform::UserInterfaceQueue(), priority) {
    for (int side = 0; side < 2; ++side) {
        m_sides[side] = std::make_unique<CBinaryCompareObjectEx>(messages, m_context, *this, side);
        m_sides[side]->AddView(&m_views[side]);
    }
    m_context.SetSides(m_sides[0].get(), m_sides[1].get());
    m_watches.onChanged = [this](const std::string& path) {
        if (onFileChanged) {
            onFileChanged(path);
        } else if (m_messages.AskYesNo(path + " is changed, reload it?") == platform::ANSWER_YES) {
            Reload();
        }
    };
}

CBinaryCompareDoc::~CBinaryCompareDoc() {
    m_thread.Stop();
    m_watches.UnwatchAll();
    platform::UserInterfaceQueue().Discard(this);
}

bool CBinaryCompareDoc::LoadSides(const CBinaryCompareParams& params) {
    // No pass may read the buffers while they are reopened.
    m_thread.Stop();
    m_params.CopyFrom(params);
    m_context.SetParams(&m_params);
    std::unique_lock<std::mutex> lock(m_context.Compare().editLock);
    for (int side = 0; side < 2; ++side) {
        CBinaryCompareObjectEx& buffer = *m_sides[side];
        const std::string& path = m_params.sides[side].path;
        if (!path.empty() && platform::PathExists(path)) {
            if (!buffer.Open(path)) return false;
        } else if (!path.empty() && CArchive::IsInsideArchive(path)) {
            if (!buffer.OpenArchiveEntry(path)) return false;
        } else {
            buffer.Close();
        }
    }
    lock.unlock();
    for (int side = 0; side < 2; ++side) {
        SetSidePath(side, m_params.sides[side].path, true);
        SetSideReadOnly(side, (m_params.sides[side].flags & SIDE_READ_ONLY) != 0);
    }
    StartCompare();
    if (!m_params.sides[0].path.empty() && !m_params.sides[1].path.empty())
        m_settings.AddRecentPair(m_params.sides[0].path, m_params.sides[1].path);
    return true;
}

void CBinaryCompareDoc::StartCompare() {
    m_context.SetState(BINARY_COMPARING);
    UpdateAllViews();
    m_thread.Start(this);
}

void CBinaryCompareDoc::StopCompare() { m_thread.Stop(); }

bool CBinaryCompareDoc::WaitForComparison(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    const int before = m_completed;
    platform::MESSAGE message;
    while (m_completed == before || m_context.GetState() == BINARY_COMPARING) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (platform::UserInterfaceQueue().Get(message, left)) message.Deliver();
    }
    return true;
}

void CBinaryCompareDoc::OnPassEnded() {
    ++m_completed;
    UpdateAllViews();
    if (onPassFinished) onPassFinished();
}

void CBinaryCompareDoc::UpdateAllViews() {
    for (CBinaryCompareView& view : m_views) view.OnUpdate(nullptr, 0, nullptr);
}

bool CBinaryCompareDoc::Reload() {
    const std::string paths[2] = {m_params.sides[0].path, m_params.sides[1].path};
    for (const std::string& path : paths) m_watches.Suspend(path);
    CloseSides();
    CBinaryCompareParams params;
    params.CopyFrom(m_params);
    const bool loaded = LoadSides(params);
    UpdateAllViews();
    for (const std::string& path : paths) m_watches.Resume(path);
    return loaded;
}

void CBinaryCompareDoc::ToggleAutoRecompare() {
    m_autoRecompare = !m_autoRecompare;
    m_settings.autoRecompare = m_autoRecompare ? 1 : 0;
    if (m_autoRecompare) StartCompare();
}

void CBinaryCompareDoc::CloseSides() {
    m_thread.Stop();
    for (auto& side : m_sides) side->Close();
    m_editOrder.clear();
    m_mostRecent = nullptr;
    m_redoOrder.clear();
}

void CBinaryCompareDoc::SetSidePath(int side, const std::string& path, bool remember) {
    const std::string old = m_params.sides[side].path;
    m_watches.Unwatch(old);
    m_params.sides[side].path = path;
    if (remember) m_settings.AddRecentFile(side, path);
    m_watches.Watch(path);
}

void CBinaryCompareDoc::SetSideReadOnly(int side, bool readOnly) {
    if (readOnly)
        m_params.sides[side].flags |= SIDE_READ_ONLY;
    else
        m_params.sides[side].flags &= ~static_cast<uint32_t>(SIDE_READ_ONLY);
    m_sides[side]->SetReadOnly(readOnly);
    m_views[side].readOnly = m_sides[side]->IsReadOnly();
}

bool CBinaryCompareDoc::ReplaceSide(int side, const std::string& path) {
    if (!platform::PathExists(path) || platform::IsFolder(path)) return false;
    m_thread.Stop();
    // Both histories go; the other side keeps what it shows now.
    m_sides[1 - side]->DropHistory();
    m_editOrder.clear();
    m_mostRecent = nullptr;
    m_redoOrder.clear();
    CBinaryCompareObjectEx& buffer = *m_sides[side];
    buffer.compareData.compareFile.Close();
    m_watches.Unwatch(m_params.sides[side].path);
    buffer.Close();
    if (!buffer.Open(path)) return false;
    m_params.sides[side].path = path;
    buffer.SetReadOnly((m_params.sides[side].flags & SIDE_READ_ONLY) != 0);
    m_watches.Watch(path);
    UpdateAllViews();
    StartCompare();
    return true;
}

bool CBinaryCompareDoc::SaveSide(int side) {
    const std::string path = m_params.sides[side].path;
    platform::FINDDATA data;
    // A read-only file, or an entry of an archive, is saved under another name.
    if (!path.empty() && ((platform::FindEntry(path, data) && (data.attributes & FILE_ATTRIBUTE_READONLY)) ||
                          CArchive::IsInsideArchive(path)))
        return SaveSideAs(side, std::string(), true);
    return SaveSideAs(side, path, true);
}

bool CBinaryCompareDoc::SaveSideAs(int side, const std::string& path, bool rename) {
    std::string target = path;
    if (target.empty()) {
        std::string proposed = m_params.sides[side].path;
        if (proposed.empty()) proposed = m_params.sides[1 - side].path;
        if (askSaveAsName) target = askSaveAsName(side, proposed);
        if (target.empty()) return false;
    }
    // A failed save leaves whatever is at the chosen name as it was.
    if (!WriteSide(side, target)) return false;
    if (rename) SetSidePath(side, target, true);
    return true;
}

bool CBinaryCompareDoc::WriteSide(int side, const std::string& path) {
    const std::string watched = m_params.sides[side].path;
    m_watches.Suspend(watched);
    m_thread.Stop();
    bool saved;
    {
        std::lock_guard<std::mutex> lock(m_context.Compare().editLock);
        saved = m_sides[side]->Save(path);
    }
    if (saved) {
        CHexEditView* view = &m_views[side];
        std::erase(m_editOrder, view);
        std::erase(m_redoOrder, view);  // the save forgot the side's undone edits
        m_mostRecent = m_editOrder.empty() ? nullptr : m_editOrder.back();
        if (!IsModified()) {
            m_editOrder.clear();
            m_mostRecent = nullptr;
        }
    }
    m_watches.Resume(watched);
    return saved;
}

bool CBinaryCompareDoc::SaveModified() {
    if (!IsModified()) return true;
    bool saveLeft = false, saveRight = false;
    const int choice = askSaveChanges ? askSaveChanges(m_sides[0]->IsModified(), m_sides[1]->IsModified(),
                                                       saveLeft, saveRight)
                                      : SAVE_CANCEL;
    if (choice == SAVE_CANCEL) return false;
    if (choice == SAVE_NONE) return true;
    if (choice == SAVE_ALL) {
        saveLeft = m_sides[0]->IsModified();
        saveRight = m_sides[1]->IsModified();
    }
    bool any = false;
    if (saveLeft && SaveSide(0)) any = true;
    if (saveRight && SaveSide(1)) any = true;
    return any;
}

void CBinaryCompareDoc::SetHexSettings(const CHexEditOptions& settings) {
    for (auto& side : m_sides) side->SetSettings(settings);
}

void CBinaryCompareDoc::SwapSides() {
    m_thread.Stop();
    std::swap(m_params.sides[0], m_params.sides[1]);
    std::swap(m_sides[0], m_sides[1]);
    for (int side = 0; side < 2; ++side) {
        m_sides[side]->SetSideIndex(side);
        m_sides[side]->RemoveView(&m_views[1 - side]);
        m_sides[side]->AddView(&m_views[side]);
        m_views[side].readOnly = m_sides[side]->IsReadOnly();
    }
    m_context.SetSides(m_sides[0].get(), m_sides[1].get());
    // The edit order follows the sides to their new views.
    for (CHexEditView*& view : m_editOrder) view = view == &m_views[0] ? &m_views[1] : &m_views[0];
    for (CHexEditView*& view : m_redoOrder) view = view == &m_views[0] ? &m_views[1] : &m_views[0];
    if (m_mostRecent != nullptr) m_mostRecent = m_mostRecent == &m_views[0] ? &m_views[1] : &m_views[0];
    for (int side = 0; side < 2; ++side) SetSidePath(side, m_params.sides[side].path, true);
}

std::unique_ptr<CTextCompareParams> CBinaryCompareDoc::GoToTextComparison(uint32_t rules) {
    for (const COMPARESIDE& side : m_params.sides) {
        if (DetermineContentType(side.path) != CONTENT_TYPE_TEXT) {
            m_messages.Inform("Binary files can not compare as binary.");
            return nullptr;
        }
    }
    auto request = std::make_unique<CTextCompareParams>(rules);
    for (int side = 0; side < 2; ++side) request->sides[side] = m_params.sides[side];
    return request;
}

std::unique_ptr<CFolderCompareParams> CBinaryCompareDoc::GoToContainingFolderComparison(
    uint32_t methods) const {
    auto request = std::make_unique<CFolderCompareParams>(methods);
    for (int side = 0; side < 2; ++side)
        request->sides[side].path = platform::PathParentFolder(m_params.sides[side].path);
    return request;
}

void CBinaryCompareDoc::ApplyProperties(const CBinaryCompareParams& params) {
    bool pathsChanged = false;
    for (int side = 0; side < 2; ++side) {
        const bool readOnly = (params.sides[side].flags & SIDE_READ_ONLY) != 0;
        if (readOnly != ((m_params.sides[side].flags & SIDE_READ_ONLY) != 0)) SetSideReadOnly(side, readOnly);
        if (!platform::PathsEqual(params.sides[side].path, m_params.sides[side].path)) pathsChanged = true;
    }
    for (int side = 0; side < 2; ++side) m_watches.Unwatch(m_params.sides[side].path);
    m_params.CopyFrom(params);
    if (pathsChanged)
        Reload();
    else
        for (int side = 0; side < 2; ++side) m_watches.Watch(m_params.sides[side].path);
}

bool CBinaryCompareDoc::CopySelection(int from, int64_t start, int64_t end) {
    const int to = 1 - from;
    CBinaryCompareObjectEx& target = *m_sides[to];
    if (start >= end || target.IsReadOnly()) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(end - start));
    const int64_t read = m_sides[from]->Read(bytes.data(), end - start, start);
    if (read <= 0) return false;
    if (start < target.GetSize()) return target.Edit(HEX_REPLACE, start, read, bytes.data(), 0, &m_views[to]);
    return target.Edit(HEX_INSERT, target.GetSize(), read, bytes.data(), 0, &m_views[to]);
}

bool CBinaryCompareDoc::Undo(int viewSide) {
    CHexEditView* view = m_mostRecent != nullptr ? m_mostRecent : &m_views[viewSide];
    const int side = view == &m_views[0] ? 0 : 1;
    CBinaryCompareObjectEx& buffer = *m_sides[side];
    if (buffer.RecordCount() == 0) return false;
    const int64_t position = buffer.Record(buffer.RecordCount() - 1).position;
    m_thread.Stop();
    buffer.Undo(view, buffer.RecordCount() - 1, 0);
    m_redoOrder.push_back(&m_views[side]);
    m_views[side].cursor = position;
    if (m_autoRecompare) StartCompare();
    return true;
}

int CBinaryCompareDoc::RedoSide() const {
    if (m_redoOrder.empty()) return -1;
    return m_redoOrder.back() == &m_views[0] ? 0 : 1;
}

bool CBinaryCompareDoc::Redo() {
    const int side = RedoSide();
    if (side < 0) return false;
    m_redoOrder.pop_back();
    CBinaryCompareObjectEx& buffer = *m_sides[side];
    if (!buffer.CanRedo()) return false;
    const int64_t position = buffer.NextRedo().position;
    m_thread.Stop();
    buffer.Redo(&m_views[side]);
    m_views[side].cursor = position;
    if (m_autoRecompare) StartCompare();
    return true;
}

void CBinaryCompareDoc::OnSideEdited() {
    // A new edit ends what could be redone, on both sides.
    m_redoOrder.clear();
    for (auto& side : m_sides) side->ClearRedo();
    UpdateAllViews();
    if (m_autoRecompare) StartCompare();
}

void CBinaryCompareDoc::RecordAdded(int side) {
    m_editOrder.push_back(&m_views[side]);
    m_mostRecent = &m_views[side];
}

void CBinaryCompareDoc::RecordRemoved() {
    if (!m_editOrder.empty()) m_editOrder.pop_back();
    m_mostRecent = m_editOrder.empty() ? nullptr : m_editOrder.back();
}

}  // namespace corvatine
