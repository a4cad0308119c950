#include "editor/SyntaxTextBuffer.h"

#include <algorithm>
#include <cstring>

namespace corvatine {

namespace {

// The smallest piece of loaded text allocated at once.
constexpr size_t kLoadedTextPiece = 64 * 1024;

}  // namespace

void CSyntaxTextBuffer::FreeLines() {
    platform::LargeVector<CSyntaxTextLine>().swap(m_lines);
    m_loadedText.clear();
    m_loadedNext = nullptr;
    m_loadedLeft = 0;
}

void CSyntaxTextBuffer::ReserveLoadedText(size_t bytes) {
    if (bytes <= m_loadedLeft) return;
    bytes = std::max(bytes, kLoadedTextPiece);
    m_loadedText.push_back(platform::MakeLargeBytes(bytes));
    m_loadedNext = m_loadedText.back().get();
    m_loadedLeft = bytes;
}

void CSyntaxTextBuffer::AppendLoadedLine(std::string_view characters, std::string_view ending) {
    const size_t full = characters.size() + ending.size();
    ReserveLoadedText(full + 1);
    char* text = m_loadedNext;
    std::memcpy(text, characters.data(), characters.size());
    std::memcpy(text + characters.size(), ending.data(), ending.size());
    text[full] = '\0';
    m_loadedNext += full + 1;
    m_loadedLeft -= full + 1;
    m_lines.emplace_back().Borrow(text, static_cast<int>(full), static_cast<int>(ending.size()));
}

void CSyntaxTextBuffer::InsertLine(const char* text, int length, int index, int count) {
    if (length < 0) length = static_cast<int>(std::strlen(text));
    if (index < 0 || index > GetLineCount()) index = GetLineCount();
    if (count <= 0) return;
    if (count == 1) {
        m_lines.emplace(m_lines.begin() + index)->Assign(text, length);
        return;
    }
    platform::LargeVector<CSyntaxTextLine> inserted(static_cast<size_t>(count));
    for (CSyntaxTextLine& line : inserted) line.Assign(text, length);
    m_lines.insert(m_lines.begin() + index, std::make_move_iterator(inserted.begin()),
                   std::make_move_iterator(inserted.end()));
}

void CSyntaxTextBuffer::RemoveLines(int index, int count) {
    if (count <= 0) return;
    m_lines.erase(m_lines.begin() + index, m_lines.begin() + index + count);
}

int CSyntaxTextBuffer::RemoveLinesWithFlags(uint32_t flags) {
    const auto kept = std::remove_if(m_lines.begin(), m_lines.end(), [flags](const CSyntaxTextLine& line) {
        return (line.flags & flags) != 0;
    });
    const int removed = static_cast<int>(m_lines.end() - kept);
    m_lines.erase(kept, m_lines.end());
    return removed;
}

void CSyntaxTextBuffer::AppendToLine(int index, const char* text, int length) {
    if (length < 0) length = static_cast<int>(std::strlen(text));
    GetLine(index).Append(text, length);
}

void CSyntaxTextBuffer::MoveLines(int first, int last, int destination) {
    if (destination == first || last < first) return;
    const int count = last - first + 1;
    if (destination > first) {
        for (int i = count - 1; i >= 0; --i) GetLine(destination + i) = std::move(GetLine(first + i));
    } else {
        for (int i = 0; i < count; ++i) GetLine(destination + i) = std::move(GetLine(first + i));
    }
    // What the block left behind holds no text any more.
    for (int i = first; i <= last; ++i) {
        if (i >= destination && i < destination + count) continue;
        GetLine(i).Reset();
        GetLine(i).flags = 0;
        GetLine(i).revision = 0;
    }
}

void CSyntaxTextBuffer::ResetLines(int index, int count) {
    for (int i = index; i < index + count; ++i) {
        GetLine(i).Reset();
        GetLine(i).flags = 0;
        GetLine(i).revision = 0;
    }
}

void CSyntaxTextBuffer::SetLineCount(int count) {
    const int old = GetLineCount();
    m_lines.resize(static_cast<size_t>(count));
    for (int i = old; i < count; ++i) GetLine(i).Reset();
}

}  // namespace corvatine
