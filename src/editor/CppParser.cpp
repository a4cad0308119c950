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

// One walk for both parses. The comment-only parse knows no strings,
// character literals or directives, so comment markers inside strings count.
int CSyntaxParserCpp::Parse(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks,
                            bool commentsOnly) const {
    const char* text = GetLineChars(line);
    const int length = GetLineLength(line);
    if (length == 0) return state & STATE_BLOCK_COMMENT;
    const int codePage = WorkingCodePage();

    const bool directiveMayOpen =
        m_directives && !commentsOnly && (state == 0 || state == STATE_BLOCK_COMMENT);
    bool onlyBlanks = true;
    bool due = true;      // a new block starts at the next character
    int wordStart = -1;   // the word being gathered
    int h = -1;           // the previous character
    int pairFloor = -1;   // characters up to here closed a token and pair with nothing
    int openStar = -1;    // the '*' of the "/*" that opened the block comment
    int backslashes = 0;  // backslashes just before the current character

    auto at = [&](int k) { return static_cast<unsigned char>(text[k]); };
    // A word character, or a "." between two non-letters (a decimal number).
    auto wordPart = [&](int k, int n) {
        if (n > 1) return true;
        const unsigned char c = at(k);
        if (IsWordChar(c)) return true;
        return c == '.' && (k == 0 || !IsLetter(at(k - 1))) && (k + 1 >= length || !IsLetter(at(k + 1)));
    };
    auto colourAt = [&](int k, int n) {
        if (state & (STATE_LINE_COMMENT | STATE_BLOCK_COMMENT)) return COLORINDEX_COMMENT;
        if (state & (STATE_STRING | STATE_CHAR)) return COLORINDEX_STRING;
        if (state & STATE_PREPROCESSOR) return COLORINDEX_PREPROCESSOR;
        return wordPart(k, n) ? COLORINDEX_NORMALTEXT : COLORINDEX_OPERATOR;
    };
    auto classify = [&](int start, int end) {
        if (blocks == nullptr || commentsOnly) return;
        const std::string_view word(text + start, static_cast<size_t>(end - start));
        int colour = COLORINDEX_NORMALTEXT;
        for (const KEYWORDCOLOUR& k : m_keywords) {
            if (k.set().Contains(word)) {
                colour = k.colour;
                break;
            }
        }
        if (colour != COLORINDEX_NORMALTEXT) {
            AddBlock(start, colour, blocks);
        } else if (IsNumber(word)) {
            AddBlock(start, COLORINDEX_NUMBER, blocks);
        } else {
            int k = end;
            while (k < length && IsBlank(at(k))) ++k;
            if (k < length && text[k] == '(') AddBlock(start, COLORINDEX_FUNCNAME, blocks);
        }
    };
    auto endWord = [&](int k) {
        if (wordStart < 0) return;
        classify(wordStart, k);
        wordStart = -1;
        due = true;
    };

    int i = 0;
    while (i < length) {
        const int n = CharacterLength(text, length, i, codePage);
        const unsigned char c = at(i);
        const bool single = n == 1;
        const bool backslash = single && c == '\\';
        auto advance = [&] {
            backslashes = backslash ? backslashes + 1 : 0;
            h = i;
            i += n;
        };

        if (state & STATE_LINE_COMMENT) {
            if (due) AddBlock(i, COLORINDEX_COMMENT, blocks);
            break;  // the rest is comment
        }
        if (state & (STATE_STRING | STATE_CHAR)) {
            if (due) AddBlock(i, COLORINDEX_STRING, blocks);
            due = false;
            const char quote = (state & STATE_STRING) ? '"' : '\'';
            if (single && c == quote && backslashes % 2 == 0) {
                state &= ~(STATE_STRING | STATE_CHAR);
                due = true;
                pairFloor = i;
            }
            advance();
            continue;
        }
        if (state & STATE_BLOCK_COMMENT) {
            if (due) AddBlock(i, COLORINDEX_COMMENT, blocks);
            due = false;
            if (single && c == '/' && h >= 0 && text[h] == '*' && h != openStar && h > pairFloor) {
                state &= ~STATE_BLOCK_COMMENT;
                due = true;
                pairFloor = i;
            }
            advance();
            continue;
        }

        const bool afterSlash = h >= 0 && h > pairFloor && text[h] == '/';
        if (single && c == '/' && afterSlash) {
            AddBlock(h, COLORINDEX_COMMENT, blocks);
            state |= STATE_LINE_COMMENT;
            break;
        }
        if (single && c == '*' && afterSlash) {
            AddBlock(h, COLORINDEX_COMMENT, blocks);
            state |= STATE_BLOCK_COMMENT;
            openStar = i;
            due = false;
            advance();
            continue;
        }
        if (state & STATE_PREPROCESSOR) {
            if (due) AddBlock(i, COLORINDEX_PREPROCESSOR, blocks);
            due = false;
            advance();
            continue;
        }
        if (!commentsOnly && single) {
            const bool quote = c == '"' || (c == '\'' && !(h >= 0 && IsWordChar(at(h))));
            if (quote) {
                endWord(i);
                AddBlock(i, COLORINDEX_STRING, blocks);
                state |= c == '"' ? STATE_STRING : STATE_CHAR;
                due = false;
                onlyBlanks = false;
                advance();
                continue;
            }
            if (c == '#' && directiveMayOpen && onlyBlanks) {
                AddBlock(i, COLORINDEX_PREPROCESSOR, blocks);
                state |= STATE_PREPROCESSOR;
                due = false;
                onlyBlanks = false;
                advance();
                continue;
            }
        }
        if (!IsBlank(c)) onlyBlanks = false;

        if (wordPart(i, n)) {
            if (wordStart < 0) wordStart = i;
        } else {
            endWord(i);
        }
        if (due) {
            const int colour = colourAt(i, n);
            AddBlock(i, colour, blocks);
            due = colour == COLORINDEX_OPERATOR;  // each operator character is a block of its own
        }
        advance();
    }
    if (wordStart >= 0 && !(state & STATE_LINE_COMMENT)) classify(wordStart, length);

    // A real backslash at the end continues strings, directives and line
    // comments on the next line.
    int last = i < length ? i : h;
    if (last < 0) last = 0;
    while (last + CharacterLength(text, length, last, codePage) < length)
        last += CharacterLength(text, length, last, codePage);
    const bool continued = CharacterLength(text, length, last, codePage) == 1 && text[last] == '\\';
    return continued ? state : state & STATE_BLOCK_COMMENT;
}

}  // namespace corvatine
