// Blocks of lines that moved: found between their two places, under the
// rules, never claimed for lines that differ, and gone once edited.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "request/TextRuleWord.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareDoc.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::vector<std::string> Numbered(const std::string& stem, int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(stem + " " + std::to_string(i));
    return lines;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class MovedBlocksTest : public ::testing::Test {
protected:
    bool Open(const std::vector<std::string>& left, const std::vector<std::string>& right, uint32_t rules = 0,
              int movedLines = 3) {
        CTextCompareParams request;
        request.sides[0].path = m_dir.WriteFile("left.txt", Join(left));
        request.sides[1].path = m_dir.WriteFile("right.txt", Join(right));
        request.rules = rules;
        m_doc.SetMovedLines(movedLines);
        return m_doc.Open(request);
    }
    const std::vector<TEXTMOVE>& Moves() { return m_doc.Context().Moves(); }
    std::string Line(int side, int line) {
        CTextCompareObject& object = m_doc.GetSide(side);
        return std::string(object.GetLine(object.RealLineToRow(line)).Characters());
    }
    // The rows of a side marked moved.
    std::vector<int> MovedRows(int side) {
        std::vector<int> rows;
        CTextCompareObject& object = m_doc.GetSide(side);
        for (int row = 0; row < object.GetLineCount(); ++row)
            if (object.GetLine(row).flags & LF_MOVED) rows.push_back(row);
        return rows;
    }
    static std::vector<int> Range(int first, int last) {
        std::vector<int> rows;
        for (int row = first; row <= last; ++row) rows.push_back(row);
        return rows;
    }

    test::TempDir m_dir;
    platform::CSilentMessages m_messages;
    CTextComparer m_settings;
    CTextCompareDoc m_doc{m_messages, m_settings, true};
};

TEST_F(MovedBlocksTest, AFunctionMovedDownIsOneMoveLinkedBothWays) {
    const auto head = Numbered("head", 3), middle = Numbered("middle", 20), tail = Numbered("tail", 3);
    const std::vector<std::string> function = {"int twice(int x) {", "    int y = x;", "",
                                               "    return 2 * y;", "}"};
    ASSERT_TRUE(Open(Concat({head, function, middle, tail}), Concat({head, middle, function, tail})));
    ASSERT_EQ(Moves().size(), 1u);
    const TEXTMOVE& move = Moves()[0];
    EXPECT_EQ(move.leftFirst, 3);
    EXPECT_EQ(move.leftLast, 7);
    EXPECT_EQ(move.rightFirst, 23);
    EXPECT_EQ(move.rightLast, 27);
    EXPECT_EQ(MovedRows(0), Range(move.leftFirstRow, move.leftLastRow));
    EXPECT_EQ(MovedRows(1), Range(move.rightFirstRow, move.rightLastRow));
    // Each block links to the other's first row.
    int side = -1, row = -1;
    ASSERT_TRUE(m_doc.MoveCounterpart(0, move.leftFirstRow + 2, side, row));
    EXPECT_EQ(side, 1);
    EXPECT_EQ(row, move.rightFirstRow);
    ASSERT_TRUE(m_doc.MoveCounterpart(1, move.rightLastRow, side, row));
    EXPECT_EQ(side, 0);
    EXPECT_EQ(row, move.leftFirstRow);
    EXPECT_FALSE(m_doc.MoveCounterpart(0, 0, side, row));
    EXPECT_TRUE(m_doc.MoveStartsAt(0, move.leftFirstRow));
    EXPECT_FALSE(m_doc.MoveStartsAt(0, move.leftFirstRow + 1));
    EXPECT_TRUE(m_doc.MoveStartsAt(1, move.rightFirstRow));

    // The differences are the deletion and the insertion, stepped through as
    // ever: the move hides neither.
    EXPECT_EQ(m_doc.GetDifferenceCount(), 2);
    ASSERT_TRUE(m_doc.FirstDifference());
    ASSERT_TRUE(m_doc.NextDifference());
    EXPECT_FALSE(m_doc.NextDifference());
}

TEST_F(MovedBlocksTest, TheLeastIsCountedInLinesThatAreNotBlank) {
    const auto a = Numbered("a", 10), b = Numbered("b", 10);
    const std::vector<std::string> sparse = {"first", "", "   ", "second", ""};
    // Two lines that are not blank: no move under the default of three.
    ASSERT_TRUE(Open(Concat({sparse, a, b}), Concat({a, sparse, b})));
    EXPECT_TRUE(Moves().empty());
    EXPECT_TRUE(MovedRows(0).empty());
    ASSERT_TRUE(Open(Concat({sparse, a, b}), Concat({a, sparse, b}), 0, 2));
    ASSERT_EQ(Moves().size(), 1u);
    // Off: none at all.
    ASSERT_TRUE(Open(Concat({Numbered("m", 8), a, b}), Concat({a, Numbered("m", 8), b}), 0, 0));
    EXPECT_TRUE(Moves().empty());
}

TEST_F(MovedBlocksTest, LinesAreEqualAsTheRulesSayOrNotAtAll) {
    const auto a = Numbered("a", 12), b = Numbered("b", 12);
    const std::vector<std::string> block = {"if (ready) {", "    Start();", "    Wait();", "}"};
    std::vector<std::string> indented;
    for (const std::string& line : block) indented.push_back("\t" + line);
    // Indented where it arrived: moved only when leading white space is ignored.
    ASSERT_TRUE(Open(Concat({block, a, b}), Concat({a, b, indented})));
    EXPECT_TRUE(Moves().empty());
    ASSERT_TRUE(Open(Concat({block, a, b}), Concat({a, b, indented}), RULE_IGNORE_LEADING_SPACE));
    ASSERT_EQ(Moves().size(), 1u);
    EXPECT_EQ(Moves()[0].leftLast - Moves()[0].leftFirst, 3);
    // One line of a longer block changed: the runs on either side of it
    // moved, the changed line not.
    const std::vector<std::string> calls = {"alpha();",   "beta();", "gamma();", "delta();",
                                            "epsilon();", "zeta();", "eta();"};
    std::vector<std::string> changed = calls;
    changed[3] = "delta(1);";
    ASSERT_TRUE(Open(Concat({calls, a, b}), Concat({a, b, changed})));
    ASSERT_EQ(Moves().size(), 2u);
    for (const TEXTMOVE& move : Moves()) {
        EXPECT_EQ(move.leftLast - move.leftFirst, 2);
        for (int k = 0; k <= move.leftLast - move.leftFirst; ++k)
            EXPECT_EQ(Line(0, move.leftFirst + k), Line(1, move.rightFirst + k));
    }
    EXPECT_EQ(m_doc.Context().FindMove(0, m_doc.GetSide(0).RealLineToRow(3)), -1);
    // Case, when ignored.
    std::vector<std::string> upper;
    for (std::string line : block) {
        for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upper.push_back(line);
    }
    ASSERT_TRUE(Open(Concat({block, a, b}), Concat({a, b, upper}), RULE_IGNORE_CASE));
    EXPECT_EQ(Moves().size(), 1u);
}

// Random texts with many repeated lines, blocks cut and pasted elsewhere and
// edits over and around them: every move claimed pairs lines equal line for
// line, each line in one move at most and all in differences; a block of
// lines found nowhere else that moved untouched is found.
TEST_F(MovedBlocksTest, RandomMovesNeverClaimLinesThatDiffer) {
    std::mt19937 random(4711);
    const std::vector<std::string> common = {"{", "}", "", "return 0;", "break;", "x = 1;", "else"};
    for (int round = 0; round < 60; ++round) {
        std::vector<std::string> left;
        const int length = 40 + static_cast<int>(random() % 80);
        for (int i = 0; i < length; ++i)
            left.push_back(random() % 3 == 0 ? common[random() % common.size()]
                                             : "line " + std::to_string(random() % 60));
        // A block of unique lines, cut and pasted elsewhere.
        const int size = 3 + static_cast<int>(random() % 6);
        const int from = static_cast<int>(random() % (left.size() - 1));
        std::vector<std::string> block;
        for (int k = 0; k < size; ++k)
            block.push_back("unique " + std::to_string(round) + "." + std::to_string(k));
        left.insert(left.begin() + from, block.begin(), block.end());
        std::vector<std::string> right = left;
        right.erase(right.begin() + from, right.begin() + from + size);
        const int to = static_cast<int>(random() % (right.size() + 1));
        right.insert(right.begin() + to, block.begin(), block.end());
        // Edits elsewhere, some inside what moved when the round says so.
        const bool touchBlock = round % 3 == 0;
        for (int e = 0; e < 6; ++e) {
            const int at = static_cast<int>(random() % right.size());
            if (!touchBlock && at >= to && at < to + size) continue;
            right[static_cast<size_t>(at)] = random() % 2 ? common[random() % common.size()] : "edited";
        }
        ASSERT_TRUE(Open(left, right));
        std::vector<char> used[2] = {std::vector<char>(left.size() + 1, 0),
                                     std::vector<char>(right.size() + 1, 0)};
        bool found = false;
        for (const TEXTMOVE& move : Moves()) {
            ASSERT_EQ(move.leftLast - move.leftFirst, move.rightLast - move.rightFirst);
            int solid = 0;
            for (int k = 0; k <= move.leftLast - move.leftFirst; ++k) {
                const std::string line = Line(0, move.leftFirst + k);
                ASSERT_EQ(line, Line(1, move.rightFirst + k)) << "round " << round;
                if (line.find_first_not_of(" \t") != std::string::npos) ++solid;
                for (int side = 0; side < 2; ++side) {
                    const int real = (side == 0 ? move.leftFirst : move.rightFirst) + k;
                    ASSERT_EQ(used[side][static_cast<size_t>(real)], 0) << "a line in two moves";
                    used[side][static_cast<size_t>(real)] = 1;
                    CTextCompareObject& object = m_doc.GetSide(side);
                    ASSERT_TRUE(object.GetLine(object.RealLineToRow(real)).flags & LF_DIFFERENCE);
                }
            }
            ASSERT_GE(solid, 3);
            found = found || (move.leftFirst <= from && move.leftLast >= from + size - 1 &&
                              move.rightFirst <= to && move.rightLast >= to + size - 1);
        }
        // Past no more lines than its own, the block may stay where it
        // was and the lines it passed count as moved instead.
        const bool stayed = std::abs(to - from) <= size;
        if (!touchBlock && !stayed) {
            EXPECT_TRUE(found) << "round " << round;
        }
    }
}

TEST_F(MovedBlocksTest, CopyingAMoveCopiesItsDeletionAndInsertion) {
    const auto a = Numbered("a", 10), b = Numbered("b", 10), block = Numbered("moved", 4);
    const auto left = Concat({block, a, b}), right = Concat({a, block, b});
    ASSERT_TRUE(Open(left, right));
    ASSERT_EQ(Moves().size(), 1u);
    ASSERT_EQ(m_doc.GetDifferenceCount(), 2);
    // The deletion copied alone: the right side has the block twice and
    // nothing moved any more.
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_DONE);
    ASSERT_TRUE(m_doc.Recompare());
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    EXPECT_TRUE(Moves().empty());
    EXPECT_TRUE(MovedRows(0).empty() && MovedRows(1).empty());
    // Undone, the move is back; all copied, the sides are equal.
    ASSERT_TRUE(m_doc.Undo());
    ASSERT_TRUE(m_doc.Recompare());
    EXPECT_EQ(Moves().size(), 1u);
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_TRUE(m_doc.IsIdentical());
    EXPECT_TRUE(Moves().empty());
}

TEST_F(MovedBlocksTest, AnEditInEitherBlockEndsTheMoveAndOthersFollowTheirRows) {
    const auto a = Numbered("a", 10), b = Numbered("b", 10), c = Numbered("c", 10);
    const auto one = Numbered("one", 4), two = Numbered("two", 5);
    ASSERT_TRUE(Open(Concat({one, a, b, two, c}), Concat({a, one, b, c, two})));
    ASSERT_EQ(Moves().size(), 2u);
    const TEXTMOVE second = Moves()[1];
    // A line typed into the first block where it arrived.
    CPoint caret;
    const int row = Moves()[0].rightFirstRow + 1;
    ASSERT_TRUE(m_doc.ReplaceText(1, {0, row}, {0, row}, "typed ", 0, caret));
    ASSERT_EQ(Moves().size(), 1u);
    // Both blocks of the first move lost their marks; the second kept its own.
    const TEXTMOVE& kept = Moves()[0];
    EXPECT_EQ(kept.leftFirst, second.leftFirst);
    EXPECT_EQ(MovedRows(0), Range(kept.leftFirstRow, kept.leftLastRow));
    EXPECT_EQ(MovedRows(1), Range(kept.rightFirstRow, kept.rightLastRow));
    EXPECT_EQ(Line(1, kept.rightFirst), "two 0");
    // Compared again, only the untouched move is found.
    ASSERT_TRUE(m_doc.Recompare());
    ASSERT_EQ(Moves().size(), 1u);
    EXPECT_EQ(Line(0, Moves()[0].leftFirst), "two 0");
}

TEST_F(MovedBlocksTest, SwappedSidesSwapTheMove) {
    const auto a = Numbered("a", 10), block = Numbered("moved", 4);
    ASSERT_TRUE(Open(Concat({block, a}), Concat({a, block})));
    ASSERT_EQ(Moves().size(), 1u);
    m_doc.SwapSides();
    ASSERT_TRUE(m_doc.Recompare());
    ASSERT_EQ(Moves().size(), 1u);
    EXPECT_EQ(Moves()[0].leftFirst, 10);
    EXPECT_EQ(Moves()[0].rightFirst, 0);
}

}  // namespace
}  // namespace corvatine
