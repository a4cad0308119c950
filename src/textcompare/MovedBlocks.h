// Blocks of lines that moved: lines one side lost in one place that the
// other gained in another, equal line for line under the comparison's rules.
#pragma once

#include <functional>
#include <vector>

#include "textcompare/TextCompare.h"
#include "textcompare/TextSectionList.h"

namespace corvatine {

// A moved block: its real lines on each side and, once aligned, its rows.
struct TEXTMOVE {
    int leftFirst = 0;
    int leftLast = -1;
    int rightFirst = 0;
    int rightLast = -1;
    int leftFirstRow = 0;
    int leftLastRow = -1;
    int rightFirstRow = 0;
    int rightLastRow = -1;
};

// Moves shorter than this many lines that are not blank are no moves.
inline constexpr int kDefaultMovedLines = 3;

// The moves among the lines of the sections: each a run of lines of one
// left section equal, class for class, to a run of lines of one right
// section, with at least minimumLines lines that are not blank; each line in
// one move at most, the longest runs found first from each place. blank
// tells whether real line i of a side is blank. In order of their left lines.
std::vector<TEXTMOVE> FindMoves(const std::vector<CTextSection>& sections, const TEXTLINECLASSES& classes,
                                int minimumLines, const std::function<bool(int side, int line)>& blank);

}  // namespace corvatine
