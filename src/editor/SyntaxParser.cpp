#include "editor/SyntaxParser.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <functional>

#include "fileio/CodePages.h"

namespace corvatine {

namespace {

std::string Fold(std::string_view word) {
    std::string folded(word);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// East Asian wide characters take two cells, and a line may break after them.
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Katakana, hiragana and ideographs, after which a line may break.
bool IsBreakableWide(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF66 && c <= 0xFF9F) || (c >= 0x20000 && c <= 0x3FFFD);
}

char32_t DecodeAt(const char* text, int position, int length) {
    const auto* p = reinterpret_cast<const unsigned char*>(text + position);
    if (length == 1) return p[0];
    if (length == 2 && WorkingCodePage() != CP_UTF8) return 0x3000;  // a double-byte character: wide
    char32_t c = p[0] & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (int i = 1; i < length; ++i) c = (c << 6) | (p[i] & 0x3F);
    return c;
}

}  // namespace

// The words of a table made at build time, each followed by a space.
static std::vector<std::string_view> SplitTable(std::string_view text) {
    std::vector<std::string_view> words;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

CKeywordSet::CKeywordSet(std::string_view words, std::string_view keys, bool caseSensitive)
    : m_words(SplitTable(words)), m_keys(SplitTable(keys)), m_caseSensitive(caseSensitive) {
    assert(m_words.size() == m_keys.size());
    assert(std::adjacent_find(m_keys.begin(), m_keys.end(), std::greater_equal<>()) == m_keys.end());
    MeasureKeys();
}

CKeywordSet::CKeywordSet(std::vector<std::string_view> words, bool caseSensitive)
    : m_words(std::move(words)), m_caseSensitive(caseSensitive) {
    for (std::string_view w : m_words) m_ownKeys.push_back(caseSensitive ? std::string(w) : Fold(w));
    std::sort(m_ownKeys.begin(), m_ownKeys.end());
    m_keys.assign(m_ownKeys.begin(), m_ownKeys.end());
    MeasureKeys();
}

void CKeywordSet::MeasureKeys() {
    for (std::string_view key : m_keys) {
        m_longest = std::max(m_longest, key.size());
        m_lengths |= key.size() < 64 ? uint64_t{1} << key.size() : 0;
    }
}

// Most words of a text are no keyword: the length test rejects many of them
// before the search, and folding uses a buffer on the stack.
bool CKeywordSet::Contains(std::string_view word) const {
    if (word.size() > m_longest) return false;
    if (word.size() < 64 && !(m_lengths & (uint64_t{1} << word.size()))) return false;
    if (m_caseSensitive) {
        auto it = std::lower_bound(m_keys.begin(), m_keys.end(), word);
        return it != m_keys.end() && *it == word;
    }
    char buffer[256];
    std::string folded;
    char* key = buffer;
    if (word.size() > sizeof buffer) {
        folded.resize(word.size());
        key = folded.data();
    }
    for (size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        key[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const std::string_view k(key, word.size());
    auto it = std::lower_bound(m_keys.begin(), m_keys.end(), k);
    return it != m_keys.end() && *it == k;
}

CSyntaxParser::CSyntaxParser(int languageNumber, std::string name, std::string extensions, uint32_t options,
                             std::string blockCommentOpen, std::string blockCommentClose,
                             std::string lineCommentOpen)
    : m_languageNumber(languageNumber),
      m_name(std::move(name)),
      m_extensions(std::move(extensions)),
      m_options(options),
      m_blockCommentOpen(std::move(blockCommentOpen)),
      m_blockCommentClose(std::move(blockCommentClose)),
      m_lineCommentOpen(std::move(lineCommentOpen)) {}

int CSyntaxParser::ParseLine(int, const CSyntaxTextLine&, std::vector<COLORBLOCK>*) const { return 0; }

int CSyntaxParser::ParseComments(int state, const CSyntaxTextLine& line,
                                 std::vector<COLORBLOCK>* blocks) const {
    return ParseLine(state, line, blocks);
}

int CSyntaxParser::AddBlock(int position, int color, std::vector<COLORBLOCK>* blocks) const {
    if (blocks == nullptr) return -1;
    if (!blocks->empty() && position < blocks->back().position) return -1;
    blocks->push_back({position, color, COLORINDEX_BLOCKBKGND});
    return static_cast<int>(blocks->size()) - 1;
}

bool CSyntaxParser::IsBadMultibytePosition(const CSyntaxTextLine& line, int position) const {
    const char* text = GetLineChars(line);
    const int length = GetLineLength(line);
    if (position < 0 || position >= length) return false;
    const int codePage = WorkingCodePage();
    int i = 0;
    while (i < position) i += CharacterLength(text, length, i, codePage);
    return i != position;
}

std::vector<int> CSyntaxParser::GetWrapPositions(const CCharacterWidths& widths, const CSyntaxTextLine& line,
                                                 int width) const {
    std::vector<int> positions;
    const char* text = GetLineChars(line);
    const int length = GetLineLength(line);
    const int tab = widths.GetTabSize() > 0 ? widths.GetTabSize() : 1;
    const int average = widths.GetAverageCharWidth() > 0 ? widths.GetAverageCharWidth() : 1;
    if (width <= 0) return positions;
    const int codePage = WorkingCodePage();

    int rowStart = 0;     // first character of the current row
    int column = 0;       // cells used on the current row
    int lastBreak = -1;   // where a new row could begin, after a tab, blank or wide character
    int breakColumn = 0;  // the cells used up to lastBreak
    for (int i = 0; i < length;) {
        const int n = CharacterLength(text, length, i, codePage);
        const char32_t c = DecodeAt(text, i, n);
        int cells;
        if (c == '\t')
            cells = tab - column % tab;
        else if (IsWide(c) || (n == 2 && codePage != CP_UTF8))
            cells = 2;
        else
            cells = std::max(1, (widths.GetCharWidth(c) + average / 2) / average);

        if (column + cells > width && i > rowStart) {
            const int at = lastBreak > rowStart ? lastBreak : i;
            positions.push_back(at);
            column = at == i ? 0 : column - breakColumn;
            rowStart = at;
            lastBreak = -1;
            if (c == '\t') cells = tab - column % tab;
        }
        column += cells;
        i += n;
        if (c == '\t' || c == ' ' || IsBreakableWide(c) || (n == 2 && codePage != CP_UTF8)) {
            lastBreak = i;
            breakColumn = column;
        }
    }
    return positions;
}

bool CSyntaxParser::IsWordStart(unsigned char c) { return c >= 0x80 || c == '_' || std::isalpha(c); }

bool CSyntaxParser::IsWordChar(unsigned char c) { return IsWordStart(c) || std::isdigit(c); }

bool CSyntaxParser::IsBlank(unsigned char c) { return c < 0x80 && std::isspace(c); }

bool CSyntaxParser::IsNumber(std::string_view word) {
    if (word.size() > 2 && word[0] == '0' && word[1] == 'x') {
        for (size_t i = 2; i < word.size(); ++i)
            if (!std::isxdigit(static_cast<unsigned char>(word[i]))) return false;
        return true;
    }
    if (word.empty() || !std::isdigit(static_cast<unsigned char>(word[0]))) return false;
    for (size_t i = 1; i < word.size(); ++i) {
        const char c = word[i];
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' && c != 'E' &&
            c != 'e')
            return false;
    }
    return true;
}

}  // namespace corvatine
