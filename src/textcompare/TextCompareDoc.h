// A text comparison document without a window: two files loaded side by
// side, compared, navigated, merged in either direction and saved.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fileio/DocumentWatches.h"
#include "platform/Messages.h"
#include "request/CompareParams.h"
#include "textcompare/StringCompare.h"
#include "textcompare/TextCompareContext.h"
#include "textcompare/TextCompareReport.h"

namespace corvatine {

class CTextCompareDoc {
public:
    enum Side : int { LEFT = 0, RIGHT = 1 };
    enum MergeResult : int {
        MERGE_DONE = 0,
        MERGE_NO_SECTION = 1,  // no such section
        MERGE_STALE = 2,       // the section no longer matches the text: recompare first
        MERGE_READ_ONLY = 3,   // the target side is read-only
    };

    explicit CTextCompareDoc(platform::CMessages& messages, CFileWatchHooks* hooks = nullptr);
    // The sides call back into the document that made them.
    CTextCompareDoc(const CTextCompareDoc&) = delete;
    CTextCompareDoc& operator=(const CTextCompareDoc&) = delete;

    // Loads both files of the request and compares them. False when a file
    // could not be opened or holds binary data (the user has been told).
    bool Open(const CTextCompareParams& request);
    // Whether loads let the sides' lines borrow their files' bytes where
    // they lie (CSyntaxEditContextEx::SetLoadInPlace): only for a document
    // that is compared once and closed, never one the user keeps open.
    void SetLoadInPlace(bool inPlace);
    // Compares again from the real text of both sides.
    bool Recompare();
    // Loads both files again and compares.
    bool Reload();

    const CTextCompareParams& Request() const { return m_request; }
    CTextCompareObject& GetSide(int side) { return *m_side[side]; }
    CTextCompareContext& Context() { return *m_context; }
    const CTextSectionList& Sections() const { return m_context->Sections(); }
    bool IsIdentical() const { return m_context->IsIdentical(); }
    int GetDifferenceCount() const { return m_context->Sections().GetCount(); }
    // "left * : right *" with a star for a modified side.
    std::string GetTitle() const;

    // Merging. A copy replaces the target's lines of a section by the
    // source's; an insert puts the source's lines after the target's. Each
    // merge is one undoable action on the target and is followed by a
    // recompare. toRight copies from the left side to the right one.
    int CopySection(int index, bool toRight) { return CopySections({index}, toRight); }
    int InsertSection(int index, bool toRight);
    // The given sections (numbered as now), copied from the last to the
    // first as one undoable action and compared once afterwards: nothing is
    // copied unless every one can be.
    int CopySections(std::vector<int> indexes, bool toRight);
    // Every section.
    int CopyAll(bool toRight);
    // Copies the current section and moves to the next difference.
    int CopyAndAdvance(bool toRight);
    // An edit of either side asks for a recompare when automatic recompare
    // is on; the request waits until ProcessPendingRecompare, at a point where
    // no edit is under way. Requests raised while a merge runs are ignored:
    // the merge recompares itself. Answers whether the request was taken.
    bool RequestAutoRecompare();
    bool IsRecomparePending() const { return m_recomparePending; }
    // Runs a waiting recompare; false when none was waiting.
    bool ProcessPendingRecompare();

    // Undoes or redoes the last action on a side, then compares again.
    bool Undo(int side);
    bool Redo(int side);

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

    void SwapSides();
    void SetSideReadOnly(int side, bool readOnly);
    bool IsSideReadOnly(int side) const { return (m_request.sides[side].flags & SIDE_READ_ONLY) != 0; }
    // What the report shows of this comparison.
    TEXTREPORTSOURCE ReportSource();

    // Saves a side to its own path or another one, in its own encoding and
    // line endings. False with the reason told.
    bool SaveSide(int side, const std::string& path = std::string());

private:
    bool LoadSide(int side, int codePage);
    bool SectionIsCurrent(const CTextSection& section);
    void CopyLines(const CTextSection& section, bool toRight);
    std::string SourceText(CTextCompareObject& source, int first, int last, const CTextCompareObject& target);
    bool SelectSection(int index);
    void SelectLineDifference(int row, const STRINGDIFFERENCE& difference);
    int CheckMerge(std::vector<int> indexes, bool toRight, std::vector<CTextSection>& sections);
    void WatchEdits();

    platform::CMessages& m_messages;
    CFileWatchHooks* m_hooks;
    CFileWatchHooks m_noHooks;
    CTextCompareParams m_request;
    std::unique_ptr<CTextCompareObject> m_side[2];
    std::unique_ptr<CTextCompareContext> m_context;
    bool m_merging = false;
    bool m_highlightTrivial = true;  // the setting when the document was made
    bool m_recomparePending = false;
    int m_currentSection = -1;
    int m_cursorRow = 0;
    int m_cursorChar = 0;
    STRINGDIFFERENCE m_lineDifference{0, 0, -1, -1};
    bool m_hasLineDifference = false;
};

}  // namespace corvatine
