// The syntax definitions of the system, in the order of their numbers.
#pragma once

#include <memory>

#include "editor/MarkupParser.h"
#include "editor/ScriptParser.h"
#include "editor/SyntaxParser.h"

namespace corvatine {

// Declares a language whose walk its base class does from the rules the
// constructor gives it.
#define CORVATINE_SYNTAX_DEFINITION(ClassName, Base)                     \
    class ClassName : public Base {                                      \
    public:                                                              \
        ClassName();                                                     \
        const char* GetClassName() const override { return #ClassName; } \
    };

// Plain text: no blocks, state 0.
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPlain, CSyntaxParser)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserAsp, CSyntaxParserMarkup)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserBasic, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserDcl, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserHtml, CSyntaxParserMarkup)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserIni, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserIss, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserLisp, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserNsis, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPascal, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPhp, CSyntaxParserMarkup)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPython, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserRexx, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSgml, CSyntaxParserMarkup)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSh, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSiod, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSql, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserTcl, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserXml, CSyntaxParserMarkup)

#undef CORVATINE_SYNTAX_DEFINITION

// Batch files: "@", "rem" and "::" comments, ":" labels, "%" variables, and
// external commands also with ".COM" and ".EXE".
class CSyntaxParserBatch : public CSyntaxParserScript {
public:
    CSyntaxParserBatch();
    const char* GetClassName() const override { return "CSyntaxParserBatch"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
    int WordColour(const CScriptLine& line, int start, int end) const override;
};

// Fortran: "!" comments and comment lines with "C" or "c" in column one.
class CSyntaxParserFortran : public CSyntaxParserScript {
public:
    CSyntaxParserFortran();
    const char* GetClassName() const override { return "CSyntaxParserFortran"; }
};

// Perl: quote-like operators (q qq qw qx m s y tr) with any delimiters, and
// POD sections from "=word" to "=cut".
class CSyntaxParserPerl : public CSyntaxParserScript {
public:
    enum : int {
        STATE_QUOTE_LIKE = 0x100,  // the closing delimiter in bits 16-23, parts left in bits 9-10
        STATE_POD = 0x800,
    };
    CSyntaxParserPerl();
    const char* GetClassName() const override { return "CSyntaxParserPerl"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
};

// TeX: "%" comments, control words looked up without their backslash, and
// "$" math, which may span lines.
class CSyntaxParserTex : public CSyntaxParserScript {
public:
    enum : int { STATE_MATH = 0x100 };
    CSyntaxParserTex();
    const char* GetClassName() const override { return "CSyntaxParserTex"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
};

// C and C++: comments, strings, character literals, preprocessor lines,
// keywords, numbers and function names.
class CSyntaxParserCpp : public CSyntaxParser {
public:
    // State bits carried from line to line.
    enum : int {
        STATE_LINE_COMMENT = 0x01,
        STATE_PREPROCESSOR = 0x02,
        STATE_BLOCK_COMMENT = 0x04,
        STATE_STRING = 0x08,
        STATE_CHAR = 0x10,
    };

    CSyntaxParserCpp();
    const char* GetClassName() const override { return "CSyntaxParserCpp"; }
    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;
    int ParseComments(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;

    static const CKeywordSet& Keywords();
    static const CKeywordSet& UserKeywords();

protected:
    // A language written like C: its data, its keyword sets in the order
    // they are consulted, and whether "#" opens a directive line.
    CSyntaxParserCpp(int languageNumber, std::string name, std::string extensions, uint32_t options,
                     std::vector<KEYWORDCOLOUR> keywords, bool directives);

private:
    int Parse(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks,
              bool commentsOnly) const;

    std::vector<KEYWORDCOLOUR> m_keywords;
    bool m_directives = true;
};

// The members written like C; only C/C++ has a comment parse of its own.
#define CORVATINE_C_LIKE_DEFINITION(ClassName)                              \
    class ClassName : public CSyntaxParserCpp {                             \
    public:                                                                 \
        ClassName();                                                        \
        const char* GetClassName() const override { return #ClassName; }    \
        int ParseComments(int state, const CSyntaxTextLine& line,           \
                          std::vector<COLORBLOCK>* blocks) const override { \
            return ParseLine(state, line, blocks);                          \
        }                                                                   \
    };

CORVATINE_C_LIKE_DEFINITION(CSyntaxParserCsharp)
CORVATINE_C_LIKE_DEFINITION(CSyntaxParserIs)
CORVATINE_C_LIKE_DEFINITION(CSyntaxParserJava)
CORVATINE_C_LIKE_DEFINITION(CSyntaxParserRsrc)

#undef CORVATINE_C_LIKE_DEFINITION

// The creators of the definitions, in the order of their numbers; each
// makes one definition.
using SyntaxParserCreator = std::unique_ptr<CSyntaxParser> (*)();
extern const SyntaxParserCreator kSyntaxParserCreators[28];

}  // namespace corvatine
