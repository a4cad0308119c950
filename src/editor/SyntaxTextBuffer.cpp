#include "editor/SyntaxTextBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvatine {

namespace {

// The smallest piece of loaded text allocated at once.
constexpr size_t kLoadedTextPiece = 64 * 1024;

}  // namespace

void CSyntaxTextBuffer::FreeLines() {
    platform::LargeVector<CSyntaxTextLine>().swap(m_lines);
    m_gapStart = m_gapLength = 0;
    m_loadedText.clear();
    m_loadedNext = nullptr;
    m_loadedLeft = 0;
    m_keptText.clear();
}

void CSyntaxTextBuffer::KeepLoadedText(std::shared_ptr<const void> owner) {
    if (owner) m_keptText.push_back(std::move(owner));
}

void CSyntaxTextBuffer::ReserveLoadedText(size_t bytes) {
    if (bytes <= m_loadedLeft) return;
    bytes = std::max(bytes, kLoadedTextPiece);
    m_loadedText.push_back(platform::MakeLargeBytes(bytes));
    m_loadedNext = m_loadedText.back().get();
    m_loadedLeft = bytes;
}

inline char* CSyntaxTextBuffer::TakeLoadedText(size_t full) {
    if (full + 1 > m_loadedLeft) ReserveLoadedText(full + 1);
    char* text = m_loadedNext;
    text[full] = '\0';
    m_loadedNext += full + 1;
    m_loadedLeft -= full + 1;
    return text;
}

void CSyntaxTextBuffer::AppendLoadedLine(std::string_view characters, std::string_view ending) {
    const size_t full = characters.size() + ending.size();
    char* text = TakeLoadedText(full);
    // An empty view may have no data at all.
    if (!characters.empty()) std::memcpy(text, characters.data(), characters.size());
    if (!ending.empty()) std::memcpy(text + characters.size(), ending.data(), ending.size());
    if (m_gapLength > 0) CloseGap();
    m_lines.emplace_back(text, static_cast<int>(full), static_cast<int>(ending.size()));
    m_gapStart = m_lines.size();
}

void CSyntaxTextBuffer::AppendLoadedLines(std::string_view lines) {
    if (m_gapLength > 0) CloseGap();
    const char* p = lines.data();
    const char* const end = p + lines.size();
    while (p < end) {
        const char* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const size_t full = static_cast<size_t>(feed - p) + 1;
        char* text = TakeLoadedText(full);
        std::memcpy(text, p, full);
        m_lines.emplace_back(text, static_cast<int>(full), 1);
        p = feed + 1;
    }
    m_gapStart = m_lines.size();
}

void CSyntaxTextBuffer::CopyBorrowedText() {
    if (m_keptText.empty()) return;
    // Every line that borrows, gap or not: those of the loaded text too,
    // which costs a copy but needs no telling them apart.
    size_t bytes = 0;
    for (const CSyntaxTextLine& line : m_lines)
        if (line.Borrows()) bytes += static_cast<size_t>(line.FullLength()) + 1;
    ReserveLoadedText(bytes);
    for (CSyntaxTextLine& line : m_lines) {
        if (!line.Borrows()) continue;
        const auto full = static_cast<size_t>(line.FullLength());
        char* text = TakeLoadedText(full);
        std::memcpy(text, line.Text(), full);
        const uint32_t flags = line.flags;
        line = CSyntaxTextLine(text, static_cast<int>(full), line.EndingLength());
        line.flags = flags;
    }
    m_keptText.clear();
}

void CSyntaxTextBuffer::BorrowLoadedLines(std::string_view lines) {
    if (m_gapLength > 0) CloseGap();
    const char* p = lines.data();
    const char* const end = p + lines.size();
#if defined(__SSE2__)
    // The line feeds of 64 bytes at a time as the bits of a mask: a line
    // costs a few instructions, not a search of its own.
    const __m128i feedBytes = _mm_set1_epi8('\n');
    const auto feeds = [&feedBytes](const char* at) {
        const auto bits = [&](int k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * k));
            return static_cast<uint64_t>(
                static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feedBytes))));
        };
        return bits(0) | bits(1) << 16 | bits(2) << 32 | bits(3) << 48;
    };
    for (const char* chunk = p; end - chunk >= 64; chunk += 64) {
        for (uint64_t mask = feeds(chunk); mask != 0; mask &= mask - 1) {
            const char* at = chunk + __builtin_ctzll(mask);
            m_lines.emplace_back(p, static_cast<int>(at - p) + 1, 1);
            p = at + 1;
        }
    }
#endif
    while (p < end) {
        const char* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        m_lines.emplace_back(p, static_cast<int>(feed - p) + 1, 1);
        p = feed + 1;
    }
    m_gapStart = m_lines.size();
}

void CSyntaxTextBuffer::MoveGap(size_t index) {
    if (m_gapLength == 0) {
        m_gapStart = index;
        return;
    }
    while (m_gapStart > index) {
        --m_gapStart;
        m_lines[m_gapStart + m_gapLength] = std::move(m_lines[m_gapStart]);
    }
    while (m_gapStart < index) {
        m_lines[m_gapStart] = std::move(m_lines[m_gapStart + m_gapLength]);
        ++m_gapStart;
    }
}

void CSyntaxTextBuffer::CloseGap() {
    MoveGap(m_lines.size() - m_gapLength);
    m_lines.resize(m_lines.size() - m_gapLength);
    m_gapStart = m_lines.size();
    m_gapLength = 0;
}

void CSyntaxTextBuffer::WidenGap(size_t count) {
    if (m_gapLength >= count) return;
    // Room at the end, a quarter more than asked, then back to where it was.
    const size_t at = m_gapStart;
    CloseGap();
    const size_t lines = m_lines.size();
    const size_t extra = std::max(count, lines / 4 + 16);
    m_lines.resize(lines + extra);
    m_gapStart = lines;
    m_gapLength = extra;
    MoveGap(at);
}

void CSyntaxTextBuffer::ReserveLines(int count) {
    if (m_gapLength == 0) m_lines.reserve(static_cast<size_t>(count));
}

void CSyntaxTextBuffer::InsertLine(const char* text, int length, int index, int count) {
    if (length < 0) length = static_cast<int>(std::strlen(text));
    if (index < 0 || index > GetLineCount()) index = GetLineCount();
    if (count <= 0) return;
    WidenGap(static_cast<size_t>(count));
    MoveGap(static_cast<size_t>(index));
    for (int k = 0; k < count; ++k) {
        CSyntaxTextLine& line = m_lines[m_gapStart++];
        line.Assign(text, length);
        line.flags = 0;
        line.SetRevision(0);
    }
    m_gapLength -= static_cast<size_t>(count);
}

void CSyntaxTextBuffer::RemoveLines(int index, int count) {
    if (count <= 0) return;
    MoveGap(static_cast<size_t>(index));
    for (int k = 0; k < count; ++k) m_lines[m_gapStart + m_gapLength++].Reset();
}

int CSyntaxTextBuffer::RemoveLinesWithFlags(uint32_t flags) {
    CloseGap();
    const auto kept = std::remove_if(m_lines.begin(), m_lines.end(), [flags](const CSyntaxTextLine& line) {
        return (line.flags & flags) != 0;
    });
    const int removed = static_cast<int>(m_lines.end() - kept);
    m_lines.erase(kept, m_lines.end());
    m_gapStart = m_lines.size();
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
    }
}

void CSyntaxTextBuffer::ResetLines(int index, int count) {
    for (int i = index; i < index + count; ++i) {
        GetLine(i).Reset();
        GetLine(i).flags = 0;
    }
}

void CSyntaxTextBuffer::InsertEmptyLines(const std::vector<std::pair<int, int>>& places, uint32_t flags) {
    size_t added = 0;
    for (const auto& place : places) added += static_cast<size_t>(place.second);
    if (added == 0) return;
    CloseGap();
    size_t from = m_lines.size();
    m_lines.resize(from + added);
    size_t to = m_lines.size();
    // From the last place back: the lines after it move to their rows, the
    // empty lines go before them. A line is moved once, into a row that
    // holds no line any more. A record is its text's pointer, lengths and
    // marks, owned by whichever row holds it: the runs are moved as bytes,
    // and a row a record left is written over without being released.
    for (auto place = places.rbegin(); place != places.rend() && to > from; ++place) {
        const auto at = static_cast<size_t>(place->first);
        const auto count = static_cast<size_t>(place->second);
        const size_t run = from - at;
        std::memmove(static_cast<void*>(m_lines.data() + (to - run)),
                     static_cast<const void*>(m_lines.data() + at), run * sizeof(CSyntaxTextLine));
        to -= run;
        from = at;
        for (size_t i = to - count; i < to; ++i) {
            new (&m_lines[i]) CSyntaxTextLine();
            m_lines[i].flags = flags;
        }
        to -= count;
    }
    m_gapStart = m_lines.size();
}

void CSyntaxTextBuffer::SetLineCount(int count) {
    const int old = GetLineCount();
    CloseGap();
    m_lines.resize(static_cast<size_t>(count));
    m_gapStart = m_lines.size();
    for (int i = old; i < count; ++i) {
        GetLine(i).Reset();
        GetLine(i).flags = 0;
    }
}

}  // namespace corvatine
