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
// Of the definitions after the first 28, those that are rules and keyword
// sets alone.
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserJavaScript, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserTypeScript, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserJson, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserGo, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserKotlin, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserLua, CSyntaxParserScript)
CORVATINE_SYNTAX_DEFINITION(CSyntaxParserCmake, CSyntaxParserScript)

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
        STATE_QUOTE_DEPTH = 0xF000,  // brackets opened inside a bracketed quote-like operator
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

// YAML: "#" comments after a blank, quotes only where a scalar begins,
// keys, anchors, tags, and block scalars ("|", ">"), whose more indented
// lines are a string.
class CSyntaxParserYaml : public CSyntaxParserScript {
public:
    enum : int {
        STATE_BLOCK_SCALAR = 0x4000,  // the indentation of its parent plus one in bits 16-23
        STATE_BLOCK_NEXT = 0x8000,    // a block scalar begins on the next line
    };
    CSyntaxParserYaml();
    const char* GetClassName() const override { return "CSyntaxParserYaml"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
    int WordColour(const CScriptLine& line, int start, int end) const override;
    int CarriedOwnState(int state) const override;
};

// TOML: keys before "=", tables, basic and literal strings, single and
// triple-quoted.
class CSyntaxParserToml : public CSyntaxParserScript {
public:
    CSyntaxParserToml();
    const char* GetClassName() const override { return "CSyntaxParserToml"; }

protected:
    int WordColour(const CScriptLine& line, int start, int end) const override;
};

// CSS: "/* */" comments, at-rules, selectors outside blocks, properties and
// values inside them. Its states stay below 0x10000, so that HTML can carry
// them for a <style> element.
class CSyntaxParserCss : public CSyntaxParserScript {
public:
    enum : int { STATE_DEPTH = 0xF00 };  // how many blocks are open
    CSyntaxParserCss();
    const char* GetClassName() const override { return "CSyntaxParserCss"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
    int WordColour(const CScriptLine& line, int start, int end) const override;
};

// Rust: nesting block comments, raw strings ("r#"..."#"), character
// literals apart from lifetimes, attributes and macros.
class CSyntaxParserRust : public CSyntaxParserScript {
public:
    enum : int { STATE_RAW = 0x4000 };  // the number of its "#" in bits 15-18
    CSyntaxParserRust();
    const char* GetClassName() const override { return "CSyntaxParserRust"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
    int WordColour(const CScriptLine& line, int start, int end) const override;
};

// Ruby: "=begin" ... "=end", here-documents, interpolation, regular
// expressions, percent literals ("%w[...]"), symbols and character literals.
class CSyntaxParserRuby : public CSyntaxParserScript {
public:
    enum : int { STATE_PERCENT = 0x100 };  // the index of its closing delimiter in bits 9-13
    CSyntaxParserRuby();
    const char* GetClassName() const override { return "CSyntaxParserRuby"; }

protected:
    bool ParseSpecial(CScriptLine& line) const override;
};

// Makefiles: make's own lines ("#" comments wherever they stand, variables,
// targets, directives, "define" bodies) and recipe lines, which a shell
// reads, with their own quoting and comments.
class CSyntaxParserMakefile : public CSyntaxParserScript {
public:
    enum : int {
        STATE_RECIPE_NEXT = 0x100,   // a recipe line goes on (it ended in a backslash)
        STATE_LINE_NEXT = 0x200,     // a make line goes on
        STATE_COMMENT_NEXT = 0x400,  // a comment goes on
        STATE_DEFINE = 0x800,        // inside "define" ... "endef"
    };
    CSyntaxParserMakefile();
    ~CSyntaxParserMakefile() override;
    const char* GetClassName() const override { return "CSyntaxParserMakefile"; }
    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;

protected:
    bool ParseSpecial(CScriptLine& line) const override;
    int WordColour(const CScriptLine& line, int start, int end) const override;

private:
    std::unique_ptr<CSyntaxParserScript> m_recipe;
};

// Dockerfiles: instructions, "#" comment lines, here-documents, and in the
// shell form of RUN, CMD and ENTRYPOINT the shell's own comments.
class CSyntaxParserDockerfile : public CSyntaxParserScript {
public:
    enum : int {
        STATE_SHELL_NEXT = 0x100,  // a shell-form instruction goes on
        STATE_OTHER_NEXT = 0x200,  // another instruction goes on
    };
    CSyntaxParserDockerfile();
    const char* GetClassName() const override { return "CSyntaxParserDockerfile"; }
    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;

protected:
    bool ParseSpecial(CScriptLine& line) const override;
    int WordColour(const CScriptLine& line, int start, int end) const override;
};

// Markdown: headings, fenced code blocks (a string, whatever they hold), code
// spans, HTML comments, links, list and quote markers.
class CSyntaxParserMarkdown : public CSyntaxParser {
public:
    enum : int {
        STATE_COMMENT = 0x01,      // inside "<!--" ... "-->"
        STATE_FENCE = 0x02,        // inside a fenced code block
        STATE_FENCE_TILDE = 0x04,  // fenced with "~", not "`"; the fence's length in bits 3-7
    };
    CSyntaxParserMarkdown();
    const char* GetClassName() const override { return "CSyntaxParserMarkdown"; }
    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;
};

// Differences and patches: file and hunk headers, removed and added lines,
// and the text around them (a commit message, a mail), which patch reads
// past and which counts as comment. Unified hunks are followed by their
// line counts.
class CSyntaxParserDiff : public CSyntaxParser {
public:
    enum : int {
        STATE_HUNK = 0x01,                // in a unified hunk: lines to come, old in bits 1-14, new in 15-28
        STATE_CONTEXT_HUNK = 0x20000000,  // in a context-format hunk
    };
    CSyntaxParserDiff();
    const char* GetClassName() const override { return "CSyntaxParserDiff"; }
    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;
};

// The creators of the definitions, in the order of their numbers; each
// makes one definition.
using SyntaxParserCreator = std::unique_ptr<CSyntaxParser> (*)();
extern const SyntaxParserCreator kSyntaxParserCreators[44];

}  // namespace corvatine
