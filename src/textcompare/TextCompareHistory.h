// The undo history of a text comparison: one history for both sides, whose
// steps are what one command or one run of typing changed, kept in real text
// positions so that the alignment may change under them.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/SyntaxTextLine.h"
#include "editor/SyntaxTextView.h"

namespace corvatine {

// One change of one side's real text: positions count real lines only (x a
// byte of the line), never placeholder rows.
struct TEXTEDIT {
    int side = 0;
    bool insertion = false;
    CPoint start;      // where the text begins
    CPoint end;        // where it ends: after the inserted text, or the end of the deleted one
    CPoint caret;      // where typing goes on: after the typed text (before an ending given to it)
    std::string text;  // inserted or deleted, each line with its own ending
    // The lengths of the deleted lines' pieces where splitting the text at
    // its endings would not give them back; else empty.
    std::vector<int> pieces;
    // The origins of lines of the text read with loss, by their index in it:
    // the lines take them again whenever the text is put back.
    LINEORIGINS origins;
};

// What one command did, undone and redone as one.
struct TEXTSTEP {
    std::string name;  // "Typing", "Copy to Right", "Replace All" ...
    std::vector<TEXTEDIT> edits;
    bool typing = false;  // a run of typing, which the next typed text may continue
    bool Touches(int side) const {
        for (const TEXTEDIT& edit : edits)
            if (edit.side == side) return true;
        return false;
    }
};

class CTextCompareHistory {
public:
    // Steps kept; the oldest go first.
    static constexpr int kLimit = 1000;

    explicit CTextCompareHistory(int limit = kLimit) : m_limit(limit) {}

    // Starts a step; steps opened inside a step belong to it.
    void Open(const std::string& name);
    // Ends the step opened last; the outermost one is kept when it holds an
    // edit. True when that outermost step ended.
    bool Close();
    bool IsOpen() const { return m_depth > 0; }
    // Names the open step when it has no name yet.
    void Name(const std::string& name);
    // An edit of the open step. typing: typed text without a line break; a
    // step that begins so goes on the last step when ContinuesTyping allows.
    void Record(TEXTEDIT edit, bool typing = false);

    // Whether text typed at this real position of a side continues the last
    // step: that was typing too and ended there, nothing was undone since,
    // and no side was saved after it.
    bool ContinuesTyping(int side, CPoint at) const;

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < static_cast<int>(m_steps.size()); }
    // The step Undo or Redo would take; null when none.
    const TEXTSTEP* UndoStep() const {
        return CanUndo() ? &m_steps[static_cast<size_t>(m_position - 1)] : nullptr;
    }
    const TEXTSTEP* RedoStep() const {
        return CanRedo() ? &m_steps[static_cast<size_t>(m_position)] : nullptr;
    }
    // The step was undone or redone.
    void Undone() { --m_position; }
    void Redone() { ++m_position; }

    // A side was saved (or loaded): its text as it is now is the one on disk.
    void MarkSaved(int side) { m_saved[side] = m_position; }
    // Whether the side's text differs from what was saved, as far as the
    // steps tell: some step between the two touches the side.
    bool IsModified(int side) const;

    // The side's text was replaced (loaded again): its edits go from every
    // step, and steps left with none go too.
    void ForgetSide(int side);
    // Everything goes: the history no longer fits the text.
    void Clear();
    // The sides were exchanged.
    void SwapSides();

    int Position() const { return m_position; }
    int StepCount() const { return static_cast<int>(m_steps.size()); }

private:
    int m_limit;
    std::vector<TEXTSTEP> m_steps;
    int m_position = 0;
    int m_saved[2] = {0, 0};  // the position each side was saved at; -1 when it cannot come back
    int m_depth = 0;
    TEXTSTEP m_open;
    bool m_continuing = false;  // the open step goes on the last one
};

}  // namespace corvatine
