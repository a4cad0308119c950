// A text comparison document without a window: two files loaded side by
// side, compared, navigated, merged in either direction and saved.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileio/DocumentWatches.h"
#include "platform/Messages.h"
#include "request/CompareParams.h"
#include "textcompare/BackgroundCompare.h"
#include "textcompare/StringCompare.h"
#include "textcompare/TextCompareContext.h"
#include "textcompare/TextCompareHistory.h"
#include "textcompare/TextCompareReport.h"

namespace corvatine {

class CTextComparer;

// A side of a comparison that is no file yet: the text it starts with (in
// the working code page) and its name (the clipboard's, "Untitled").
struct SIDETEXT {
    bool given = false;
    std::string text;
    std::string name;
};

class CTextCompareDoc : private CSideEditSink {
public:
    enum Side : int { LEFT = 0, RIGHT = 1 };
    enum MergeResult : int {
        MERGE_DONE = 0,
        MERGE_NO_SECTION = 1,  // no such section
        MERGE_STALE = 2,       // the section no longer matches the text: recompare first
        MERGE_READ_ONLY = 3,   // the target side is read-only
    };
    // An edit region of at most this many rows is compared again at once;
    // a larger one is marked stale and the whole pair compared again.
    static constexpr int kLocalCompareRows = 20000;
    // A step of more edits is undone and redone on the real text alone,
    // compared once afterwards.
    static constexpr int kBulkEdits = 16;

    // The document reads, and its commands change, the run's text comparison
    // settings; trackChanges is the editor's setting that marks changed lines.
    CTextCompareDoc(platform::CMessages& messages, CTextComparer& settings, bool trackChanges,
                    CFileWatchHooks* hooks = nullptr);
    // The sides call back into the document that made them.
    CTextCompareDoc(const CTextCompareDoc&) = delete;
    CTextCompareDoc& operator=(const CTextCompareDoc&) = delete;

    // Loads both files of the request and compares them. False when a file
    // could not be opened or holds binary data (the user has been told). A
    // side whose text is given is that text, no file: saving it asks where.
    bool Open(const CTextCompareParams& request, const SIDETEXT* texts = nullptr);
    // The name of a side: its file's, or the name its text was given.
    std::string SideName(int side) const;
    // Whether loads let the sides' lines borrow their files' bytes where
    // they lie (CSyntaxEditContextEx::SetLoadInPlace): only for a document
    // that is compared once and closed, never one the user keeps open.
    void SetLoadInPlace(bool inPlace);
    // Compares again from the real text of both sides.
    bool Recompare();
    // Loads both files again and compares.
    bool Reload();
    // Loads one side again (its edits and their history go; the other side
    // keeps its text and its history) and compares. False with the reason
    // told when the file cannot be read; the side then keeps its text.
    bool ReloadSide(int side);
    // Reads one side again in another code page (CODEPAGE_DETECT: as its
    // bytes call for), as ReloadSide does; a byte-order mark still wins.
    bool ReopenSide(int side, int codePage);

    // A watched file changed on disk: the sides that show it. Each without
    // unsaved edits is loaded again at once; those with edits are returned,
    // for the user to be asked with ChangedOnDiskQuestion (then ReloadSide).
    std::vector<int> FileChangedOnDisk(const std::string& path);
    std::string ChangedOnDiskQuestion(int side) const;
    // The question of the Reload command when a side has unsaved edits;
    // empty when none has.
    std::string ReloadQuestion() const;

    const CTextCompareParams& Request() const { return m_request; }
    CTextCompareObject& GetSide(int side) { return *m_side[side]; }
    CTextCompareContext& Context() { return *m_context; }
    const CTextSectionList& Sections() const { return m_context->Sections(); }
    bool IsIdentical() const { return m_context->IsIdentical(); }
    int GetDifferenceCount() const { return m_context->Sections().GetCount(); }
    // "left * : right *" with a star for a modified side.
    std::string GetTitle() const;
    // Where the comparison stands: "Identical", "Difference 3 of 115" while
    // the cursor is in one, else "115 differences"; and when edited rows
    // wait to be compared, that F5 compares them.
    std::string StatusText() const;

    // Editing a side as a view does: the text between two row positions
    // (placeholder rows hold none) replaced by text, either may be empty,
    // as one step of the history; typed text that goes on where the last
    // typing ended continues that step. The comparison follows the edit at
    // once (see Settle). out: the row position after the new text.
    bool ReplaceText(int side, CPoint from, CPoint to, const std::string& text, int action, CPoint& caret);

    // A step of the history made of many edits of the sides' rows (Replace
    // All): the comparison is cleared first, so that rows are real lines,
    // and made again at the end.
    void BeginBulkStep(const std::string& name);
    void EndBulkStep();

    // Merging. A copy replaces the target's lines of a section by the
    // source's; an insert puts the source's lines after the target's. Each
    // merge is one step of the history and is followed by a recompare.
    // toRight copies from the left side to the right one.
    int CopySection(int index, bool toRight) { return CopySections({index}, toRight); }
    int InsertSection(int index, bool toRight);
    // The given sections (numbered as now), copied from the last to the
    // first as one step and compared once afterwards: nothing is copied
    // unless every one can be.
    int CopySections(std::vector<int> indexes, bool toRight);
    // Every section.
    int CopyAll(bool toRight);
    // Copies the current section and moves to the next difference.
    int CopyAndAdvance(bool toRight);

    // One history for the whole comparison, whichever side a step changed.
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    // The name of the step Undo or Redo would take ("Copy to Right"); empty
    // when none.
    std::string UndoName() const;
    std::string RedoName() const;
    bool Undo();
    bool Redo();
    // Where the last step, undo or redo left its text: the side and the row
    // position. False when nothing was edited.
    bool GetEditCaret(int& side, CPoint& caret);

    // Automatic recompare: when on, an edit compares again the rows it can
    // affect at once; when off, they are marked stale until Recompare.
    bool IsAutoRecompare() const;
    // Edits of more rows than compared where they are (kLocalCompareRows)
    // leave them stale and compare the whole pair on a worker, whose result
    // comes through the user-interface queue (on): onRecompared is called
    // when it was applied. Off (so for the command line), such edits compare
    // the whole pair at once.
    void SetBackgroundRecompare(bool on);
    bool IsRecomparing() const;
    std::function<void()> onRecompared;
    void SetAutoRecompare(bool on);
    bool HasStaleRows() const { return m_context->HasStaleRows(); }

    // Navigation: the cursor row and the selected section.
    int GetCurrentSection() const { return m_currentSection; }
    int GetCursorRow() const { return m_cursorRow; }
    void SetCursor(int row, int character = 0);
    bool FirstDifference();
    bool PreviousDifference();
    bool NextDifference();
    bool LastDifference();
    // Steps to the next or previous in-line difference of changed rows;
    // false with the status "No next line difference" or "No previous line
    // difference" when there is none. The found range is the selection.
    bool NextLineDifference();
    bool PreviousLineDifference();
    const STRINGDIFFERENCE& GetLineDifference() const { return m_lineDifference; }
    // The in-line differences of one row under the document's rules.
    std::vector<STRINGDIFFERENCE> LineDifferences(int row);

    // Moved blocks of at least this many lines that are not blank are found
    // by the next comparison of the whole pair (0: none); from the settings
    // when the document is made.
    void SetMovedLines(int lines);
    // The other block of the move a row of a side is part of: the side and
    // the first row it stands in. False when the row moved nowhere.
    bool MoveCounterpart(int side, int row, int& otherSide, int& otherRow) const;
    // The row of a side is the first of a moved block.
    bool MoveStartsAt(int side, int row) const;

    void SwapSides();
    void SetSideReadOnly(int side, bool readOnly);
    bool IsSideReadOnly(int side) const { return (m_request.sides[side].flags & SIDE_READ_ONLY) != 0; }
    // What the report shows of this comparison.
    TEXTREPORTSOURCE ReportSource();

    // Saves a side to its own path or another one, in its own encoding and
    // line endings. False with the reason told.
    bool SaveSide(int side, const std::string& path = std::string());

private:
    // CSideEditSink
    void OpenStep(CTextCompareObject& side) override;
    void CloseStep(CTextCompareObject& side) override;
    void SideEdited(CTextCompareObject& side, TEXTEDIT edit, const EDITROWS& rows, bool record, int action,
                    bool typing) override;

    int SideOf(const CTextCompareObject& side) const { return &side == m_side[LEFT].get() ? LEFT : RIGHT; }
    void OpenStep(const std::string& name);
    void CloseStep();
    // The comparison cleared for edits of many places: rows are real lines
    // until the next Recompare.
    void ClearForBulkEdit();
    // The edited rows: compared again, or marked stale (see
    // IsAutoRecompare). Nothing while the comparison is cleared.
    void Settle();
    void TrackEdit(const EDITROWS& rows);
    // Makes one edit of a step again (forward) or takes it back.
    bool ApplyEdit(const TEXTEDIT& edit, bool forward);
    void StartBackgroundCompare();
    void BackgroundCompared(uint64_t generation, std::vector<TEXTSECTION>& sections,
                            const TEXTLINECLASSES* classes);
    bool Replay(bool forward);
    void SyncModified();
    bool LoadSide(int side, int codePage);
    bool SectionIsCurrent(const CTextSection& section);
    void CopyLines(const CTextSection& section, bool toRight);
    // Inserts merged text into the target, its lines taking the origins of
    // the source lines first.. (from the text's line shift on).
    void InsertMerged(CTextCompareObject& target, int line, int character, const std::string& text,
                      const CTextCompareObject& source, int first, int last, int shift);
    std::string SourceText(CTextCompareObject& source, int first, int last, const CTextCompareObject& target);
    bool SelectSection(int index);
    void SelectLineDifference(int row, const STRINGDIFFERENCE& difference);
    int CheckMerge(std::vector<int> indexes, bool toRight, std::vector<CTextSection>& sections);

    platform::CMessages& m_messages;
    CTextComparer& m_settings;
    CFileWatchHooks* m_hooks;
    CFileWatchHooks m_noHooks;
    CTextCompareParams m_request;
    std::unique_ptr<CTextCompareObject> m_side[2];
    std::unique_ptr<CTextCompareContext> m_context;
    CTextCompareHistory m_history;
    std::string m_names[2];  // of sides that are no file
    std::unique_ptr<CBackgroundCompare> m_background;
    // Counts the changes of the sides' text: a background result for an
    // older text is dropped.
    uint64_t m_textGeneration = 0;
    bool m_highlightTrivial = true;  // the setting when the document was made
    bool m_cleared = false;          // rows are real lines: no alignment to follow
    // The rows edits changed since the sides were last aligned: from
    // m_dirtyFirst on, all but the last m_dirtyTail rows of each side.
    bool m_dirty = false;
    int m_dirtyFirst = 0;
    int m_dirtyTail = 0;
    // The origins the next insertion's lines take (a merge of lines read
    // with loss), by their index in its text.
    LINEORIGINS m_pendingOrigins;
    // Where the last edit left its text, on the real text of a side.
    int m_editSide = -1;
    CPoint m_editCaret;
    int m_currentSection = -1;
    int m_cursorRow = 0;
    int m_cursorChar = 0;
    STRINGDIFFERENCE m_lineDifference{0, 0, -1, -1};
    bool m_hasLineDifference = false;
};

}  // namespace corvatine
