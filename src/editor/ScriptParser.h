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
    COMMENT_ANYWHERE,     // wherever it stands outside strings, but not after "$" ("$#" is a name)
    COMMENT_WORD_START,   // at the start of a word: after blanks or ";&|()" ("a#b" is no comment)
    COMMENT_LINE_START,   // only blanks before it on the line
    COMMENT_COLUMN_ONE,   // the line's first character, followed by no word character
    COMMENT_AFTER_BLANK,  // at the line's start or after a blank ("a#b" and "x;#" are no comments)
};

struct LINECOMMENT {
    std::string_view opener;
    CommentPlace place = COMMENT_ANYWHERE;
    bool wholeWord = false;  // a word ("rem"): not followed by a word character, any case
};

struct BLOCKCOMMENT {
    std::string_view open;
    std::string_view close;
    bool nests = false;      // an opener inside opens a deeper comment ("/* a /* b */ c */")
    bool columnOne = false;  // both delimiters only at a line's start, their lines wholly comment ("=begin")
};

// Code inside a string: from the opener to its closing bracket the text is
// code again, with strings of its own ("$(basename "$x")", "${a["k"]}").
struct INTERPOLATION {
    std::string_view open;    // "$(", "${", "#{"
    char close = 0;           // ')' or '}'
    std::string_view quotes;  // the quotes whose strings hold it
};

// Here-documents: after "<<WORD" the lines that follow the current one are a
// string, up to a line holding WORD alone.
struct HEREDOCRULES {
    bool enabled = false;
    bool dash = false;                // "<<-WORD": the closing line may be indented
    bool tilde = false;               // "<<~WORD": likewise
    bool blankBeforeWord = false;     // "<< WORD" and "<<\WORD" (the shell)
    bool blankBeforeQuoted = false;   // "<< 'WORD'" only
    std::string_view indent = " \t";  // what may stand before the word of an indented closing line
};

// How a language writes its comments, strings and words.
struct SCRIPTRULES {
    std::array<LINECOMMENT, 3> lineComments{};
    std::array<BLOCKCOMMENT, 2> blockComments{};        // carried in the block-comment bits
    std::string_view quotes;                            // up to three characters that open and close a string
    bool backslashEscapes = true;                       // a backslash escapes the next character in a string
    bool doubledQuotes = false;                         // a doubled quote stands for one inside a string
    bool stringsSpanLines = false;                      // an open string continues on the next line
    bool tripleQuotes = false;                          // """ and ''' strings, which always continue
    bool numbers = false;                               // the number rule of the C-like languages
    bool functionNames = false;                         // a word followed by "(" is a function name
    std::string_view wordChars;                         // characters besides letters, digits and "_" in words
    std::string_view variablePrefixes;                  // "$": the prefix and the name that follows
    std::string_view punctuationVariables = "#?@*!$-";  // after a prefix, one of these is a whole name
    std::string_view directivePrefixes;   // "#", "!": with the word after it, at the line's start
    bool sections = false;                // "[" ... "]" at the line's start
    std::string_view specials;            // characters handed to ParseSpecial
    int quietState = 0;                   // hook bits for which ParseSpecial needs no other characters
    std::vector<KEYWORDCOLOUR> keywords;  // consulted in order; the first match decides
    bool codeEscapes = false;             // outside strings too a backslash escapes the next character
    std::string_view rawQuotes;           // quotes in whose strings a backslash is a plain character
    std::string_view spanningQuotes;      // quotes whose strings alone continue on the next line
    bool backslashContinues = false;      // a backslash that ends a line inside a string continues it
    bool rawTripleQuotes = false;         // no escapes in triple-quoted strings
    bool digitNumbers = false;            // every word that starts with a digit is a number
    std::array<INTERPOLATION, 2> interpolations{};
    bool regexLiterals = false;                    // "/.../flags" where an operand is due
    const CKeywordSet& (*regexAfter)() = nullptr;  // the words after which "/" opens a regular expression
    HEREDOCRULES heredocs;
    std::string_view annotations;         // "@": with the name after it, a directive ("@Override")
    std::string_view longBracketComment;  // "--", "#": with "[[" or "[==[", a comment to "]]" or "]==]"
    bool longBracketStrings = false;      // "[[" ... "]]" and "[==[" ... "]==]" strings
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
    int pendingHeredoc = 0;  // the state of a here-document whose text begins on the next line
    int pendingSecond = 0;   // a second one's hash of 13 bits, and 0x2000 when it may end indented
    int context = 0;         // what a language's hooks note about the line as a whole

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
// triple-quoted string; 0x100 and above belong to the hooks, except those of
// the features a language's rules ask for:
// - nesting block comments and long brackets: 0xF00 the depth beyond the
//   first comment, or the number of "=" of the bracket; 0x1000 a long-bracket
//   comment, 0x2000 a long-bracket string;
// - interpolations: 0x1FFFC000 the regions nested in the open string, up to
//   five of three bits each, the innermost lowest (code to ")", code to "}",
//   a string of the first, second or third quote);
// - here-documents: 0x40000000 inside one, 0x20000000 its closing line may be
//   indented, and then (no other bit being set) either 0x07FFFF00 a hash of
//   its word and 0xFF what goes on after it: 0x03 the open string's quote
//   (1-3, 0 none), 0xFC the two innermost regions nested in it; or, with
//   0x10000000, only the hash's low 13 bits in 0x001FFF00; or, with
//   0x08000000, a second document follows ("<<A . <<B"): 0x1FFF the short
//   hash of this one's word, 0x03FFE000 that of the next's, 0x04000000 the
//   next's closing line may be indented.
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
        STATE_LEVEL = 0xF00,
        STATE_LONG_COMMENT = 0x1000,
        STATE_LONG_STRING = 0x2000,
        STATE_NEST = 0x1FFFC000,
        STATE_HEREDOC = 0x40000000,
        STATE_HEREDOC_INDENTED = 0x20000000,
        STATE_HEREDOC_WORD = 0x07FFFF00,
        STATE_HEREDOC_TWO = 0x08000000,
        STATE_HEREDOC_SHORT = 0x10000000,
    };
    static constexpr int kLevelShift = 8;
    static constexpr int kNestShift = 14;

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

    // The hash of a here-document's word as its state holds it (19 bits).
    static int HeredocWordHash(std::string_view word);

protected:
    // Called at a character of the specials, or at any character while a
    // hook bit is set, outside comments and strings: answers true when it
    // consumed text (line.i moved on).
    virtual bool ParseSpecial(CScriptLine& line) const;
    // The colour of a finished word from start to end.
    virtual int WordColour(const CScriptLine& line, int start, int end) const;
    // The hook bits that continue on the next line; state holds only the
    // hooks' bits.
    virtual int CarriedOwnState(int state) const { return state; }

    int KeywordColour(std::string_view word) const;
    const SCRIPTRULES& Rules() const { return m_rules; }
    // The previous character that is no blank, before k; -1 when none.
    static int PreviousNonBlank(const CScriptLine& line, int k);

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
        CLASS_REGEX = 0x400,
        CLASS_HEREDOC = 0x800,
        CLASS_LONG_BRACKET = 0x1000,
        CLASS_ANNOTATION = 0x2000,
        CLASS_NESTED_CODE = 0x4000,    // quotes and brackets, which code inside a string counts
        CLASS_INTERPOLATION = 0x8000,  // the first character of an interpolation's opener
    };
    bool InString(CScriptLine& line, std::string_view terminator) const;
    int InLineComment(CScriptLine& line, std::string_view terminator) const;
    void OpenString(CScriptLine& line, unsigned char quote) const;
    bool TryVariable(CScriptLine& line) const;
    bool TryComment(CScriptLine& line) const;
    void InBlockComment(CScriptLine& line) const;
    bool TryLongBracket(CScriptLine& line) const;
    void InLongBracket(CScriptLine& line) const;
    bool TryRegex(CScriptLine& line) const;
    bool TryHeredoc(CScriptLine& line) const;
    void InHeredoc(CScriptLine& line) const;
    bool InNestedCode(CScriptLine& line) const;
    // The quote of the open string: of the innermost string region, else of
    // the string the state bits name.
    char OpenQuote(int state) const;
    // The innermost region nested in the open string; 0 when none (or the
    // language has no interpolations, whose bits are then its hooks').
    int NestTop(int state) const;
    bool EndsInEscape(const CScriptLine& line) const;

    SCRIPTRULES m_rules;
    std::array<uint16_t, 256> m_class{};
    int m_validState = 0;   // the bits the rules can set
    int m_hookState = 0;    // the bits of the hooks: those of STATE_OWN no feature uses
    int m_hookTrigger = 0;  // the hooks' bits while which every character goes to ParseSpecial
    int m_features = 0;     // the state bits of the features the rules ask for
};

}  // namespace corvatine
