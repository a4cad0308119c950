// One line of an editor buffer: its characters followed by its own ending.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvatine {

// Line marks (flags). The editor uses the bookmark; the comparison model
// owns the high bits.
enum LineFlag : uint32_t {
    LF_BOOKMARK = 0x80000,
    LF_GHOST = 0x1000000,
    LF_CHANGED = 0x2000000,
    LF_TRIVIAL = 0x4000000,
    LF_ONE_SIDED = 0x8000000,
    LF_STALE = 0x10000000,   // edited since the comparison: not compared again yet
    LF_ENDING = 0x20000000,  // the rows differ only in their line endings (with 0x4000000)
    LF_MOVED = 0x40000000,   // part of a block of lines that moved
};

// Any of the comparison model's marks: the row is, or stands beside, a difference.
inline constexpr uint32_t LF_DIFFERENCE = LF_GHOST | LF_CHANGED | LF_TRIVIAL | LF_ONE_SIDED;
// The marks a comparison gives real lines, cleared before it compares again.
inline constexpr uint32_t LF_COMPARISON =
    LF_CHANGED | LF_TRIVIAL | LF_ONE_SIDED | LF_STALE | LF_ENDING | LF_MOVED;

// How a line stood in its file when it could not be read exactly (a lone
// surrogate, an invalid sequence, a character the working code page lacks),
// or when its characters would be written as other bytes: the file's bytes
// of its characters and the text they were read as. While the line still
// holds that text it is written back as those bytes.
struct LINEORIGIN {
    std::string bytes;
    std::string characters;
    bool otherForm = false;  // the characters are exact, only the bytes differ
    // The encoding the bytes are in (see EncodingKind); -1: the one its
    // buffer read its file in. A line copied from another buffer names its
    // own.
    int kind = -1;
    int codePage = -1;
};

// The origins of some lines of a text, by the lines' index in it.
using LINEORIGINS = std::vector<std::pair<int, std::shared_ptr<const LINEORIGIN>>>;

// A line's text is either borrowed from the text its buffer loaded (an arena
// that outlives the line) or held in a block of its own, which also keeps
// the line's capacity, origin and revision. A loaded line therefore costs no
// allocation of its own, and its record 16 bytes; the first change to it
// copies it into a block.
class CSyntaxTextLine {
public:
    CSyntaxTextLine() = default;
    // A line that points at text that lives elsewhere for as long as the
    // line does (the buffer's loaded text, or the file's bytes it keeps):
    // fullLength bytes, the ending of endingLength among them. A line too
    // long for the record gets a copy in a block. The record is written at
    // once: filled in field by field, it would be read back while still
    // being written, which stalls when lines are made by the thousand.
    CSyntaxTextLine(const char* text, int fullLength, int endingLength)
        : m_text(const_cast<char*>(text)),  // never written: a change copies it into a block first
          m_length(static_cast<uint32_t>(fullLength - endingLength) & kLongLength),
          m_endingLength(static_cast<uint32_t>(endingLength)) {
        if (static_cast<uint32_t>(fullLength - endingLength) >= s_blockLengthFrom) {
            m_text = nullptr;
            m_length = 0;
            Assign(text, fullLength);
        }
    }
    ~CSyntaxTextLine() { Release(); }
    CSyntaxTextLine(CSyntaxTextLine&& other) noexcept { Take(other); }
    CSyntaxTextLine& operator=(CSyntaxTextLine&& other) noexcept {
        if (this != &other) {
            Release();
            Take(other);
        }
        return *this;
    }
    CSyntaxTextLine(const CSyntaxTextLine&) = delete;
    CSyntaxTextLine& operator=(const CSyntaxTextLine&) = delete;

    // The characters and the ending; never null. NUL-terminated, except
    // in a line that borrows its file's bytes where they lie (see
    // CSyntaxTextBuffer::BorrowLoadedLines): the file's next bytes follow.
    const char* Text() const { return m_text != nullptr ? m_text : ""; }
    // Characters before the ending.
    int Length() const { return m_length != kLongLength ? static_cast<int>(m_length) : LongLength(); }
    // 0, 1 (a lone CR or LF) or 2 (CR LF).
    int EndingLength() const { return m_endingLength; }
    // Whether the line points at text it does not own (see the constructor).
    bool Borrows() const { return m_text != nullptr && !m_owned; }
    int FullLength() const { return Length() + static_cast<int>(m_endingLength); }
    // The bytes the line may hold without growing (with its NUL); a line
    // without a block of its own has the 16 bytes of a new one.
    int Capacity() const;
    std::string_view Characters() const { return {Text(), static_cast<size_t>(Length())}; }
    std::string_view Ending() const { return {Text() + Length(), static_cast<size_t>(m_endingLength)}; }

    // Replaces the whole line; the ending is found from the last characters.
    void Assign(const char* text, int length);
    // An empty line with a 16-byte buffer.
    void Reset();
    // Appends at the end of the characters, over the ending; the new ending
    // is found from the new last characters.
    void Append(const char* text, int length);
    // Keeps the first count characters and no ending.
    void Truncate(int count);
    // Removes the characters [from, to); the rest and the ending move left.
    void Erase(int from, int to);
    // Puts another ending in place of the line's own.
    void SetEnding(std::string_view ending);

    // The origin of a line read with loss; null for every other line.
    const LINEORIGIN* Origin() const { return m_owned ? OwnOrigin() : nullptr; }
    void SetOrigin(std::unique_ptr<LINEORIGIN> origin);

    // The change counter of the last edit that touched the line; 0 as
    // loaded. A line without a block of its own gets one for another value.
    uint32_t Revision() const;
    void SetRevision(uint32_t revision) {
        if (revision != 0 || m_owned) SetOwnRevision(revision);
    }

    // Buffers are sized to a multiple of 16 bytes: room for n bytes and the NUL.
    static int CapacityFor(int n) { return ((n + 1) / 16 + 1) * 16; }

    // The record holds lengths below 2^29 - 1; longer lines keep theirs in
    // their block. Tests make lines from a smaller length on do so.
    static void SetBlockLengthFrom(int length) {
        s_blockLengthFrom = length > 0 && static_cast<uint32_t>(length) < kLongLength
                                ? static_cast<uint32_t>(length)
                                : kLongLength;
    }

private:
    struct BLOCK;
    // The record's length that says the length is in the block.
    static constexpr uint32_t kLongLength = (1u << 29) - 1;
    static inline uint32_t s_blockLengthFrom = kLongLength;

    BLOCK* Block() const;
    int LongLength() const;
    void SetLength(int length);
    void SetOwnRevision(uint32_t revision);
    void Reserve(int bytes);
    void FindEnding(int total);
    void FreeBlock();
    const LINEORIGIN* OwnOrigin() const;
    // Lines are moved and released often (the rows of a comparison are
    // placed by moving them): both are inline, a block freed out of line.
    void Release() {
        if (m_owned) FreeBlock();
        m_text = nullptr;
        m_owned = 0;
    }
    void Take(CSyntaxTextLine& other) noexcept {
        m_text = other.m_text;
        m_length = other.m_length;
        m_endingLength = other.m_endingLength;
        m_owned = other.m_owned;
        flags = other.flags;
        other.m_text = nullptr;
        other.m_owned = 0;
        other.m_length = 0;
        other.m_endingLength = 0;
    }

    char* m_text = nullptr;      // a block's text, borrowed text, or null for an empty line
    uint32_t m_length : 29 = 0;  // kLongLength: in the block
    uint32_t m_endingLength : 2 = 0;
    uint32_t m_owned : 1 = 0;  // m_text is the text of a block of this line's

public:
    uint32_t flags = 0;
};

}  // namespace corvatine
