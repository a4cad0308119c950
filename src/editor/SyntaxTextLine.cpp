#include "editor/SyntaxTextLine.h"

#include <cstring>

namespace corvatine {

void CSyntaxTextLine::Reserve(int bytes) {
    if (m_text && m_capacity > bytes) return;
    const int capacity = CapacityFor(bytes);
    std::unique_ptr<char[]> text(new char[static_cast<size_t>(capacity)]);
    if (m_text)
        std::memcpy(text.get(), m_text.get(), static_cast<size_t>(FullLength()) + 1);
    else
        text[0] = '\0';
    m_text = std::move(text);
    m_capacity = capacity;
}

void CSyntaxTextLine::FindEnding(int total) {
    const char* t = m_text.get();
    if (total >= 2 && t[total - 2] == '\r' && t[total - 1] == '\n')
        m_endingLength = 2;
    else if (total >= 1 && (t[total - 1] == '\r' || t[total - 1] == '\n'))
        m_endingLength = 1;
    else
        m_endingLength = 0;
    m_length = total - m_endingLength;
}

void CSyntaxTextLine::Assign(const char* text, int length) {
    if (!m_text || m_capacity <= length) {
        m_text.reset();
        m_capacity = 0;
        m_length = m_endingLength = 0;
        Reserve(length);
    }
    if (length > 0) std::memcpy(m_text.get(), text, static_cast<size_t>(length));
    m_text[static_cast<size_t>(length)] = '\0';
    FindEnding(length);
}

void CSyntaxTextLine::Reset() {
    m_origin.reset();
    m_text.reset();
    m_capacity = 0;
    m_length = m_endingLength = 0;
    Reserve(0);
}

void CSyntaxTextLine::Append(const char* text, int length) {
    const int total = m_length + length;
    Reserve(total);
    if (length > 0) std::memmove(m_text.get() + m_length, text, static_cast<size_t>(length));
    m_text[static_cast<size_t>(total)] = '\0';
    FindEnding(total);
}

void CSyntaxTextLine::Truncate(int count) {
    Reserve(0);
    m_length = count;
    m_endingLength = 0;
    m_text[static_cast<size_t>(count)] = '\0';
}

void CSyntaxTextLine::Erase(int from, int to) {
    if (to <= from) return;
    const int total = FullLength();
    std::memmove(m_text.get() + from, m_text.get() + to, static_cast<size_t>(total - to) + 1);
    m_length -= to - from;
}

void CSyntaxTextLine::SetEnding(std::string_view ending) {
    const int total = m_length + static_cast<int>(ending.size());
    Reserve(total);
    std::memcpy(m_text.get() + m_length, ending.data(), ending.size());
    m_text[static_cast<size_t>(total)] = '\0';
    m_endingLength = static_cast<int>(ending.size());
}

}  // namespace corvatine
