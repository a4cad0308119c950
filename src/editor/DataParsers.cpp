// The definitions of JSON, YAML, TOML, CSS, Markdown and differences.
#include <cctype>

#include "editor/SyntaxKeywords.h"
#include "editor/SyntaxParsers.h"

namespace corvatine {

namespace kw = keywords;

namespace {

constexpr int KEYWORD = COLORINDEX_KEYWORD;
constexpr int USER = COLORINDEX_USER1;

}  // namespace

// Comments are not JSON's, but the configuration files of many programs
// ("tsconfig.json", ".jsonc") hold them.
CSyntaxParserJson::CSyntaxParserJson()
    : CSyntaxParserScript(30, "JSON", "json,jsonc", 0x30, "", "", "", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"//"}}};
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "\"";
          rules.digitNumbers = true;
          rules.keywords = {{kw::JsonKeywords, KEYWORD}};
          return rules;
      }()) {}

CSyntaxParserYaml::CSyntaxParserYaml()
    : CSyntaxParserScript(31, "YAML", "yaml,yml", 0x30, "", "", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#", COMMENT_AFTER_BLANK}}};
          rules.quotes = "\"'";
          rules.rawQuotes = "'";  // '' stands for ' in a single-quoted scalar
          rules.doubledQuotes = true;
          rules.stringsSpanLines = true;
          rules.directivePrefixes = "%";
          rules.digitNumbers = true;
          rules.wordChars = "-.";
          rules.specials = "'\"|>-.&*!";
          rules.quietState = CSyntaxParserYaml::STATE_BLOCK_NEXT | (0xFF << 16);
          rules.keywords = {{kw::YamlKeywords, USER}};
          return rules;
      }()) {}

namespace {

constexpr int kYamlIndentShift = 16;

// The column where the content of the line's node begins: after its
// indentation and any "- " of sequence entries.
int YamlNodeColumn(const CScriptLine& line) {
    int k = 0;
    for (;;) {
        while (k < line.length && line.text[k] == ' ') ++k;
        if (k + 1 < line.length && line.text[k] == '-' && line.text[k + 1] == ' ')
            k += 2;
        else
            return k;
    }
}

}  // namespace

bool CSyntaxParserYaml::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    if (line.state & STATE_BLOCK_SCALAR) {
        // A line more indented than the scalar's parent, or a blank one, is
        // its text; the first line that is not ends it.
        int indent = 0;
        while (indent < line.length && line.text[indent] == ' ') ++indent;
        const int parent = ((line.state >> kYamlIndentShift) & 0xFF) - 1;
        bool blank = true;
        for (int k = indent; k < line.length && blank; ++k) blank = IsBlank(line.At(k));
        if (blank || indent > parent) {
            line.Colour(i, COLORINDEX_STRING);
            line.i = line.length;
            return true;
        }
        line.state &= ~(STATE_BLOCK_SCALAR | (0xFF << kYamlIndentShift));
        return false;
    }
    const char c = line.text[i];
    const int p = PreviousNonBlank(line, i);
    // Where a scalar may begin: at the line's start, after an indicator
    // followed by a blank, or inside a flow collection.
    const bool scalarStart =
        p < 0 || std::string_view("[{,").find(line.text[p]) != std::string_view::npos ||
        (p < i - 1 && std::string_view(":-?").find(line.text[p]) != std::string_view::npos);
    if (c == '\'' || c == '"') {
        if (scalarStart) return false;          // a quoted scalar: the walk opens the string
        line.Colour(i, COLORINDEX_NORMALTEXT);  // "it's" in a plain scalar
        line.i += 1;
        return true;
    }
    if (c == '|' || c == '>') {
        if (!scalarStart || (p >= 0 && std::string_view("[{,").find(line.text[p]) != std::string_view::npos))
            return false;
        int k = i + 1;
        while (k < line.length && (std::isdigit(line.At(k)) || line.text[k] == '+' || line.text[k] == '-'))
            ++k;
        const int header = k;
        while (k < line.length && IsBlank(line.At(k))) ++k;
        if (k < line.length && !(line.text[k] == '#' && k > header)) return false;
        int parent = -1;
        if (p >= 0 && line.text[p] == ':')
            parent = YamlNodeColumn(line);
        else if (p >= 0)
            parent = p;
        line.Colour(i, COLORINDEX_OPERATOR);
        line.state |= STATE_BLOCK_NEXT | (std::min(parent + 1, 0xFF) << kYamlIndentShift);
        line.i = header;
        return true;
    }
    if (c == '-' || c == '.') {
        // "---" and "..." around documents; "- " before a sequence entry.
        if (line.OnlyBlanksBefore(i) && i == 0 && (line.Matches(i, "---") || line.Matches(i, "...")) &&
            (i + 3 == line.length || IsBlank(line.At(i + 3)))) {
            line.Colour(i, COLORINDEX_KEYWORD);
            line.i += 3;
            return true;
        }
        if (c == '-' && (i + 1 == line.length || IsBlank(line.At(i + 1)))) {
            line.Colour(i, COLORINDEX_OPERATOR);
            line.i += 1;
            return true;
        }
        return false;
    }
    if (c == '&' || c == '*') {
        // &anchor and *alias.
        if (!scalarStart || i + 1 >= line.length || IsBlank(line.At(i + 1))) return false;
        int k = i + 1;
        while (k < line.length && !IsBlank(line.At(k)) &&
               std::string_view(",[]{}").find(line.text[k]) == std::string_view::npos)
            ++k;
        line.Colour(i, COLORINDEX_FUNCNAME);
        line.i = k;
        return true;
    }
    // '!': a tag ("!!str", "!Ref").
    if (c != '!' || !scalarStart) return false;
    int k = i + 1;
    while (k < line.length && !IsBlank(line.At(k))) ++k;
    line.Colour(i, COLORINDEX_PREPROCESSOR);
    line.i = k;
    return true;
}

// A key ("name:" before a blank or the line's end) is a keyword.
int CSyntaxParserYaml::WordColour(const CScriptLine& line, int start, int end) const {
    if (end < line.length && line.text[end] == ':' && (end + 1 == line.length || IsBlank(line.At(end + 1))))
        return COLORINDEX_KEYWORD;
    return CSyntaxParserScript::WordColour(line, start, end);
}

int CSyntaxParserYaml::CarriedOwnState(int state) const {
    if (state & STATE_BLOCK_NEXT) return (state & ~STATE_BLOCK_NEXT) | STATE_BLOCK_SCALAR;
    return state;
}

CSyntaxParserToml::CSyntaxParserToml()
    : CSyntaxParserScript(42, "TOML", "toml", 0x30, "", "", "#", [] {
          SCRIPTRULES rules;
          rules.lineComments = {{{"#"}}};
          rules.quotes = "\"'";
          rules.rawQuotes = "'";  // literal strings
          rules.tripleQuotes = true;
          rules.sections = true;
          rules.digitNumbers = true;
          rules.wordChars = "-";
          rules.keywords = {{kw::TomlKeywords, USER}};
          return rules;
      }()) {}

// A key before "=" is a keyword.
int CSyntaxParserToml::WordColour(const CScriptLine& line, int start, int end) const {
    int k = end;
    while (k < line.length && IsBlank(line.At(k))) ++k;
    if (k < line.length && line.text[k] == '=' && (k + 1 == line.length || line.text[k + 1] != '='))
        return COLORINDEX_KEYWORD;
    return CSyntaxParserScript::WordColour(line, start, end);
}

CSyntaxParserCss::CSyntaxParserCss()
    : CSyntaxParserScript(33, "CSS", "css", 0x30, "/*", "*/", "", [] {
          SCRIPTRULES rules;
          rules.blockComments = {{{"/*", "*/"}}};
          rules.quotes = "\"'";
          rules.backslashContinues = true;
          rules.digitNumbers = true;
          rules.wordChars = "-";
          rules.specials = "{}@#.:";
          rules.quietState = CSyntaxParserCss::STATE_DEPTH;
          rules.keywords = {{kw::CssValues, USER}};
          return rules;
      }()) {}

namespace {

constexpr int kCssDepthShift = 8;

int CssDepth(int state) { return (state & CSyntaxParserCss::STATE_DEPTH) >> kCssDepthShift; }

}  // namespace

bool CSyntaxParserCss::ParseSpecial(CScriptLine& line) const {
    const int i = line.i;
    const char c = line.text[i];
    const int depth = CssDepth(line.state);
    switch (c) {
        case '{':
            if (depth < 15) line.state += 1 << kCssDepthShift;
            break;
        case '}':
            if (depth > 0) line.state -= 1 << kCssDepthShift;
            break;
        case '@':  // @media, @import, @keyframes
            if (i + 1 >= line.length || !IsWordStart(line.At(i + 1))) return false;
            line.Colour(i, COLORINDEX_PREPROCESSOR);
            line.i = line.WordEnd(i + 1, "-");
            return true;
        case '#': {  // #main in a selector, #fff in a value
            const int end = line.WordEnd(i + 1, "-");
            if (end == i + 1) return false;
            bool hex = true;
            for (int k = i + 1; k < end; ++k) hex = hex && std::isxdigit(line.At(k));
            line.Colour(i, hex && depth > 0 ? COLORINDEX_NUMBER : COLORINDEX_FUNCNAME);
            line.i = end;
            return true;
        }
        case '.':  // .class
            if (i + 1 >= line.length || !IsWordStart(line.At(i + 1))) return false;
            line.Colour(i, COLORINDEX_FUNCNAME);
            line.i = line.WordEnd(i + 1, "-");
            return true;
        case ':': {  // in a selector: :hover, ::before
            if (depth > 0 && !(i + 1 < line.length && line.text[i + 1] == ':')) return false;
            int k = i + 1;
            if (k < line.length && line.text[k] == ':') ++k;
            if (k >= line.length || !IsWordStart(line.At(k))) return false;
            line.Colour(i, COLORINDEX_USER1);
            line.i = line.WordEnd(k, "-");
            return true;
        }
        default: return false;
    }
    line.Colour(i, COLORINDEX_OPERATOR);
    line.i += 1;
    return true;
}

// Inside a block a word before ":" is a property.
int CSyntaxParserCss::WordColour(const CScriptLine& line, int start, int end) const {
    if (CssDepth(line.state) > 0) {
        int k = end;
        while (k < line.length && IsBlank(line.At(k))) ++k;
        if (k < line.length && line.text[k] == ':' &&
            (kw::CssProperties().Contains(
                 std::string_view(line.text + start, static_cast<size_t>(end - start))) ||
             line.Matches(start, "--")))
            return COLORINDEX_KEYWORD;
    }
    return CSyntaxParserScript::WordColour(line, start, end);
}

CSyntaxParserMarkdown::CSyntaxParserMarkdown()
    : CSyntaxParser(32, "Markdown", "md,markdown,mdown,mkd", 0x10, "<!--", "-->", "") {}

namespace {

constexpr int kFenceShift = 3;
using Markdown = CSyntaxParserMarkdown;

// A line inside a fenced code block, k its first character that is no
// blank: code, or the closing fence, a fence of the same character and at
// least the same length alone on its line. Answers the next line's state.
int ContinueFence(CScriptLine& line, int k) {
    const char fence = (line.state & Markdown::STATE_FENCE_TILDE) ? '~' : '`';
    int run = k;
    while (run < line.length && line.text[run] == fence) ++run;
    int rest = run;
    while (rest < line.length && Markdown::IsBlank(line.At(rest))) ++rest;
    if (run - k >= ((line.state >> kFenceShift) & 31) && rest == line.length) {
        line.Colour(0, COLORINDEX_PREPROCESSOR);
        return 0;
    }
    if (line.length > 0) line.Colour(0, COLORINDEX_STRING);
    return line.state;
}

// Whether a fence at k opens a fenced code block; state gets the state of
// the lines inside it (the fence's character and length).
bool OpensFence(CScriptLine& line, int k, int& state) {
    if (!line.Matches(k, "```") && !line.Matches(k, "~~~")) return false;
    const char fence = line.text[k];
    int run = k;
    while (run < line.length && line.text[run] == fence) ++run;
    // A backtick fence's information string holds no backtick.
    if (fence != '~' && line.Find(run, "`") >= 0) return false;
    line.Colour(0, COLORINDEX_PREPROCESSOR);
    state = Markdown::STATE_FENCE | (fence == '~' ? Markdown::STATE_FENCE_TILDE : 0) |
            (std::min(run - k, 31) << kFenceShift);
    return true;
}

// Whether the line is a heading: one to six "#" at k, then a blank or the end.
bool IsHeading(const CScriptLine& line, int k) {
    int hashes = k;
    while (hashes < line.length && line.text[hashes] == '#') ++hashes;
    return hashes > k && hashes - k <= 6 && (hashes == line.length || Markdown::IsBlank(line.At(hashes)));
}

// Whether the line is a rule of "=" or of three or more "-" (blanks between
// them allowed): the line under a heading, or between sections. Such a line
// is coloured whole.
bool ColourRule(CScriptLine& line, int k) {
    if (k >= line.length || (line.text[k] != '=' && line.text[k] != '-')) return false;
    bool rule = true;
    for (int j = k; j < line.length && rule; ++j)
        rule = line.text[j] == line.text[k] || Markdown::IsBlank(line.At(j));
    if (!rule || (line.text[k] != '=' && line.length - k < 3)) return false;
    line.Colour(0, COLORINDEX_KEYWORD);
    return true;
}

// The quote markers and a list item's marker ("-", "*", "+", or up to nine
// digits and "." or ")") from line.i, which moves past them.
void ColourLineMarkers(CScriptLine& line) {
    for (;;) {
        if (line.i < line.length && line.text[line.i] == '>') {
            line.Colour(line.i, COLORINDEX_OPERATOR);
            ++line.i;
            while (line.i < line.length && Markdown::IsBlank(line.At(line.i))) ++line.i;
            continue;
        }
        int m = line.i;
        while (m < line.length && std::isdigit(line.At(m)) && m - line.i < 9) ++m;
        const bool ordered = m > line.i && m < line.length && (line.text[m] == '.' || line.text[m] == ')');
        if (!ordered) m = line.i;
        if (m < line.length &&
            (ordered || std::string_view("-*+").find(line.text[m]) != std::string_view::npos) &&
            (m + 1 == line.length || Markdown::IsBlank(line.At(m + 1)))) {
            line.Colour(line.i, COLORINDEX_OPERATOR);
            line.i = m + 1;
        }
        return;
    }
}

// A code span at line.i: up to the next run of exactly as many backticks. An
// unclosed run is text in colour base.
void ColourCodeSpan(CScriptLine& line, int base) {
    const int i = line.i;
    int run = i;
    while (run < line.length && line.text[run] == '`') ++run;
    const std::string_view ticks(line.text + i, static_cast<size_t>(run - i));
    int close = line.Find(run, ticks);
    while (close >= 0 && close + static_cast<int>(ticks.size()) < line.length &&
           line.text[close + ticks.size()] == '`') {
        int after = close;
        while (after < line.length && line.text[after] == '`') ++after;
        close = line.Find(after, ticks);
    }
    line.Colour(i, close >= 0 ? COLORINDEX_STRING : base);
    line.i = close >= 0 ? close + static_cast<int>(ticks.size()) : run;
}

// The rest of the line from line.i: HTML comments (which may go on to the
// next lines), code spans, escapes, links and emphasis marks; other text in
// colour base.
void ColourInline(CScriptLine& line, int base) {
    while (line.i < line.length) {
        const int i = line.i;
        if (line.state & Markdown::STATE_COMMENT) {
            line.Colour(i, COLORINDEX_COMMENT);
            const int close = line.Find(i, "-->");
            if (close < 0) {
                line.i = line.length;
                break;
            }
            line.i = close + 3;
            line.state &= ~Markdown::STATE_COMMENT;
            continue;
        }
        const char c = line.text[i];
        if (c == '<' && line.Matches(i, "<!--")) {
            line.Colour(i, COLORINDEX_COMMENT);
            line.state |= Markdown::STATE_COMMENT;
            line.i += 4;
            continue;
        }
        if (c == '`') {
            ColourCodeSpan(line, base);
            continue;
        }
        if (c == '\\' && i + 1 < line.length && std::ispunct(line.At(i + 1))) {
            line.Colour(i, base);
            line.i += 2;
            continue;
        }
        if (c == ']' && i + 1 < line.length && line.text[i + 1] == '(') {
            // A link's destination.
            const int close = line.Find(i + 2, ")");
            line.Colour(i, COLORINDEX_OPERATOR);
            line.Colour(i + 1, COLORINDEX_FUNCNAME);
            line.i = close < 0 ? line.length : close + 1;
            continue;
        }
        if (c == '<' &&
            (line.Matches(i, "<http://") || line.Matches(i, "<https://") || line.Matches(i, "<mailto:"))) {
            const int close = line.Find(i, ">");
            if (close > i) {
                line.Colour(i, COLORINDEX_FUNCNAME);
                line.i = close + 1;
                continue;
            }
        }
        if (c == '*' || c == '_' || c == '~') {
            // Emphasis marks; "_" inside a word ("snake_case") is a letter.
            if (c != '_' || i == 0 || !Markdown::IsWordChar(line.At(i - 1))) {
                line.Colour(i, COLORINDEX_OPERATOR);
                while (line.i < line.length && line.text[line.i] == c) ++line.i;
                continue;
            }
        }
        line.Colour(i, base);
        line.i += line.CharLength(i);
    }
}

}  // namespace

int CSyntaxParserMarkdown::ParseLine(int state, const CSyntaxTextLine& textLine,
                                     std::vector<COLORBLOCK>* blocks) const {
    CScriptLine line(*this, textLine,
                     state & (STATE_COMMENT | STATE_FENCE | STATE_FENCE_TILDE | (31 << kFenceShift)), blocks);
    int k = 0;  // the first character that is no blank
    while (k < line.length && IsBlank(line.At(k))) ++k;
    if (line.state & STATE_FENCE) return ContinueFence(line, k);
    int base = COLORINDEX_NORMALTEXT;
    if (!(line.state & STATE_COMMENT)) {
        int fenceState = 0;
        if (OpensFence(line, k, fenceState)) return fenceState;
        // Headings, and the lines under a heading or between sections.
        if (IsHeading(line, k)) base = COLORINDEX_KEYWORD;
        if (ColourRule(line, k)) return 0;
        line.i = k;
        if (k > 0) line.Colour(0, COLORINDEX_NORMALTEXT);
        ColourLineMarkers(line);
    }
    ColourInline(line, base);
    return line.state & STATE_COMMENT;
}

CSyntaxParserDiff::CSyntaxParserDiff() : CSyntaxParser(43, "Diff", "diff,patch,rej", 0x10, "", "", "") {}

namespace {

constexpr int kCountMax =
    0x3FFF;  // a count this high means "many": the hunk ends at the first line not its own
constexpr int kOldShift = 1;
constexpr int kNewShift = 15;

// "12,3" in "@@ -12,3 +12,4 @@": the count after the comma, 1 without one.
bool ReadRange(std::string_view text, size_t& at, int& count) {
    size_t k = at;
    while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) ++k;
    if (k == at) return false;
    count = 1;
    if (k < text.size() && text[k] == ',') {
        size_t d = ++k;
        long long n = 0;
        while (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) {
            n = std::min<long long>(n * 10 + (text[k] - '0'), kCountMax);
            ++k;
        }
        if (k == d) return false;
        count = static_cast<int>(n);
    }
    at = k;
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A line of the normal format's commands: "12c12", "3,4d2", "5a6,7".
bool IsNormalCommand(std::string_view text) {
    size_t k = 0;
    int count = 0;
    if (!ReadRange(text, k, count) || k >= text.size() ||
        std::string_view("acd").find(text[k]) == std::string_view::npos)
        return false;
    ++k;
    return ReadRange(text, k, count) && k == text.size();
}

}  // namespace

int CSyntaxParserDiff::ParseLine(int state, const CSyntaxTextLine& textLine,
                                 std::vector<COLORBLOCK>* blocks) const {
    const std::string_view text(GetLineChars(textLine), static_cast<size_t>(GetLineLength(textLine)));
    const char first = text.empty() ? ' ' : text[0];
    auto colour = [&](int c) {
        if (!text.empty()) AddBlock(0, c, blocks);
    };
    if (state & STATE_HUNK) {
        int oldLeft = (state >> kOldShift) & kCountMax, newLeft = (state >> kNewShift) & kCountMax;
        if (first == ' ' || first == '-' || first == '+' || first == '\\') {
            if (first == '\\') {
                colour(COLORINDEX_OPERATOR);
            } else {
                colour(first == '-'   ? COLORINDEX_NUMBER
                       : first == '+' ? COLORINDEX_STRING
                                      : COLORINDEX_NORMALTEXT);
                if (first != '+' && oldLeft > 0 && oldLeft < kCountMax) --oldLeft;
                if (first != '-' && newLeft > 0 && newLeft < kCountMax) --newLeft;
            }
            if (oldLeft == 0 && newLeft == 0) return 0;
            return STATE_HUNK | (oldLeft << kOldShift) | (newLeft << kNewShift);
        }
        // A line of none of the hunk's kinds ends it early.
    }
    if (state & STATE_CONTEXT_HUNK) {
        if (text.size() >= 2 && text[1] == ' ' &&
            std::string_view(" !+-").find(first) != std::string_view::npos) {
            colour(first == '-'   ? COLORINDEX_NUMBER
                   : first == '+' ? COLORINDEX_STRING
                   : first == '!' ? COLORINDEX_FUNCNAME
                                  : COLORINDEX_NORMALTEXT);
            return STATE_CONTEXT_HUNK;
        }
    }
    if (StartsWith(text, "@@ -")) {
        size_t k = 4;
        int oldCount = 0, newCount = 0;
        if (ReadRange(text, k, oldCount) && StartsWith(text.substr(k), " +")) {
            k += 2;
            if (ReadRange(text, k, newCount) && StartsWith(text.substr(k), " @@")) {
                colour(COLORINDEX_PREPROCESSOR);
                if (oldCount == 0 && newCount == 0) return 0;
                return STATE_HUNK | (oldCount << kOldShift) | (newCount << kNewShift);
            }
        }
    }
    if (StartsWith(text, "***************")) {
        colour(COLORINDEX_OPERATOR);
        return 0;
    }
    if ((StartsWith(text, "*** ") && text.size() > 8 && text.substr(text.size() - 4) == "****") ||
        (StartsWith(text, "--- ") && text.size() > 8 && text.substr(text.size() - 4) == "----")) {
        colour(COLORINDEX_PREPROCESSOR);
        return STATE_CONTEXT_HUNK;
    }
    static constexpr std::string_view kHeaders[] = {
        "diff ",
        "index ",
        "--- ",
        "+++ ",
        "*** ",
        "new file mode ",
        "deleted file mode ",
        "old mode ",
        "new mode ",
        "similarity index ",
        "dissimilarity index ",
        "rename from ",
        "rename to ",
        "copy from ",
        "copy to ",
        "Index: ",
        "=====",
        "Binary files ",
        "GIT binary patch",
        "Only in ",
        "Files ",
    };
    for (std::string_view header : kHeaders) {
        if (StartsWith(text, header)) {
            colour(COLORINDEX_KEYWORD);
            return 0;
        }
    }
    if (IsNormalCommand(text)) {
        colour(COLORINDEX_PREPROCESSOR);
        return 0;
    }
    if (StartsWith(text, "< ") || StartsWith(text, "> ") || text == "<" || text == ">") {
        colour(first == '<' ? COLORINDEX_NUMBER : COLORINDEX_STRING);
        return 0;
    }
    if (text == "---" || first == '\\') {
        colour(COLORINDEX_OPERATOR);
        return 0;
    }
    // Text outside the differences: what patch reads past.
    colour(COLORINDEX_COMMENT);
    return 0;
}

}  // namespace corvatine
