// In-line differences: the character ranges in which one left line and one
// right line of a changed section differ, by words and, at character detail,
// narrowed to the characters that really differ.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvatine {

// One word of a line: inclusive byte offsets.
struct CWord {
    int start;
    int end;
    uint32_t hash;
};

// One in-line difference: inclusive byte offsets; a side with nothing in the
// difference has end = start - 1.
struct STRINGDIFFERENCE {
    int leftStart;
    int rightStart;
    int leftEnd;
    int rightEnd;
    bool operator==(const STRINGDIFFERENCE& o) const {
        return leftStart == o.leftStart && rightStart == o.rightStart && leftEnd == o.leftEnd &&
               rightEnd == o.rightEnd;
    }
};

enum WordBreak : int {
    WORDBREAK_NONE = 0,
    WORDBREAK_PUNCTUATION = 1,  // the fixed set of 32 punctuation characters
    WORDBREAK_CUSTOM = 2,       // the characters of the custom setting
};

class CStringCompare {
public:
    // The 32 characters of the fixed break set.
    static constexpr std::string_view kPunctuation = "~!@#$%^&*()-_=+\\|[]{};:',<.>/?`\"";

    // Compares the two lines (their characters, without endings) and
    // appends their differences, left to right. whiteSpace holds the rule
    // word's white-space bits (0x1, 0x2, 0x4, 0x8, 0x10); customBreaks is
    // used with WORDBREAK_CUSTOM. No difference means equal under the rules.
    void CompareLines(std::string_view left, std::string_view right, bool caseSensitive, uint32_t whiteSpace,
                      int wordBreak, bool characterDetail, std::vector<STRINGDIFFERENCE>& result,
                      std::string_view customBreaks = ",;:.");

    // The words of the last line pair compared.
    const std::vector<CWord>& LeftWords() const { return m_words[0]; }
    const std::vector<CWord>& RightWords() const { return m_words[1]; }

private:
    // Words by hash, each hash with its word indexes in ascending order.
    using WordIndex = std::unordered_map<uint32_t, std::vector<int>>;

    static WordIndex IndexWords(const std::vector<CWord>& words);
    void SplitWords(std::string_view line, std::vector<CWord>& words) const;
    bool IsBreak(unsigned char c) const;
    bool WordsEqual(const CWord& a, const CWord& b) const;
    void Narrow(STRINGDIFFERENCE& difference) const;

    // The steps of CompareLines, on the lines and words set up there.
    void MatchWords(std::vector<STRINGDIFFERENCE>& found, int& leftAfter, int& rightAfter) const;
    void AppendGapDifference(int n, int m, std::vector<STRINGDIFFERENCE>& found) const;
    int FirstEqualWord(const WordIndex& index, const std::vector<CWord>& words, const CWord& word,
                       bool wordIsLeft, int from) const;
    bool FindResyncPoint(int n, int m, const WordIndex& leftIndex, const WordIndex& rightIndex, int& pi,
                         int& pj) const;
    STRINGDIFFERENCE DifferenceBefore(int n, int m, int pi, int pj) const;
    void AppendTailDifference(int leftAfter, int rightAfter, std::vector<STRINGDIFFERENCE>& found) const;

    std::string_view m_line[2];
    std::vector<CWord> m_words[2];
    bool m_caseSensitive = true;
    uint32_t m_whiteSpace = 0;
    int m_wordBreak = WORDBREAK_NONE;
    std::string_view m_breaks;
};

}  // namespace corvatine
