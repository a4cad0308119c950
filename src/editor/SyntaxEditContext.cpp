#include "editor/SyntaxEditContext.h"

#include <algorithm>

#include "editor/SyntaxEditor.h"
#include "fileio/TextFormat.h"

namespace corvatine {

namespace {

bool IsSingleBit(uint32_t mark) { return mark != 0 && (mark & (mark - 1)) == 0; }

// Splits text into pieces that each end with one line ending (CR LF, CR or
// LF), the last piece possibly without.
std::vector<std::string_view> SplitAtEndings(const std::string& text) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (text[i] == '\r' || text[i] == '\n') {
            pieces.emplace_back(text.data() + start, i + 1 - start);
            start = i + 1;
        }
    }
    pieces.emplace_back(text.data() + start, text.size() - start);
    return pieces;
}

bool EndsWithEnding(std::string_view piece) {
    return !piece.empty() && (piece.back() == '\r' || piece.back() == '\n');
}

}  // namespace

CSyntaxEditContext::CSyntaxEditContext(bool trackChanges) : m_trackChanges(trackChanges) {}

void CSyntaxEditContext::SetModified(bool modified) { m_modified = modified; }

void CSyntaxEditContext::AddView(CSyntaxTextView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CSyntaxEditContext::RemoveView(CSyntaxTextView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CSyntaxEditContext::NotifyViews(CSyntaxTextView* source, const CPositionAdjuster* adjuster,
                                     uint32_t hints, int line) {
    // The parse states follow the text; marks alone change no text. A cache
    // that knows nothing is empty: a text nobody colours costs no room.
    const size_t count = static_cast<size_t>(GetLineCount());
    if (hints & UPDATE_RESET) {
        std::vector<int32_t>().swap(m_parseStates);
    } else if ((hints & (UPDATE_CHARACTERS | UPDATE_LINES)) && !m_parseStates.empty()) {
        if (!(hints & UPDATE_SINGLE_LINE) || (hints & UPDATE_LINES)) m_parseStates.resize(count, -1);
        const size_t from = line < 0 ? 0 : static_cast<size_t>(line);
        for (size_t i = from; i < m_parseStates.size(); ++i) m_parseStates[i] = -1;
    }
    for (CSyntaxTextView* view : m_views) view->UpdateView(source, adjuster, hints, line);
}

void CSyntaxEditContext::ReleaseAll() {
    FreeLines();
    m_undo.clear();
    m_undoPosition = 0;
    m_savedUndoPosition = 0;
    m_initialized = false;
    m_lastChange = {-1, -1};
    std::vector<int32_t>().swap(m_parseStates);
}

void CSyntaxEditContext::ResetEditState() {
    m_modified = false;
    m_undo.clear();
    m_undoPosition = 0;
    m_savedUndoPosition = 0;
    m_insideGroup = false;
    m_groupDepth = 0;
    m_nextStartsGroup = false;
    m_changeCounter = 0;
    m_savedChangeCounter = 0;
    m_lastChange = {-1, -1};
}

void CSyntaxEditContext::ResetToNew(int style) {
    ReleaseAll();
    InsertLine("", 0);
    SetSyntaxDefinition(GetSyntaxEditor().FindDefinitionByNumber(0));  // plain text
    SetLineEndingStyle(style);
    m_initialized = true;
    m_readOnly = false;
    m_undoLimit = kUndoLimit;
    ResetEditState();
    NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);
}

void CSyntaxEditContext::ExtractText(int startLine, int startChar, int endLine, int endChar,
                                     std::string& text, int style) const {
    text.clear();
    if (startLine == endLine) {
        const CSyntaxTextLine& line = GetLine(startLine);
        text.assign(line.Text() + startChar, static_cast<size_t>(endChar - startChar));
        return;
    }
    const std::string_view joint = style == kOwnEndings ? std::string_view() : EndingForStyle(style);
    auto ending = [&](const CSyntaxTextLine& line) { return style == kOwnEndings ? line.Ending() : joint; };
    const CSyntaxTextLine& first = GetLine(startLine);
    text.append(first.Text() + startChar, static_cast<size_t>(first.Length() - startChar));
    text.append(ending(first));
    for (int i = startLine + 1; i < endLine; ++i) {
        text.append(GetLine(i).Characters());
        text.append(ending(GetLine(i)));
    }
    text.append(GetLine(endLine).Text(), static_cast<size_t>(endChar));
}

void CSyntaxEditContext::ApplyLineEndingStyle() {
    if (m_lineEndingStyle == 0) return;
    const std::string_view ending = EndingForStyle(m_lineEndingStyle);
    int first = -1;
    for (int i = 0; i < GetLineCount(); ++i) {
        CSyntaxTextLine& line = GetLine(i);
        if (line.EndingLength() == 0 || line.Ending() == ending) continue;
        line.SetEnding(ending);
        if (first < 0) first = i;
    }
    if (first < 0) return;
    if (!m_modified) SetModified(true);
    NotifyViews(nullptr, nullptr, UPDATE_CHARACTERS, first);
}

std::vector<uint32_t> CSyntaxEditContext::CaptureLineFlags(int, int) const { return {}; }

bool CSyntaxEditContext::IsValidPosition(int line, int character) const {
    return line >= 0 && line < GetLineCount() && character >= 0 && character <= GetLine(line).Length();
}

bool CSyntaxEditContext::InternalInsertText(CSyntaxTextView* view, int line, int character,
                                            const std::string& text, int& endLine, int& endChar,
                                            const std::vector<int>* pieceLengths) {
    if (m_readOnly || !IsValidPosition(line, character)) return false;

    std::vector<std::string_view> pieces;
    if (pieceLengths != nullptr && !pieceLengths->empty()) {
        size_t at = 0;
        for (int length : *pieceLengths) {
            if (length < 0 || at + static_cast<size_t>(length) > text.size()) return false;
            pieces.emplace_back(text.data() + at, static_cast<size_t>(length));
            at += static_cast<size_t>(length);
        }
        if (at != text.size()) return false;
    } else {
        pieces = SplitAtEndings(text);
    }

    CSyntaxTextLine& cut = GetLine(line);
    const std::string tail(cut.Text() + character, static_cast<size_t>(cut.FullLength() - character));
    cut.Truncate(character);

    int added = 0;
    if (pieceLengths != nullptr && !pieceLengths->empty()) {
        // Exactly the lines that were cut out, empty ones (placeholder rows)
        // included; the tail joins the last of them.
        AppendToLine(line, pieces[0].data(), static_cast<int>(pieces[0].size()));
        for (size_t i = 1; i < pieces.size(); ++i)
            InsertLine(pieces[i].data(), static_cast<int>(pieces[i].size()), line + ++added);
        endLine = line + added;
        endChar = GetLine(endLine).Length();
        if (!tail.empty()) AppendToLine(endLine, tail.data(), static_cast<int>(tail.size()));
    } else {
        AppendToLine(line, pieces[0].data(), static_cast<int>(pieces[0].size()));
        for (size_t i = 1; i < pieces.size(); ++i) {
            if (pieces[i].empty()) continue;  // the text ended with an ending
            InsertLine(pieces[i].data(), static_cast<int>(pieces[i].size()), line + ++added);
        }
        const std::string_view last =
            pieces.size() > 1 && pieces.back().empty() ? pieces[pieces.size() - 2] : pieces.back();
        const bool endsWithEnding = EndsWithEnding(last);
        if (endsWithEnding) {
            endLine = line + added + 1;
            endChar = 0;
        } else {
            endLine = line + added;
            endChar = GetLine(endLine).Length();
        }
        if (!tail.empty()) {
            if (endsWithEnding) {
                InsertLine(tail.data(), static_cast<int>(tail.size()), endLine);
                ++added;
            } else {
                AppendToLine(endLine, tail.data(), static_cast<int>(tail.size()));
            }
        }
        if (GetLineCount() == endLine) {
            InsertLine("", 0);
            ++added;
        }
    }

    const CInsertContext adjuster({character, line}, {endChar, endLine});
    NotifyViews(view, &adjuster,
                added == 0 ? (UPDATE_SINGLE_LINE | UPDATE_CHARACTERS) : (UPDATE_CHARACTERS | UPDATE_LINES),
                line);
    if (!m_modified) SetModified(true);
    m_lastChange = {endChar, endLine};
    OnTextChanged();
    return true;
}

bool CSyntaxEditContext::InternalDeleteText(CSyntaxTextView* view, int startLine, int startChar, int endLine,
                                            int endChar) {
    if (m_readOnly || !IsValidPosition(startLine, startChar) || !IsValidPosition(endLine, endChar))
        return false;
    if (endLine < startLine || (endLine == startLine && endChar < startChar)) return false;

    uint32_t hints;
    if (startLine == endLine) {
        GetLine(startLine).Erase(startChar, endChar);
        hints = UPDATE_SINGLE_LINE | UPDATE_CHARACTERS;
    } else {
        const CSyntaxTextLine& last = GetLine(endLine);
        const std::string remainder(last.Text() + endChar, static_cast<size_t>(last.FullLength() - endChar));
        RemoveLines(startLine + 1, endLine - startLine);
        GetLine(startLine).Truncate(startChar);
        if (!remainder.empty()) AppendToLine(startLine, remainder.data(), static_cast<int>(remainder.size()));
        hints = UPDATE_CHARACTERS | UPDATE_LINES;
    }
    const CDeleteContext adjuster({startChar, startLine}, {endChar, endLine});
    NotifyViews(view, &adjuster, hints, startLine);
    if (!m_modified) SetModified(true);
    m_lastChange = {startChar, startLine};
    OnTextChanged();
    return true;
}

void CSyntaxEditContext::DescribeRange(int startLine, int startChar, int endLine, int endChar,
                                       std::string& text, std::vector<int>& pieces) const {
    // Each line keeps its own ending, so that undo puts back exactly the
    // bytes that were there.
    ExtractText(startLine, startChar, endLine, endChar, text, kOwnEndings);
    // Adjacent CR and LF of two lines would read back as one CR LF ending:
    // then the pieces keep how the lines were cut.
    pieces.clear();
    if (startLine == endLine) return;
    for (int i = startLine; i <= endLine; ++i) {
        const CSyntaxTextLine& line = GetLine(i);
        const int from = i == startLine ? startChar : 0;
        pieces.push_back(i == endLine ? endChar : line.FullLength() - from);
    }
    std::vector<int> split;
    for (std::string_view piece : SplitAtEndings(text)) split.push_back(static_cast<int>(piece.size()));
    if (split == pieces) pieces.clear();
}

bool CSyntaxEditContext::InsertTextAt(CSyntaxTextView* view, int line, int character, const std::string& text,
                                      int& endLine, int& endChar, int action, bool history) {
    std::vector<uint32_t> saved;
    if (m_trackChanges && line >= 0 && line < GetLineCount()) saved.push_back(GetLine(line).Revision());
    std::vector<uint32_t> flags;
    if (history && line >= 0 && line < GetLineCount()) flags = CaptureLineFlags(line, line);
    if (!InternalInsertText(view, line, character, text, endLine, endChar)) return false;

    if (m_trackChanges) {
        ++m_changeCounter;
        for (int i = line; i < endLine; ++i) GetLine(i).SetRevision(m_changeCounter);
        if (character != 0 || endChar != 0) GetLine(endLine).SetRevision(m_changeCounter);
    }
    if (history) {
        const bool ownGroup = !m_insideGroup;
        if (ownGroup) OpenUndoGroup(false);
        PushUndoRecord(true, {character, line}, {endChar, endLine}, text, action, std::move(saved), {},
                       std::move(flags));
        if (ownGroup) CloseUndoGroup(view);
    }
    return true;
}

bool CSyntaxEditContext::DeleteRange(CSyntaxTextView* view, int startLine, int startChar, int endLine,
                                     int endChar, int action, bool history) {
    if (!IsValidPosition(startLine, startChar) || !IsValidPosition(endLine, endChar)) return false;
    if (endLine < startLine || (endLine == startLine && endChar < startChar)) return false;
    std::vector<uint32_t> saved;
    if (m_trackChanges)
        for (int i = startLine; i <= endLine && i < GetLineCount(); ++i)
            saved.push_back(GetLine(i).Revision());
    std::string text;
    std::vector<int> pieces;
    DescribeRange(startLine, startChar, endLine, endChar, text, pieces);
    std::vector<uint32_t> flags;
    if (history) flags = CaptureLineFlags(startLine, endLine);
    if (!InternalDeleteText(view, startLine, startChar, endLine, endChar)) return false;

    if (m_trackChanges) {
        ++m_changeCounter;
        if (startChar != 0 || endChar != 0) GetLine(startLine).SetRevision(m_changeCounter);
    }
    if (history) {
        const bool ownGroup = !m_insideGroup;
        if (ownGroup) OpenUndoGroup(false);
        PushUndoRecord(false, {startChar, startLine}, {endChar, endLine}, text, action, std::move(saved),
                       std::move(pieces), std::move(flags));
        if (ownGroup) CloseUndoGroup(view);
    }
    return true;
}

void CSyntaxEditContext::PushUndoRecord(bool insertion, CPoint start, CPoint end, const std::string& text,
                                        int action, std::vector<uint32_t> savedRevisions,
                                        std::vector<int> pieces, std::vector<uint32_t> savedFlags) {
    if (m_undoPosition < static_cast<int>(m_undo.size())) {
        m_undo.erase(m_undo.begin() + m_undoPosition, m_undo.end());
        // The saved state was among what could have been redone: it is gone.
        if (m_savedUndoPosition > m_undoPosition) m_savedUndoPosition = -1;
    }
    if (static_cast<int>(m_undo.size()) >= m_undoLimit) {
        size_t drop = 1;
        while (drop < m_undo.size() && !(m_undo[drop].flags & SUndoRecord::UNDO_BEGINGROUP)) ++drop;
        m_undo.erase(m_undo.begin(), m_undo.begin() + static_cast<std::ptrdiff_t>(drop));
        if (m_savedUndoPosition >= 0) m_savedUndoPosition -= static_cast<int>(drop);
        if (!m_undo.empty())
            m_undo.front().flags |= SUndoRecord::UNDO_BEGINGROUP;
        else
            m_nextStartsGroup = true;
    }
    SUndoRecord record;
    record.flags =
        (insertion ? SUndoRecord::UNDO_INSERT : 0u) | (m_nextStartsGroup ? SUndoRecord::UNDO_BEGINGROUP : 0u);
    m_nextStartsGroup = false;
    record.start = start;
    record.end = end;
    record.action = action;
    record.savedRevisions = std::move(savedRevisions);
    record.text = text;
    record.pieces = std::move(pieces);
    record.savedFlags = std::move(savedFlags);
    m_undo.push_back(std::move(record));
    m_undoPosition = static_cast<int>(m_undo.size());
}

void CSyntaxEditContext::OpenUndoGroup(bool merge) {
    // A group opened inside another belongs to it.
    if (m_groupDepth++ > 0) return;
    m_insideGroup = true;
    m_nextStartsGroup = m_undoPosition == 0 || !merge;
}

void CSyntaxEditContext::CloseUndoGroup(CSyntaxTextView* view) {
    if (m_groupDepth > 0 && --m_groupDepth > 0) return;
    if (view != nullptr && m_undoPosition > 0) {
        m_nextStartsGroup = true;
        const SUndoRecord& last = m_undo[static_cast<size_t>(m_undoPosition - 1)];
        view->OnUndoGroupClosed(last.action, last.text);
    }
    m_insideGroup = false;
}

void CSyntaxEditContext::TrimUndoHistory() {
    if (m_undoPosition >= static_cast<int>(m_undo.size())) return;
    m_undo.erase(m_undo.begin() + m_undoPosition, m_undo.end());
    if (m_savedUndoPosition > m_undoPosition) m_savedUndoPosition = -1;
}

void CSyntaxEditContext::FollowSavedPosition() {
    if (m_modified && m_undoPosition == m_savedUndoPosition)
        SetModified(false);
    else if (!m_modified && m_undoPosition != m_savedUndoPosition)
        SetModified(true);
}

bool CSyntaxEditContext::Undo(CSyntaxTextView* view, CPoint& position) {
    if (m_undoPosition <= 0) return false;
    const int before = m_undoPosition;
    int index = m_undoPosition;
    bool failed = false;
    while (index > 0) {
        const SUndoRecord& record = m_undo[static_cast<size_t>(--index)];
        if (record.flags & SUndoRecord::UNDO_INSERT) {
            if (!IsValidPosition(record.start.y, record.start.x) ||
                !IsValidPosition(record.end.y, record.end.x)) {
                failed = true;
                break;
            }
            std::string current;
            ExtractText(record.start.y, record.start.x, record.end.y, record.end.x, current, kOwnEndings);
            if (current != record.text ||
                !InternalDeleteText(view, record.start.y, record.start.x, record.end.y, record.end.x)) {
                failed = true;
                break;
            }
            position = record.start;
        } else {
            int endLine = 0, endChar = 0;
            if (!InternalInsertText(view, record.start.y, record.start.x, record.text, endLine, endChar,
                                    &record.pieces)) {
                failed = true;
                break;
            }
            position = m_lastChange;
        }
        if (!record.savedFlags.empty()) {
            for (size_t i = 0; i < record.savedFlags.size(); ++i) {
                const int line = record.start.y + static_cast<int>(i);
                if (line < GetLineCount()) GetLine(line).flags = record.savedFlags[i];
            }
            OnTextChanged();
        }
        if (m_trackChanges) {
            for (size_t i = 0; i < record.savedRevisions.size(); ++i) {
                const int line = record.start.y + static_cast<int>(i);
                if (line < GetLineCount()) GetLine(line).SetRevision(record.savedRevisions[i]);
            }
        }
        if (record.flags & SUndoRecord::UNDO_BEGINGROUP) break;
    }
    if (failed) {
        // The history no longer fits the text: drop it rather than damage
        // the text. The saved state stays reachable only if nothing changed
        // and the buffer was at it.
        const bool untouched = index == before - 1;
        m_savedUndoPosition = untouched && before == m_savedUndoPosition ? 0 : -1;
        m_undo.clear();
        m_undoPosition = 0;
        FollowSavedPosition();
        return false;
    }
    m_undoPosition = index;
    FollowSavedPosition();
    return true;
}

bool CSyntaxEditContext::Redo(CSyntaxTextView* view, CPoint& position) {
    while (m_undoPosition < static_cast<int>(m_undo.size())) {
        const SUndoRecord& record = m_undo[static_cast<size_t>(m_undoPosition)];
        if (record.flags & SUndoRecord::UNDO_INSERT) {
            int endLine = 0, endChar = 0;
            InsertTextAt(view, record.start.y, record.start.x, record.text, endLine, endChar, 0, false);
            position = m_lastChange;
        } else {
            DeleteRange(view, record.start.y, record.start.x, record.end.y, record.end.x, 0, false);
            position = record.start;
        }
        ++m_undoPosition;
        if (m_undoPosition < static_cast<int>(m_undo.size()) &&
            (m_undo[static_cast<size_t>(m_undoPosition)].flags & SUndoRecord::UNDO_BEGINGROUP))
            break;
    }
    FollowSavedPosition();
    return true;
}

bool CSyntaxEditContext::GetActionDescription(int, std::string& text) const {
    text.clear();
    return false;
}

int CSyntaxEditContext::GetUndoAction() const {
    if (!CanUndo()) return 0;
    int i = m_undoPosition - 1;
    while (i > 0 && !(m_undo[static_cast<size_t>(i)].flags & SUndoRecord::UNDO_BEGINGROUP)) --i;
    return m_undo[static_cast<size_t>(i)].action;
}

int CSyntaxEditContext::GetRedoAction() const {
    return CanRedo() ? m_undo[static_cast<size_t>(m_undoPosition)].action : 0;
}

std::string CSyntaxEditContext::GetUndoMenuText() const {
    if (!CanUndo()) return "&Undo\tCtrl+Z";
    std::string description;
    GetActionDescription(GetUndoAction(), description);
    return "&Undo " + description + "\tCtrl+Z";
}

std::string CSyntaxEditContext::GetRedoMenuText() const {
    if (!CanRedo()) return "&Redo\tCtrl+Y";
    std::string description;
    GetActionDescription(GetRedoAction(), description);
    return "&Redo " + description + "\tCtrl+Y";
}

void CSyntaxEditContext::MarkSaved() {
    m_savedUndoPosition = m_undoPosition;
    SetModified(false);
    if (m_trackChanges) {
        m_savedChangeCounter = m_changeCounter;
        NotifyViews(nullptr, nullptr, UPDATE_MARKS, -1);
    }
}

int CSyntaxEditContext::SetLineMark(int line, uint32_t mark, bool set, bool exclusive, bool notify) {
    if (!IsSingleBit(mark) && (line == -1 || exclusive)) return -1;
    if (line == -1) line = FindLineWithMark(mark);
    if (line < 0 || line >= GetLineCount()) return -1;
    CSyntaxTextLine& target = GetLine(line);
    const uint32_t flags = set ? (target.flags | mark) : (target.flags & ~mark);
    if (flags == target.flags) return static_cast<int>(target.flags);
    if (exclusive && set) {
        for (int i = 0; i < GetLineCount(); ++i) {
            if (i != line && (GetLine(i).flags & mark)) {
                GetLine(i).flags &= ~mark;
                if (notify) NotifyViews(nullptr, nullptr, UPDATE_SINGLE_LINE | UPDATE_MARKS, i);
                break;
            }
        }
    }
    target.flags = flags;
    if (notify) NotifyViews(nullptr, nullptr, UPDATE_SINGLE_LINE | UPDATE_MARKS, line);
    return static_cast<int>(flags);
}

int CSyntaxEditContext::FindLineWithMark(uint32_t mask) const {
    for (int i = 0; i < GetLineCount(); ++i)
        if (GetLine(i).flags & mask) return i;
    return -1;
}

int CSyntaxEditContext::FindLineWithSingleMark(uint32_t mark) const {
    return IsSingleBit(mark) ? FindLineWithMark(mark) : -1;
}

int CSyntaxEditContext::FindNextBookmark(int line) const {
    const int count = GetLineCount();
    if (count == 0) return -1;
    int start = line < 0 ? 0 : line;
    if (start < count && (GetLine(start).flags & LF_BOOKMARK)) ++start;
    for (int i = start; i < count; ++i)
        if (GetLine(i).flags & LF_BOOKMARK) return i;
    for (int i = 0; i < count; ++i)
        if (GetLine(i).flags & LF_BOOKMARK) return i;
    return -1;
}

int CSyntaxEditContext::FindPreviousBookmark(int line) const {
    const int count = GetLineCount();
    if (count == 0) return -1;
    int start = line >= count ? count - 1 : line;
    if (start >= 0 && (GetLine(start).flags & LF_BOOKMARK)) --start;
    for (int i = start; i >= 0; --i)
        if (GetLine(i).flags & LF_BOOKMARK) return i;
    for (int i = count - 1; i >= 0; --i)
        if (GetLine(i).flags & LF_BOOKMARK) return i;
    return -1;
}

void CSyntaxEditContext::SetSyntaxDefinition(CSyntaxParser* definition) {
    m_definition = definition;
    std::vector<int32_t>().swap(m_parseStates);
    for (CSyntaxTextView* view : m_views) view->OnSyntaxDefinitionChanged();
}

int CSyntaxEditContext::GetParseState(int line) {
    if (line < 0) return 0;
    if (line >= GetLineCount()) line = GetLineCount() - 1;
    if (line < 0) return 0;
    if (m_parseStates.size() != static_cast<size_t>(GetLineCount()))
        m_parseStates.resize(static_cast<size_t>(GetLineCount()), -1);
    if (m_parseStates[static_cast<size_t>(line)] >= 0) return m_parseStates[static_cast<size_t>(line)];
    int from = line;
    while (from > 0 && m_parseStates[static_cast<size_t>(from - 1)] < 0) --from;
    for (int i = from; i <= line; ++i) {
        const int previous = i == 0 ? 0 : m_parseStates[static_cast<size_t>(i - 1)];
        m_parseStates[static_cast<size_t>(i)] = ParseLine(previous, i, nullptr);
    }
    return m_parseStates[static_cast<size_t>(line)];
}

int CSyntaxEditContext::ParseLineInOrder(int line, std::vector<COLORBLOCK>* blocks) {
    if (line < 0 || line >= GetLineCount()) return 0;
    const int state = ParseLine(GetParseState(line - 1), line, blocks);
    // GetParseState sized the cache, unless this is the first line.
    if (m_parseStates.size() != static_cast<size_t>(GetLineCount()))
        m_parseStates.resize(static_cast<size_t>(GetLineCount()), -1);
    m_parseStates[static_cast<size_t>(line)] = state;
    return state;
}

int CSyntaxEditContext::ParseLine(int state, int line, std::vector<COLORBLOCK>* blocks) const {
    return m_definition ? m_definition->ParseLine(state, GetLine(line), blocks) : 0;
}

int CSyntaxEditContext::ParseComments(int state, int line, std::vector<COLORBLOCK>* blocks) const {
    return m_definition ? m_definition->ParseComments(state, GetLine(line), blocks) : 0;
}

}  // namespace corvatine
