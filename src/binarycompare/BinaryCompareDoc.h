// A binary comparison document without a window: two files compared byte by
// byte on the worker, each side editable with undo across both sides in the
// order the edits were made, saved side by side.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "binarycompare/BinaryCompareThread.h"
#include "fileio/DocumentWatches.h"
#include "platform/Messages.h"
#include "request/CompareParams.h"

namespace corvatine {

class CBinaryCompareDoc;
class CBinaryComparer;
class CHexEditOptions;

// A side: a hex buffer whose edits and undos hold the comparison's edit lock.
class CBinaryCompareObject : public CBinaryCompareSide {
public:
    CBinaryCompareObject(platform::CMessages& messages, CBinaryCompareContext& context)
        : CBinaryCompareSide(messages), m_context(context) {}
    bool Edit(char operation, int64_t position, int64_t length, const uint8_t* data, int typingCount,
              CHexEditView* view) override;
    int Undo(CHexEditView* view, int index, int flag) override;
    int Redo(CHexEditView* view) override;

protected:
    CBinaryCompareContext& m_context;
};

// A side that knows its document and its index.
class CBinaryCompareObjectEx : public CBinaryCompareObject {
public:
    CBinaryCompareObjectEx(platform::CMessages& messages, CBinaryCompareContext& context,
                           CBinaryCompareDoc& doc, int side)
        : CBinaryCompareObject(messages, context), m_doc(doc), m_side(side) {}
    bool Edit(char operation, int64_t position, int64_t length, const uint8_t* data, int typingCount,
              CHexEditView* view) override;
    int AddRecord(char operation, int64_t position, int64_t length, const uint8_t* data) override;
    int RemoveLastRecord() override;
    int SideIndex() const { return m_side; }
    void SetSideIndex(int side) { m_side = side; }

private:
    CBinaryCompareDoc& m_doc;
    int m_side;
};

// What stands in for a side's hex view: its updates and read-only flag.
class CBinaryCompareView : public CHexEditView {
public:
    void OnUpdate(CHexEditView*, int, const CHexEditHint* hint) override {
        ++updates;
        if (const auto* h = dynamic_cast<const CHexHint*>(hint)) cursor = h->position;
    }
    int updates = 0;
    int64_t cursor = 0;
    bool readOnly = false;
};

class CBinaryCompareDoc : public CBinaryCompareTarget {
public:
    enum SaveChoice : int { SAVE_CHOSEN, SAVE_ALL, SAVE_NONE, SAVE_CANCEL };

    // The document reads its automatic recompare from, remembers its files
    // in, and its commands change, the run's binary comparison settings.
    CBinaryCompareDoc(platform::CMessages& messages, CBinaryComparer& settings, bool fileWatch,
                      WorkerPriority priority = WorkerPriority::LOWEST);
    ~CBinaryCompareDoc() override;
    CBinaryCompareDoc(const CBinaryCompareDoc&) = delete;
    CBinaryCompareDoc& operator=(const CBinaryCompareDoc&) = delete;

    // Loads both sides (an empty or missing path is an empty side) and starts
    // a comparison. False when a file cannot be opened.
    bool LoadSides(const CBinaryCompareParams& params);
    void StartCompare();
    // Ends a running pass and waits until the worker is idle; the state is
    // what the pass had found when it stopped.
    void StopCompare();
    // Waits (pumping the user-interface queue) for the pass to end; false on time-out.
    bool WaitForComparison(std::chrono::milliseconds timeout = std::chrono::minutes(10));
    bool Reload();
    void ToggleAutoRecompare();
    bool AutoRecompare() const { return m_autoRecompare; }
    void CloseSides();
    void SetSidePath(int side, const std::string& path, bool remember);
    void SetSideReadOnly(int side, bool readOnly);
    bool ReplaceSide(int side, const std::string& path);
    bool SaveSide(int side);
    // Without a path the name is asked (askSaveAsName); rename makes it the side's path.
    bool SaveSideAs(int side, const std::string& path, bool rename);
    bool WriteSide(int side, const std::string& path);
    // Before closing: true when the document may close.
    bool SaveModified();
    void SwapSides();
    // The hex editor settings that saving a side follows.
    void SetHexSettings(const CHexEditOptions& settings);
    // The text comparison of the two files under the given rules, or null
    // (with the message) when either holds binary data.
    std::unique_ptr<CTextCompareParams> GoToTextComparison(uint32_t rules);
    // The comparison of the folders that hold the two files, with the given methods.
    std::unique_ptr<CFolderCompareParams> GoToContainingFolderComparison(uint32_t methods) const;
    // The properties dialog's result: read-only flags applied, parameters
    // replaced, and the comparison reloaded when a path changed.
    void ApplyProperties(const CBinaryCompareParams& params);
    // Copies [start, end) of a side over the other side at the same offset,
    // or appends it when the other side is shorter.
    bool CopySelection(int from, int64_t start, int64_t end);
    // The Undo command of a view: the most recent edit of the comparison.
    bool Undo(int viewSide);
    // The Redo command: the edit undone last, while no edit came since.
    bool Redo();
    bool CanRedo() const { return !m_redoOrder.empty(); }
    // The side whose edit Redo makes again; -1 when none.
    int RedoSide() const;

    int State() const { return m_context.GetState(); }
    bool IsModified() const { return m_sides[0]->IsModified() || m_sides[1]->IsModified(); }
    CBinaryCompareObjectEx& Side(int side) { return *m_sides[side]; }
    CBinaryCompareView& View(int side) { return m_views[side]; }
    CBinaryCompareContext& Context() { return m_context; }
    const CBinaryCompareParams& Params() const { return m_params; }
    const std::vector<CHexEditView*>& EditOrder() const { return m_editOrder; }
    CHexEditView* MostRecentView() const { return m_mostRecent; }
    int CompletedPasses() const { return m_completed; }
    CDocumentWatches& Watches() { return m_watches; }

    // Asked for a name to save a side under ("Save As"); empty cancels.
    std::function<std::string(int side, const std::string& proposed)> askSaveAsName;
    // Asked before closing a modified document: the choice, and for
    // SAVE_CHOSEN the sides chosen. Without it the document stays open.
    std::function<int(bool leftModified, bool rightModified, bool& saveLeft, bool& saveRight)> askSaveChanges;
    // Called when another program changed a shown file; by default the user
    // is asked whether to reload.
    std::function<void(const std::string& path)> onFileChanged;
    // Called on the user-interface thread after every pass of the worker,
    // once the views are updated.
    std::function<void()> onPassFinished;

    void OnPassEnded() override;

private:
    friend class CBinaryCompareObjectEx;
    void OnSideEdited();
    void RecordAdded(int side);
    void RecordRemoved();
    void UpdateAllViews();

    platform::CMessages& m_messages;
    CBinaryComparer& m_settings;
    CBinaryCompareParams m_params;
    CBinaryCompareContext m_context;
    std::unique_ptr<CBinaryCompareObjectEx> m_sides[2];
    CBinaryCompareView m_views[2];
    std::vector<CHexEditView*> m_editOrder;
    CHexEditView* m_mostRecent = nullptr;
    std::vector<CHexEditView*> m_redoOrder;  // the views of undone edits, the last undone last
    bool m_autoRecompare;
    int m_completed = 0;
    CDocumentWatches m_watches;
    CBinaryCompareThread m_thread;  // last: it ends before the sides go
};

}  // namespace corvatine
