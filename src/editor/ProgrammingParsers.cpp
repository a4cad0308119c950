// The definitions of JavaScript, TypeScript, Go, Kotlin, Lua, Rust and Ruby.
#include <cctype>

#include "editor/SyntaxKeywords.h"
#include "editor/SyntaxParsers.h"

namespace corvatine {

namespace kw = keywords;

namespace {

constexpr int KEYWORD = COLORINDEX_KEYWORD;
constexpr int USER = COLORINDEX_USER1;

// JavaScript and TypeScript share everything but some words.
SCRIPTRULES EcmaScriptRules() {
    SCRIPTRULES rules;
    rules.lineComments = {{{"//"}}};
    rules.blockComments = {{{"/*", "*/"}}};
    rules.quotes = "\"'`";
    rules.spanningQuotes = "`";
    rules.interpolations = {{{"${", '}', "`"}}};
    rules.backslashContinues = true;
    rules.regexLiterals = true;
    rules.regexAfter = kw::JavaScriptRegexWords;
    rules.digitNumbers = true;
    rules.functionNames = true;
    rules.wordChars = "$";
    rules.annotations = "@";  // decorators
    return rules;
}

}  // namespace

CSyntaxParserJavaScript::CSyntaxParserJavaScript()
    : CSyntaxParserScript(28, "JavaScript", "js,mjs,cjs,jsx", 0x30, "/*", "*/", "//", [] {
          SCRIPTRULES rules = EcmaScriptRules();
          rules.keywords = {{kw::JavaScriptKeywords, KEYWORD}, {kw::JavaScriptGlobals, USER}};
          return rules;
      }()) {}

CSyntaxParserTypeScript::CSyntaxParserTypeScript()
    : CSyntaxParserScript(29, "TypeScript", "ts,tsx,mts,cts", 0x30, "/*", "*/", "//", [] {
          SCRIPTRULES rules = EcmaScriptRules();
          rules.keywords = {{kw::JavaScriptKeywords, KEYWORD},
                            {kw::TypeScriptKeywords, KEYWORD},
                            {kw::TypeScriptTypes, USER},
                            {kw::JavaScriptGlobals, USER}};
          return rules;
      }()) {}

CSyntaxParserGo::CSyntaxParserGo()
    : CSyntaxParserScript(35, "Go", "go", 0x30, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "\"'`";
          rules.rawQuotes = "`";  // raw string literals, which may span lines
          rules.spanningQuotes = "`";
          rules.digitNumbers = true;
          rules.functionNames = true;
          rules.keywords = {{kw::GoKeywords, KEYWORD}, {kw::GoPredeclared, USER}};
          return rules;
      }()) {}

CSyntaxParserKotlin::CSyntaxParserKotlin()
    : CSyntaxParserScript(36, "Kotlin", "kt,kts", 0x30, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"/*", "*/", true}}};
          rules.quotes = "\"'";
          rules.tripleQuotes = true;
          rules.rawTripleQuotes = true;
          rules.interpolations = {{{"${", '}', "\""}}};
          rules.digitNumbers = true;
          rules.functionNames = true;
          rules.annotations = "@";
          rules.keywords = {{kw::KotlinKeywords, KEYWORD}, {kw::KotlinTypes, USER}};
          return rules;
      }()) {}

CSyntaxParserLua::CSyntaxParserLua()
    : CSyntaxParserScript(38, "Lua", "lua", 0x30, "--[[", "]]", "--", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"--"}}};
          rules.longBracketComment = "--";
          rules.longBracketStrings = true;
          rules.quotes = "\"'";
          rules.backslashContinues = true;
          rules.digitNumbers = true;
          rules.functionNames = true;
          rules.keywords = {{kw::LuaKeywords, KEYWORD}, {kw::LuaBuiltins, USER}};
          return rules;
      }()) {}

CSyntaxParserRust::CSyntaxParserRust()
    : CSyntaxParserScript(34, "Rust", "rs", 0x30, "/*", "*/", "//", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"/*", "*/", true}}};
          rules.quotes = "\"";
          rules.stringsSpanLines = true;
          rules.digitNumbers = true;
          rules.functionNames = true;
          rules.specials = "'rb#";
          rules.keywords = {{kw::RustKeywords, KEYWORD}, {kw::RustTypes, USER}};
          return rules;
      }()) {}

namespace {

constexpr int kRawHashShift = 15;

}  // namespace

bool CSyntaxParserRust::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    if (line.state & STATE_RAW) {
        // To a quote followed by as many "#" as opened the string.
        const int hashes = (line.state >> kRawHashShift) & 0xF;
        line.Colour(i, COLORINDEX_STRING);
        for (int k = line.Find(i, "\""); k >= 0; k = line.Find(k + 1, "\"")) {
            int j = k + 1;
            while (j < line.length && j - k - 1 < hashes && line.text[j] == '#') ++j;
            if (j - k - 1 == hashes) {
                line.i = j;
                line.state &= ~(STATE_RAW | (0xF << kRawHashShift));
                return true;
            }
        }
        line.i = line.length;
        return true;
    }
    const char c = line.text[i];
    if (c == 'r' || c == 'b') {
        // r"...", r#"..."#, br"..."; b"..." and b'x' are plain literals after a word.
        int k = i + 1;
        if (c == 'b' && k < line.length && line.text[k] == 'r') ++k;
        if (k == i + 1 && c == 'b') return false;
        int hashes = 0;
        while (k < line.length && line.text[k] == '#') ++k, ++hashes;
        if (k >= line.length || line.text[k] != '"' || hashes > 15) return false;
        line.Colour(i, COLORINDEX_STRING);
        line.state |= STATE_RAW | (hashes << kRawHashShift);
        line.i = k + 1;
        return true;
    }
    if (c == '#') {
        // #[attribute] and #![attribute], to the bracket that closes it.
        int k = i + 1;
        if (k < line.length && line.text[k] == '!') ++k;
        if (k >= line.length || line.text[k] != '[') return false;
        int depth = 0;
        for (; k < line.length; ++k) {
            if (line.text[k] == '[') ++depth;
            if (line.text[k] == ']' && --depth == 0) break;
        }
        line.Colour(i, COLORINDEX_PREPROCESSOR);
        line.i = k < line.length ? k + 1 : line.length;
        return true;
    }
    // '\'': a character literal ('a', '\n', '\u{1F600}') or a lifetime or label ('a, 'static).
    if (c != '\'') return false;
    int k = i + 1;
    if (k >= line.length) return false;
    if (line.text[k] == '\\') {
        const int close = line.Find(k + 2, "'");
        if (close < 0) return false;
        line.Colour(i, COLORINDEX_STRING);
        line.i = close + 1;
        return true;
    }
    const int after = k + line.CharLength(k);
    if (after < line.length && line.text[after] == '\'') {
        line.Colour(i, COLORINDEX_STRING);
        line.i = after + 1;
        return true;
    }
    if (!IsWordStart(line.At(k))) return false;
    line.Colour(i, COLORINDEX_USER1);
    line.i = line.WordEnd(k, {});
    return true;
}

// A macro call ("println!", "vec!") is drawn as a function.
int CSyntaxParserRust::WordColour(const CScriptLine& line, int start, int end) const {
    const int colour = CSyntaxParserScript::WordColour(line, start, end);
    if (colour == COLORINDEX_NORMALTEXT && end < line.length && line.text[end] == '!' &&
        (end + 1 >= line.length || line.text[end + 1] != '='))
        return COLORINDEX_FUNCNAME;
    return colour;
}

CSyntaxParserRuby::CSyntaxParserRuby()
    : CSyntaxParserScript(37, "Ruby", "rb,rake,gemspec,ru", 0x30, "=begin", "=end", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#"}}};
          rules.blockComments = {{{"=begin", "=end", false, true}}};
          rules.quotes = "\"'`";
          rules.stringsSpanLines = true;
          rules.interpolations = {{{"#{", '}', "\"`"}}};
          rules.regexLiterals = true;
          rules.regexAfter = kw::RubyRegexWords;
          rules.heredocs.enabled = true;
          rules.heredocs.dash = true;
          rules.heredocs.tilde = true;
          rules.variablePrefixes = "@$";
          rules.digitNumbers = true;
          rules.specials = "%:?";
          rules.keywords = {{kw::RubyKeywords, KEYWORD}, {kw::RubyMethods, USER}};
          return rules;
      }()) {
    SetFileNames("Gemfile,Rakefile");
}

namespace {

// The closing delimiters of Ruby's percent literals, by the index the state keeps.
constexpr std::string_view kPercentClosers = ")]}>|!/^~-+*=:;.,?'\"`@#%&";
constexpr int kPercentShift = 9;

}  // namespace

bool CSyntaxParserRuby::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    if (line.state & STATE_PERCENT) {
        const char close = kPercentClosers[static_cast<size_t>((line.state >> kPercentShift) & 0x1F)];
        // Brackets of the delimiter's kind nest ("%(a (b) c)"); the count
        // is the line's alone.
        static constexpr std::string_view kClosers = ")]}>", kOpeners = "([{<";
        const size_t bracket = kClosers.find(close);
        const char opener = bracket == std::string_view::npos ? 0 : kOpeners[bracket];
        line.Colour(i, COLORINDEX_STRING);
        int k = i;
        for (int depth = 0; k < line.length; k += line.text[k] == '\\' ? 2 : line.CharLength(k)) {
            if (line.text[k] == opener) ++depth;
            if (line.text[k] == close && depth-- == 0) break;
        }
        if (k < line.length) {
            line.state &= ~(STATE_PERCENT | (0x1F << kPercentShift));
            line.i = k + 1;
        } else {
            line.i = line.length;
        }
        return true;
    }
    const char c = line.text[i];
    const int p = PreviousNonBlank(line, i);
    // An operand is due: not after a word, a closing bracket or a literal.
    const bool operand =
        p < 0 || std::string_view("(,=[{|&!?:;+-*/%<>~^").find(line.text[p]) != std::string_view::npos;
    if (c == '%') {
        // %w[a b], %q(text), %r{re}x, %i<a b>; "%(text)" only where an operand is due.
        int k = i + 1;
        if (k < line.length && std::string_view("qQwWiIrsx").find(line.text[k]) != std::string_view::npos)
            ++k;
        if (k >= line.length) return false;
        const char open = line.text[k];
        if (k == i + 1 && (!operand || std::string_view("([{<|!").find(open) == std::string_view::npos))
            return false;
        static constexpr std::string_view kOpen = "([{<";
        const size_t b = kOpen.find(open);
        const char close = b == std::string_view::npos ? open : ")]}>"[b];
        const size_t index = kPercentClosers.find(close);
        if (index == std::string_view::npos || IsWordChar(static_cast<unsigned char>(open))) return false;
        line.Colour(i, COLORINDEX_STRING);
        line.state |= STATE_PERCENT | (static_cast<int>(index) << kPercentShift);
        line.i = k + 1;
        return true;
    }
    if (c == ':') {
        // :symbol, but not A::B, a ? b :c or key: value.
        if (i + 1 >= line.length || !IsWordStart(line.At(i + 1)) || (i > 0 && line.text[i - 1] == ':') ||
            (p >= 0 && (IsWordChar(line.At(p)) || line.text[p] == ')' || line.text[p] == ']')))
            return false;
        line.Colour(i, COLORINDEX_USER1);
        line.i = line.WordEnd(i + 1, {});
        if (line.i < line.length && (line.text[line.i] == '?' || line.text[line.i] == '!')) ++line.i;
        return true;
    }
    // ?x, ?\n: a one-character string where an operand is due.
    if (c != '?' || !operand || i + 1 >= line.length || IsBlank(line.At(i + 1))) return false;
    int end = i + 1;
    end +=
        line.text[end] == '\\' && end + 1 < line.length ? 1 + line.CharLength(end + 1) : line.CharLength(end);
    if (end < line.length && IsWordChar(line.At(end))) return false;
    line.Colour(i, COLORINDEX_STRING);
    line.i = end;
    return true;
}

}  // namespace corvatine
