// One line of an editor buffer: its characters followed by its own ending.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace corvatine {

// Line marks (flags). The editor uses the bookmark; the comparison model
// owns the high bits.
enum LineFlag : uint32_t {
    LF_BOOKMARK = 0x80000,
    LF_GHOST = 0x1000000,
    LF_CHANGED = 0x2000000,
    LF_TRIVIAL = 0x4000000,
    LF_ONE_SIDED = 0x8000000,
};

// Any of the comparison model's marks: the row is, or stands beside, a difference.
inline constexpr uint32_t LF_DIFFERENCE = LF_GHOST | LF_CHANGED | LF_TRIVIAL | LF_ONE_SIDED;

// How a line stood in its file when it could not be read exactly (a lone
// surrogate, an invalid sequence, a character the working code page lacks):
// the file's bytes of its characters and the text they were read as. While
// the line still holds that text it is written back as those bytes.
struct LINEORIGIN {
    std::string bytes;
    std::string characters;
};

class CSyntaxTextLine {
public:
    CSyntaxTextLine() = default;
    CSyntaxTextLine(CSyntaxTextLine&&) noexcept = default;
    CSyntaxTextLine& operator=(CSyntaxTextLine&&) noexcept = default;
    CSyntaxTextLine(const CSyntaxTextLine&) = delete;
    CSyntaxTextLine& operator=(const CSyntaxTextLine&) = delete;

    // The characters and the ending, NUL-terminated; never null.
    const char* Text() const { return m_text ? m_text.get() : ""; }
    // Characters before the ending.
    int Length() const { return m_length; }
    // 0, 1 (a lone CR or LF) or 2 (CR LF).
    int EndingLength() const { return m_endingLength; }
    int FullLength() const { return m_length + m_endingLength; }
    int Capacity() const { return m_capacity; }
    std::string_view Characters() const { return {Text(), static_cast<size_t>(m_length)}; }
    std::string_view Ending() const { return {Text() + m_length, static_cast<size_t>(m_endingLength)}; }

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
    const LINEORIGIN* Origin() const { return m_origin.get(); }
    void SetOrigin(std::unique_ptr<LINEORIGIN> origin) { m_origin = std::move(origin); }

    uint32_t flags = 0;
    uint32_t revision = 0;  // change counter of the last edit; 0 as loaded

    // Buffers are sized to a multiple of 16 bytes: room for n bytes and the NUL.
    static int CapacityFor(int n) { return ((n + 1) / 16 + 1) * 16; }

private:
    void Reserve(int bytes);
    void FindEnding(int total);

    std::unique_ptr<char[]> m_text;
    int m_length = 0;
    int m_capacity = 0;
    int m_endingLength = 0;
    std::unique_ptr<LINEORIGIN> m_origin;
};

}  // namespace corvatine
