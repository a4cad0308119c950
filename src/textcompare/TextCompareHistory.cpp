#include "textcompare/TextCompareHistory.h"

#include <algorithm>
#include <utility>

namespace corvatine {

void CTextCompareHistory::Open(const std::string& name) {
    if (m_depth++ > 0) return;
    m_open = TEXTSTEP();
    m_open.name = name;
    m_continuing = false;
}

void CTextCompareHistory::Name(const std::string& name) {
    if (m_depth > 0 && m_open.name.empty()) m_open.name = name;
}

void CTextCompareHistory::Record(TEXTEDIT edit, bool typing) {
    if (m_depth == 0) return;
    if (m_open.edits.empty()) {
        m_open.typing = typing;
        m_continuing = typing && ContinuesTyping(edit.side, edit.start);
    } else if (!typing) {
        m_open.typing = false;
    }
    m_open.edits.push_back(std::move(edit));
}

bool CTextCompareHistory::Close() {
    if (m_depth == 0 || --m_depth > 0) return false;
    if (m_open.edits.empty()) return true;
    if (m_continuing) {
        TEXTSTEP& last = m_steps.back();
        for (TEXTEDIT& edit : m_open.edits) last.edits.push_back(std::move(edit));
        last.typing = m_open.typing;
        m_open = TEXTSTEP();
        return true;
    }
    // What could have been redone is gone, and a side saved there cannot
    // come back to its saved text by undo or redo.
    if (CanRedo()) {
        m_steps.erase(m_steps.begin() + m_position, m_steps.end());
        for (int& saved : m_saved)
            if (saved > m_position) saved = -1;
    }
    m_steps.push_back(std::move(m_open));
    m_open = TEXTSTEP();
    ++m_position;
    if (static_cast<int>(m_steps.size()) > m_limit) {
        m_steps.erase(m_steps.begin());
        --m_position;
        for (int& saved : m_saved)
            if (saved >= 0) --saved;  // at -1 now: saved before the oldest step kept
    }
    return true;
}

bool CTextCompareHistory::ContinuesTyping(int side, CPoint at) const {
    if (!CanUndo() || CanRedo() || m_saved[0] == m_position || m_saved[1] == m_position) return false;
    const TEXTSTEP& last = m_steps.back();
    if (!last.typing || last.edits.empty()) return false;
    const TEXTEDIT& edit = last.edits.back();
    return edit.side == side && edit.insertion && edit.caret == at;
}

bool CTextCompareHistory::IsModified(int side) const {
    const int saved = m_saved[side];
    if (saved < 0) return true;
    const int from = std::min(saved, m_position), to = std::max(saved, m_position);
    for (int k = from; k < to; ++k)
        if (m_steps[static_cast<size_t>(k)].Touches(side)) return true;
    return false;
}

void CTextCompareHistory::ForgetSide(int side) {
    std::vector<TEXTSTEP> kept;
    int position = 0, saved[2] = {-1, -1};
    for (size_t k = 0; k <= m_steps.size(); ++k) {
        // Positions that pointed at k now point at the steps kept before it.
        if (static_cast<int>(k) == m_position) position = static_cast<int>(kept.size());
        for (int s = 0; s < 2; ++s)
            if (static_cast<int>(k) == m_saved[s]) saved[s] = static_cast<int>(kept.size());
        if (k == m_steps.size()) break;
        TEXTSTEP& step = m_steps[k];
        step.edits.erase(std::remove_if(step.edits.begin(), step.edits.end(),
                                        [side](const TEXTEDIT& edit) { return edit.side == side; }),
                         step.edits.end());
        if (!step.edits.empty()) kept.push_back(std::move(step));
    }
    m_steps = std::move(kept);
    m_position = position;
    m_saved[1 - side] = saved[1 - side];
    m_saved[side] = m_position;  // the side is as it is on disk
}

void CTextCompareHistory::Clear() {
    // A side that is as it was saved stays so; any other cannot come back.
    const bool modified[2] = {IsModified(0), IsModified(1)};
    m_steps.clear();
    m_position = 0;
    for (int side = 0; side < 2; ++side) m_saved[side] = modified[side] ? -1 : 0;
}

void CTextCompareHistory::SwapSides() {
    for (TEXTSTEP& step : m_steps)
        for (TEXTEDIT& edit : step.edits) edit.side = 1 - edit.side;
    for (TEXTEDIT& edit : m_open.edits) edit.side = 1 - edit.side;
    std::swap(m_saved[0], m_saved[1]);
}

}  // namespace corvatine
