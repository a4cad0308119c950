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

    m_validState = STATE_LINE_COMMENT | (m_rules.specials.empty() ? 0 : STATE_OWN);
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
    if (m_rules.functionNames) {
        int k = end;
        while (k < line.length && IsBlank(line.At(k))) ++k;
        if (k < line.length && line.text[k] == '(') return COLORINDEX_FUNCNAME;
    }
    return COLORINDEX_NORMALTEXT;
}

bool CSyntaxParserScript::ParseSpecial(CScriptLine&) const { return false; }

int CSyntaxParserScript::ParseLine(int state, const CSyntaxTextLine& line,
                                   std::vector<COLORBLOCK>* blocks) const {
    CScriptLine walk(*this, line, state, blocks);
    Walk(walk);
    return EndState(walk);
}

int CSyntaxParserScript::EndState(const CScriptLine& line) const {
    int carried = STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2;
    if (m_rules.stringsSpanLines || (line.state & STATE_TRIPLE))
        carried |= STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3 | STATE_TRIPLE;
    return (line.state & carried) | CarriedOwnState(line.state);
}

// Inside a string: walks to its closing quote. Answers false when the
// terminator of an embedding region was reached first.
bool CSyntaxParserScript::InString(CScriptLine& line, std::string_view terminator) const {
    const int bit = (line.state & STATE_STRING_1) ? 0 : (line.state & STATE_STRING_2) ? 1 : 2;
    const char quote = m_rules.quotes[static_cast<size_t>(bit)];
    const bool triple = (line.state & STATE_TRIPLE) != 0;
    line.Colour(line.i, COLORINDEX_STRING);
    while (line.i < line.length) {
        const unsigned char c = line.At(line.i);
        if (c == '\\' && m_rules.backslashEscapes) {
            line.i += 1;
            if (line.i < line.length) line.i += line.CharLength(line.i);
            continue;
        }
        if (!terminator.empty() && line.Matches(line.i, terminator)) return false;
        if (c == static_cast<unsigned char>(quote)) {
            if (triple) {
                if (line.Matches(line.i, std::string(3, quote))) {
                    line.i += 3;
                    line.state &= ~(STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3 | STATE_TRIPLE);
                    return true;
                }
            } else if (m_rules.doubledQuotes && line.i + 1 < line.length && line.text[line.i + 1] == quote) {
                line.i += 2;
                continue;
            } else {
                line.i += 1;
                line.state &= ~(STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3);
                return true;
            }
        }
        line.i += line.CharLength(line.i);
    }
    return true;
}

// A line or block comment opening at line.i.
bool CSyntaxParserScript::TryComment(CScriptLine& line) const {
    const int i = line.i;
    for (size_t b = 0; b < m_rules.blockComments.size(); ++b) {
        const BLOCKCOMMENT& comment = m_rules.blockComments[b];
        if (comment.open.empty() || !line.Matches(i, comment.open)) continue;
        line.Colour(i, COLORINDEX_COMMENT);
        line.state |= b == 0 ? STATE_BLOCK_COMMENT_1 : STATE_BLOCK_COMMENT_2;
        line.i += static_cast<int>(comment.open.size());
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
        }
        line.Colour(i, COLORINDEX_COMMENT);
        line.state |= STATE_LINE_COMMENT;
        return true;
    }
    return false;
}

int CSyntaxParserScript::Walk(CScriptLine& line, std::string_view terminator) const {
    line.state &= m_validState;  // a state from elsewhere cannot name a missing quote or comment
    const bool wantWords = line.WantsBlocks();
    while (line.i < line.length) {
        const int i = line.i;
        if (line.state & STATE_LINE_COMMENT) {
            line.Colour(i, COLORINDEX_COMMENT);
            const int stop = terminator.empty() ? -1 : line.Find(i, terminator);
            if (stop >= 0) {
                line.i = stop;
                line.state &= ~STATE_LINE_COMMENT;
                return stop;
            }
            line.i = line.length;
            break;
        }
        if (line.state & (STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2)) {
            line.Colour(i, COLORINDEX_COMMENT);
            const BLOCKCOMMENT& comment = m_rules.blockComments[(line.state & STATE_BLOCK_COMMENT_1) ? 0 : 1];
            const int close = line.Find(i, comment.close);
            if (close < 0) {
                line.i = line.length;
                break;
            }
            line.i = close + static_cast<int>(comment.close.size());
            line.state &= ~(STATE_BLOCK_COMMENT_1 | STATE_BLOCK_COMMENT_2);
            continue;
        }
        if (line.state & (STATE_STRING_1 | STATE_STRING_2 | STATE_STRING_3)) {
            if (!InString(line, terminator)) return line.i;
            continue;
        }
        if (!terminator.empty() && line.Matches(i, terminator)) return i;

        const unsigned char c = line.At(i);
        const uint16_t cls = m_class[c];
        if (((cls & CLASS_SPECIAL) || (line.state & STATE_OWN)) && ParseSpecial(line)) continue;
        if ((cls & (CLASS_LINE_COMMENT | CLASS_BLOCK_COMMENT)) && TryComment(line)) continue;
        if (cls & CLASS_QUOTE) {
            const size_t q = m_rules.quotes.find(static_cast<char>(c));
            line.Colour(i, COLORINDEX_STRING);
            line.state |= q == 0 ? STATE_STRING_1 : q == 1 ? STATE_STRING_2 : STATE_STRING_3;
            if (m_rules.tripleQuotes && line.Matches(i, std::string(3, static_cast<char>(c)))) {
                line.state |= STATE_TRIPLE;
                line.i += 3;
            } else {
                line.i += 1;
            }
            continue;
        }
        if ((cls & CLASS_VARIABLE) && i + 1 < line.length) {
            int end = i + 1;
            if (line.text[end] == '{') {
                const int close = line.Find(end, "}");
                end = close < 0 ? line.length : close + 1;
            } else {
                // "$#list" and the one-character names "$#", "$?", "$@", "$!", "$$".
                if (line.text[end] == '#' && end + 1 < line.length && IsWordStart(line.At(end + 1))) ++end;
                const int word = line.WordEnd(end, {});
                end = word > end                                                                   ? word
                      : std::string_view("#?@*!$-").find(line.text[end]) != std::string_view::npos ? end + 1
                                                                                                   : end;
            }
            if (end > i + 1) {
                line.Colour(i, COLORINDEX_FUNCNAME);
                line.i = end;
                continue;
            }
        }
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
