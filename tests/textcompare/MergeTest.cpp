// The three-way merge engine and document: chunks of small merges whose
// answers git merge-file gives (adjacent and overlapping changes, insertions
// at one place, identical changes, an empty base, missing final endings),
// the merged text with markers, the commands and their history.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "request/TextRuleWord.h"
#include "textcompare/Merge3.h"
#include "textcompare/MergeDoc.h"

namespace corvatine {
namespace {

struct MERGED {
    std::string text;
    int unresolved = 0;
};

MERGED MergeTexts(CMergeDoc& doc, const std::string& base, const std::string& ours, const std::string& theirs,
                  bool diff3 = false, uint32_t rules = 0) {
    doc.LoadTexts({base, ours, theirs});
    doc.SetLabel(MERGE_SIDE_OURS, "o");
    doc.SetLabel(MERGE_SIDE_BASE, "b");
    doc.SetLabel(MERGE_SIDE_THEIRS, "t");
    doc.SetDiff3(diff3);
    std::string error;
    EXPECT_TRUE(doc.Merge(rules, "", error)) << error;
    MERGED merged;
    EXPECT_TRUE(doc.MergedBytes(merged.text, error)) << error;
    merged.unresolved = doc.UnresolvedCount();
    return merged;
}

MERGED MergeTexts(const std::string& base, const std::string& ours, const std::string& theirs,
                  bool diff3 = false, uint32_t rules = 0) {
    CMergeDoc doc;
    return MergeTexts(doc, base, ours, theirs, diff3, rules);
}

// What git merge-file -p (2.39) writes for each case, with labels o, b, t.
struct GITCASE {
    const char* name;
    const char* base;
    const char* ours;
    const char* theirs;
    const char* merged;
    int conflicts;
};

const GITCASE kGitCases[] = {
    {"adjacent lines changed", "a\nb\nc\nd\n", "a\nB\nc\nd\n", "a\nb\nC\nd\n",
     "a\n<<<<<<< o\nB\nc\n=======\nb\nC\n>>>>>>> t\nd\n", 1},
    {"one line between changes", "a\nb\nc\nd\ne\n", "a\nB\nc\nd\ne\n", "a\nb\nc\nD\ne\n", "a\nB\nc\nD\ne\n",
     0},
    {"insertions at one place", "a\nb\n", "a\nx\nb\n", "a\ny\nb\n",
     "a\n<<<<<<< o\nx\n=======\ny\n>>>>>>> t\nb\n", 1},
    {"the same insertion", "a\nb\n", "a\nx\nb\n", "a\nx\nb\n", "a\nx\nb\n", 0},
    {"insertion after a changed line", "a\nb\nc\n", "a\nB\nc\n", "a\nb\ny\nc\n",
     "a\n<<<<<<< o\nB\n=======\nb\ny\n>>>>>>> t\nc\n", 1},
    {"insertion before a changed line", "a\nb\nc\n", "a\nB\nc\n", "a\ny\nb\nc\n",
     "a\n<<<<<<< o\nB\n=======\ny\nb\n>>>>>>> t\nc\n", 1},
    {"adjacent deletions", "a\nb\nc\nd\n", "a\nc\nd\n", "a\nb\nd\n",
     "a\n<<<<<<< o\nc\n=======\nb\n>>>>>>> t\nd\n", 1},
    {"the same change", "a\nb\nc\n", "a\nB\nc\n", "a\nB\nc\n", "a\nB\nc\n", 0},
    {"empty base, added differently", "", "x\ny\n", "x\nz\n", "x\n<<<<<<< o\ny\n=======\nz\n>>>>>>> t\n", 1},
    {"empty base, added the same", "", "x\ny\n", "x\ny\n", "x\ny\n", 0},
    {"overlapping, common first line", "a\nb\nc\nd\n", "a\nB\nC\nd\n", "a\nB\nc\nd\n",
     "a\nB\n<<<<<<< o\nC\n=======\nc\n>>>>>>> t\nd\n", 1},
    {"final ending added by theirs", "a\nb", "a\nb", "a\nb\n", "a\nb\n", 0},
    {"final ending added by ours", "a\nb", "a\nb\n", "a\nb", "a\nb\n", 0},
    {"incomplete last lines conflict", "a\nb", "a\nb\nc", "a\nB",
     "a\n<<<<<<< o\nb\nc\n=======\nB\n>>>>>>> t\n", 1},
    {"changes far apart", "1\n2\n3\n4\n5\n6\n7\n", "1\nX\n3\n4\n5\n6\n7\n", "1\n2\n3\n4\n5\nY\n7\n",
     "1\nX\n3\n4\n5\nY\n7\n", 0},
    {"deletion and far insertion", "1\n2\n3\n4\n5\n", "2\n3\n4\n5\n", "1\n2\n3\n4\n5\n6\n", "2\n3\n4\n5\n6\n",
     0},
    {"everything deleted by one side", "a\nb\n", "", "a\nb\n", "", 0},
    // Ours' insertion lies right before the line theirs deleted, where git
    // puts it (not after the first '}'), so the two touch.
    {"insertion slid down to a deletion", "X\nq\n}\n\nS\nT\n", "q\n}\n\nE\n}\n\nS\nT\n", "X\nq\n}\n\nT\n",
     "q\n}\n\n<<<<<<< o\nE\n}\n\nS\n=======\n>>>>>>> t\nT\n", 1},
    {"deleted by one, changed by other", "a\nb\nc\n", "a\nc\n", "a\nB\nc\n",
     "a\n<<<<<<< o\n=======\nB\n>>>>>>> t\nc\n", 1},
};

TEST(MergeGitCases, MergedTextAndConflictsAreGits) {
    for (const GITCASE& c : kGitCases) {
        const MERGED merged = MergeTexts(c.base, c.ours, c.theirs);
        EXPECT_EQ(merged.text, c.merged) << c.name;
        EXPECT_EQ(merged.unresolved, c.conflicts) << c.name;
    }
}

TEST(MergeGitCases, Diff3ShowsBaseAndKeepsTheWholeConflict) {
    // git merge-file --diff3 leaves common lines inside the markers.
    const MERGED merged = MergeTexts("a\nb\nc\nd\n", "a\nB\nC\nd\n", "a\nB\nc\nd\n", true);
    EXPECT_EQ(merged.text, "a\n<<<<<<< o\nB\nC\n||||||| b\nb\nc\n=======\nB\nc\n>>>>>>> t\nd\n");
    const MERGED added = MergeTexts("", "x\ny\n", "x\nz\n", true);
    EXPECT_EQ(added.text, "<<<<<<< o\nx\ny\n||||||| b\n=======\nx\nz\n>>>>>>> t\n");
}

TEST(MergeChunks, KindsAndRangesCoverEveryLine) {
    CMergeDoc doc;
    MergeTexts(doc, "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\nA\n3\n4\n5\n6\nC\n8\n9\n",
               "1\n2\n3\n4\nB\n6\nC\n8\nD\n");
    EXPECT_EQ(DumpMergeChunks(doc.Chunks()),
              "unchanged base 0-1 ours 0-1 theirs 0-1\n"
              "ours base 1-2 ours 1-2 theirs 1-2\n"
              "unchanged base 2-4 ours 2-4 theirs 2-4\n"
              "theirs base 4-5 ours 4-5 theirs 4-5\n"
              "unchanged base 5-6 ours 5-6 theirs 5-6\n"
              "both base 6-7 ours 6-7 theirs 6-7\n"
              "unchanged base 7-8 ours 7-8 theirs 7-8\n"
              "theirs base 8-9 ours 8-9 theirs 8-9\n");
}

TEST(MergeChunks, ChangesTouchingAConflictJoinIt) {
    // Theirs' change of 2-3 touches ours' change of 1 and of 4: one conflict.
    const std::vector<TEXTSECTION> ours = {{1, 1, 1, 1, SECTION_DIFFERENCE},
                                           {4, 4, 4, 4, SECTION_DIFFERENCE}};
    const std::vector<TEXTSECTION> theirs = {{2, 3, 2, 2, SECTION_DIFFERENCE}};
    const auto chunks = BuildMergeChunks(ours, theirs, 6, 6, 5, [](int, int, int, int) { return false; });
    EXPECT_EQ(DumpMergeChunks(chunks),
              "unchanged base 0-1 ours 0-1 theirs 0-1\n"
              "conflict base 1-5 ours 1-5 theirs 1-4\n"
              "unchanged base 5-6 ours 5-6 theirs 4-5\n");
}

TEST(MergeChunks, IgnorableSectionsAreNoChange) {
    const std::vector<TEXTSECTION> ours = {{1, 0, 1, 1, SECTION_IGNORABLE}};
    const auto chunks = BuildMergeChunks(ours, {}, 2, 3, 2, [](int, int, int, int) { return false; });
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].kind, MERGE_UNCHANGED);
}

TEST(MergeRules, WhiteSpaceChangesMergeUnderTheRule) {
    // Theirs re-indented the line ours changed: a conflict byte for byte,
    // ours' change under "ignore white space".
    const std::string base = "a\n  b\nc\n", ours = "a\n  B\nc\n", theirs = "a\n\tb\nc\n";
    EXPECT_EQ(MergeTexts(base, ours, theirs).unresolved, 1);
    const MERGED merged = MergeTexts(base, ours, theirs, false, RULE_IGNORE_ALL_SPACE);
    EXPECT_EQ(merged.unresolved, 0);
    EXPECT_EQ(merged.text, ours);
    const MERGED spaced =
        MergeTexts("a\nb\nc\nd\n", "a\nB\nc\nd\n", "a\nb\n  c\nd\n", false, RULE_IGNORE_ALL_SPACE);
    EXPECT_EQ(spaced.unresolved, 0);
    EXPECT_EQ(spaced.text, "a\nB\nc\nd\n");
    const MERGED cased = MergeTexts("a\nb\nc\n", "A\nb\nc\n", "a\nB\nc\n", false, RULE_IGNORE_CASE);
    EXPECT_EQ(cased.text, "A\nb\nc\n");
}

TEST(MergeLineEndings, MergedTextTakesOursEndings) {
    // Theirs in CR LF: its lines come out in ours' LF.
    const MERGED merged = MergeTexts("a\r\nb\r\nc\r\nd\r\n", "a\nb\nc\nD\n", "a\r\nB\r\nc\r\nd\r\n", false,
                                     RULE_IGNORE_LINE_ENDINGS);
    EXPECT_EQ(merged.unresolved, 0);
    EXPECT_EQ(merged.text, "a\nB\nc\nD\n");
    // Without the rule the endings are a change of every line.
    EXPECT_EQ(MergeTexts("a\nb\n", "a\nB\n", "a\r\nb\r\n").unresolved, 1);
    // OURS without any ending gives none: THEIRS's line keeps its own, as git writes it.
    EXPECT_EQ(MergeTexts("a", "a", "a\r\n").text, "a\r\n");
    EXPECT_EQ(MergeTexts("a", "a", "a\r\nb\r\n").text, "a\r\nb\r\n");
    // OURS mixing kinds: every line keeps its own.
    EXPECT_EQ(MergeTexts("a\nb\nc\n", "a\r\nb\nc\n", "a\nb\nc\nd\r\n", false, RULE_IGNORE_LINE_ENDINGS).text,
              "a\r\nb\nc\nd\r\n");
    // Markers of a CR LF merge end in CR LF.
    const MERGED crlf = MergeTexts("a\r\nb\r\n", "a\r\nx\r\n", "a\r\ny\r\n");
    EXPECT_EQ(crlf.text, "a\r\n<<<<<<< o\r\nx\r\n=======\r\ny\r\n>>>>>>> t\r\n");
}

TEST(MergeCommands, TakeEachSideAndBothOrders) {
    CMergeDoc doc;
    MergeTexts(doc, "a\nb\nc\n", "a\nO\nc\n", "a\nT\nc\n");
    ASSERT_EQ(doc.ConflictCount(), 1);
    const int conflict = doc.FindChunk(-1, true, true);
    ASSERT_EQ(conflict, 1);
    EXPECT_EQ(doc.ConflictNumber(conflict), 1);
    const std::pair<int, const char*> takes[] = {{CONTENT_OURS, "a\nO\nc\n"},
                                                 {CONTENT_THEIRS, "a\nT\nc\n"},
                                                 {CONTENT_OURS_THEIRS, "a\nO\nT\nc\n"},
                                                 {CONTENT_THEIRS_OURS, "a\nT\nO\nc\n"},
                                                 {CONTENT_BASE, "a\nb\nc\n"}};
    std::string text, error;
    for (const auto& [content, expected] : takes) {
        ASSERT_TRUE(doc.Take(conflict, content));
        EXPECT_EQ(doc.UnresolvedCount(), 0);
        ASSERT_TRUE(doc.MergedBytes(text, error));
        EXPECT_EQ(text, expected) << content;
    }
    EXPECT_FALSE(doc.Take(conflict, CONTENT_BASE)) << "nothing changes";
    EXPECT_FALSE(doc.Take(7, CONTENT_OURS)) << "no such chunk";
}

TEST(MergeCommands, OneHistoryUndoesAndRedoesEveryStep) {
    CMergeDoc doc;
    MergeTexts(doc, "a\nb\nc\nd\ne\n", "a\nB1\nc\nD1\ne\n", "a\nB2\nc\nD2\ne\n");
    ASSERT_EQ(doc.ConflictCount(), 2);
    const int first = doc.FindChunk(-1, true, true), second = doc.FindChunk(first, true, true);
    EXPECT_EQ(doc.FindChunk(second, false, true), first);
    EXPECT_EQ(doc.FindChunk(second, true, true), -1);
    const std::string start = doc.Dump();
    ASSERT_TRUE(doc.Take(first, CONTENT_THEIRS));
    ASSERT_TRUE(doc.Edit(second, {"mine", "too"}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.UnresolvedCount(), 0);
    const std::string done = doc.Dump();
    int chunk = -1;
    ASSERT_TRUE(doc.Undo(chunk));
    EXPECT_EQ(chunk, second);
    EXPECT_EQ(doc.UnresolvedCount(), 1);
    ASSERT_TRUE(doc.Undo(chunk));
    EXPECT_EQ(chunk, first);
    EXPECT_EQ(doc.Dump(), start);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.Undo(chunk));
    ASSERT_TRUE(doc.Redo(chunk));
    ASSERT_TRUE(doc.Redo(chunk));
    EXPECT_EQ(doc.Dump(), done);
    std::string text, error;
    ASSERT_TRUE(doc.MergedBytes(text, error));
    EXPECT_EQ(text, "a\nB2\nc\nmine\ntoo\ne\n");
}

TEST(MergeCommands, EditsLeavingMarkersStayUnresolvedUntilMarked) {
    CMergeDoc doc;
    MergeTexts(doc, "a\nb\n", "a\nx\n", "a\ny\n");
    const int conflict = doc.FindChunk(-1, true, true);
    ASSERT_TRUE(doc.Edit(conflict, {"<<<<<<< o", "x", "=======", "y", ">>>>>>> t"}));
    EXPECT_EQ(doc.UnresolvedCount(), 1);
    ASSERT_TRUE(doc.MarkResolved(conflict, true));
    EXPECT_EQ(doc.UnresolvedCount(), 0);
    EXPECT_EQ(doc.ExitStatus(), 0);
    EXPECT_FALSE(doc.MarkResolved(0, true)) << "an unchanged chunk is no conflict";
    EXPECT_NE(doc.Dump().find("content 6"), std::string::npos) << doc.Dump();
}

TEST(MergeRows, EachChunkTakesTheRowsOfItsLongestColumn) {
    CMergeDoc doc;
    // Ours puts two lines for line 2, theirs deletes line 4, and line 6 conflicts.
    MergeTexts(doc, "1\n2\n3\n4\n5\n6\n7\n", "1\n2a\n2b\n3\n4\n5\nO\n7\n", "1\n2\n3\n5\nT\n7\n");
    doc.AlignRows(false);
    std::string rows;
    for (int row = 0; row < doc.RowCount(); ++row) {
        MERGEDLINE merged;
        const bool real = doc.MergedLineAtRow(row, merged);
        rows += std::to_string(doc.LineAtRow(MERGE_SIDE_OURS, row)) + " " +
                (real ? std::string(doc.LineCharacters(merged)) : std::string("~")) + " " +
                std::to_string(doc.LineAtRow(MERGE_SIDE_THEIRS, row)) + "\n";
    }
    EXPECT_EQ(rows,
              "0 1 0\n"
              "1 2a 1\n"
              "2 2b -1\n"
              "3 3 2\n"
              "4 ~ -1\n"
              "5 5 3\n"
              "6 <<<<<<< o 4\n"  // the conflict: five merged lines against one on each side
              "-1 O -1\n"
              "-1 ======= -1\n"
              "-1 T -1\n"
              "-1 >>>>>>> t -1\n"
              "7 7 5\n");
    EXPECT_EQ(doc.ChunkAtRow(4), 3);
    EXPECT_EQ(doc.ChunkMergedLine(doc.ChunkAtRow(7)), 5);  // 1, 2a, 2b, 3 and 5 before it
    // Base beside the merge adds its lines to the count where it has more.
    EXPECT_EQ(doc.ChunkFirstRow(doc.ChunkCount() - 1), 11);
    ASSERT_TRUE(doc.Take(doc.FindChunk(-1, true, true), CONTENT_THEIRS));
    doc.AlignRows(true);
    EXPECT_EQ(doc.RowCount(), 8);
}

}  // namespace
}  // namespace corvatine
