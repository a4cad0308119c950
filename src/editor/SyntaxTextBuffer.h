// The line storage of an editor buffer.
#pragma once

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/SyntaxTextLine.h"
#include "platform/LargeAlloc.h"

namespace corvatine {

class CSyntaxTextBuffer {
public:
    CSyntaxTextBuffer() = default;
    virtual ~CSyntaxTextBuffer() = default;
    CSyntaxTextBuffer(const CSyntaxTextBuffer&) = delete;
    CSyntaxTextBuffer& operator=(const CSyntaxTextBuffer&) = delete;

    // Releases every line.
    virtual void FreeLines();
    // Inserts count copies of a line (its characters and ending) before
    // index; a length of -1 takes the whole NUL-terminated text, an index of
    // -1 appends.
    virtual void InsertLine(const char* text, int length = -1, int index = -1, int count = 1);
    virtual void RemoveLines(int index, int count);
    // Removes every line that carries any of the flags, in one pass; returns how many.
    int RemoveLinesWithFlags(uint32_t flags);
    // Appends text at the end of a line's characters, over its ending.
    virtual void AppendToLine(int index, const char* text, int length = -1);
    // Moves the line records first..last so that the block starts at
    // destination. Records the block leaves behind and does not cover again
    // become empty lines; records it covers are released.
    virtual void MoveLines(int first, int last, int destination);
    // Gives count records from index on an empty 16-byte text.
    virtual void ResetLines(int index, int count);
    // Puts, in one pass, count empty lines with the given flags before each
    // line index of the list (ascending indexes, as the lines stand now; the
    // line count puts them at the end).
    void InsertEmptyLines(const std::vector<std::pair<int, int>>& places, uint32_t flags);

    int GetLineCount() const { return static_cast<int>(m_lines.size() - m_gapLength); }
    const CSyntaxTextLine& GetLine(int index) const { return m_lines[Slot(index)]; }
    CSyntaxTextLine& GetLine(int index) { return m_lines[Slot(index)]; }
    // Makes room for at least count lines without changing the lines held.
    void ReserveLines(int count);
    // Sets the number of lines; new lines are empty.
    void SetLineCount(int count);

    // Appends a line as a file is loaded: its characters and its ending are
    // copied into the buffer's loaded text, which the line borrows, so that
    // loading costs no allocation per line.
    void AppendLoadedLine(std::string_view characters, std::string_view ending);
    // The same for each line of text whose lines all end in a line feed.
    void AppendLoadedLines(std::string_view lines);
    // Room for about that much loaded text in one piece.
    void ReserveLoadedText(size_t bytes);
    // Appends each line of text whose lines all end in a line feed as it
    // lies, without a copy: the lines borrow the text, which the owner given
    // to KeepLoadedText keeps, and which must not change while they do. A
    // line so borrowed is followed by the text's next bytes, not a NUL.
    void BorrowLoadedLines(std::string_view lines);
    // Keeps owner (what holds text that lines borrow) until every line is freed.
    void KeepLoadedText(std::shared_ptr<const void> owner);
    // Copies the text of lines that borrow a kept owner's into the buffer's
    // own loaded text and lets the owners go, so that what they hold may
    // change (a file written in place).
    void CopyBorrowedText();

private:
    // The records are kept with a gap of empty ones where the last insertion
    // or removal was: edits that walk through the text (a merge of every
    // difference) move each record once, not once per edit.
    size_t Slot(int index) const {
        const auto i = static_cast<size_t>(index);
        return i < m_gapStart ? i : i + m_gapLength;
    }
    // Puts the gap before line index.
    void MoveGap(size_t index);
    // Makes the gap at least count records long.
    void WidenGap(size_t count);
    // Moves the gap to the end and drops it: the records are then in order.
    void CloseGap();
    // Room in the loaded text for a line of full bytes, the NUL after it
    // already in place; the caller copies the line in.
    char* TakeLoadedText(size_t full);

    // Text that lines borrow where it lies (a file's view), kept until every
    // line is freed; declared first, so that it goes last.
    std::vector<std::shared_ptr<const void>> m_keptText;
    platform::LargeVector<CSyntaxTextLine> m_lines;
    size_t m_gapStart = 0;
    size_t m_gapLength = 0;

    // The loaded text that lines borrow, kept until every line is freed.
    std::vector<platform::LargeBytes> m_loadedText;
    char* m_loadedNext = nullptr;
    size_t m_loadedLeft = 0;
};

}  // namespace corvatine
