// Syntax definitions: one language's name, file extensions, comment
// delimiters and option word, and a parser that turns one line at a time
// into coloured blocks, carrying a small state from line to line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SyntaxTextLine.h"

namespace corvatine {

// Indexes into the colour table.
enum ColorIndex : int {
    COLORINDEX_BKGND = 1,
    COLORINDEX_BLOCKBKGND = 2,
    COLORINDEX_NORMALTEXT = 3,
    COLORINDEX_KEYWORD = 9,
    COLORINDEX_FUNCNAME = 10,
    COLORINDEX_COMMENT = 11,
    COLORINDEX_NUMBER = 12,
    COLORINDEX_OPERATOR = 13,
    COLORINDEX_STRING = 14,
    COLORINDEX_PREPROCESSOR = 15,
    COLORINDEX_USER1 = 18,
    COLORINDEX_COUNT = 20,
};

// From position on, the line is drawn in color on background.
struct COLORBLOCK {
    int position;
    int color;
    int background;
    bool operator==(const COLORBLOCK& other) const {
        return position == other.position && color == other.color && background == other.background;
    }
};

// What a view tells a definition about the widths of characters.
class CCharacterWidths {
public:
    virtual ~CCharacterWidths() = default;
    // Tab stops every this many character cells.
    virtual int GetTabSize() const = 0;
    // The pixel width of a character, and of an average one.
    virtual int GetCharWidth(char32_t c) const = 0;
    virtual int GetAverageCharWidth() const = 0;
};

// A set of keywords compared exactly in length, and in case unless the set
// ignores it (then ASCII letters match in either case). Contains searches the
// keys, which are sorted by byte and unique.
class CKeywordSet {
public:
    // A set made at build time (KeywordTables.cpp), each word followed by a
    // space: keys are the words as Contains compares them (lower case when
    // the set ignores case), sorted and none twice, words the same words as
    // written, in the same order. Both texts must outlive the set.
    CKeywordSet(std::string_view words, std::string_view keys, bool caseSensitive);
    // A set made at run time from words in any order (the C/C++ parser's);
    // it sorts its own keys.
    CKeywordSet(std::vector<std::string_view> words, bool caseSensitive);
    // The keys point into the set itself.
    CKeywordSet(const CKeywordSet&) = delete;
    CKeywordSet& operator=(const CKeywordSet&) = delete;

    bool Contains(std::string_view word) const;
    size_t Size() const { return m_words.size(); }
    bool IsCaseSensitive() const { return m_caseSensitive; }
    const std::vector<std::string_view>& Words() const { return m_words; }
    // The words as Contains searches them, in that order.
    std::span<const std::string_view> Keys() const { return m_keys; }

private:
    void MeasureKeys();

    std::vector<std::string_view> m_words;
    std::vector<std::string> m_ownKeys;    // the keys of a set made at run time
    std::vector<std::string_view> m_keys;  // the keys, as Contains searches them
    size_t m_longest = 0;
    uint64_t m_lengths = 0;  // bit n: some word is n bytes long (n < 64)
    bool m_caseSensitive;
};

class CSyntaxParser {
public:
    CSyntaxParser(int languageNumber, std::string name, std::string extensions, uint32_t options,
                  std::string blockCommentOpen, std::string blockCommentClose, std::string lineCommentOpen);
    virtual ~CSyntaxParser() = default;
    CSyntaxParser(const CSyntaxParser&) = delete;
    CSyntaxParser& operator=(const CSyntaxParser&) = delete;

    // The class of the definition ("CSyntaxParserCpp").
    virtual const char* GetClassName() const = 0;

    // Parses a line that starts in state and returns the state at its end.
    // With blocks, the colour blocks are appended; without, only the state
    // is computed. The base class adds no block and answers 0.
    virtual int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const;
    // A parse that only recognises comments; the base runs ParseLine.
    virtual int ParseComments(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const;
    // Where the line wraps in a view width cells wide: the character
    // positions at which continuation rows begin.
    virtual std::vector<int> GetWrapPositions(const CCharacterWidths& widths, const CSyntaxTextLine& line,
                                              int width) const;
    // Whether the byte at position is not the start of a character.
    virtual bool IsBadMultibytePosition(const CSyntaxTextLine& line, int position) const;
    virtual int GetLineLength(const CSyntaxTextLine& line) const { return line.Length(); }
    virtual const char* GetLineChars(const CSyntaxTextLine& line) const { return line.Text(); }
    // Appends (position, color, background 2) when blocks are given and the
    // position is not below the last block's; answers its index, else -1.
    virtual int AddBlock(int position, int color, std::vector<COLORBLOCK>* blocks) const;

    int GetLanguageNumber() const { return m_languageNumber; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetExtensions() const { return m_extensions; }
    // Whole file names (patterns, comma-separated) that choose the definition
    // whatever their extension ("CMakeLists.txt", "Makefile"); often empty.
    const std::string& GetFileNames() const { return m_fileNames; }
    uint32_t GetOptions() const { return m_options; }
    // The one bit a view command changes.
    void ToggleViewOption() { m_options ^= 0x8; }
    const std::string& GetBlockCommentOpen() const { return m_blockCommentOpen; }
    const std::string& GetBlockCommentClose() const { return m_blockCommentClose; }
    const std::string& GetLineCommentOpen() const { return m_lineCommentOpen; }
    int GetRecoding() const { return m_recoding; }

    // Character classes of the parsers; bytes 0x80 and above are letters.
    static bool IsWordStart(unsigned char c);
    static bool IsWordChar(unsigned char c);
    static bool IsBlank(unsigned char c);
    // The number rule of the C-like parsers: "0x" and hexadecimal digits
    // (more than 2 characters), or a digit followed by digits, "+", "-",
    // ".", "E" and "e".
    static bool IsNumber(std::string_view word);

protected:
    // Given by a definition's constructor only: definitions do not change.
    void SetFileNames(std::string names) { m_fileNames = std::move(names); }

private:
    int m_languageNumber;
    std::string m_name;
    std::string m_extensions;
    std::string m_fileNames;
    uint32_t m_options;
    std::string m_blockCommentOpen;
    std::string m_blockCommentClose;
    std::string m_lineCommentOpen;
    int m_recoding = -1;
};

}  // namespace corvatine
