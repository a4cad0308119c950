// One side of a text comparison, and the comparison of two sides: the
// engine's sections turned into an alignment with ghost rows and line marks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "textcompare/GhostTextEditContext.h"
#include "textcompare/TextSectionList.h"

namespace corvatine {

class CTextCompareObject : public CGhostTextEditContext {
public:
    explicit CTextCompareObject(bool trackChanges = false) : CGhostTextEditContext(trackChanges) {}

    // The side's text as the engine compares it under the rule word.
    int WriteComparisonText(std::string* out, uint32_t rules);

    // Called after every change to the side's text.
    std::function<void()> onEdited;

protected:
    void OnTextChanged() override {
        CGhostTextEditContext::OnTextChanged();
        if (onEdited) onEdited();
    }
};

class CTextCompareContext {
public:
    CTextCompareContext(CTextCompareObject& left, CTextCompareObject& right) : m_side{&left, &right} {}

    // Compares the two sides under the rule word and line filter: clears the
    // previous alignment, runs the engine, aligns the sides with ghost rows,
    // marks every row, drops the sections that are no differences and, unless
    // line endings are ignored, marks rows whose terminators differ.
    bool Compare(uint32_t rules, const std::string& lineFilter);

    // Step 0 alone: only the real text remains on both sides.
    void ClearComparison();

    // Extends the last section, or starts one, for lines an edit inserted on
    // one side (0 left, 1 right) only.
    void AddSectionFromEdit(int leftRow, int rightRow, int side);

    CTextSectionList& Sections() { return m_sections; }
    const CTextSectionList& Sections() const { return m_sections; }
    CTextCompareObject& Side(int side) { return *m_side[side]; }
    void SwapSides() { std::swap(m_side[0], m_side[1]); }

    bool IsIdentical() const { return m_sections.GetCount() == 0; }
    // The rows to show: all but the empty line after a final line ending
    // (or the ghost row opposite it), which is no line of either file.
    int VisibleRowCount() const;
    // "Diff: %d".
    std::string StatusText() const { return "Diff: " + std::to_string(m_sections.GetCount()); }

private:
    void Align();
    void MarkLineEndings(uint32_t rules);

    CTextCompareObject* m_side[2];
    CTextSectionList m_sections;
};

}  // namespace corvatine
