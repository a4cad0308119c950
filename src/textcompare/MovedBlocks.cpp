#include "textcompare/MovedBlocks.h"

#include <algorithm>
#include <unordered_map>

namespace corvatine {

namespace {

// A line as common as this is no place to start looking from: the run is
// found from a rarer line in it, or it is no block worth calling moved.
constexpr size_t kMaxCandidates = 32;

struct ADDED {
    int line;
    int section;  // index of its section
};

}  // namespace

std::vector<TEXTMOVE> FindMoves(const std::vector<CTextSection>& sections, const TEXTLINECLASSES& classes,
                                int minimumLines, const std::function<bool(int side, int line)>& blank) {
    std::vector<TEXTMOVE> moves;
    if (minimumLines <= 0 || sections.empty()) return moves;
    // The lines each side gained, by class.
    std::unordered_map<uint32_t, std::vector<ADDED>> added;
    int lastLine[2] = {0, 0};
    for (size_t k = 0; k < sections.size(); ++k) {
        const CTextSection& s = sections[k];
        for (int j = s.rightFirst; j <= s.rightLast; ++j)
            if (const uint32_t c = classes.Of(1, j)) added[c].push_back({j, static_cast<int>(k)});
        lastLine[0] = std::max(lastLine[0], s.leftLast + 1);
        lastLine[1] = std::max(lastLine[1], s.rightLast + 1);
    }
    std::vector<char> used[2] = {std::vector<char>(static_cast<size_t>(lastLine[0]), 0),
                                 std::vector<char>(static_cast<size_t>(lastLine[1]), 0)};
    const auto free = [&](int side, int line) { return used[side][static_cast<size_t>(line)] == 0; };
    const auto equal = [&](int i, int j) {
        const uint32_t c = classes.Of(0, i);
        return c != 0 && c == classes.Of(1, j);
    };
    for (const CTextSection& s : sections) {
        for (int i = s.leftFirst; i <= s.leftLast; ++i) {
            if (!free(0, i)) continue;
            const auto found = added.find(classes.Of(0, i));
            if (found == added.end() || found->second.size() > kMaxCandidates) continue;
            // The longest run through this line and one of its counterparts.
            int bestBack = 0, bestAhead = -1, bestLine = -1;
            for (const ADDED& candidate : found->second) {
                const int j = candidate.line;
                if (!free(1, j)) continue;
                const CTextSection& to = sections[static_cast<size_t>(candidate.section)];
                int back = 0;
                while (i - back - 1 >= s.leftFirst && j - back - 1 >= to.rightFirst &&
                       free(0, i - back - 1) && free(1, j - back - 1) && equal(i - back - 1, j - back - 1))
                    ++back;
                int ahead = 0;
                while (i + ahead + 1 <= s.leftLast && j + ahead + 1 <= to.rightLast &&
                       free(0, i + ahead + 1) && free(1, j + ahead + 1) &&
                       equal(i + ahead + 1, j + ahead + 1))
                    ++ahead;
                if (back + ahead > bestBack + bestAhead) {
                    bestBack = back;
                    bestAhead = ahead;
                    bestLine = j;
                }
            }
            if (bestLine < 0) continue;
            TEXTMOVE move;
            move.leftFirst = i - bestBack;
            move.leftLast = i + bestAhead;
            move.rightFirst = bestLine - bestBack;
            move.rightLast = bestLine + bestAhead;
            int solid = 0;
            for (int line = move.leftFirst; line <= move.leftLast && solid < minimumLines; ++line)
                if (!blank(0, line)) ++solid;
            if (solid < minimumLines) continue;
            for (int k = 0; k <= move.leftLast - move.leftFirst; ++k) {
                used[0][static_cast<size_t>(move.leftFirst + k)] = 1;
                used[1][static_cast<size_t>(move.rightFirst + k)] = 1;
            }
            moves.push_back(move);
            i = move.leftLast;
        }
    }
    std::sort(moves.begin(), moves.end(),
              [](const TEXTMOVE& a, const TEXTMOVE& b) { return a.leftFirst < b.leftFirst; });
    return moves;
}

}  // namespace corvatine
