// The document-side model of a text shown in editor views: lines with marks
// and change revisions, a modified flag, the line-ending style, and an undo
// history of insertions and deletions grouped into user-level steps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/SyntaxParser.h"
#include "editor/SyntaxTextBuffer.h"
#include "editor/SyntaxTextView.h"

namespace corvatine {

// One undo record.
struct SUndoRecord {
    enum : uint32_t {
        UNDO_INSERT = 0x01,       // an insertion; clear for a deletion
        UNDO_BEGINGROUP = 0x100,  // the record starts an undo group
    };
    uint32_t flags = 0;
    CPoint start;
    CPoint end;
    int action = 0;
    std::vector<uint32_t> savedRevisions;  // only with change tracking
    std::vector<uint32_t> savedFlags;      // marks a derived context asks to keep (see CaptureLineFlags)
    std::string text;                      // the text inserted or deleted
    // The lengths of the deleted lines' pieces, kept only when splitting the
    // text at its endings would not give them back (a line ending in CR
    // before a line that starts with LF).
    std::vector<int> pieces;
};

class CSyntaxEditContext : public CSyntaxTextBuffer {
public:
    static constexpr int kUndoLimit = 1024;
    // ExtractText joins lines with each line's own ending.
    static constexpr int kOwnEndings = -1;

    explicit CSyntaxEditContext(bool trackChanges = false);
    ~CSyntaxEditContext() override = default;

    // Edit state.
    bool IsModified() const { return m_modified; }
    virtual void SetModified(bool modified = true);
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool IsInitialized() const { return m_initialized; }
    int GetLineEndingStyle() const { return m_lineEndingStyle; }
    // Setting style 0 stores CR LF: the buffer always has a real style.
    void SetLineEndingStyle(int style) { m_lineEndingStyle = style == 0 ? 1 : style; }
    bool IsTrackingChanges() const { return m_trackChanges; }
    uint32_t GetChangeCounter() const { return m_changeCounter; }
    uint32_t GetSavedChangeCounter() const { return m_savedChangeCounter; }
    CPoint GetLastChangePos() const { return m_lastChange; }

    // Views.
    void AddView(CSyntaxTextView* view);
    void RemoveView(CSyntaxTextView* view);
    virtual void NotifyViews(CSyntaxTextView* source, const CPositionAdjuster* adjuster, uint32_t hints,
                             int line);

    // Everything is released before destruction or reload.
    virtual void ReleaseAll();
    // One empty line, the plain-text definition, the given style; not
    // modified, no history; the views are told to reset.
    void ResetToNew(int style);
    // After a load: not modified, no history, change counters 0.
    void ResetEditState();

    // The text from (startLine, startChar) to (endLine, endChar), lines joined
    // by the style's ending ("\r" for 2, "\n" for 3, "\r\n" otherwise) or,
    // with kOwnEndings, by each line's own.
    virtual void ExtractText(int startLine, int startChar, int endLine, int endChar, std::string& text,
                             int style) const;
    // Every line that has an ending gets the buffer style's; marks the buffer
    // modified when any line changed. No undo record is made.
    virtual void ApplyLineEndingStyle();

    // Inserts text at a position; out: the end of the inserted text.
    virtual bool InsertTextAt(CSyntaxTextView* view, int line, int character, const std::string& text,
                              int& endLine, int& endChar, int action, bool history = true);
    virtual bool DeleteRange(CSyntaxTextView* view, int startLine, int startChar, int endLine, int endChar,
                             int action, bool history = true);

    virtual bool Undo(CSyntaxTextView* view, CPoint& position);
    virtual bool Redo(CSyntaxTextView* view, CPoint& position);
    // Groups nest: one opened inside another belongs to it.
    virtual void OpenUndoGroup(bool merge = false);
    virtual void CloseUndoGroup(CSyntaxTextView* view = nullptr);
    // Drops what could be redone.
    virtual void TrimUndoHistory();
    virtual void PushUndoRecord(bool insertion, CPoint start, CPoint end, const std::string& text, int action,
                                std::vector<uint32_t> savedRevisions, std::vector<int> pieces = {},
                                std::vector<uint32_t> savedFlags = {});
    // No action of this system has a description.
    virtual bool GetActionDescription(int action, std::string& text) const;

    bool CanUndo() const { return m_undoPosition > 0; }
    bool CanRedo() const { return m_undoPosition < static_cast<int>(m_undo.size()); }
    int GetUndoAction() const;
    int GetRedoAction() const;
    std::string GetUndoMenuText() const;
    std::string GetRedoMenuText() const;
    int GetUndoPosition() const { return m_undoPosition; }
    int GetSavedUndoPosition() const { return m_savedUndoPosition; }
    const std::vector<SUndoRecord>& GetUndoRecords() const { return m_undo; }

    // Line marks. SetLineMark returns the line's flags afterwards, or -1.
    int SetLineMark(int line, uint32_t mark, bool set, bool exclusive = false, bool notify = true);
    int FindLineWithMark(uint32_t mask) const;
    int FindLineWithSingleMark(uint32_t mark) const;
    int FindNextBookmark(int line) const;
    int FindPreviousBookmark(int line) const;

    // The syntax definition (not owned, shared by all contexts). Every known
    // parse state is forgotten, since states belong to their definition.
    virtual void SetSyntaxDefinition(CSyntaxParser* definition);
    CSyntaxParser* GetSyntaxDefinition() const { return m_definition; }
    // The parse state at the end of a line, from the cache or computed from
    // the nearest known line before it; 0 for a negative line.
    int GetParseState(int line);
    // Parses a line with blocks from the cached state of the line before it
    // and caches the state at its end, so that colouring lines in order
    // parses each line once. Returns that state.
    int ParseLineInOrder(int line, std::vector<COLORBLOCK>* blocks);
    // The definition's parse of line index starting in state; 0 without a
    // definition.
    int ParseLine(int state, int line, std::vector<COLORBLOCK>* blocks) const;
    int ParseComments(int state, int line, std::vector<COLORBLOCK>* blocks) const;
    // Parse state at the end of each line; -1 is unknown, and so is every
    // line past the end (the cache is empty until a state is asked for).
    const std::vector<int32_t>& GetParseStates() const { return m_parseStates; }

protected:
    // The marks of lines first..last that undo must put back with the text
    // (for an insertion the start line, for a deletion every deleted line);
    // nothing in the editor itself.
    virtual std::vector<uint32_t> CaptureLineFlags(int first, int last) const;
    // Called after every change of the text, by edits, undo and redo.
    virtual void OnTextChanged() {}

    // The text of a range with each line's own ending, and the lengths of
    // its pieces where splitting it at its endings would not give the lines
    // back (a line ending in CR before a line that starts with LF); else no
    // pieces.
    void DescribeRange(int startLine, int startChar, int endLine, int endChar, std::string& text,
                       std::vector<int>& pieces) const;

    // With pieces, the text is split into lines of those lengths instead of
    // at its endings.
    bool InternalInsertText(CSyntaxTextView* view, int line, int character, const std::string& text,
                            int& endLine, int& endChar, const std::vector<int>* pieces = nullptr);
    bool InternalDeleteText(CSyntaxTextView* view, int startLine, int startChar, int endLine, int endChar);
    bool IsValidPosition(int line, int character) const;
    void FollowSavedPosition();
    void MarkSaved();

    uint32_t m_changeCounter = 0;
    uint32_t m_savedChangeCounter = 0;
    bool m_initialized = false;
    bool m_readOnly = false;
    bool m_modified = false;
    int m_lineEndingStyle = 0;
    int m_undoLimit = kUndoLimit;
    std::vector<SUndoRecord> m_undo;
    int m_undoPosition = 0;
    int m_savedUndoPosition = 0;
    bool m_insideGroup = false;
    int m_groupDepth = 0;
    bool m_nextStartsGroup = false;
    CPoint m_lastChange{-1, -1};
    std::vector<CSyntaxTextView*> m_views;
    bool m_trackChanges;
    std::vector<int32_t> m_parseStates;
    CSyntaxParser* m_definition = nullptr;
};

}  // namespace corvatine
