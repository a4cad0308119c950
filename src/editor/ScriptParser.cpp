#include "editor/ScriptParser.h"

#include <cctype>
#include <cstring>

#include "fileio/CodePages.h"

namespace corvatine {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

CScriptLine::CScriptLine(const CSyntaxParser& parser, const CSyntaxTextLine& line, int startState,
                         std::vector<COLORBLOCK>* lineBlocks)
    : CScriptLine(parser, parser.GetLineChars(line), parser.GetLineLength(line), startState, lineBlocks) {}

CScriptLine::CScriptLine(const CSyntaxParser& parser, const char* lineText, int lineLength, int startState,
                         std::vector<COLORBLOCK>* lineBlocks)
    : text(lineText),
      length(lineLength),
      state(startState),
      blocks(lineBlocks),
      m_parser(parser),
      m_codePage(WorkingCodePage()) {}

bool CScriptLine::Matches(int k, std::string_view s, bool noCase) const {
    if (s.empty() || k < 0 || static_cast<size_t>(length - k) < s.size()) return false;
    if (!noCase) return std::memcmp(text + k, s.data(), s.size()) == 0;
    for (size_t j = 0; j < s.size(); ++j)
        if (Lower(text[k + static_cast<int>(j)]) != Lower(s[j])) return false;
    return true;
}

bool CScriptLine::OnlyBlanksBefore(int k) const {
    for (int j = 0; j < k; ++j)
        if (!CSyntaxParser::IsBlank(At(j))) return false;
    return true;
}

int CScriptLine::WordEnd(int k, std::string_view extra) const {
    while (k < length) {
        const unsigned char c = At(k);
        if (CSyntaxParser::IsWordChar(c)) {
            k += CharLength(k);
        } else if (!extra.empty() && extra.find(static_cast<char>(c)) != std::string_view::npos) {
            ++k;
        } else {
            break;
        }
    }
    return k;
}

void CScriptLine::Colour(int position, int colour) {
    if (colour == m_colour) return;
    m_colour = colour;
    m_parser.AddBlock(position, colour, blocks);
}

int CScriptLine::Find(int k, std::string_view s) const {
    if (s.empty()) return -1;
    while (k < length) {
        // Jump to the next byte that could start s, then check whole characters.
        const void* hit = std::memchr(text + k, s[0], static_cast<size_t>(length - k));
        if (hit == nullptr) return -1;
        int at = static_cast<int>(static_cast<const char*>(hit) - text);
        // In a double-byte code page the byte may be the tail of a character:
        // realign (UTF-8 tails are never below 0x80).
        if (m_codePage != CP_UTF8 && At(at) < 0x80 && at > k && At(at - 1) >= 0x80) {
            int j = k;
            while (j < at) j += CharLength(j);
            if (j != at) {
                k = j;
                continue;
            }
        }
        if (Matches(at, s)) return at;
        k = at + 1;
    }
    return -1;
}

CSyntaxParserScript::CSyntaxParserScript(int languageNumber, std::string name, std::string extensions,
                                         uint32_t options, std::string blockCommentOpen,
                                         std::string blockCommentClose, std::string lineCommentOpen,
                                         SCRIPTRULES rules)
    : CSyntaxParser(languageNumber, std::move(name), std::move(extensions), options,
                    std::move(blockCommentOpen), std::move(blockCommentClose), std::move(lineCommentOpen)),
      m_rules(std::move(rules)) {
    // Word and blank characters are those of every language; the table is
    // made once for the many definitions made at start.
    static const std::array<uint16_t, 256> kCommonClasses = [] {
        std::array<uint16_t, 256> classes{};
        for (int c = 0; c < 256; ++c) {
            const auto u = static_cast<unsigned char>(c);
            if (IsWordChar(u)) classes[u] |= CLASS_WORD;
            if (IsBlank(u)) classes[u] |= CLASS_BLANK;
        }
        return classes;
    }();
    m_class = kCommonClasses;
    auto mark = [&](std::string_view chars, uint16_t cls) {
        for (char c : chars) m_class[static_cast<unsigned char>(c)] |= cls;
    };
    for (const LINECOMMENT& comment : m_rules.lineComments) {
        if (comment.opener.empty()) continue;
        mark(comment.opener.substr(0, 1), CLASS_LINE_COMMENT);
        if (comment.wholeWord) {
            const char c = comment.opener[0];
            mark(std::string_view(&c, 1), CLASS_LINE_COMMENT);
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            mark(std::string_view(&upper, 1), CLASS_LINE_COMMENT);
        }
    }
    for (const BLOCKCOMMENT& comment : m_rules.blockComments)
        if (!comment.open.empty()) mark(comment.open.substr(0, 1), CLASS_BLOCK_COMMENT);
    mark(m_rules.quotes, CLASS_QUOTE);
    mark(m_rules.variablePrefixes, CLASS_VARIABLE);
    mark(m_rules.directivePrefixes, CLASS_DIRECTIVE);
    mark(m_rules.specials, CLASS_SPECIAL);
    mark(m_rules.wordChars, CLASS_WORD_EXTRA);
    if (m_rules.sections) mark("[", CLASS_SECTION);
    if (m_rules.regexLiterals) mark("/", CLASS_REGEX);
    if (m_rules.heredocs.enabled) mark("<", CLASS_HEREDOC);
    if (!m_rules.longBracketComment.empty())
        mark(m_rules.longBracketComment.substr(0, 1), CLASS_LONG_BRACKET);
    if (m_rules.longBracketStrings) mark("[", CLASS_LONG_BRACKET);
    mark(m_rules.annotations, CLASS_ANNOTATION);
    bool interpolations = false;
    for (const INTERPOLATION& interpolation : m_rules.interpolations) {
        if (interpolation.open.empty()) continue;
        interpolations = true;
        mark(interpolation.open.substr(0, 1), CLASS_INTERPOLATION);
    }
    if (interpolations) {
        mark(m_rules.quotes, CLASS_NESTED_CODE);
        mark("(){}", CLASS_NESTED_CODE);
    }

    // The bits of the features, then the hooks get what is left.
    int features = 0;
    bool nests = false;
    for (const BLOCKCOMMENT& comment : m_rules.blockComments) nests = nests || comment.nests;
    if (nests) features |= STATE_LEVEL;
    if (!m_rules.longBracketComment.empty() || m_rules.longBracketStrings)
        features |= STATE_LEVEL | STATE_LONG_COMMENT | STATE_LONG_STRING;
    if (interpolations) features |= STATE_NEST;
    // A here-document's word hash lies over the other bits: its flag says
    // which they are.
    if (m_rules.heredocs.enabled) features |= STATE_HEREDOC | STATE_HEREDOC_INDENTED;
    m_features = features;
    m_hookState = m_rules.specials.empty() ? 0 : STATE_OWN & ~features;
    m_hookTrigger = m_hookState & ~m_rules.quietState;

    m_validState = STATE_LINE_COMMENT | m_hookState | features;
    if (m_rules.heredocs.enabled) m_validState |= STATE_HEREDOC_WORD;
    if (!m_rules.blockComments[0].close.empty()) m_validState |= STATE_BLOCK_COMMENT_1;
    if (!m_rules.blockComments[1].close.empty()) m_validState |= STATE_BLOCK_COMMENT_2;
    const int strings[] = {STATE_STRING_1, STATE_STRING_2, STATE_STRING_3};
    for (size_t q = 0; q < m_rules.quotes.size() && q < 3; ++q) m_validState |= strings[q];
    if (m_rules.tripleQuotes) m_validState |= STATE_TRIPLE;
}

int CSyntaxParserScript::KeywordColour(std::string_view word) const {
    for (const KEYWORDCOLOUR& k : m_rules.keywords)
        if (k.set().Contains(word)) return k.colour;
    return COLORINDEX_NORMALTEXT;
}

int CSyntaxParserScript::WordColour(const CScriptLine& line, int start, int end) const {
    const std::string_view word(line.text + start, static_cast<size_t>(end - start));
    const int colour = KeywordColour(word);
    if (colour != COLORINDEX_NORMALTEXT) return colour;
    if (m_rules.numbers && IsNumber(word)) return COLORINDEX_NUMBER;
    if (m_rules.digitNumbers && std::isdigit(line.At(start))) return COLORINDEX_NUMBER;
    if (m_rules.functionNames) {
        int k = end;
        while (k < line.length && IsBlank(line.At(k))) ++k;
        if (k < line.length && line.text[k] == '(') return COLORINDEX_FUNCNAME;
    }
    return COLORINDEX_NORMALTEXT;
}

bool CSyntaxParserScript::ParseSpecial(CScriptLine&) const { return false; }

int CSyntaxParserScript::PreviousNonBlank(const CScriptLine& line, int k) {
    --k;
    while (k >= 0 && IsBlank(line.At(k))) --k;
    return k;
}

int CSyntaxParserScript::ParseLine(int state, const CSyntaxTextLine& line,
                                   std::vector<COLORBLOCK>* blocks) const {
    CScriptLine walk(*this, line, state, blocks);
    Walk(walk);
    return EndState(walk);
}

namespace {

// The regions nested in a string, as the state holds them.
enum NestKind : int { NEST_PAREN = 1, NEST_BRACE = 2, NEST_QUOTE = 3 };  // NEST_QUOTE + the quote's index
constexpr int kNestBits = 3;
constexpr int kShortHash = 0x1FFF;       // the part of a word's hash kept when two documents follow
constexpr int kSecondIndented = 0x2000;  // in CScriptLine::pendingSecond
constexpr int kNestLevels = 5;
constexpr int kNestMask = (1 << (kNestLevels * kNestBits)) - 1;

int Nest(int state) { return (state >> CSyntaxParserScript::kNestShift) & kNestMask; }

void SetNest(CScriptLine& line, int nest) {
    line.state = (line.state & ~CSyntaxParserScript::STATE_NEST) | (nest << CSyntaxParserScript::kNestShift);
}

// Opens a region inside the innermost; false when all are open already.
bool PushNest(CScriptLine& line, int kind) {
    const int nest = Nest(line.state);
    if (nest >> ((kNestLevels - 1) * kNestBits)) return false;
    SetNest(line, (nest << kNestBits) | kind);
    return true;
}

constexpr std::string_view TripleOf(char quote) {
    return quote == '"'    ? std::string_view("\"\"\"")
           : quote == '\'' ? std::string_view("'''")
                           : std::string_view("```");
}

}  // namespace

int CSyntaxParserScript::NestTop(int state) const { return (m_features & STATE_NEST) ? Nest(state) & 7 : 0; }

char CSyntaxParserScript::OpenQuote(int state) const {
    const int top = NestTop(state);
    const size_t index = top >= NEST_QUOTE          ? static_cast<size_t>(top - NEST_QUOTE)
                         : (state & STATE_STRING_1) ? 0
                         : (state & STATE_STRING_2) ? 1
                                                    : 2;
    // A state this definition did not make (a line's stored state from
    // another language) may name a quote it lacks: the first stands for it.
    if (index < m_rules.quotes.size()) return m_rules.quotes[index];
    return m_rules.quotes.empty() ? '\0' : m_rules.quotes[0];
}

int CSyntaxParserScript::EndState(const CScriptLine& line) const {
    if (m_rules.heredocs.enabled && (line.state & STATE_HEREDOC)) return line.state;
    constexpr int kStrings = STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3;
    int carried = STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2 | STATE_LONG_COMMENT | STATE_LONG_STRING;
    if ((line.state & (STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2)) ||
        ((m_features & STATE_LONG_COMMENT) && (line.state & (STATE_LONG_COMMENT | STATE_LONG_STRING))))
        carried |= STATE_LEVEL;
    if (line.state & kStrings) {
        // The outermost string decides whether the regions nested in it go on too.
        const size_t q = (line.state & STATE_STRING_1) ? 0 : (line.state & STATE_STRING_2) ? 1 : 2;
        const bool spans = m_rules.stringsSpanLines || (line.state & STATE_TRIPLE) ||
                           (q < m_rules.quotes.size() &&
                            m_rules.spanningQuotes.find(m_rules.quotes[q]) != std::string_view::npos) ||
                           (m_rules.backslashContinues && EndsInEscape(line));
        if (spans) carried |= kStrings | STATE_TRIPLE | STATE_NEST;
    }
    const int state =
        (line.state & carried & m_validState & ~m_hookState) | CarriedOwnState(line.state & m_hookState);
    if (line.pendingHeredoc == 0) return state;
    if (line.pendingSecond != 0) {
        // Two documents, one after the other; what the line left open is not kept.
        const int first = (line.pendingHeredoc & STATE_HEREDOC_WORD) >> kLevelShift;
        return (line.pendingHeredoc & (STATE_HEREDOC | STATE_HEREDOC_INDENTED)) | STATE_HEREDOC_TWO |
               (first & kShortHash) | ((line.pendingSecond & (kShortHash | kSecondIndented)) << 13);
    }
    // The document's text comes first; then the line's end state returns:
    // an open string and up to two regions in it ("$(cat <<EOF" inside "...").
    int context = 0;
    if (state & kStrings) {
        const int nest = (m_features & STATE_NEST) ? Nest(state) : 0;
        if ((nest >> (2 * kNestBits)) == 0)
            context = ((state & STATE_STRING_1) ? 1 : (state & STATE_STRING_2) ? 2 : 3) | (nest << 2);
    }
    return line.pendingHeredoc | context;
}

// Whether the line ends in a backslash that escapes its end: an odd run of
// them, inside a string whose quote is not raw.
bool CSyntaxParserScript::EndsInEscape(const CScriptLine& line) const {
    int run = 0;
    while (run < line.length && line.text[line.length - 1 - run] == '\\') ++run;
    if (run % 2 == 0 || !m_rules.backslashEscapes) return false;
    const char quote = OpenQuote(line.state);
    return m_rules.rawQuotes.find(quote) == std::string_view::npos;
}

int CSyntaxParserScript::HeredocWordHash(std::string_view word) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : word) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return static_cast<int>((hash ^ (hash >> 19)) & 0x7FFFF);
}

// Inside a string: walks to its closing quote, or to the opener of code
// inside it. Answers false when the terminator of an embedding region was
// reached first.
bool CSyntaxParserScript::InString(CScriptLine& line, std::string_view terminator) const {
    const int top = NestTop(line.state);
    const bool nested = top >= NEST_QUOTE;
    const char quote = OpenQuote(line.state);
    const bool triple = !nested && (line.state & STATE_TRIPLE) != 0;
    const bool raw =
        (triple && m_rules.rawTripleQuotes) || m_rules.rawQuotes.find(quote) != std::string_view::npos;
    const bool escapes = m_rules.backslashEscapes && !raw;
    line.Colour(line.i, COLORINDEX_STRING);
    while (line.i < line.length) {
        const unsigned char c = line.At(line.i);
        if (c == '\\' && escapes) {
            line.i += 1;
            if (line.i < line.length) line.i += line.CharLength(line.i);
            continue;
        }
        if (!terminator.empty() && line.Matches(line.i, terminator)) return false;
        if (c == static_cast<unsigned char>(quote)) {
            if (triple) {
                if (line.Matches(line.i, TripleOf(quote))) {
                    line.i += 3;
                    line.state &= ~(STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3 | STATE_TRIPLE);
                    return true;
                }
            } else if (m_rules.doubledQuotes && line.i + 1 < line.length && line.text[line.i + 1] == quote) {
                line.i += 2;
                continue;
            } else {
                line.i += 1;
                if (nested)
                    SetNest(line, Nest(line.state) >> kNestBits);
                else
                    line.state &= ~(STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3);
                return true;
            }
        }
        if (m_class[c] & CLASS_INTERPOLATION) {
            for (const INTERPOLATION& interpolation : m_rules.interpolations) {
                if (interpolation.open.empty() ||
                    interpolation.quotes.find(quote) == std::string_view::npos ||
                    !line.Matches(line.i, interpolation.open))
                    continue;
                if (!PushNest(line, interpolation.close == ')' ? NEST_PAREN : NEST_BRACE)) break;
                line.Colour(line.i, COLORINDEX_FUNCNAME);
                line.i += static_cast<int>(interpolation.open.size());
                return true;
            }
        }
        line.i += line.CharLength(line.i);
    }
    return true;
}

// In code nested in a string: quotes open strings of their own, brackets
// nest, and the bracket that closes the region returns to the string.
bool CSyntaxParserScript::InNestedCode(CScriptLine& line) const {
    const int nest = Nest(line.state);
    const int top = NestTop(line.state);
    if (top == 0 || top >= NEST_QUOTE) return false;
    const int i = line.i;
    const char c = line.text[i];
    const size_t q = m_rules.quotes.find(c);
    if (q != std::string_view::npos && q < 3) {
        if (!PushNest(line, NEST_QUOTE + static_cast<int>(q))) return false;
        line.Colour(i, COLORINDEX_STRING);
        line.i += 1;
        return true;
    }
    if (c == '(' || c == '{') {
        if (!PushNest(line, c == '(' ? NEST_PAREN : NEST_BRACE)) return false;
        line.Colour(i, COLORINDEX_OPERATOR);
        line.i += 1;
        return true;
    }
    if ((c == ')' && top == NEST_PAREN) || (c == '}' && top == NEST_BRACE)) {
        const int outer = nest >> kNestBits;
        SetNest(line, outer);
        // The bracket that ends the interpolation is drawn as its opener.
        const bool backToString = outer == 0 || (outer & 7) >= NEST_QUOTE;
        line.Colour(i, backToString ? COLORINDEX_FUNCNAME : COLORINDEX_OPERATOR);
        line.i += 1;
        return true;
    }
    return false;
}

// A line or block comment opening at line.i.
bool CSyntaxParserScript::TryComment(CScriptLine& line) const {
    const int i = line.i;
    for (size_t b = 0; b < m_rules.blockComments.size(); ++b) {
        const BLOCKCOMMENT& comment = m_rules.blockComments[b];
        if (comment.open.empty() || !line.Matches(i, comment.open)) continue;
        const int after = i + static_cast<int>(comment.open.size());
        if (comment.columnOne && (i != 0 || (after < line.length && !IsBlank(line.At(after))))) continue;
        line.Colour(i, COLORINDEX_COMMENT);
        line.state |= b == 0 ? STATE_BLOCK_COMMENT_1 : STATE_BLOCK_COMMENT_2;
        line.i = after;
        return true;
    }
    for (const LINECOMMENT& comment : m_rules.lineComments) {
        if (comment.opener.empty() || !line.Matches(i, comment.opener, comment.wholeWord)) continue;
        const int after = i + static_cast<int>(comment.opener.size());
        if (comment.wholeWord && after < line.length && IsWordChar(line.At(after))) continue;
        const unsigned char before = i > 0 ? line.At(i - 1) : ' ';
        switch (comment.place) {
            case COMMENT_ANYWHERE:
                if (before == '$' || (comment.wholeWord && IsWordChar(before))) continue;
                break;
            case COMMENT_WORD_START:
                if (!IsBlank(before) &&
                    std::string_view(";&|()").find(static_cast<char>(before)) == std::string_view::npos)
                    continue;
                break;
            case COMMENT_LINE_START:
                if (!line.OnlyBlanksBefore(i)) continue;
                break;
            case COMMENT_COLUMN_ONE:
                if (i != 0 || (after < line.length && IsWordChar(line.At(after)))) continue;
                break;
            case COMMENT_AFTER_BLANK:
                if (!IsBlank(before)) continue;
                break;
        }
        line.Colour(i, COLORINDEX_COMMENT);
        line.state |= STATE_LINE_COMMENT;
        return true;
    }
    return false;
}

// Inside a block comment: to its closer, counting the comments opened inside
// it when they nest.
void CSyntaxParserScript::InBlockComment(CScriptLine& line) const {
    const BLOCKCOMMENT& comment = m_rules.blockComments[(line.state & STATE_BLOCK_COMMENT_1) ? 0 : 1];
    line.Colour(line.i, COLORINDEX_COMMENT);
    if (comment.columnOne) {
        const int after = static_cast<int>(comment.close.size());
        if (line.i == 0 && line.Matches(0, comment.close) &&
            (after >= line.length || IsBlank(line.At(after))))
            line.state &= ~(STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2);
        line.i = line.length;
        return;
    }
    while (line.i < line.length) {
        const int close = line.Find(line.i, comment.close);
        if (comment.nests) {
            const int open = line.Find(line.i, comment.open);
            if (open >= 0 && (close < 0 || open < close)) {
                if ((line.state & STATE_LEVEL) != STATE_LEVEL) line.state += 1 << kLevelShift;
                line.i = open + static_cast<int>(comment.open.size());
                continue;
            }
        }
        if (close < 0) {
            line.i = line.length;
            return;
        }
        line.i = close + static_cast<int>(comment.close.size());
        if (comment.nests && (line.state & STATE_LEVEL)) {
            line.state -= 1 << kLevelShift;
            continue;
        }
        line.state &= ~(STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2);
        return;
    }
}

// "[[", "[==[" (a string) or the comment opener before one (a comment).
bool CSyntaxParserScript::TryLongBracket(CScriptLine& line) const {
    const int i = line.i;
    int k = i;
    bool comment = false;
    if (!m_rules.longBracketComment.empty() && line.Matches(i, m_rules.longBracketComment)) {
        k += static_cast<int>(m_rules.longBracketComment.size());
        comment = true;
    } else if (!m_rules.longBracketStrings || line.text[i] != '[') {
        return false;
    }
    if (k >= line.length || line.text[k] != '[') return false;
    int j = k + 1;
    while (j < line.length && line.text[j] == '=') ++j;
    const int level = j - k - 1;
    if (j >= line.length || line.text[j] != '[' || level > 15) return false;
    line.Colour(i, comment ? COLORINDEX_COMMENT : COLORINDEX_STRING);
    line.state |= (comment ? STATE_LONG_COMMENT : STATE_LONG_STRING) | (level << kLevelShift);
    line.i = j + 1;
    return true;
}

void CSyntaxParserScript::InLongBracket(CScriptLine& line) const {
    const int level = (line.state & STATE_LEVEL) >> kLevelShift;
    line.Colour(line.i, (line.state & STATE_LONG_COMMENT) ? COLORINDEX_COMMENT : COLORINDEX_STRING);
    for (int k = line.Find(line.i, "]"); k >= 0; k = line.Find(k + 1, "]")) {
        int j = k + 1;
        while (j < line.length && j - k - 1 < level && line.text[j] == '=') ++j;
        if (j - k - 1 == level && j < line.length && line.text[j] == ']') {
            line.i = j + 1;
            line.state &= ~(STATE_LONG_COMMENT | STATE_LONG_STRING | STATE_LEVEL);
            return;
        }
    }
    line.i = line.length;
}

// "/.../flags" where an operand is due: at the line's start, after an
// operator or an opening bracket, or after a word that the language lists.
// Elsewhere "/" divides. A literal never goes past its line.
bool CSyntaxParserScript::TryRegex(CScriptLine& line) const {
    const int i = line.i;
    const int p = PreviousNonBlank(line, i);
    if (p >= 0) {
        const unsigned char before = line.At(p);
        if (IsWordChar(before)) {
            int start = p;
            while (start > 0 && IsWordChar(line.At(start - 1))) --start;
            // "$x / 2", "a.length / 2": a variable or a member divides.
            if (start > 0 && std::string_view("$@%.").find(line.text[start - 1]) != std::string_view::npos)
                return false;
            const std::string_view word(line.text + start, static_cast<size_t>(p + 1 - start));
            if (m_rules.regexAfter == nullptr || !m_rules.regexAfter().Contains(word)) return false;
        } else if (std::string_view("(,=:[!&|?{};+-*%>~^").find(static_cast<char>(before)) ==
                   std::string_view::npos) {
            return false;
        }
    }
    int k = i + 1;
    bool inClass = false;
    while (k < line.length) {
        const char c = line.text[k];
        if (c == '\\') {
            k += 1;
            if (k < line.length) k += line.CharLength(k);
            continue;
        }
        if (c == '[') inClass = true;
        if (c == ']') inClass = false;
        if (c == '/' && !inClass) break;
        k += line.CharLength(k);
    }
    if (k >= line.length || k == i + 1) return false;
    line.Colour(i, COLORINDEX_STRING);
    line.i = k + 1;
    while (line.i < line.length && std::isalpha(line.At(line.i))) ++line.i;  // the flags
    return true;
}

// "<<WORD", "<<-WORD", "<<~WORD", "<<'WORD'", "<<"WORD"": the rest of the
// line is code, and the lines after it are the document's text. Only the
// first here-document of a line is followed.
bool CSyntaxParserScript::TryHeredoc(CScriptLine& line) const {
    const HEREDOCRULES& rules = m_rules.heredocs;
    const int i = line.i;
    if (line.pendingSecond != 0 || !line.Matches(i, "<<") || (i > 0 && line.text[i - 1] == '<')) return false;
    int k = i + 2;
    if (k < line.length && line.text[k] == '<') return false;  // "<<<": a here-string
    bool indented = false;
    if (k < line.length && ((rules.dash && line.text[k] == '-') || (rules.tilde && line.text[k] == '~'))) {
        indented = true;
        ++k;
    }
    int w = k;
    while (w < line.length && IsBlank(line.At(w))) ++w;
    const bool blank = w > k;
    if (w >= line.length) return false;
    const int marker = w;
    int start, end, after;
    const char q = line.text[w];
    if (q == '\'' || q == '"' || q == '`') {
        if (blank && !rules.blankBeforeWord && !rules.blankBeforeQuoted) return false;
        start = w + 1;
        end = line.Find(start, std::string_view(&q, 1));
        if (end <= start) return false;
        after = end + 1;
    } else {
        if (blank && !rules.blankBeforeWord) return false;
        if (q == '\\' && rules.blankBeforeWord) ++w;
        // "<<2" and "<< $n" shift.
        if (w >= line.length || !IsWordStart(line.At(w))) return false;
        start = w;
        end = line.WordEnd(w, {});
        after = end;
    }
    if (rules.blankBeforeWord) {
        // The shell's arithmetic "(( a << b ))" shifts too.
        int open = -1, close = -1;
        for (int j = 0; j + 1 < i; ++j) {
            if (line.Matches(j, "((")) open = j;
            if (line.Matches(j, "))")) close = j;
        }
        if (open > close) return false;
    }
    line.Colour(i, COLORINDEX_OPERATOR);
    line.Colour(marker, COLORINDEX_KEYWORD);
    const std::string_view word(line.text + start, static_cast<size_t>(end - start));
    if (line.pendingHeredoc == 0)
        line.pendingHeredoc =
            STATE_HEREDOC | (indented ? STATE_HEREDOC_INDENTED : 0) | (HeredocWordHash(word) << kLevelShift);
    else
        line.pendingSecond = (HeredocWordHash(word) & kShortHash) | (indented ? kSecondIndented : 0);
    line.i = after;
    return true;
}

// A line of a here-document: its text, or the line that ends it, after
// which the second document begins, or the string and the regions open
// before the document go on.
void CSyntaxParserScript::InHeredoc(CScriptLine& line) const {
    int k = 0;
    if (line.state & STATE_HEREDOC_INDENTED)
        while (k < line.length && m_rules.heredocs.indent.find(line.text[k]) != std::string_view::npos) ++k;
    const std::string_view rest(line.text + k, static_cast<size_t>(line.length - k));
    const int hash = rest.empty() ? -1 : HeredocWordHash(rest);
    bool ends;
    if (line.state & STATE_HEREDOC_TWO)
        ends = (hash & kShortHash) == (line.state & kShortHash);
    else if (line.state & STATE_HEREDOC_SHORT)
        ends = ((hash & kShortHash) << kLevelShift) == (line.state & (kShortHash << kLevelShift));
    else
        ends = (hash << kLevelShift) == (line.state & STATE_HEREDOC_WORD);
    if (hash >= 0 && ends) {
        line.Colour(0, COLORINDEX_KEYWORD);
        if (line.state & STATE_HEREDOC_TWO) {
            const int next = line.state >> 13;
            line.state = STATE_HEREDOC | STATE_HEREDOC_SHORT | ((next & kShortHash) << kLevelShift) |
                         ((next & kSecondIndented) ? STATE_HEREDOC_INDENTED : 0);
        } else {
            const int context = (line.state & STATE_HEREDOC_SHORT) ? 0 : line.state & 0xFF;
            const int quote = context & 3;
            line.state = quote == 0   ? 0
                         : quote == 1 ? STATE_STRING_1
                         : quote == 2 ? STATE_STRING_2
                                      : STATE_STRING_3;
            if (quote != 0) SetNest(line, context >> 2);
        }
    } else if (line.length > 0) {
        line.Colour(0, COLORINDEX_STRING);
    }
    line.i = line.length;
}

// The rest of a line comment; it ends only at the terminator, if one is
// sought: answers its position, or -1 with the line walked to its end.
int CSyntaxParserScript::InLineComment(CScriptLine& line, std::string_view terminator) const {
    line.Colour(line.i, COLORINDEX_COMMENT);
    const int stop = terminator.empty() ? -1 : line.Find(line.i, terminator);
    if (stop >= 0) {
        line.i = stop;
        line.state &= ~STATE_LINE_COMMENT;
        return stop;
    }
    line.i = line.length;
    return -1;
}

// A string opens at quote (line.i): the state names which of the quotes,
// and whether it is tripled ("""...""").
void CSyntaxParserScript::OpenString(CScriptLine& line, unsigned char quote) const {
    const size_t q = m_rules.quotes.find(static_cast<char>(quote));
    line.Colour(line.i, COLORINDEX_STRING);
    line.state |= q == 0 ? STATE_STRING_1 : q == 1 ? STATE_STRING_2 : STATE_STRING_3;
    if (m_rules.tripleQuotes && line.Matches(line.i, TripleOf(static_cast<char>(quote)))) {
        line.state |= STATE_TRIPLE;
        line.i += 3;
    } else {
        line.i += 1;
    }
}

// A variable at its sigil (line.i): "$name", "${...}" to its closing brace,
// "$#list" and the language's one-character names. False, with nothing
// consumed, when no name follows.
bool CSyntaxParserScript::TryVariable(CScriptLine& line) const {
    const int i = line.i;
    if (i + 1 >= line.length) return false;
    int end = i + 1;
    if (line.text[end] == '{') {
        // To the brace that closes it: "${a:-${b}}", Perl's "${"${pkg}::VERSION"}".
        int depth = 0;
        for (; end < line.length; ++end) {
            if (line.text[end] == '{') ++depth;
            if (line.text[end] == '}' && --depth == 0) break;
        }
        end = end < line.length ? end + 1 : line.length;
    } else {
        // "$#list" and the one-character names ("$#", "$?", "$@", "$!", "$$", ...).
        if (line.text[end] == '#' && end + 1 < line.length && IsWordStart(line.At(end + 1))) ++end;
        const int word = line.WordEnd(end, {});
        end = word > end                                                                    ? word
              : m_rules.punctuationVariables.find(line.text[end]) != std::string_view::npos ? end + 1
                                                                                            : end;
    }
    if (end <= i + 1) return false;
    line.Colour(i, COLORINDEX_FUNCNAME);
    line.i = end;
    return true;
}

int CSyntaxParserScript::Walk(CScriptLine& line, std::string_view terminator) const {
    if (m_rules.heredocs.enabled && (line.state & STATE_HEREDOC)) {
        InHeredoc(line);
        return -1;
    }
    line.state &= m_validState;  // a state from elsewhere cannot name a missing quote or comment
    const bool wantWords = line.WantsBlocks();
    while (line.i < line.length) {
        const int i = line.i;
        if (line.state & STATE_LINE_COMMENT) return InLineComment(line, terminator);
        if (line.state & (STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2)) {
            InBlockComment(line);
            continue;
        }
        if ((line.state & (STATE_LONG_COMMENT | STATE_LONG_STRING)) && (m_features & STATE_LONG_COMMENT)) {
            InLongBracket(line);
            continue;
        }
        const int top = NestTop(line.state);
        if ((line.state & (STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3)) &&
            (top == 0 || top >= NEST_QUOTE)) {
            if (!InString(line, terminator)) return line.i;
            continue;
        }
        if (!terminator.empty() && line.Matches(i, terminator)) return i;

        const unsigned char c = line.At(i);
        if (c == '\\' && m_rules.codeEscapes) {
            line.Colour(i, COLORINDEX_OPERATOR);
            line.i += 1;
            if (line.i < line.length) line.i += line.CharLength(line.i);
            continue;
        }
        const uint16_t cls = m_class[c];
        if ((cls & CLASS_NESTED_CODE) && top != 0 && InNestedCode(line)) continue;
        if (((cls & CLASS_SPECIAL) || (line.state & m_hookTrigger)) && ParseSpecial(line)) continue;
        if ((cls & CLASS_LONG_BRACKET) && TryLongBracket(line)) continue;
        if ((cls & (CLASS_LINE_COMMENT | CLASS_BLOCK_COMMENT)) && TryComment(line)) continue;
        if ((cls & CLASS_REGEX) && TryRegex(line)) continue;
        if ((cls & CLASS_HEREDOC) && TryHeredoc(line)) continue;
        if (cls & CLASS_QUOTE) {
            OpenString(line, c);
            continue;
        }
        if ((cls & CLASS_ANNOTATION) && i + 1 < line.length && IsWordStart(line.At(i + 1))) {
            line.Colour(i, COLORINDEX_PREPROCESSOR);
            line.i = line.WordEnd(i + 1, ".");
            continue;
        }
        if ((cls & CLASS_VARIABLE) && TryVariable(line)) continue;
        if ((cls & CLASS_DIRECTIVE) && line.OnlyBlanksBefore(i)) {
            line.Colour(i, COLORINDEX_PREPROCESSOR);
            line.i = line.WordEnd(i + 1, m_rules.wordChars);
            continue;
        }
        if ((cls & CLASS_SECTION) && line.OnlyBlanksBefore(i)) {
            const int close = line.Find(i, "]");
            if (close > i) {
                line.Colour(i, COLORINDEX_KEYWORD);
                line.i = close + 1;
                continue;
            }
        }
        if (cls & (CLASS_WORD | CLASS_WORD_EXTRA)) {
            int end = line.WordEnd(i, m_rules.wordChars);
            // A decimal number keeps its point.
            if (std::isdigit(c)) {
                while (end < line.length && (line.text[end] == '.' || IsWordChar(line.At(end)))) ++end;
            }
            line.Colour(i, wantWords ? WordColour(line, i, end) : COLORINDEX_NORMALTEXT);
            line.i = end;
            continue;
        }
        if (cls & CLASS_BLANK) {
            if (line.CurrentColour() != COLORINDEX_OPERATOR) line.Colour(i, COLORINDEX_NORMALTEXT);
            line.i += 1;
            continue;
        }
        line.Colour(i, COLORINDEX_OPERATOR);
        line.i += line.CharLength(i);
    }
    return -1;
}

}  // namespace corvatine
