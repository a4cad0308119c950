// The line walk shared by the parsers of script-like languages: comments,
// strings, variables, directives, sections and words classified against the
// language's keyword sets, described by rules rather than written out again
// for each language.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/SyntaxParser.h"
#include "fileio/CodePages.h"

namespace corvatine {

// One keyword set and the colour of the words it holds.
struct KEYWORDCOLOUR {
    const CKeywordSet& (*set)();
    int colour;
};

// Where a line-comment opener counts.
enum CommentPlace : uint8_t {
    COMMENT_ANYWHERE,    // wherever it stands outside strings, but not after "$" ("$#" is a name)
    COMMENT_WORD_START,  // at the start of a word: after blanks or ";&|()" ("a#b" is no comment)
    COMMENT_LINE_START,  // only blanks before it on the line
    COMMENT_COLUMN_ONE,  // the line's first character, followed by no word character
};

struct LINECOMMENT {
    std::string_view opener;
    CommentPlace place = COMMENT_ANYWHERE;
    bool wholeWord = false;  // a word ("rem"): not followed by a word character, any case
};

struct BLOCKCOMMENT {
    std::string_view open;
    std::string_view close;
};

// How a language writes its comments, strings and words.
struct SCRIPTRULES {
    std::array<LINECOMMENT, 3> lineComments{};
    std::array<BLOCKCOMMENT, 2> blockComments{};  // carried in the block-comment bits
    std::string_view quotes;                      // up to three characters that open and close a string
    bool backslashEscapes = true;                 // a backslash escapes the next character in a string
    bool doubledQuotes = false;                   // a doubled quote stands for one inside a string
    bool stringsSpanLines = false;                // an open string continues on the next line
    bool tripleQuotes = false;                    // """ and ''' strings, which always continue
    bool numbers = false;                         // the number rule of the C-like languages
    bool functionNames = false;                   // a word followed by "(" is a function name
    std::string_view wordChars;                   // characters besides letters, digits and "_" in words
    std::string_view variablePrefixes;            // "$": the prefix and the name that follows
    std::string_view directivePrefixes;           // "#", "!": with the word after it, at the line's start
    bool sections = false;                        // "[" ... "]" at the line's start
    std::string_view specials;                    // characters handed to ParseSpecial
    std::vector<KEYWORDCOLOUR> keywords;          // consulted in order; the first match decides
};

// One line being walked: its text, the position, the state word and the
// blocks, which grow only when the colour changes.
class CScriptLine {
public:
    CScriptLine(const CSyntaxParser& parser, const CSyntaxTextLine& line, int state,
                std::vector<COLORBLOCK>* blocks);
    CScriptLine(const CSyntaxParser& parser, const char* text, int length, int state,
                std::vector<COLORBLOCK>* blocks);

    const char* text;
    int length;
    int i = 0;  // the current position
    int state;
    std::vector<COLORBLOCK>* blocks;

    unsigned char At(int k) const { return static_cast<unsigned char>(text[k]); }
    // The length of the character at k: bytes below 0x80 stand alone.
    int CharLength(int k) const { return At(k) < 0x80 ? 1 : CharacterLength(text, length, k, m_codePage); }
    // Whether s stands at k (letters in any case with noCase).
    bool Matches(int k, std::string_view s, bool noCase = false) const;
    // Whether only blanks stand before position k.
    bool OnlyBlanksBefore(int k) const;
    // The end of the run of word characters (and extra) from k.
    int WordEnd(int k, std::string_view extra) const;
    // From position on the text is drawn in colour; a block is added when
    // the colour changes.
    void Colour(int position, int colour);
    int CurrentColour() const { return m_colour; }
    bool WantsBlocks() const { return blocks != nullptr; }
    // Finds s from k on, stepping over whole characters; -1 when absent.
    int Find(int k, std::string_view s) const;

private:
    const CSyntaxParser& m_parser;
    int m_codePage;
    int m_colour = -1;
};

// A parser driven by SCRIPTRULES. A language with more to it overrides the
// hooks. State bits: 0x01 line comment, 0x04 and 0x20 the two block comments,
// 0x08, 0x10 and 0x40 a string of the first, second and third quote, 0x80 a
// triple-quoted string; 0x100 and above belong to the hooks.
class CSyntaxParserScript : public CSyntaxParser {
public:
    enum : int {
        STATE_LINE_COMMENT = 0x01,
        STATE_BLOCK_COMMENT_1 = 0x04,
        STATE_STRING_1 = 0x08,
        STATE_STRING_2 = 0x10,
        STATE_BLOCK_COMMENT_2 = 0x20,
        STATE_STRING_3 = 0x40,
        STATE_TRIPLE = 0x80,
        STATE_OWN = 0x7FFFFF00,  // the bits of the language's hooks
    };

    CSyntaxParserScript(int languageNumber, std::string name, std::string extensions, uint32_t options,
                        std::string blockCommentOpen, std::string blockCommentClose,
                        std::string lineCommentOpen, SCRIPTRULES rules);

    const char* GetClassName() const override { return "CSyntaxParserScript"; }
    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;

    // Walks from line.i to the end of the line, or to the first terminator
    // outside strings and block comments; answers the terminator's position
    // or -1. line.state is the state at the stop.
    int Walk(CScriptLine& line, std::string_view terminator = {}) const;
    // The state that carries to the next line from a line ending in state.
    int EndState(const CScriptLine& line) const;

protected:
    // Called at a character of the specials, or at any character while a
    // hook bit is set, outside comments and strings: answers true when it
    // consumed text (line.i moved on).
    virtual bool ParseSpecial(CScriptLine& line) const;
    // The colour of a finished word from start to end.
    virtual int WordColour(const CScriptLine& line, int start, int end) const;
    // The hook bits that continue on the next line.
    virtual int CarriedOwnState(int state) const { return state & STATE_OWN; }

    int KeywordColour(std::string_view word) const;
    const SCRIPTRULES& Rules() const { return m_rules; }

private:
    enum : uint16_t {
        CLASS_WORD = 0x01,
        CLASS_BLANK = 0x02,
        CLASS_LINE_COMMENT = 0x04,
        CLASS_BLOCK_COMMENT = 0x08,
        CLASS_QUOTE = 0x10,
        CLASS_VARIABLE = 0x20,
        CLASS_DIRECTIVE = 0x40,
        CLASS_SPECIAL = 0x80,
        CLASS_SECTION = 0x100,
        CLASS_WORD_EXTRA = 0x200,
    };
    bool InString(CScriptLine& line, std::string_view terminator) const;
    bool TryComment(CScriptLine& line) const;

    SCRIPTRULES m_rules;
    std::array<uint16_t, 256> m_class{};
    int m_validState = 0;  // the bits the rules can set
};

}  // namespace corvatine
