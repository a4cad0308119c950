#include "editor/SyntaxTextLine.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace corvatine {

static_assert(sizeof(CSyntaxTextLine) == 16, "a loaded line costs its text and 16 bytes");

// A line's own block: its capacity, revision, origin and, for a long line,
// its length; then its text.
struct CSyntaxTextLine::BLOCK {
    int capacity;
    uint32_t revision;
    LINEORIGIN* origin;
    int length;
    char text[1];

    static BLOCK* Make(int capacity) {
        void* memory = ::operator new(offsetof(BLOCK, text) + static_cast<size_t>(capacity));
        BLOCK* block = static_cast<BLOCK*>(memory);
        block->capacity = capacity;
        block->revision = 0;
        block->origin = nullptr;
        block->length = 0;
        return block;
    }
    static void Free(BLOCK* block) {
        delete block->origin;
        ::operator delete(block);
    }
};

CSyntaxTextLine::BLOCK* CSyntaxTextLine::Block() const {
    return m_owned ? reinterpret_cast<BLOCK*>(m_text - offsetof(BLOCK, text)) : nullptr;
}

int CSyntaxTextLine::LongLength() const { return Block()->length; }

void CSyntaxTextLine::SetLength(int length) {
    if (static_cast<uint32_t>(length) < s_blockLengthFrom) {
        m_length = static_cast<uint32_t>(length);
    } else {
        Block()->length = length;  // a text that long has been copied into a block
        m_length = kLongLength;
    }
}

uint32_t CSyntaxTextLine::Revision() const {
    const BLOCK* block = Block();
    return block != nullptr ? block->revision : 0;
}

void CSyntaxTextLine::SetOwnRevision(uint32_t revision) {
    Reserve(0);
    Block()->revision = revision;
}

void CSyntaxTextLine::FreeBlock() { BLOCK::Free(Block()); }

int CSyntaxTextLine::Capacity() const {
    if (const BLOCK* block = Block()) return block->capacity;
    return m_text != nullptr ? FullLength() + 1 : CapacityFor(0);
}

// Gives the line a block of its own with room for bytes and the NUL, its
// text and origin kept.
void CSyntaxTextLine::Reserve(int bytes) {
    if (m_text != nullptr && bytes < FullLength()) bytes = FullLength();  // the text it keeps
    BLOCK* old = Block();
    if (old != nullptr && old->capacity > bytes) return;
    BLOCK* block = BLOCK::Make(CapacityFor(bytes));
    // Borrowed text need not end in a NUL: the text is copied, the NUL put after it.
    const int full = m_text != nullptr ? FullLength() : 0;
    if (full > 0) std::memcpy(block->text, m_text, static_cast<size_t>(full));
    block->text[full] = '\0';
    if (old != nullptr) {
        block->origin = old->origin;
        block->revision = old->revision;
        block->length = old->length;
        old->origin = nullptr;
        BLOCK::Free(old);
    }
    m_text = block->text;
    m_owned = 1;
}

void CSyntaxTextLine::FindEnding(int total) {
    const char* t = m_text;
    if (total >= 2 && t[total - 2] == '\r' && t[total - 1] == '\n')
        m_endingLength = 2;
    else if (total >= 1 && (t[total - 1] == '\r' || t[total - 1] == '\n'))
        m_endingLength = 1;
    else
        m_endingLength = 0;
    SetLength(total - static_cast<int>(m_endingLength));
}

void CSyntaxTextLine::Assign(const char* text, int length) {
    const BLOCK* block = Block();
    if (block == nullptr || block->capacity <= length) {
        const uint32_t revision = Revision();
        Release();
        m_length = 0;
        m_endingLength = 0;
        Reserve(length);
        Block()->revision = revision;
    }
    if (length > 0) std::memmove(m_text, text, static_cast<size_t>(length));
    m_text[static_cast<size_t>(length)] = '\0';
    FindEnding(length);
}

void CSyntaxTextLine::Reset() {
    Release();
    m_length = 0;
    m_endingLength = 0;
}

void CSyntaxTextLine::Append(const char* text, int length) {
    const int characters = Length();
    const int total = characters + length;
    Reserve(total);
    if (length > 0) std::memmove(m_text + characters, text, static_cast<size_t>(length));
    m_text[static_cast<size_t>(total)] = '\0';
    FindEnding(total);
}

void CSyntaxTextLine::Truncate(int count) {
    Reserve(0);
    SetLength(count);
    m_endingLength = 0;
    m_text[static_cast<size_t>(count)] = '\0';
}

void CSyntaxTextLine::Erase(int from, int to) {
    if (to <= from) return;
    Reserve(0);
    const int total = FullLength();
    std::memmove(m_text + from, m_text + to, static_cast<size_t>(total - to) + 1);
    SetLength(Length() - (to - from));
}

void CSyntaxTextLine::SetEnding(std::string_view ending) {
    const int characters = Length();
    const int total = characters + static_cast<int>(ending.size());
    Reserve(total);
    std::memcpy(m_text + characters, ending.data(), ending.size());
    m_text[static_cast<size_t>(total)] = '\0';
    m_endingLength = static_cast<uint32_t>(ending.size());
}

const LINEORIGIN* CSyntaxTextLine::OwnOrigin() const { return Block()->origin; }

void CSyntaxTextLine::SetOrigin(std::unique_ptr<LINEORIGIN> origin) {
    if (!origin && Block() == nullptr) return;
    Reserve(0);
    delete Block()->origin;
    Block()->origin = origin.release();
}

}  // namespace corvatine
