// The definitions of CMake, make and Dockerfiles.
#include "editor/SyntaxKeywords.h"
#include "editor/SyntaxParsers.h"

namespace corvatine {

namespace kw = keywords;

namespace {

constexpr int KEYWORD = COLORINDEX_KEYWORD;
constexpr int USER = COLORINDEX_USER1;

// Whether the line ends in a backslash that continues it (an odd run).
bool EndsInBackslash(const CScriptLine& line) {
    int k = line.length;
    while (k > 0 && CSyntaxParser::IsBlank(line.At(k - 1))) --k;
    int run = 0;
    while (k > 0 && line.text[k - 1] == '\\') --k, ++run;
    return run % 2 == 1;
}

// The first word of the line, after blanks.
std::string_view FirstWord(const CScriptLine& line) {
    int k = 0;
    while (k < line.length && CSyntaxParser::IsBlank(line.At(k))) ++k;
    const int end = line.WordEnd(k, "-");
    return std::string_view(line.text + k, static_cast<size_t>(end - k));
}

// $(VAR), ${VAR}, $(call f,$(x)), $@, $<, $$: make's references at line.i.
bool MakeReference(CScriptLine& line) {
    const int i = line.i;
    if (i + 1 >= line.length) return false;
    const char c = line.text[i + 1];
    if (c == '$') return false;  // "$$": a dollar for the shell
    int end = i + 2;
    if (c == '(' || c == '{') {
        const char close = c == '(' ? ')' : '}';
        int depth = 0;
        for (end = i + 1; end < line.length; ++end) {
            if (line.text[end] == c) ++depth;
            if (line.text[end] == close && --depth == 0) break;
        }
        end = end < line.length ? end + 1 : line.length;
    }
    line.Colour(i, COLORINDEX_FUNCNAME);
    line.i = end;
    return true;
}

// The lines of a rule's recipe, which make hands to the shell after
// expanding its references.
class CMakeRecipe : public CSyntaxParserScript {
public:
    CMakeRecipe()
        : CSyntaxParserScript(-1, "recipe", "", 0, "", "", "#", [] {
              SCRIPTRULES rules;
              rules.lineComments = {{{"#", COMMENT_WORD_START}}};
              rules.quotes = "\"'`";
              rules.rawQuotes = "'";
              rules.specials = "$";
              rules.keywords = {{kw::ShellKeywords, KEYWORD}, {kw::ShellCommands, USER}};
              return rules;
          }()) {}

protected:
    bool ParseSpecial(CScriptLine& line) const override {
        if (line.text[line.i] != '$') return false;
        if (MakeReference(line)) return true;
        // "$$name": the shell's variable.
        const int end = line.WordEnd(line.i + 2, {});
        line.Colour(line.i, end > line.i + 2 ? COLORINDEX_FUNCNAME : COLORINDEX_OPERATOR);
        line.i = std::max(end, line.i + 2);
        return true;
    }
};

}  // namespace

CSyntaxParserCmake::CSyntaxParserCmake()
    : CSyntaxParserScript(39, "CMake", "cmake", 0x30, "#[[", "]]", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#"}}};
          rules.longBracketComment = "#";   // #[[ ... ]] and #[==[ ... ]==]
          rules.longBracketStrings = true;  // bracket arguments
          rules.quotes = "\"";
          rules.stringsSpanLines = true;
          rules.codeEscapes = true;  // \" and \; in unquoted arguments
          rules.variablePrefixes = "$";
          rules.functionNames = true;
          rules.keywords = {{kw::CmakeCommands, KEYWORD}, {kw::CmakeArguments, USER}};
          return rules;
      }()) {
    SetFileNames("CMakeLists.txt");
}

CSyntaxParserMakefile::CSyntaxParserMakefile()
    : CSyntaxParserScript(40, "Makefile", "mk,mak", 0x30, "", "", "#",
                          [] {
                              SCRIPTRULES rules;
                              // make knows no quotes: "#" begins a comment wherever it stands,
                              // unless a backslash escapes it.
                              rules.lineComments = {{{"#"}}};
                              rules.wordChars = "-./%";
                              rules.specials = "$\\";
                              rules.keywords = {{kw::MakeDirectives, KEYWORD}};
                              return rules;
                          }()),
      m_recipe(std::make_unique<CMakeRecipe>()) {
    SetFileNames("Makefile,GNUmakefile");
}

CSyntaxParserMakefile::~CSyntaxParserMakefile() = default;

bool CSyntaxParserMakefile::ParseSpecial(CScriptLine& line) const {
    if (line.text[line.i] == '$') {
        if (MakeReference(line)) return true;
        line.Colour(line.i, COLORINDEX_OPERATOR);
        line.i = std::min(line.i + 2, line.length);
        return true;
    }
    // "\#", "\\", "\$": the character stands for itself.
    if (line.text[line.i] != '\\') return false;
    line.Colour(line.i, COLORINDEX_NORMALTEXT);
    line.i = std::min(line.i + 2, line.length);
    return true;
}

// A target ("all:", "%.o:") is a function name; "x := y" assigns.
int CSyntaxParserMakefile::WordColour(const CScriptLine& line, int start, int end) const {
    const int colour = CSyntaxParserScript::WordColour(line, start, end);
    if (colour == COLORINDEX_NORMALTEXT && end < line.length && line.text[end] == ':' &&
        !(end + 1 < line.length && line.text[end + 1] == '=') && !line.Matches(end, "::="))
        return COLORINDEX_FUNCNAME;
    return colour;
}

int CSyntaxParserMakefile::ParseLine(int state, const CSyntaxTextLine& textLine,
                                     std::vector<COLORBLOCK>* blocks) const {
    CScriptLine line(*this, textLine, 0, blocks);
    if (state & STATE_DEFINE) {
        // A variable's text, to "endef".
        if (FirstWord(line) == "endef") {
            line.Colour(0, COLORINDEX_KEYWORD);
            return 0;
        }
        if (line.length > 0) line.Colour(0, COLORINDEX_STRING);
        return STATE_DEFINE;
    }
    if (state & STATE_COMMENT_NEXT) {
        if (line.length > 0) line.Colour(0, COLORINDEX_COMMENT);
        return EndsInBackslash(line) ? STATE_COMMENT_NEXT : 0;
    }
    const bool recipe = (state & STATE_RECIPE_NEXT) ||
                        (!(state & STATE_LINE_NEXT) && line.length > 0 && line.text[0] == '\t');
    if (recipe) {
        m_recipe->Walk(line);
        return EndsInBackslash(line) ? STATE_RECIPE_NEXT : 0;
    }
    Walk(line);
    if (line.state & STATE_LINE_COMMENT) return EndsInBackslash(line) ? STATE_COMMENT_NEXT : 0;
    const std::string_view first = FirstWord(line);
    if (first == "define" || ((first == "override" || first == "export" || first == "private") &&
                              line.Find(0, "define") >= 0 && !EndsInBackslash(line)))
        return STATE_DEFINE;
    return EndsInBackslash(line) ? STATE_LINE_NEXT : 0;
}

CSyntaxParserDockerfile::CSyntaxParserDockerfile()
    : CSyntaxParserScript(41, "Dockerfile", "dockerfile", 0x30, "", "", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#", COMMENT_LINE_START}}};
          rules.quotes = "\"'";
          rules.rawQuotes = "'";
          rules.codeEscapes = true;
          rules.variablePrefixes = "$";
          rules.heredocs.enabled = true;
          rules.heredocs.dash = true;
          rules.heredocs.blankBeforeWord = true;
          rules.heredocs.indent = "\t";
          rules.specials = "#";
          rules.keywords = {{kw::DockerInstructions, KEYWORD}};
          return rules;
      }()) {
    SetFileNames("Dockerfile,Containerfile");
}

namespace {

// What CScriptLine::context holds for a Dockerfile's line.
constexpr int kDockerShell = 1;      // the shell reads the line (RUN, CMD, ENTRYPOINT in their shell form)
constexpr int kDockerContinued = 2;  // the line continues an instruction

}  // namespace

int CSyntaxParserDockerfile::ParseLine(int state, const CSyntaxTextLine& textLine,
                                       std::vector<COLORBLOCK>* blocks) const {
    const int carried = state & (STATE_SHELL_NEXT | STATE_OTHER_NEXT);
    CScriptLine line(*this, textLine, (state & STATE_HEREDOC) ? state : state & ~carried, blocks);
    if (state & STATE_HEREDOC) {
        Walk(line);
        return EndState(line);
    }
    int k = 0;
    while (k < line.length && IsBlank(line.At(k))) ++k;
    const bool commentLine = k < line.length && line.text[k] == '#';
    if (carried) {
        line.context = kDockerContinued | ((carried & STATE_SHELL_NEXT) ? kDockerShell : 0);
    } else {
        const std::string_view first = FirstWord(line);
        int after = k + static_cast<int>(first.size());
        while (after < line.length && IsBlank(line.At(after))) ++after;
        const bool shellForm = after >= line.length || line.text[after] != '[';
        for (std::string_view shell : {"RUN", "CMD", "ENTRYPOINT"}) {
            if (first.size() == shell.size() && line.Matches(k, shell, true) && shellForm)
                line.context = kDockerShell;
        }
    }
    Walk(line);
    const int end = EndState(line);
    if (end & STATE_HEREDOC) return end;
    // A comment line inside an instruction leaves it going on.
    if (commentLine) return end | carried;
    if (!EndsInBackslash(line)) return end;
    return end | ((line.context & kDockerShell) ? STATE_SHELL_NEXT : STATE_OTHER_NEXT);
}

// "#" after the line's start: the shell's comment in a shell-form line,
// else a character of an argument.
bool CSyntaxParserDockerfile::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    if (line.text[i] != '#' || line.OnlyBlanksBefore(i)) return false;
    const unsigned char before = line.At(i - 1);
    if ((line.context & kDockerShell) && (IsBlank(before) || std::string_view(";&|(").find(static_cast<char>(
                                                                 before)) != std::string_view::npos)) {
        line.Colour(i, COLORINDEX_COMMENT);
        line.state |= STATE_LINE_COMMENT;
        return true;
    }
    line.Colour(i, COLORINDEX_NORMALTEXT);
    line.i += 1;
    return true;
}

// An instruction is the first word of a line that continues none.
int CSyntaxParserDockerfile::WordColour(const CScriptLine& line, int start, int end) const {
    const int colour = CSyntaxParserScript::WordColour(line, start, end);
    if (colour == COLORINDEX_KEYWORD && ((line.context & kDockerContinued) || !line.OnlyBlanksBefore(start)))
        return COLORINDEX_NORMALTEXT;
    return colour;
}

}  // namespace corvatine
