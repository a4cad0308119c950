// One side of a text comparison, and the comparison of two sides: the
// engine's sections turned into an alignment with ghost rows and line marks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "textcompare/GhostTextEditContext.h"
#include "textcompare/MovedBlocks.h"
#include "textcompare/TextCompareHistory.h"
#include "textcompare/TextSectionList.h"

namespace corvatine {

class CTextCompareObject;

// Where a side's edits go: the document that keeps the comparison's history
// and follows the edits with the alignment.
class CSideEditSink {
public:
    virtual ~CSideEditSink() = default;
    // Around the edits of one user-level step (nestable).
    virtual void OpenStep(CTextCompareObject& side) = 0;
    virtual void CloseStep(CTextCompareObject& side) = 0;
    // An edit of the side's real text was made; with record it belongs to
    // the history (false while the history itself is replayed). action is
    // the edit context's action number, typing whether it was typed text
    // without a line break.
    virtual void SideEdited(CTextCompareObject& side, TEXTEDIT edit, const EDITROWS& rows, bool record,
                            int action, bool typing) = 0;
};

class CTextCompareObject : public CGhostTextEditContext {
public:
    // The action number of typed text, as the views give it.
    static constexpr int kTypingAction = 4;

    explicit CTextCompareObject(bool trackChanges = false) : CGhostTextEditContext(trackChanges) {}

    // The side's text as the engine compares it under the rule word.
    int WriteComparisonText(std::string* out, uint32_t rules);

    // Edits go on the real text and are told to the sink (not owned; null:
    // no one keeps a history). Text put into a ghost row makes it a real
    // line of its own before the real line that follows it; a range is
    // taken on the real text, placeholder rows holding none. Positions are
    // rows.
    void SetEditSink(CSideEditSink* sink) { m_sink = sink; }
    bool InsertTextAt(CSyntaxTextView* view, int line, int character, const std::string& text, int& endLine,
                      int& endChar, int action, bool history = true) override;
    bool DeleteRange(CSyntaxTextView* view, int startLine, int startChar, int endLine, int endChar,
                     int action, bool history = true) override;
    // The steps are the sink's.
    void OpenUndoGroup(bool merge = false) override;
    void CloseUndoGroup(CSyntaxTextView* view = nullptr) override;

private:
    CSideEditSink* m_sink = nullptr;
};

class CTextCompareContext {
public:
    CTextCompareContext(CTextCompareObject& left, CTextCompareObject& right) : m_side{&left, &right} {}

    // Compares the two sides under the rule word and line filter: clears the
    // previous alignment, runs the engine, aligns the sides with ghost rows,
    // marks every row, drops the sections that are no differences and, unless
    // line endings are ignored, marks rows whose terminators differ.
    bool Compare(uint32_t rules, const std::string& lineFilter);

    // The same with the engine's sections for the sides' real text found
    // elsewhere (by a worker, from the comparison texts), and the classes of
    // its lines when moves are looked for.
    void ApplySections(const std::vector<TEXTSECTION>& sections, uint32_t rules,
                       const TEXTLINECLASSES* classes = nullptr);

    // Blocks of at least this many lines that are not blank, lost in one
    // place and gained in another, are found as moved by a comparison of
    // the whole pair (0: none are). Their lines are marked 0x40000000.
    void SetMovedLines(int lines) { m_movedLines = lines; }
    int MovedLines() const { return m_movedLines; }
    const std::vector<TEXTMOVE>& Moves() const { return m_moves; }
    // The last comparison of the whole pair found moves (edits since may
    // have ended them): the views keep room for their links till the next.
    bool FoundMoves() const { return m_foundMoves; }
    // The move a row of a side is part of, or -1.
    int FindMove(int side, int row) const;

    // Step 0 alone: only the real text remains on both sides.
    void ClearComparison();

    // After edits: the rows from firstRow on, but for the last tailRows rows
    // of each side, changed since the sides were last aligned, while the
    // rows before and the tail rows stayed as they were. CompareRegion
    // compares the changed rows again and aligns them anew; MarkStale only
    // pads the shorter side with ghost rows so that the rows after line up
    // again, and marks the region as not compared (0x10000000), one
    // section. Either moves the sections after the region along.
    bool CompareRegion(uint32_t rules, const std::string& lineFilter, int firstRow, int tailRows);
    void MarkStale(int firstRow, int tailRows);
    // Widens such a region to rows that stand in no difference on either
    // side, so that no section is cut by it.
    void WidenToAnchors(int& firstRow, int& tailRows);
    // The rows of each side the region holds.
    int RegionRows(int side, int firstRow, int tailRows) const;

    // Extends the last section, or starts one, for lines an edit inserted on
    // one side (0 left, 1 right) only.
    void AddSectionFromEdit(int leftRow, int rightRow, int side);

    CTextSectionList& Sections() { return m_sections; }
    const CTextSectionList& Sections() const { return m_sections; }
    CTextCompareObject& Side(int side) { return *m_side[side]; }
    void SwapSides() { std::swap(m_side[0], m_side[1]); }

    bool IsIdentical() const { return m_sections.GetCount() == 0; }
    // Changes whenever the rows or the sections change: what was drawn of
    // them may be kept while it stays.
    uint64_t Generation() const { return m_generation; }
    // Whether some rows were edited and not compared again.
    bool HasStaleRows() const;
    // The rows to show: all but the empty line after a final line ending
    // (or the ghost row opposite it), which is no line of either file.
    int VisibleRowCount() const;
    // "Diff: %d".
    std::string StatusText() const { return "Diff: " + std::to_string(m_sections.GetCount()); }

private:
    // Steps 3 to 5 once the engine's sections are in the list, and the
    // moves when classes are given.
    void AlignSections(uint32_t rules, const TEXTLINECLASSES* classes);
    // The moves of a region's rows go; those after it move along.
    void MovesAfterRegion(int firstRow, int oldEnd, int newEnd);
    void Align();
    void MarkLineEndings(uint32_t rules);
    // Marks rows first..end-1 whose terminators alone differ; how many.
    int MarkLineEndings(int first, int end, uint32_t rules);
    void Aligned();
    // Puts the new sections of a region in place of those the region held,
    // moving those after it by the rows and real lines it added.
    void ReplaceSections(int firstRow, int oldEnd, int newEnd, std::vector<CTextSection> sections);
    void CountTrivial(uint32_t rules);

    CTextCompareObject* m_side[2];
    CTextSectionList m_sections;
    // What the sides held when they were last aligned: rows (the same on
    // both), real lines of each.
    int m_rows = 0;
    int m_realLines[2] = {0, 0};
    uint64_t m_generation = 0;
    int m_movedLines = 0;
    std::vector<TEXTMOVE> m_moves;
    bool m_foundMoves = false;
    // HasStaleRows for the generation it was found for.
    mutable uint64_t m_staleGeneration = ~uint64_t{0};
    mutable bool m_stale = false;
};

}  // namespace corvatine
