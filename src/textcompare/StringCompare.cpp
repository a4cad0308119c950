#include "textcompare/StringCompare.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "fileio/CodePages.h"

namespace corvatine {

namespace {

constexpr uint32_t kAmountOfWhiteSpace = 0x2;

bool IsSpace(unsigned char c) { return c < 0x80 && std::isspace(c); }
unsigned char Upper(unsigned char c) { return c < 0x80 ? static_cast<unsigned char>(std::toupper(c)) : c; }
uint32_t Rotl7(uint32_t h) { return (h << 7) | (h >> 25); }

// Differences in left-to-right order, those that touch or overlap joined.
std::vector<STRINGDIFFERENCE> MergeTouching(const std::vector<STRINGDIFFERENCE>& found) {
    std::vector<STRINGDIFFERENCE> merged;
    for (const STRINGDIFFERENCE& d : found) {
        if (!merged.empty()) {
            STRINGDIFFERENCE& last = merged.back();
            if (d.leftStart <= last.leftEnd + 1 && d.rightStart <= last.rightEnd + 1) {
                last.leftEnd = std::max(last.leftEnd, d.leftEnd);
                last.rightEnd = std::max(last.rightEnd, d.rightEnd);
                continue;
            }
        }
        merged.push_back(d);
    }
    return merged;
}

}  // namespace

CStringCompare::WordIndex CStringCompare::IndexWords(const std::vector<CWord>& words) {
    WordIndex index;
    for (int i = 0; i < static_cast<int>(words.size()); ++i)
        index[words[static_cast<size_t>(i)].hash].push_back(i);
    return index;
}

bool CStringCompare::IsBreak(unsigned char c) const {
    if (m_wordBreak == WORDBREAK_PUNCTUATION)
        return kPunctuation.find(static_cast<char>(c)) != std::string_view::npos;
    if (m_wordBreak == WORDBREAK_CUSTOM) return m_breaks.find(static_cast<char>(c)) != std::string_view::npos;
    return false;
}

void CStringCompare::SplitWords(std::string_view line, std::vector<CWord>& words) const {
    words.clear();
    const int length = static_cast<int>(line.size());
    auto hashOf = [&](int start, int end) {
        uint32_t h = 0;
        for (int k = start; k <= end; ++k) {
            const unsigned char c = static_cast<unsigned char>(line[static_cast<size_t>(k)]);
            h = h + Rotl7(h) + (m_caseSensitive ? c : Upper(c));
        }
        return h;
    };
    const int codePage = WorkingCodePage();
    int i = 0;
    while (i < length) {
        const unsigned char c = static_cast<unsigned char>(line[static_cast<size_t>(i)]);
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        if (IsBreak(c)) {
            words.push_back({i, i, hashOf(i, i)});
            ++i;
            continue;
        }
        const int start = i;
        while (i < length) {
            const unsigned char d = static_cast<unsigned char>(line[static_cast<size_t>(i)]);
            if (IsSpace(d) || IsBreak(d)) break;
            i += CharacterLength(line.data(), length, i, codePage);
        }
        words.push_back({start, i - 1, hashOf(start, i - 1)});
    }
}

bool CStringCompare::WordsEqual(const CWord& a, const CWord& b) const {
    if (a.hash != b.hash || a.end - a.start != b.end - b.start) return false;
    for (int k = 0; k <= a.end - a.start; ++k) {
        unsigned char x = static_cast<unsigned char>(m_line[0][static_cast<size_t>(a.start + k)]);
        unsigned char y = static_cast<unsigned char>(m_line[1][static_cast<size_t>(b.start + k)]);
        if (!m_caseSensitive) {
            x = Upper(x);
            y = Upper(y);
        }
        if (x != y) return false;
    }
    return true;
}

void CStringCompare::Narrow(STRINGDIFFERENCE& d) const {
    const std::string_view l = m_line[0], r = m_line[1];
    const int codePage = WorkingCodePage();
    const bool stepOverSpace = (m_whiteSpace & 0x1F) != 0;
    const bool amount = (m_whiteSpace & kAmountOfWhiteSpace) != 0 && !(m_whiteSpace & 0x1);
    auto at = [](std::string_view s, int k) { return static_cast<unsigned char>(s[static_cast<size_t>(k)]); };
    auto same = [&](int i, int j, int n) {
        for (int k = 0; k < n; ++k) {
            unsigned char x = at(l, i + k), y = at(r, j + k);
            if (!m_caseSensitive) {
                x = Upper(x);
                y = Upper(y);
            }
            if (x != y) return false;
        }
        return true;
    };

    // From the front.
    for (;;) {
        if (stepOverSpace) {
            const bool ls = d.leftStart <= d.leftEnd && IsSpace(at(l, d.leftStart));
            const bool rs = d.rightStart <= d.rightEnd && IsSpace(at(r, d.rightStart));
            if (amount && ls != rs) break;
            if (ls || rs) {
                if (ls) ++d.leftStart;
                if (rs) ++d.rightStart;
                continue;
            }
        }
        if (d.leftStart > d.leftEnd || d.rightStart > d.rightEnd) break;
        const int n = CharacterLength(l.data(), d.leftEnd + 1, d.leftStart, codePage);
        const int m = CharacterLength(r.data(), d.rightEnd + 1, d.rightStart, codePage);
        if (n != m || !same(d.leftStart, d.rightStart, n)) break;
        d.leftStart += n;
        d.rightStart += n;
    }
    // From the back, characters by their starts.
    auto lastStart = [&](std::string_view s, int from, int end) {
        int k = from, last = from;
        while (k <= end) {
            last = k;
            k += CharacterLength(s.data(), end + 1, k, codePage);
        }
        return last;
    };
    for (;;) {
        if (stepOverSpace) {
            const bool ls = d.leftStart <= d.leftEnd && IsSpace(at(l, d.leftEnd));
            const bool rs = d.rightStart <= d.rightEnd && IsSpace(at(r, d.rightEnd));
            if (amount && ls != rs) break;
            if (ls || rs) {
                if (ls) --d.leftEnd;
                if (rs) --d.rightEnd;
                continue;
            }
        }
        if (d.leftStart > d.leftEnd || d.rightStart > d.rightEnd) break;
        const int i = lastStart(l, d.leftStart, d.leftEnd);
        const int j = lastStart(r, d.rightStart, d.rightEnd);
        const int n = d.leftEnd - i + 1, m = d.rightEnd - j + 1;
        if (n != m || !same(i, j, n)) break;
        d.leftEnd -= n;
        d.rightEnd -= n;
    }
}

void CStringCompare::CompareLines(std::string_view left, std::string_view right, bool caseSensitive,
                                  uint32_t whiteSpace, int wordBreak, bool characterDetail,
                                  std::vector<STRINGDIFFERENCE>& result, std::string_view customBreaks) {
    m_line[0] = left;
    m_line[1] = right;
    m_caseSensitive = caseSensitive;
    m_whiteSpace = whiteSpace & 0xFFFF;
    m_wordBreak = wordBreak;
    m_breaks = customBreaks;
    SplitWords(left, m_words[0]);
    SplitWords(right, m_words[1]);

    std::vector<STRINGDIFFERENCE> found;
    int leftAfter = 0, rightAfter = 0;  // just after the last matched word
    MatchWords(found, leftAfter, rightAfter);
    AppendTailDifference(leftAfter, rightAfter, found);

    for (STRINGDIFFERENCE& d : MergeTouching(found)) {
        if (characterDetail) Narrow(d);
        result.push_back(d);
    }
}

// Walks both word lists in step: equal words match, and after a mismatch the
// walk resynchronises on the next pair of equal words, the words skipped on
// the way making one difference. leftAfter and rightAfter end just after the
// last matched words (unchanged when none matched).
void CStringCompare::MatchWords(std::vector<STRINGDIFFERENCE>& found, int& leftAfter, int& rightAfter) const {
    const std::vector<CWord>& lw = m_words[0];
    const std::vector<CWord>& rw = m_words[1];
    const int nl = static_cast<int>(lw.size()), nr = static_cast<int>(rw.size());
    const bool spaceRules = (m_whiteSpace & 0x1F) != 0;
    const WordIndex leftIndex = IndexWords(lw);
    const WordIndex rightIndex = IndexWords(rw);

    int n = 0, m = 0;
    while (n < nl && m < nr) {
        if (!spaceRules) AppendGapDifference(n, m, found);
        if (WordsEqual(lw[static_cast<size_t>(n)], rw[static_cast<size_t>(m)])) {
            leftAfter = lw[static_cast<size_t>(n)].end + 1;
            rightAfter = rw[static_cast<size_t>(m)].end + 1;
            ++n;
            ++m;
            continue;
        }
        int pi, pj;
        if (!FindResyncPoint(n, m, leftIndex, rightIndex, pi, pj)) {
            // Nothing matches again: the rest of both sides differs.
            found.push_back({lw[static_cast<size_t>(n)].start, rw[static_cast<size_t>(m)].start,
                             lw[static_cast<size_t>(nl - 1)].end, rw[static_cast<size_t>(nr - 1)].end});
            leftAfter = lw[static_cast<size_t>(nl - 1)].end + 1;
            rightAfter = rw[static_cast<size_t>(nr - 1)].end + 1;
            return;
        }
        found.push_back(DifferenceBefore(n, m, pi, pj));
        leftAfter = lw[static_cast<size_t>(pi)].end + 1;
        rightAfter = rw[static_cast<size_t>(pj)].end + 1;
        n = pi + 1;
        m = pj + 1;
    }
}

// Without white-space rules the space between words counts too: the gaps
// before left word n and right word m differ in what remains once their
// common front and back are taken off.
void CStringCompare::AppendGapDifference(int n, int m, std::vector<STRINGDIFFERENCE>& found) const {
    const std::vector<CWord>& lw = m_words[0];
    const std::vector<CWord>& rw = m_words[1];
    const std::string_view left = m_line[0], right = m_line[1];
    int ls = n > 0 ? lw[static_cast<size_t>(n - 1)].end + 1 : 0, le = lw[static_cast<size_t>(n)].start - 1;
    int rs = m > 0 ? rw[static_cast<size_t>(m - 1)].end + 1 : 0, re = rw[static_cast<size_t>(m)].start - 1;
    while (ls <= le && rs <= re && left[static_cast<size_t>(ls)] == right[static_cast<size_t>(rs)])
        ++ls, ++rs;
    while (ls <= le && rs <= re && left[static_cast<size_t>(le)] == right[static_cast<size_t>(re)])
        --le, --re;
    if (ls <= le || rs <= re) found.push_back({ls, rs, le, re});
}

// The first word at or after from (on the side of index) that equals word,
// or -1; wordIsLeft tells on which side word is.
int CStringCompare::FirstEqualWord(const WordIndex& index, const std::vector<CWord>& words, const CWord& word,
                                   bool wordIsLeft, int from) const {
    const auto it = index.find(word.hash);
    if (it == index.end()) return -1;
    const std::vector<int>& positions = it->second;
    for (auto p = std::lower_bound(positions.begin(), positions.end(), from); p != positions.end(); ++p) {
        const CWord& other = words[static_cast<size_t>(*p)];
        if (wordIsLeft ? WordsEqual(word, other) : WordsEqual(other, word)) return *p;
    }
    return -1;
}

// Where the walk resynchronises after left word n and right word m differ:
// the first left word with an equal right word (A), and the first right word
// with an equal left word from A on (B). A skips fewer left bytes, B fewer
// right bytes: A is taken unless B's extra left bytes are fewer than A's
// extra right bytes. False when no word after the mismatch matches again.
bool CStringCompare::FindResyncPoint(int n, int m, const WordIndex& leftIndex, const WordIndex& rightIndex,
                                     int& pi, int& pj) const {
    const std::vector<CWord>& lw = m_words[0];
    const std::vector<CWord>& rw = m_words[1];
    const int nl = static_cast<int>(lw.size()), nr = static_cast<int>(rw.size());
    int ai = -1, aj = -1;
    for (int i = n; i < nl && ai < 0; ++i) {
        const int j = FirstEqualWord(rightIndex, rw, lw[static_cast<size_t>(i)], true, m);
        if (j >= 0) ai = i, aj = j;
    }
    int bi = -1, bj = -1;
    const int leftFrom = ai >= 0 ? ai : n;
    for (int j = m; j < nr && bj < 0; ++j) {
        const int i = FirstEqualWord(leftIndex, lw, rw[static_cast<size_t>(j)], false, leftFrom);
        if (i >= 0) bi = i, bj = j;
    }
    if (ai < 0 && bi < 0) return false;
    if (ai >= 0 && bi >= 0) {
        const int leftSpan = lw[static_cast<size_t>(bi)].start - lw[static_cast<size_t>(ai)].start;
        const int rightSpan = rw[static_cast<size_t>(aj)].start - rw[static_cast<size_t>(bj)].start;
        const bool takeA = leftSpan >= rightSpan;
        pi = takeA ? ai : bi;
        pj = takeA ? aj : bj;
    } else if (ai >= 0) {
        pi = ai;
        pj = aj;
    } else {
        pi = bi;
        pj = bj;
    }
    return true;
}

// The difference from left word n and right word m up to the resynchronising
// words pi and pj (a side with no word skipped is empty). Without white-space
// rules it ends before the gap the two sides share in front of pi and pj;
// with them it ends at the last skipped word.
STRINGDIFFERENCE CStringCompare::DifferenceBefore(int n, int m, int pi, int pj) const {
    const std::vector<CWord>& lw = m_words[0];
    const std::vector<CWord>& rw = m_words[1];
    const std::string_view left = m_line[0], right = m_line[1];
    STRINGDIFFERENCE d;
    d.leftStart = lw[static_cast<size_t>(n)].start;
    d.rightStart = rw[static_cast<size_t>(m)].start;
    if ((m_whiteSpace & 0x1F) == 0) {
        d.leftEnd = pi > n ? lw[static_cast<size_t>(pi)].start - 1 : d.leftStart - 1;
        d.rightEnd = pj > m ? rw[static_cast<size_t>(pj)].start - 1 : d.rightStart - 1;
        // What the two sides share at the end belongs to no difference.
        while (d.leftEnd >= d.leftStart && d.rightEnd >= d.rightStart &&
               left[static_cast<size_t>(d.leftEnd)] == right[static_cast<size_t>(d.rightEnd)])
            --d.leftEnd, --d.rightEnd;
    } else {
        d.leftEnd = pi > n ? lw[static_cast<size_t>(pi - 1)].end : d.leftStart - 1;
        d.rightEnd = pj > m ? rw[static_cast<size_t>(pj - 1)].end : d.rightStart - 1;
    }
    return d;
}

// What follows the last matched words differs unless it is white space on
// both sides (the same white space without white-space rules).
void CStringCompare::AppendTailDifference(int leftAfter, int rightAfter,
                                          std::vector<STRINGDIFFERENCE>& found) const {
    const std::string_view left = m_line[0], right = m_line[1];
    const bool spaceRules = (m_whiteSpace & 0x1F) != 0;
    int i = leftAfter, j = rightAfter;
    const int ll = static_cast<int>(left.size()), rl = static_cast<int>(right.size());
    while (i < ll && j < rl && IsSpace(static_cast<unsigned char>(left[static_cast<size_t>(i)])) &&
           IsSpace(static_cast<unsigned char>(right[static_cast<size_t>(j)])) &&
           (spaceRules || left[static_cast<size_t>(i)] == right[static_cast<size_t>(j)]))
        ++i, ++j;
    if (i < ll || j < rl) found.push_back({i, j, ll - 1, rl - 1});
}

}  // namespace corvatine
