// The syntax definitions of the system, in the order of their numbers.
#pragma once

#include <memory>

#include "editor/SyntaxParser.h"

namespace corvatine {

// A definition that carries its language's data and the base parser. Every
// language but C/C++ is one of these until its own line parser is written.
#define CORVATINE_SYNTAX_DEFINITION(ClassName)                           \
    class ClassName : public CSyntaxParser {                             \
    public:                                                              \
        ClassName();                                                     \
        const char* GetClassName() const override { return #ClassName; } \
    };

CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPlain)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserAsp)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserBasic)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserBatch)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserCsharp)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserDcl)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserFortran)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserHtml)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserIni)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserIss)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserIs)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserJava)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserLisp)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserNsis)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPascal)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPerl)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPhp)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserPython)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserRexx)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserRsrc)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSgml)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSh)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSiod)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserSql)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserTcl)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserTex)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserXml)

#undef CORVATINE_SYNTAX_DEFINITION

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

private:
    int Parse(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks,
              bool commentsOnly) const;
};

// The creators of the definitions, in the order of their numbers; each
// makes one definition.
using SyntaxParserCreator = std::unique_ptr<CSyntaxParser> (*)();
extern const SyntaxParserCreator kSyntaxParserCreators[28];

}  // namespace corvatine
