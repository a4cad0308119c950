// Two sides compared and aligned row by row with ghost rows.
#include <gtest/gtest.h>

#include "fileio/TextFormat.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareContext.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class AlignTest : public ::testing::Test {
protected:
    void Load(int side, const std::string& bytes) {
        const std::string path = m_dir.WriteFile(side == 0 ? "left.txt" : "right.txt", bytes);
        int lossy = 0;
        std::string error;
        ASSERT_NE(m_side[side].LoadTextFile(path, lossy, EOL_KEEP, 65001, error), LOAD_FAILED) << error;
    }
    bool Compare(const std::string& left, const std::string& right, uint32_t rules = 0,
                 const std::string& filter = {}) {
        Load(0, left);
        Load(1, right);
        return m_context.Compare(rules, filter);
    }
    // The rows of a side as text, a ghost row as "~".
    std::string Rows(int side) {
        std::string rows;
        for (int r = 0; r < m_side[side].GetLineCount(); ++r) {
            const CSyntaxTextLine& line = m_side[side].GetLine(r);
            rows += (line.flags & LF_GHOST) ? std::string("~") : std::string(line.Characters());
            rows += '|';
        }
        return rows;
    }
    uint32_t Flags(int side, int row) { return m_side[side].GetLine(row).flags & 0xFF000000u; }

    test::TempDir m_dir;
    CTextCompareObject m_side[2];
    CTextCompareContext m_context{m_side[0], m_side[1]};
};

TEST_F(AlignTest, IdenticalFilesHaveNoSectionAndNoGhostRow) {
    ASSERT_TRUE(Compare("a\nb\nc\n", "a\nb\nc\n"));
    EXPECT_TRUE(m_context.IsIdentical());
    EXPECT_EQ(m_context.StatusText(), "Diff: 0");
    EXPECT_EQ(m_context.Sections().trivialCount, 0);
    EXPECT_EQ(Rows(0), Rows(1));
    for (int side = 0; side < 2; ++side)
        for (int r = 0; r < m_side[side].GetLineCount(); ++r) EXPECT_EQ(Flags(side, r), 0u);
}

TEST_F(AlignTest, ThreeInsertedLinesGetThreeGhostRowsOpposite) {
    ASSERT_TRUE(Compare("a\nb\nX\nY\nZ\nc\nd\n", "a\nb\nc\nd\n"));
    EXPECT_EQ(Rows(0), "a|b|X|Y|Z|c|d||");
    EXPECT_EQ(Rows(1), "a|b|~|~|~|c|d||");
    ASSERT_EQ(m_context.Sections().GetCount(), 1);
    CTextSection s;
    ASSERT_TRUE(m_context.Sections().GetSection(0, s));
    EXPECT_EQ(s.kind, TEXTSECTION_BOTH);
    EXPECT_EQ(s.leftFirstRow, 2);
    EXPECT_EQ(s.leftLastRow, 4);
    EXPECT_EQ(s.rightFirstRow, 2);
    EXPECT_EQ(s.rightLastRow, 4);
    EXPECT_EQ(s.leftGhostRow, -1);
    EXPECT_EQ(s.rightGhostRow, 2);
    EXPECT_EQ(s.leftFirst, 2);
    EXPECT_EQ(s.leftLast, 4);
    EXPECT_EQ(s.rightLast - s.rightFirst + 1, 0);  // no right line in the section
    for (int r = 2; r <= 4; ++r) {
        EXPECT_EQ(Flags(0, r), static_cast<uint32_t>(LF_ONE_SIDED)) << r;
        EXPECT_EQ(Flags(1, r), static_cast<uint32_t>(LF_GHOST)) << r;
    }
    EXPECT_EQ(Flags(0, 1), 0u);
    EXPECT_EQ(Flags(0, 5), 0u);

    // The reality blocks map rows and real lines both ways.
    CTextCompareObject& right = m_side[1];
    ASSERT_EQ(right.GetRealityBlocks().size(), 2u);
    EXPECT_EQ(right.GetRealLineCount(), 5);  // a b c d and the empty last line
    EXPECT_EQ(right.RowToRealLine(1), 1);
    EXPECT_EQ(right.RowToRealLine(3), 2);  // a ghost row maps to the line after it
    EXPECT_EQ(right.RowToRealLine(5), 2);
    EXPECT_EQ(right.RealLineToRow(2), 5);
    EXPECT_EQ(right.RealLineToRow(3), 6);
    EXPECT_EQ(right.RealLineToRow(5), right.GetLineCount());
}

TEST_F(AlignTest, ChangedBlocksOfUnequalLengthPadTheShorterSide) {
    ASSERT_TRUE(Compare("a\nb\nc\nd\n", "a\nB1\nB2\nB3\nd\n"));
    EXPECT_EQ(Rows(0), "a|b|c|~|d||");
    EXPECT_EQ(Rows(1), "a|B1|B2|B3|d||");
    CTextSection s;
    ASSERT_TRUE(m_context.Sections().GetSection(0, s));
    EXPECT_EQ(s.leftGhostRow, 3);
    EXPECT_EQ(s.rightGhostRow, -1);
    EXPECT_EQ(Flags(0, 1), static_cast<uint32_t>(LF_CHANGED));
    EXPECT_EQ(Flags(1, 2), static_cast<uint32_t>(LF_CHANGED));
    EXPECT_EQ(Flags(1, 3), static_cast<uint32_t>(LF_ONE_SIDED));
    EXPECT_EQ(Flags(0, 3), static_cast<uint32_t>(LF_GHOST));
}

TEST_F(AlignTest, SectionsAtBothEndsAndAMissingFinalNewline) {
    ASSERT_TRUE(Compare("x\na\nb\ny", "a\nb\nz\nw\n"));
    EXPECT_EQ(m_context.Sections().GetCount(), 2);
    // Every row stands beside its partner and both sides have the same rows.
    EXPECT_EQ(m_side[0].GetLineCount(), m_side[1].GetLineCount());
    EXPECT_EQ(Rows(0), "x|a|b|y|~|~|");
    EXPECT_EQ(Rows(1), "~|a|b|z|w||");

    // Recomparing starts from the real text again: the same alignment.
    const std::string before = Rows(0) + Rows(1);
    ASSERT_TRUE(m_context.Compare(0, {}));
    EXPECT_EQ(Rows(0) + Rows(1), before);
    m_context.ClearComparison();
    EXPECT_EQ(Rows(0), "x|a|b|y|");
    EXPECT_EQ(Rows(1), "a|b|z|w||");
}

TEST_F(AlignTest, LineTerminatorDifferencesAreTrivialUnlessIgnored) {
    ASSERT_TRUE(Compare("a\r\nb\r\nc\n", "a\nb\nc\n"));
    EXPECT_TRUE(m_context.IsIdentical());
    EXPECT_EQ(m_context.Sections().trivialCount, 2);
    // Marked as rows whose endings alone differ.
    EXPECT_EQ(Flags(0, 0), static_cast<uint32_t>(LF_TRIVIAL | LF_ENDING));
    EXPECT_EQ(Flags(1, 1), static_cast<uint32_t>(LF_TRIVIAL | LF_ENDING));
    EXPECT_EQ(Flags(0, 2), 0u);

    ASSERT_TRUE(m_context.Compare(RULE_IGNORE_LINE_ENDINGS, {}));
    EXPECT_EQ(m_context.Sections().trivialCount, 0);
    EXPECT_EQ(Flags(0, 0), 0u);
}

TEST_F(AlignTest, IgnorableBlocksAreNoDifferencesButStayAligned) {
    ASSERT_TRUE(Compare("a\n\n\nb\n", "a\nb\n", RULE_IGNORE_BLANK_LINES));
    EXPECT_TRUE(m_context.IsIdentical());
    EXPECT_EQ(Rows(1), "a|~|~|b||");
    EXPECT_EQ(Flags(0, 1), static_cast<uint32_t>(LF_TRIVIAL));

    ASSERT_TRUE(m_context.Compare(RULE_IGNORE_LINES_MATCHING_FILTER, "^#"));
    EXPECT_EQ(m_context.Sections().GetCount(), 1);  // blank lines count again
    Load(0, "a\n# one\nb\n");
    ASSERT_TRUE(m_context.Compare(RULE_IGNORE_LINES_MATCHING_FILTER, "^#"));
    EXPECT_TRUE(m_context.IsIdentical());
}

TEST_F(AlignTest, EmptySides) {
    ASSERT_TRUE(Compare("", ""));
    EXPECT_TRUE(m_context.IsIdentical());
    ASSERT_TRUE(Compare("", "a\nb\n"));
    EXPECT_EQ(m_context.Sections().GetCount(), 1);
    EXPECT_EQ(Rows(0), "~|~||");
    EXPECT_EQ(Rows(1), "a|b||");
}

TEST_F(AlignTest, TypingIntoAGhostRowMakesItReal) {
    ASSERT_TRUE(Compare("a\nb\n", "a\nX\nb\n"));
    ASSERT_TRUE(m_side[0].IsGhostRow(1));
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(m_side[0].InsertTextAt(nullptr, 1, 0, "typed", endLine, endChar, 0));
    EXPECT_EQ(endLine, 1);
    EXPECT_EQ(endChar, 5);
    EXPECT_FALSE(m_side[0].IsGhostRow(1));
    EXPECT_EQ(m_side[0].GetRealLineCount(), 4);
    EXPECT_EQ(m_side[0].RowToRealLine(1), 1);
    EXPECT_EQ(Rows(0), "a|typed|b||");
}

TEST_F(AlignTest, SectionListOperations) {
    ASSERT_TRUE(Compare("a\n1\nb\nc\n2\nd\ne\n3\n", "a\nb\nc\nd\ne\n"));
    CTextSectionList& list = m_context.Sections();
    ASSERT_EQ(list.GetCount(), 3);
    CTextSection s;
    EXPECT_FALSE(list.GetSection(3, s));
    EXPECT_EQ(s.kind, 0);
    EXPECT_EQ(s.leftGhostRow, 0);  // all zero
    EXPECT_EQ(list.FindSection(1), 0);
    EXPECT_EQ(list.FindSection(2), -1);
    EXPECT_EQ(list.FindSection(4), 1);
    EXPECT_EQ(list.NextDifference(0), 0);
    EXPECT_EQ(list.NextDifference(2), 1);
    EXPECT_EQ(list.NextDifference(8), -1);
    EXPECT_EQ(list.PreviousDifference(3), 0);
    EXPECT_EQ(list.PreviousDifference(0), -1);
    EXPECT_EQ(list.PreviousDifference(7), 2);
    EXPECT_EQ(list.FirstDifference(), 0);
    EXPECT_EQ(list.LastDifference(), 2);
    EXPECT_EQ(list.firstChangeRow, 1);
    EXPECT_EQ(list.lastChangeRow, 7);

    list.GetSection(0, s);
    list.SwapSides();
    CTextSection swapped;
    list.GetSection(0, swapped);
    EXPECT_EQ(swapped.leftFirst, s.rightFirst);
    EXPECT_EQ(swapped.rightLast, s.leftLast);
    EXPECT_EQ(swapped.leftGhostRow, s.rightGhostRow);
    EXPECT_EQ(swapped.rightGhostRow, s.leftGhostRow);

    // Lines added by an edit on one side extend the last section or start one.
    m_context.AddSectionFromEdit(8, 8, 0);
    EXPECT_EQ(list.GetCount(), 3);
    list.GetSection(2, s);
    EXPECT_EQ(s.leftLastRow, 8);
    m_context.AddSectionFromEdit(20, 20, 1);
    ASSERT_EQ(list.GetCount(), 4);
    list.GetSection(3, s);
    EXPECT_EQ(s.kind, TEXTSECTION_RIGHT_ONLY);
    m_context.AddSectionFromEdit(21, 21, 0);
    list.GetSection(3, s);
    EXPECT_EQ(s.kind, TEXTSECTION_BOTH);
    EXPECT_EQ(s.leftLastRow, 21);
}

}  // namespace
}  // namespace corvatine
