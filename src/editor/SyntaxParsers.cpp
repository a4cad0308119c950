#include "editor/SyntaxParsers.h"

#include <cctype>

#include "editor/SyntaxKeywords.h"

namespace corvatine {

namespace kw = keywords;

namespace {

constexpr int KEYWORD = COLORINDEX_KEYWORD;
constexpr int USER = COLORINDEX_USER1;
constexpr int NAME = COLORINDEX_FUNCNAME;

// The script regions of ASP pages: Visual Basic Script.
std::unique_ptr<CSyntaxParserScript> AspScript() {
    SCRIPTRULES rules;
    rules.lineComments = {{{"'"}, {"rem", COMMENT_ANYWHERE, true}}};
    rules.quotes = "\"";
    rules.backslashEscapes = false;
    rules.doubledQuotes = true;
    rules.keywords = {{kw::AspScriptWords, KEYWORD}};
    return std::make_unique<CSyntaxParserScript>(-1, "ASP script", "", 0, "", "", "'", std::move(rules));
}

// The script regions of PHP pages, written like C.
std::unique_ptr<CSyntaxParserScript> PhpScript() {
    SCRIPTRULES rules;
    rules.lineComments = {{{"//"}, {"#"}}};
    rules.blockComments = {{{"/*", "*/"}}};
    rules.quotes = "\"'`";
    rules.stringsSpanLines = true;
    rules.numbers = true;
    rules.functionNames = true;
    rules.variablePrefixes = "$";
    rules.keywords = {{kw::PhpScriptWords, KEYWORD}, {kw::PhpOperators, KEYWORD}, {kw::PhpConstants, USER}};
    return std::make_unique<CSyntaxParserScript>(-1, "PHP script", "", 0, "", "", "//", std::move(rules));
}

MARKUPRULES HtmlRules() {
    MARKUPRULES rules;
    rules.tags = kw::HtmlTags;
    rules.attributes = kw::HtmlAttributes;
    rules.entities = kw::HtmlEntities;
    return rules;
}

}  // namespace

CSyntaxParserPlain::CSyntaxParserPlain() : CSyntaxParser(0, "Text", "txt,diz", 0x10, "", "", ";") {}

CSyntaxParserAsp::CSyntaxParserAsp()
    : CSyntaxParserMarkup(
          1, "ASP", "asp", 0x30, "", "", "'",
          [] {
              MARKUPRULES rules;
              rules.tags = kw::AspTags;
              rules.attributes = kw::AspAttributes;
              rules.entities = kw::AspEntities;
              rules.scriptOpen1 = "<%";
              rules.scriptClose1 = "%>";
              rules.scriptOpen2 = "<?";
              rules.scriptClose2 = "?>";
              return rules;
          }(),
          AspScript()) {}

CSyntaxParserBasic::CSyntaxParserBasic()
    : CSyntaxParserScript(2, "Basic", "bas,vb,vbs,frm,dsm,cls", 0x30, "", "", "'", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"'"}, {"rem", COMMENT_ANYWHERE, true}}};
          rules.quotes = "\"";
          rules.backslashEscapes = false;
          rules.doubledQuotes = true;
          rules.keywords = {{kw::BasicKeywords, KEYWORD}};
          return rules;
      }()) {}

CSyntaxParserBatch::CSyntaxParserBatch()
    : CSyntaxParserScript(3, "Batch", "bat,btm,cmd", 0x11, "", "", "rem ", [] {
          SCRIPTRULES rules;
          rules.quotes = "\"";
          rules.backslashEscapes = false;
          rules.wordChars = ".@?";
          rules.specials = "@:%rR";
          rules.keywords = {
              {kw::BatchCommands, KEYWORD}, {kw::BatchExternalCommands, USER}, {kw::BatchFunctions, NAME}};
          return rules;
      }()) {}

CSyntaxParserCsharp::CSyntaxParserCsharp()
    : CSyntaxParserCpp(5, "C#", "cs", 0x30, {{kw::CsharpKeywords, KEYWORD}}, true) {}

CSyntaxParserDcl::CSyntaxParserDcl()
    : CSyntaxParserScript(6, "DCL", "dcl,dcc", 0x50, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "\"";
          rules.keywords = {
              {kw::DclTiles, KEYWORD}, {kw::DclPredefinedTiles, USER}, {kw::DclAttributes, NAME}};
          return rules;
      }()) {}

CSyntaxParserFortran::CSyntaxParserFortran()
    : CSyntaxParserScript(7, "Fortran", "f,f90,f9p,fpp,for,f77", 0x11, "", "", "!", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"!"}, {"C", COMMENT_COLUMN_ONE}, {"c", COMMENT_COLUMN_ONE}}};
          rules.quotes = "'\"";
          rules.backslashEscapes = false;
          rules.doubledQuotes = true;
          rules.keywords = {{kw::FortranKeywords, KEYWORD}};
          return rules;
      }()) {}

CSyntaxParserHtml::CSyntaxParserHtml()
    : CSyntaxParserMarkup(
          8, "HTML", "html,htm,shtml,ihtml,ssi,stm,stml", 0x30, "<!--", "-->", "'",
          [] {
              MARKUPRULES rules = HtmlRules();
              rules.processingInstructions = true;
              return rules;
          }(),
          nullptr, std::make_unique<CSyntaxParserCss>()) {}

CSyntaxParserIni::CSyntaxParserIni()
    : CSyntaxParserScript(9, "INI", "ini,reg", 0x150, "", "", ";", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{";", COMMENT_LINE_START}}};
          rules.quotes = "\"";
          rules.backslashEscapes = false;
          rules.sections = true;
          return rules;
      }()) {}

CSyntaxParserIss::CSyntaxParserIss()
    : CSyntaxParserScript(10, "InnoSetup", "iss,isl", 0x30, "{", "}", ";", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}, {";", COMMENT_LINE_START}}};
          rules.blockComments = {{{"(*", "*)"}, {"{", "}"}}};
          rules.quotes = "\"'";
          rules.backslashEscapes = false;
          rules.doubledQuotes = true;
          rules.sections = true;
          rules.directivePrefixes = "#";
          rules.keywords = {{kw::IssKeywords, KEYWORD}, {kw::IssConstants, USER}};
          return rules;
      }()) {}

CSyntaxParserIs::CSyntaxParserIs()
    : CSyntaxParserCpp(11, "InstallShield", "rul", 0x30,
                       {{kw::IsKeywords, KEYWORD}, {kw::IsConstants, USER}, {kw::IsSystemVariables, NAME}},
                       true) {}

CSyntaxParserJava::CSyntaxParserJava()
    : CSyntaxParserCpp(12, "Java", "java,jav", 0x30, {{kw::JavaKeywords, KEYWORD}}, false) {}

// AutoLISP and SIOD words take most punctuation ("acad_colordlg", "1+",
// "%%%memref", "string->symbol").
constexpr std::string_view kLispWordChars = "-+*/<>=!?%&~^:.$";

CSyntaxParserLisp::CSyntaxParserLisp()
    : CSyntaxParserScript(13, "AutoLISP", "lsp", 0x30, ";|", "|;", ";", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{";"}}};
          rules.blockComments = {{{";|", "|;"}}};
          rules.quotes = "\"";
          rules.wordChars = kLispWordChars;
          rules.keywords = {{kw::LispKeywords, KEYWORD}};
          return rules;
      }()) {}

CSyntaxParserNsis::CSyntaxParserNsis()
    : CSyntaxParserScript(14, "NSIS", "nsi,nsh", 0x30, "/*", "*/", ";", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{";"}, {"#"}}};
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "\"'`";
          rules.backslashEscapes = false;
          rules.variablePrefixes = "$";
          rules.directivePrefixes = "!";
          rules.keywords = {{kw::NsisCommands, KEYWORD}, {kw::NsisParameters, USER}};
          return rules;
      }()) {}

CSyntaxParserPascal::CSyntaxParserPascal()
    : CSyntaxParserScript(15, "Pascal", "pas", 0x30, "{", "}", "", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"(*", "*)"}, {"{", "}"}}};
          rules.quotes = "'";
          rules.backslashEscapes = false;
          rules.doubledQuotes = true;
          rules.keywords = {{kw::PascalKeywords, KEYWORD}};
          return rules;
      }()) {}

CSyntaxParserPerl::CSyntaxParserPerl()
    : CSyntaxParserScript(16, "Perl", "pl", 0x110, "", "", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#"}}};
          rules.quotes = "\"'`";
          rules.stringsSpanLines = true;
          rules.variablePrefixes = "$@%";
          // $" (the list separator), $; $/ $\ $, $. $& $' $` $+ $0 and the like.
          rules.punctuationVariables = "#?@*!$-\"';/\\,.&`+0<>:^[]";
          rules.specials = "qmsyt=";
          rules.keywords = {{kw::PerlKeywords, KEYWORD}};
          rules.regexLiterals = true;
          rules.regexAfter = kw::PerlRegexWords;
          rules.heredocs.enabled = true;
          rules.heredocs.tilde = true;
          rules.heredocs.blankBeforeQuoted = true;
          return rules;
      }()) {}

CSyntaxParserPhp::CSyntaxParserPhp()
    : CSyntaxParserMarkup(
          17, "PHP", "php,php3,php4,php5,phtml", 0x50, "/*", "*/", "//",
          [] {
              MARKUPRULES rules = HtmlRules();
              rules.scriptOpen1 = "<?";
              rules.scriptClose1 = "?>";
              return rules;
          }(),
          PhpScript()) {}

CSyntaxParserPython::CSyntaxParserPython()
    : CSyntaxParserScript(18, "Python", "py", 0x50, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#"}}};
          rules.quotes = "\"'";
          rules.tripleQuotes = true;
          rules.keywords = {
              {kw::PythonKeywords, KEYWORD}, {kw::PythonBuiltins, USER}, {kw::PythonNames, NAME}};
          return rules;
      }()) {}

CSyntaxParserRexx::CSyntaxParserRexx()
    : CSyntaxParserScript(19, "REXX", "rex,rexx", 0x10, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "\"'";
          rules.backslashEscapes = false;
          rules.doubledQuotes = true;
          rules.keywords = {{kw::RexxKeywords, KEYWORD}, {kw::RexxObjectWords, USER}};
          return rules;
      }()) {}

CSyntaxParserRsrc::CSyntaxParserRsrc()
    : CSyntaxParserCpp(20, "Resources", "rc,dlg,r16,r32,rc2", 0x30,
                       {{kw::RsrcKeywords, KEYWORD}, {kw::RsrcVirtualKeys, USER}}, true) {}

CSyntaxParserSgml::CSyntaxParserSgml()
    : CSyntaxParserMarkup(21, "Sgml", "sgml", 0x30, "<!--", "-->", "'", [] {
          MARKUPRULES rules;
          rules.tags = kw::SgmlKeywords;
          rules.attributes = kw::SgmlAttributes;
          rules.entities = kw::SgmlEntities;
          rules.braces = true;
          rules.processingInstructions = true;
          return rules;
      }()) {}

CSyntaxParserSh::CSyntaxParserSh()
    : CSyntaxParserScript(22, "Shell", "sh,conf", 0x111, "", "", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#", COMMENT_WORD_START}}};
          rules.quotes = "\"'`";
          rules.rawQuotes = "'";
          rules.codeEscapes = true;  // echo don\'t
          rules.stringsSpanLines = true;
          rules.variablePrefixes = "$";
          rules.keywords = {{kw::ShellKeywords, KEYWORD}, {kw::ShellCommands, USER}};
          // "$(basename "$x")" and "${x:-"a b"}" hold strings of their own.
          rules.interpolations = {{{"$(", ')', "\"`"}, {"${", '}', "\"`"}}};
          rules.heredocs.enabled = true;
          rules.heredocs.dash = true;
          rules.heredocs.blankBeforeWord = true;
          rules.heredocs.indent = "\t";  // "<<-" strips tabs only
          return rules;
      }()) {}

CSyntaxParserSiod::CSyntaxParserSiod()
    : CSyntaxParserScript(23, "SIOD", "scm", 0x50, ";|", "|;", ";", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{";"}}};
          rules.blockComments = {{{";|", "|;"}}};
          rules.quotes = "\"";
          rules.wordChars = kLispWordChars;
          rules.keywords = {{kw::SiodKeywords, KEYWORD}, {kw::SiodMath, USER}, {kw::SiodFunctions, NAME}};
          return rules;
      }()) {}

CSyntaxParserSql::CSyntaxParserSql()
    : CSyntaxParserScript(24, "SQL", "sql", 0x10, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          // "--" is standard SQL's own line comment.
          rules.lineComments = {{{"//"}, {"--"}}};
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "'\"";
          rules.backslashEscapes = false;
          rules.doubledQuotes = true;
          rules.keywords = {{kw::SqlKeywords, KEYWORD}, {kw::SqlTypes, USER}};
          return rules;
      }()) {}

CSyntaxParserTcl::CSyntaxParserTcl()
    : CSyntaxParserScript(25, "TCL", "tcl", 0x150, "", "", "#", [] {
          SCRIPTRULES rules;
          // A comment stands where a command may begin.
          rules.lineComments = {{{"#", COMMENT_LINE_START}, {";#"}}};
          rules.quotes = "\"";
          rules.variablePrefixes = "$";
          rules.keywords = {{kw::TclKeywords, KEYWORD}};
          return rules;
      }()) {}

CSyntaxParserTex::CSyntaxParserTex()
    : CSyntaxParserScript(26, "TEX", "tex,sty,clo,ltx,fd,dtx", 0x10, "", "", "%", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"%"}}};
          rules.specials = "\\$";
          rules.keywords = {{kw::TexKeywords, KEYWORD}, {kw::TexCommands, USER}};
          return rules;
      }()) {}

CSyntaxParserXml::CSyntaxParserXml()
    : CSyntaxParserMarkup(27, "XML", "xml", 0x30, "<!--", "-->", "", [] {
          MARKUPRULES rules;
          rules.declarations = kw::XmlKeywords;
          rules.declarationWords = kw::XmlAttributes;
          rules.entities = kw::HtmlEntities;
          rules.braces = true;
          rules.cdata = true;
          return rules;
      }()) {}

// "@" before a command, "::" comments and ":" labels at the start of a
// line, "rem" comments where a command begins, and "%" variables: "%1",
// "%%i", "%~dp0", "%NAME%".
bool CSyntaxParserBatch::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    const char c = line.text[i];
    // Where a command begins: after blanks and an "@" only.
    auto commandStart = [&](int k) {
        for (int j = 0; j < k; ++j)
            if (!IsBlank(line.At(j)) && line.text[j] != '@') return false;
        return true;
    };
    if (c == '@') {
        if (!line.OnlyBlanksBefore(i)) return false;
        line.Colour(i, COLORINDEX_OPERATOR);
        line.i += 1;
        return true;
    }
    if (c == ':') {
        if (!line.OnlyBlanksBefore(i)) return false;
        if (line.Matches(i, "::")) {
            line.Colour(i, COLORINDEX_COMMENT);
            line.state |= STATE_LINE_COMMENT;
            return true;
        }
        line.Colour(i, COLORINDEX_PREPROCESSOR);
        line.i = line.WordEnd(i + 1, Rules().wordChars);
        return true;
    }
    if (c == 'r' || c == 'R') {
        if (!line.Matches(i, "rem", true) || !commandStart(i)) return false;
        if (i + 3 < line.length && !IsBlank(line.At(i + 3))) return false;
        line.Colour(i, COLORINDEX_COMMENT);
        line.state |= STATE_LINE_COMMENT;
        return true;
    }
    // "%"
    int end = i + 1;
    if (end < line.length && line.text[end] == '%') {
        end = line.WordEnd(end + 1, {});
        if (end == i + 2) return false;
    } else if (end < line.length &&
               (std::isdigit(line.At(end)) || line.text[end] == '~' || line.text[end] == '*')) {
        if (line.text[end] == '~')
            end = line.WordEnd(end + 1, {});  // "%~dp0" ends in its digit
        else
            end += 1;
    } else {
        const int close = line.Find(end, "%");
        if (close <= end) return false;
        for (int j = end; j < close; ++j)
            if (IsBlank(line.At(j))) return false;
        end = close + 1;
    }
    line.Colour(i, COLORINDEX_FUNCNAME);
    line.i = end;
    return true;
}

int CSyntaxParserBatch::WordColour(const CScriptLine& line, int start, int end) const {
    const int colour = CSyntaxParserScript::WordColour(line, start, end);
    if (colour != COLORINDEX_NORMALTEXT || end - start <= 4) return colour;
    // "XCOPY.EXE" is the external command XCOPY.
    if (line.Matches(end - 4, ".com", true) || line.Matches(end - 4, ".exe", true)) {
        const std::string_view stem(line.text + start, static_cast<size_t>(end - 4 - start));
        if (kw::BatchExternalCommands().Contains(stem)) return USER;
    }
    return colour;
}

bool CSyntaxParserPerl::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    // POD runs from a line starting "=word" to one starting "=cut".
    if (line.state & STATE_POD) {
        line.Colour(i, COLORINDEX_COMMENT);
        if (line.Matches(0, "=cut")) line.state &= ~STATE_POD;
        line.i = line.length;
        return true;
    }
    if (line.state & STATE_QUOTE_LIKE) {
        const char close = static_cast<char>((line.state >> 16) & 0xFF);
        int parts = (line.state >> 9) & 0x3;
        // Bracketing delimiters nest: m[ [a-z]+ ] ends at the second "]".
        static constexpr std::string_view kBrackets = "([{<", kClosers = ")]}>";
        const size_t bracket = kClosers.find(close);
        const char opener = bracket == std::string_view::npos ? 0 : kBrackets[bracket];
        int depth = (line.state & STATE_QUOTE_DEPTH) >> 12;
        line.Colour(i, COLORINDEX_STRING);
        int k = i;
        while (k < line.length) {
            if (line.text[k] == '\\') {
                k += 2;
                continue;
            }
            if (line.text[k] == opener && depth < 15) ++depth;
            if (line.text[k] == close) {
                if (depth == 0) break;
                --depth;
            }
            k += line.CharLength(k);
        }
        line.state = (line.state & ~STATE_QUOTE_DEPTH) | (depth << 12);
        if (k >= line.length) {
            line.i = line.length;
            return true;
        }
        ++k;
        line.state &= ~(STATE_QUOTE_LIKE | 0x600 | 0xFF0000 | STATE_QUOTE_DEPTH);
        if (parts > 1) {
            // s{a}{b}: a new opening bracket; s/a/b/: the same delimiter again.
            char open = close;
            static constexpr std::string_view kOpen = "([{<", kClose = ")]}>";
            if (kClose.find(close) != std::string_view::npos) {
                while (k < line.length && IsBlank(line.At(k))) ++k;
                if (k >= line.length || kOpen.find(line.text[k]) == std::string_view::npos) {
                    line.i = k;
                    return true;
                }
                open = line.text[k++];
            }
            const size_t b = kOpen.find(open);
            const char next = b == std::string_view::npos ? open : kClose[b];
            line.state |= STATE_QUOTE_LIKE | ((parts - 1) << 9) | (static_cast<unsigned char>(next) << 16);
        } else {
            // The modifiers ("m,a,s", "s/a/b/gex") belong to the operator.
            while (k < line.length && std::isalpha(line.At(k))) ++k;
        }
        line.i = k;
        return true;
    }
    const char c = line.text[i];
    if (c == '=') {
        if (i != 0 || line.length < 2 || !std::isalpha(line.At(1))) return false;
        line.state |= STATE_POD;
        line.Colour(i, COLORINDEX_COMMENT);
        line.i = line.length;
        return true;
    }
    // A quote-like operator: the word alone, not part of a name or a hash key.
    if (i > 0 && (IsWordChar(line.At(i - 1)) ||
                  std::string_view("$@%&->{").find(line.text[i - 1]) != std::string_view::npos))
        return false;
    const int end = line.WordEnd(i, {});
    const std::string_view word(line.text + i, static_cast<size_t>(end - i));
    int parts;
    if (word == "q" || word == "qq" || word == "qw" || word == "qx" || word == "m" || word == "qr")
        parts = 1;
    else if (word == "s" || word == "y" || word == "tr")
        parts = 2;
    else
        return false;
    int d = end;
    while (d < line.length && IsBlank(line.At(d))) ++d;
    if (d >= line.length) return false;
    const char delimiter = line.text[d];
    // "m,pattern," and "s,a,b," delimit with commas; "q, r" in a list does not.
    const bool listComma = delimiter == ',' && (d + 1 >= line.length || IsBlank(line.At(d + 1)) || d > end);
    if (IsWordChar(line.At(d)) || std::string_view("=;)>#").find(delimiter) != std::string_view::npos ||
        listComma || line.At(d) >= 0x80)
        return false;
    static constexpr std::string_view kOpen = "([{<", kClose = ")]}>";
    const size_t b = kOpen.find(delimiter);
    const char close = b == std::string_view::npos ? delimiter : kClose[b];
    line.Colour(i, KeywordColour(word));
    line.Colour(d, COLORINDEX_STRING);
    line.state |= STATE_QUOTE_LIKE | (parts << 9) | (static_cast<unsigned char>(close) << 16);
    line.i = d + 1;
    return true;
}

bool CSyntaxParserTex::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    const char c = line.text[i];
    if (line.state & STATE_MATH) {
        if (c == '%') return false;  // a comment, also in math
        line.Colour(i, COLORINDEX_STRING);
        int k = i;
        while (k < line.length && line.text[k] != '$' && line.text[k] != '%') {
            k +=
                line.text[k] == '\\' && k + 1 < line.length ? 1 + line.CharLength(k + 1) : line.CharLength(k);
        }
        if (k < line.length && line.text[k] == '$') {
            k += line.Matches(k, "$$") ? 2 : 1;
            line.state &= ~STATE_MATH;
        }
        line.i = k;
        return true;
    }
    if (c == '$') {
        line.Colour(i, COLORINDEX_STRING);
        line.state |= STATE_MATH;
        line.i += line.Matches(i, "$$") ? 2 : 1;
        return true;
    }
    // A control word, or a control symbol ("\%", "\$", "\\").
    int end = i + 1;
    while (end < line.length && std::isalpha(line.At(end))) ++end;
    if (end == i + 1) {
        line.Colour(i, COLORINDEX_NORMALTEXT);
        line.i = i + 1 < line.length ? i + 1 + line.CharLength(i + 1) : i + 1;
        return true;
    }
    const int colour =
        line.WantsBlocks()
            ? KeywordColour(std::string_view(line.text + i + 1, static_cast<size_t>(end - i - 1)))
            : COLORINDEX_NORMALTEXT;
    line.Colour(i, colour);
    line.i = end;
    return true;
}

namespace {

template <typename T>
std::unique_ptr<CSyntaxParser> Create() {
    return std::make_unique<T>();
}

}  // namespace

const SyntaxParserCreator kSyntaxParserCreators[44] = {
    Create<CSyntaxParserPlain>,  Create<CSyntaxParserAsp>,        Create<CSyntaxParserBasic>,
    Create<CSyntaxParserBatch>,  Create<CSyntaxParserCpp>,        Create<CSyntaxParserCsharp>,
    Create<CSyntaxParserDcl>,    Create<CSyntaxParserFortran>,    Create<CSyntaxParserHtml>,
    Create<CSyntaxParserIni>,    Create<CSyntaxParserIss>,        Create<CSyntaxParserIs>,
    Create<CSyntaxParserJava>,   Create<CSyntaxParserLisp>,       Create<CSyntaxParserNsis>,
    Create<CSyntaxParserPascal>, Create<CSyntaxParserPerl>,       Create<CSyntaxParserPhp>,
    Create<CSyntaxParserPython>, Create<CSyntaxParserRexx>,       Create<CSyntaxParserRsrc>,
    Create<CSyntaxParserSgml>,   Create<CSyntaxParserSh>,         Create<CSyntaxParserSiod>,
    Create<CSyntaxParserSql>,    Create<CSyntaxParserTcl>,        Create<CSyntaxParserTex>,
    Create<CSyntaxParserXml>,    Create<CSyntaxParserJavaScript>, Create<CSyntaxParserTypeScript>,
    Create<CSyntaxParserJson>,   Create<CSyntaxParserYaml>,       Create<CSyntaxParserMarkdown>,
    Create<CSyntaxParserCss>,    Create<CSyntaxParserRust>,       Create<CSyntaxParserGo>,
    Create<CSyntaxParserKotlin>, Create<CSyntaxParserRuby>,       Create<CSyntaxParserLua>,
    Create<CSyntaxParserCmake>,  Create<CSyntaxParserMakefile>,   Create<CSyntaxParserDockerfile>,
    Create<CSyntaxParserToml>,   Create<CSyntaxParserDiff>,
};

}  // namespace corvatine
