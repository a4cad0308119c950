// The characters of a code page as find and replace see them: where each one
// ends, a number for it (to compare characters and put them in ranges), its
// capital and small letter, and the character classes of expressions.
//
// In UTF-8 a valid sequence is one character whose number is its code point;
// a byte that starts no valid sequence is a character of its own with a
// number above every code point. In a double-byte code page a lead byte and
// its trail byte are one character. Capitals and classes come from Unicode
// (the C.UTF-8 locale, whatever locale the program runs in), through the
// code page's own characters for 8-bit code pages; the characters of
// double-byte code pages beyond ASCII have no case.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace corvatine {

class CMultiByteCase {
public:
    // The characters of a code page (0, 1 and 3 mean the system's); the
    // object lives as long as the process.
    static const CMultiByteCase& For(int codePage);

    bool IsUtf8() const { return m_utf8; }
    bool IsDoubleByte() const { return m_doubleByte; }

    // The length of the character at text[position] (at least 1, at most
    // what is left) and its number.
    int Decode(const char* text, int length, int position, char32_t& code) const {
        const auto byte = static_cast<unsigned char>(text[position]);
        if (byte < 0x80) {
            code = byte;
            return 1;
        }
        return DecodeWide(text, length, position, code);
    }
    // Appends the character with that number.
    void Encode(std::string& out, char32_t code) const;
    // The number of the character with that code (a code point in UTF-8, else
    // the byte or lead and trail byte); false when the code page has none.
    bool FromCode(unsigned code, char32_t& number) const;

    char32_t Upper(char32_t code) const { return code < 0x80 ? m_upper[code] : UpperWide(code); }
    char32_t Lower(char32_t code) const { return code < 0x80 ? m_lower[code] : LowerWide(code); }
    bool IsLetter(char32_t code) const;
    bool IsUpper(char32_t code) const;
    bool IsLower(char32_t code) const;

    // Whether a character belongs to a word for whole-word searches and the
    // word anchors of expressions: a letter or digit of any script, or "_",
    // as grep -w takes words. Punctuation and spaces beyond ASCII (a dash, a
    // no-break space) are not; a byte that forms no character is, as is a
    // character the code page cannot name in Unicode.
    bool IsWordCharacter(char32_t code) const;
    // Whether the character that starts at text[position], or the one that
    // ends right before it, is a word character; false past either end.
    bool WordCharacterAt(const char* text, int length, int position) const;
    bool WordCharacterBefore(const char* text, int length, int position) const;

    // The text with every character whose capital has the same length in
    // bytes replaced by it: offsets into the result are offsets into the text.
    std::string UpperSameLength(std::string_view text) const;

private:
    explicit CMultiByteCase(int codePage);
    int DecodeWide(const char* text, int length, int position, char32_t& code) const;
    char32_t UpperWide(char32_t code) const;
    char32_t LowerWide(char32_t code) const;
    // The Unicode code point of a number, or 0 when it has none.
    char32_t Unicode(char32_t code) const;

    int m_codePage;
    bool m_utf8;
    bool m_doubleByte;
    std::array<char32_t, 256> m_upper{};
    std::array<char32_t, 256> m_lower{};
    std::array<char32_t, 256> m_unicode{};  // 8-bit code pages: each byte's code point, 0 for none
};

}  // namespace corvatine
