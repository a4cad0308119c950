// The difference sections of a text comparison, in engine line numbers and
// in rows of the aligned model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "textcompare/TextCompare.h"

namespace corvatine {

// Kinds of an aligned section.
enum TextSectionKind : int {
    TEXTSECTION_IGNORABLE = 0,  // every line of the block is blank or matches the line filter
    TEXTSECTION_LEFT_ONLY = 1,
    TEXTSECTION_BOTH = 2,
    TEXTSECTION_RIGHT_ONLY = 3,
    TEXTSECTION_TRIVIAL = 4,
};

struct CTextSection {
    int leftFirst = 0;  // engine line numbers of the normalised texts
    int rightFirst = 0;
    int leftLast = 0;
    int rightLast = 0;
    int leftFirstRow = 0;  // rows of the aligned model
    int rightFirstRow = 0;
    int leftLastRow = 0;
    int rightLastRow = 0;
    int leftGhostRow = -1;  // first ghost row added on that side for the section, or -1
    int rightGhostRow = -1;
    int kind = 0;  // 8 bits: TextSectionKind
};

class CTextSectionList : public CTextSectionSink {
public:
    int GetCount() const { return static_cast<int>(m_sections.size()); }
    // A copy of section i; an index out of range gives an all-zero section and false.
    bool GetSection(int index, CTextSection& section) const;
    bool SetSection(int index, const CTextSection& section);
    void Append(const CTextSection& section) { m_sections.push_back(section); }
    void RemoveAll();
    // Drops the sections of kinds 0 and 4.
    void RemoveIgnorable();

    // The section whose left rows contain the row, or -1.
    int FindSection(int row) const;
    // The first section (not of kind 4) whose left first row is at least row, or -1.
    int NextDifference(int row) const;
    // The last section (not of kind 4) whose left last row is at most row, or -1.
    int PreviousDifference(int row) const;
    int FirstDifference() const { return GetCount() > 0 ? 0 : -1; }
    int LastDifference() const { return GetCount() - 1; }
    // Exchanges every left field with its right one.
    void SwapSides();

    // The engine's sections arrive here, with their engine kind.
    bool AddSection(const TEXTSECTION& section, std::string& error) override;

    int trivialCount = 0;
    bool binary = false;
    int firstChangeRow = -1;
    int lastChangeRow = -1;

    const std::vector<CTextSection>& Sections() const { return m_sections; }
    // One line per section, for tests and diagnostics.
    std::string Dump() const;

private:
    std::vector<CTextSection> m_sections;
};

}  // namespace corvatine
