#include <cctype>

#include "editor/SyntaxParsers.h"
#include "fileio/CodePages.h"

namespace corvatine {

namespace {

bool IsLetter(unsigned char c) { return c >= 0x80 || std::isalpha(c); }

}  // namespace

const CKeywordSet& CSyntaxParserCpp::Keywords() {
    static const CKeywordSet set(
        {
            "_asm",
            "__asm",
            "_far16",
            "__far16",
            "enum",
            "__multiple_inheritance",
            "template",
            "auto",
            "__except",
            "__single_inheritance",
            "this",
            "__based",
            // The reserved words of C and C++.
            "bool",
            "break",
            "case",
            "catch",
            "char",
            "class",
            "const",
            "const_cast",
            "continue",
            "default",
            "delete",
            "do",
            "double",
            "dynamic_cast",
            "else",
            "explicit",
            "extern",
            "false",
            "float",
            "for",
            "friend",
            "goto",
            "if",
            "inline",
            "int",
            "long",
            "mutable",
            "namespace",
            "new",
            "operator",
            "private",
            "protected",
            "public",
            "register",
            "reinterpret_cast",
            "return",
            "short",
            "signed",
            "sizeof",
            "static",
            "static_cast",
            "struct",
            "switch",
            "throw",
            "true",
            "try",
            "typedef",
            "typeid",
            "typename",
            "union",
            "unsigned",
            "using",
            "virtual",
            "void",
            "volatile",
            "wchar_t",
            "while",
            // Compiler-specific words.
            "__cdecl",
            "_cdecl",
            "__declspec",
            "dllexport",
            "dllimport",
            "naked",
            "thread",
            "__fastcall",
            "__finally",
            "__inline",
            "__int8",
            "__int16",
            "__int32",
            "__int64",
            "__leave",
            "__stdcall",
            "__try",
            "__virtual_inheritance",
            "__uuidof",
            "__export",
            "_export",
            "__far",
            "_far",
            "__near",
            "_near",
            "__pascal",
            "_pascal",
            "__segment",
            "wmain",
            "main",
            "xalloc",
            "interface",
            "persistent",
            "_persistent",
            "transient",
            "depend",
            "ondemand",
            "cset",
            "useindex",
            "indexdef",
        },
        true);
    return set;
}

const CKeywordSet& CSyntaxParserCpp::UserKeywords() {
    static const CKeywordSet set(
        {
            "LPTSTR", "LPCTSTR", "LPWSTR", "LPCWSTR", "LPTSTR",  "LPCTSTR",  "CHAR",   "WCHAR",
            "TCHAR",  "BYTE",    "BOOL",   "VOID",    "LONG",    "TRUE",     "FALSE",  "INT",
            "UINT",   "WORD",    "DWORD",  "WPARAM",  "LPARAM",  "LRESULT",  "BSTR",   "COLORREF",
            "LPCSTR", "LPSTR",   "LPVOID", "LRESULT", "WNDPROC", "POSITION", "LPRECT", "HANDLE",
        },
        true);
    return set;
}

CSyntaxParserCpp::CSyntaxParserCpp()
    : CSyntaxParserCpp(4, "C/C++", "c,cc,cpp,cxx,h,hpp,hxx,hm,inl,rh,tlh,tli,xs", 0x30,
                       {{Keywords, COLORINDEX_KEYWORD}, {UserKeywords, COLORINDEX_USER1}}, true) {}

CSyntaxParserCpp::CSyntaxParserCpp(int languageNumber, std::string name, std::string extensions,
                                   uint32_t options, std::vector<KEYWORDCOLOUR> keywords, bool directives)
    : CSyntaxParser(languageNumber, std::move(name), std::move(extensions), options, "/*", "*/", "//"),
      m_keywords(std::move(keywords)),
      m_directives(directives) {}

int CSyntaxParserCpp::ParseLine(int state, const CSyntaxTextLine& line,
                                std::vector<COLORBLOCK>* blocks) const {
    return Parse(state, line, blocks, false);
}

int CSyntaxParserCpp::ParseComments(int state, const CSyntaxTextLine& line,
                                    std::vector<COLORBLOCK>* blocks) const {
    return Parse(state, line, blocks, true);
}

namespace {

// The walk over one line of a C-like parse, for both parses: the state word
// and what the walk keeps of the line so far, with one step for each kind of
// place the walk can be in. Lives for one line; the steps are inlined into
// the walk.
class CCppLineWalk {
public:
    using Cpp = CSyntaxParserCpp;

    CCppLineWalk(const Cpp& parser, const std::vector<KEYWORDCOLOUR>& keywords, const char* text, int length,
                 int state, std::vector<COLORBLOCK>* blocks, bool commentsOnly, bool directives)
        : m_parser(parser),
          m_keywords(keywords),
          m_text(text),
          m_length(length),
          m_codePage(WorkingCodePage()),
          m_blocks(blocks),
          m_commentsOnly(commentsOnly),
          m_directiveMayOpen(directives && !commentsOnly &&
                             (state == 0 || state == Cpp::STATE_BLOCK_COMMENT)),
          m_state(state) {}

    // Walks the line and answers the state at its end.
    int Run() {
        while (m_i < m_length) {
            const int n = CharacterLength(m_text, m_length, m_i, m_codePage);
            const unsigned char c = At(m_i);
            const bool single = n == 1;
            if (m_state & Cpp::STATE_LINE_COMMENT) {
                if (m_due) AddBlock(m_i, COLORINDEX_COMMENT);
                break;  // the rest is comment
            }
            if (m_state & (Cpp::STATE_STRING | Cpp::STATE_CHAR)) {
                InLiteral(c, single);
            } else if (m_state & Cpp::STATE_BLOCK_COMMENT) {
                InBlockComment(c, single);
            } else if (single && (c == '/' || c == '*') && AfterSlash()) {
                OpenComment(c);
                if (c == '/') break;  // the rest is comment
            } else if (m_state & Cpp::STATE_PREPROCESSOR) {
                InDirective();
            } else if (m_commentsOnly || !single || !OpenLiteralOrDirective(c)) {
                InCode(c, n);
            }
            Advance(n, single && c == '\\');
        }
        if (m_wordStart >= 0 && !(m_state & Cpp::STATE_LINE_COMMENT)) Classify(m_wordStart, m_length);
        return EndState();
    }

private:
    unsigned char At(int k) const { return static_cast<unsigned char>(m_text[k]); }
    void AddBlock(int position, int colour) const { m_parser.AddBlock(position, colour, m_blocks); }

    // On past the current character of n bytes, counting the backslashes
    // in a row.
    void Advance(int n, bool backslash) {
        m_backslashes = backslash ? m_backslashes + 1 : 0;
        m_h = m_i;
        m_i += n;
    }

    // Inside a string or character literal: it ends at its quote unless
    // an odd number of backslashes stand before it.
    void InLiteral(unsigned char c, bool single) {
        if (m_due) AddBlock(m_i, COLORINDEX_STRING);
        m_due = false;
        const char quote = (m_state & Cpp::STATE_STRING) ? '"' : '\'';
        if (single && c == quote && m_backslashes % 2 == 0) {
            m_state &= ~(Cpp::STATE_STRING | Cpp::STATE_CHAR);
            m_due = true;
            m_pairFloor = m_i;
        }
    }

    // Inside a block comment: it ends at "*/" whose star neither opened it
    // nor closed something before.
    void InBlockComment(unsigned char c, bool single) {
        if (m_due) AddBlock(m_i, COLORINDEX_COMMENT);
        m_due = false;
        if (single && c == '/' && m_h >= 0 && m_text[m_h] == '*' && m_h != m_openStar && m_h > m_pairFloor) {
            m_state &= ~Cpp::STATE_BLOCK_COMMENT;
            m_due = true;
            m_pairFloor = m_i;
        }
    }

    // Whether the previous character is a "/" free to pair with this one.
    bool AfterSlash() const { return m_h >= 0 && m_h > m_pairFloor && m_text[m_h] == '/'; }

    // "//" or "/*" (c is the second character) opens a comment at the slash.
    void OpenComment(unsigned char c) {
        AddBlock(m_h, COLORINDEX_COMMENT);
        if (c == '/') {
            m_state |= Cpp::STATE_LINE_COMMENT;
            return;
        }
        m_state |= Cpp::STATE_BLOCK_COMMENT;
        m_openStar = m_i;
        m_due = false;
    }

    // The rest of a directive line is coloured as the directive.
    void InDirective() {
        if (m_due) AddBlock(m_i, COLORINDEX_PREPROCESSOR);
        m_due = false;
    }

    // Whether c opens a string, a character literal (a quote after a word
    // character is not one: "1'000"), or a directive ("#" first on a line
    // that does not go on from the one before); if so the state says so.
    bool OpenLiteralOrDirective(unsigned char c) {
        const bool quote = c == '"' || (c == '\'' && !(m_h >= 0 && Cpp::IsWordChar(At(m_h))));
        if (quote) {
            EndWord(m_i);
            AddBlock(m_i, COLORINDEX_STRING);
            m_state |= c == '"' ? Cpp::STATE_STRING : Cpp::STATE_CHAR;
        } else if (c == '#' && m_directiveMayOpen && m_onlyBlanks) {
            AddBlock(m_i, COLORINDEX_PREPROCESSOR);
            m_state |= Cpp::STATE_PREPROCESSOR;
        } else {
            return false;
        }
        m_due = false;
        m_onlyBlanks = false;
        return true;
    }

    // A character of code: part of a word being gathered, or an operator
    // (each a block of its own), or a blank.
    void InCode(unsigned char c, int n) {
        if (!Cpp::IsBlank(c)) m_onlyBlanks = false;
        if (WordPart(m_i, n)) {
            if (m_wordStart < 0) m_wordStart = m_i;
        } else {
            EndWord(m_i);
        }
        if (m_due) {
            const int colour = WordPart(m_i, n) ? COLORINDEX_NORMALTEXT : COLORINDEX_OPERATOR;
            AddBlock(m_i, colour);
            m_due = colour == COLORINDEX_OPERATOR;
        }
    }

    // A word character, or a "." between two non-letters (a decimal number).
    bool WordPart(int k, int n) const {
        if (n > 1) return true;
        const unsigned char c = At(k);
        if (Cpp::IsWordChar(c)) return true;
        return c == '.' && (k == 0 || !IsLetter(At(k - 1))) && (k + 1 >= m_length || !IsLetter(At(k + 1)));
    }

    // The word being gathered ends before k.
    void EndWord(int k) {
        if (m_wordStart < 0) return;
        Classify(m_wordStart, k);
        m_wordStart = -1;
        m_due = true;
    }

    // The colour of the word from start to end: a keyword of the first set
    // that holds it, a number, or a function's name when "(" follows.
    void Classify(int start, int end) const {
        if (m_blocks == nullptr || m_commentsOnly) return;
        const std::string_view word(m_text + start, static_cast<size_t>(end - start));
        int colour = COLORINDEX_NORMALTEXT;
        for (const KEYWORDCOLOUR& k : m_keywords) {
            if (k.set().Contains(word)) {
                colour = k.colour;
                break;
            }
        }
        if (colour != COLORINDEX_NORMALTEXT) {
            AddBlock(start, colour);
        } else if (Cpp::IsNumber(word)) {
            AddBlock(start, COLORINDEX_NUMBER);
        } else {
            int k = end;
            while (k < m_length && Cpp::IsBlank(At(k))) ++k;
            if (k < m_length && m_text[k] == '(') AddBlock(start, COLORINDEX_FUNCNAME);
        }
    }

    // The state carried to the next line: a real backslash at the end
    // continues strings, directives and line comments; a block comment
    // always goes on.
    int EndState() const {
        int last = m_i < m_length ? m_i : m_h;
        if (last < 0) last = 0;
        while (last + CharacterLength(m_text, m_length, last, m_codePage) < m_length)
            last += CharacterLength(m_text, m_length, last, m_codePage);
        const bool continued =
            CharacterLength(m_text, m_length, last, m_codePage) == 1 && m_text[last] == '\\';
        return continued ? m_state : m_state & Cpp::STATE_BLOCK_COMMENT;
    }

    const Cpp& m_parser;
    const std::vector<KEYWORDCOLOUR>& m_keywords;
    const char* const m_text;
    const int m_length;
    const int m_codePage;
    std::vector<COLORBLOCK>* const m_blocks;
    const bool m_commentsOnly;
    const bool m_directiveMayOpen;
    int m_state;
    int m_i = 0;
    bool m_onlyBlanks = true;
    bool m_due = true;      // a new block starts at the next character
    int m_wordStart = -1;   // the word being gathered
    int m_h = -1;           // the previous character
    int m_pairFloor = -1;   // characters up to here closed a token and pair with nothing
    int m_openStar = -1;    // the '*' of the "/*" that opened the block comment
    int m_backslashes = 0;  // backslashes just before the current character
};

}  // namespace

// One walk for both parses. The comment-only parse knows no strings,
// character literals or directives, so comment markers inside strings count.
int CSyntaxParserCpp::Parse(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks,
                            bool commentsOnly) const {
    const char* text = GetLineChars(line);
    const int length = GetLineLength(line);
    if (length == 0) return state & STATE_BLOCK_COMMENT;
    CCppLineWalk walk(*this, m_keywords, text, length, state, blocks, commentsOnly, m_directives);
    return walk.Run();
}

}  // namespace corvatine
