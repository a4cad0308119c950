#include "textcompare/TextSectionList.h"

#include <algorithm>
#include <utility>

namespace corvatine {

bool CTextSectionList::GetSection(int index, CTextSection& section) const {
    if (index < 0 || index >= GetCount()) {
        section = CTextSection();
        section.leftGhostRow = section.rightGhostRow = 0;
        return false;
    }
    section = m_sections[static_cast<size_t>(index)];
    return true;
}

bool CTextSectionList::SetSection(int index, const CTextSection& section) {
    if (index < 0 || index >= GetCount()) return false;
    m_sections[static_cast<size_t>(index)] = section;
    return true;
}

void CTextSectionList::RemoveAll() {
    m_sections.clear();
    trivialCount = 0;
    binary = false;
    firstChangeRow = lastChangeRow = -1;
}

void CTextSectionList::RemoveIgnorable() {
    m_sections.erase(std::remove_if(m_sections.begin(), m_sections.end(),
                                    [](const CTextSection& s) {
                                        return s.kind == TEXTSECTION_IGNORABLE ||
                                               s.kind == TEXTSECTION_TRIVIAL;
                                    }),
                     m_sections.end());
}

int CTextSectionList::FindSection(int row) const {
    int low = 0, high = GetCount() - 1;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const CTextSection& s = m_sections[static_cast<size_t>(mid)];
        if (row < s.leftFirstRow)
            high = mid - 1;
        else if (row > s.leftLastRow)
            low = mid + 1;
        else
            return mid;
    }
    return -1;
}

int CTextSectionList::NextDifference(int row) const {
    for (int i = 0; i < GetCount(); ++i) {
        const CTextSection& s = m_sections[static_cast<size_t>(i)];
        if (s.kind != TEXTSECTION_TRIVIAL && s.leftFirstRow >= row) return i;
    }
    return -1;
}

int CTextSectionList::PreviousDifference(int row) const {
    for (int i = GetCount() - 1; i >= 0; --i) {
        const CTextSection& s = m_sections[static_cast<size_t>(i)];
        if (s.kind != TEXTSECTION_TRIVIAL && s.leftLastRow <= row) return i;
    }
    return -1;
}

void CTextSectionList::SwapSides() {
    for (CTextSection& s : m_sections) {
        std::swap(s.leftFirst, s.rightFirst);
        std::swap(s.leftLast, s.rightLast);
        std::swap(s.leftFirstRow, s.rightFirstRow);
        std::swap(s.leftLastRow, s.rightLastRow);
        std::swap(s.leftGhostRow, s.rightGhostRow);
        if (s.kind == TEXTSECTION_LEFT_ONLY)
            s.kind = TEXTSECTION_RIGHT_ONLY;
        else if (s.kind == TEXTSECTION_RIGHT_ONLY)
            s.kind = TEXTSECTION_LEFT_ONLY;
    }
}

bool CTextSectionList::AddSection(const TEXTSECTION& section, std::string&) {
    CTextSection s;
    s.leftFirst = section.leftFirst;
    s.leftLast = section.leftLast;
    s.rightFirst = section.rightFirst;
    s.rightLast = section.rightLast;
    s.kind = section.kind;  // 2 or 0 until the alignment decides
    m_sections.push_back(s);
    return true;
}

std::string CTextSectionList::Dump() const {
    std::string text;
    for (const CTextSection& s : m_sections) {
        text += "kind " + std::to_string(s.kind) + " lines " + std::to_string(s.leftFirst) + "-" +
                std::to_string(s.leftLast) + "/" + std::to_string(s.rightFirst) + "-" +
                std::to_string(s.rightLast) + " rows " + std::to_string(s.leftFirstRow) + "-" +
                std::to_string(s.leftLastRow) + " ghosts " + std::to_string(s.leftGhostRow) + "/" +
                std::to_string(s.rightGhostRow) + "\n";
    }
    return text;
}

}  // namespace corvatine
