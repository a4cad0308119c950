// Editing a text comparison: one history for both sides, the edited rows
// compared again where they are, and files changed on disk.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sstream>

#include "editor/FindReplace.h"
#include "fileio/TextFormat.h"
#include "platform/MessageQueue.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareDoc.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

constexpr int kTyping = CTextCompareObject::kTypingAction;
// Random edits: rounds of 25 edits each, from a fixed seed.
constexpr int kRounds = 40;
constexpr unsigned kSeed = 20261210;

class TextCompareEditTest : public ::testing::Test {
protected:
    bool Open(const std::string& left, const std::string& right, uint32_t rules = 0) {
        CTextCompareParams request;
        request.sides[0].path = m_dir.WriteFile("left.txt", left);
        request.sides[1].path = m_dir.WriteFile("right.txt", right);
        request.rules = rules;
        return m_doc.Open(request);
    }
    // The real text of a side, as it would be saved.
    std::string Text(int side) {
        std::string text;
        CTextCompareObject& object = m_doc.GetSide(side);
        for (int row = 0; row < object.GetLineCount(); ++row)
            if (!object.IsGhostRow(row)) text += object.GetLine(row).Text();
        return text;
    }
    // Types text at a row position as a pane does, one character at a time.
    void Type(int side, CPoint at, const std::string& text) {
        for (char c : text) {
            CPoint caret;
            ASSERT_TRUE(m_doc.ReplaceText(side, at, at, std::string(1, c), kTyping, caret));
            at = caret;
        }
    }
    // Both sides row by row: "~" for a ghost row, "*" before a stale one.
    std::string Rows() {
        std::string text;
        for (int side = 0; side < 2; ++side) {
            CTextCompareObject& object = m_doc.GetSide(side);
            for (int row = 0; row < object.GetLineCount(); ++row) {
                const CSyntaxTextLine& line = object.GetLine(row);
                if (line.flags & LF_STALE) text += "*";
                if (object.IsGhostRow(row)) text += "~";
                for (const char c : std::string(line.Text()))
                    text += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
                text += "|";
            }
            text += "\n";
        }
        return text + m_doc.Sections().Dump();
    }
    // Everything the alignment promises: both sides as many rows; the
    // reality blocks as a pass over every row gives them; sections in order,
    // each with its rows marked and its line numbers those of its rows; and
    // outside the sections equal lines side by side (the rules here ignore
    // nothing), but for the empty last line, which one side may lack.
    void ExpectAligned(bool equalRows = true) {
        CTextCompareObject& left = m_doc.GetSide(0);
        CTextCompareObject& right = m_doc.GetSide(1);
        ASSERT_EQ(left.GetLineCount(), right.GetLineCount()) << Rows();
        for (CTextCompareObject* side : {&left, &right}) {
            // The text's last line has no ending: after a final one an empty
            // line is last.
            const int last = side->RealLineToRow(side->GetRealLineCount() - 1);
            ASSERT_EQ(side->GetLine(last).EndingLength(), 0) << Rows();
            const std::vector<RealityBlock> kept = side->GetRealityBlocks();
            side->RebuildRealityBlocks();
            const std::vector<RealityBlock>& whole = side->GetRealityBlocks();
            ASSERT_EQ(kept.size(), whole.size());
            for (size_t k = 0; k < kept.size(); ++k) {
                EXPECT_EQ(kept[k].realLine, whole[k].realLine);
                EXPECT_EQ(kept[k].row, whole[k].row);
                EXPECT_EQ(kept[k].count, whole[k].count);
            }
        }
        std::vector<bool> inSection(static_cast<size_t>(left.GetLineCount()), false);
        int lastRow = -1;
        for (const CTextSection& s : m_doc.Sections().Sections()) {
            EXPECT_GT(s.leftFirstRow, lastRow) << m_doc.Sections().Dump();
            EXPECT_LE(s.leftFirstRow, s.leftLastRow);
            lastRow = s.leftLastRow;
            EXPECT_EQ(s.leftFirst, left.RowToRealLine(s.leftFirstRow)) << m_doc.Sections().Dump();
            EXPECT_EQ(s.rightFirst, right.RowToRealLine(s.rightFirstRow)) << m_doc.Sections().Dump();
            EXPECT_EQ(s.leftLast, left.RowToRealLine(s.leftLastRow + 1) - 1) << m_doc.Sections().Dump();
            EXPECT_EQ(s.rightLast, right.RowToRealLine(s.rightLastRow + 1) - 1) << m_doc.Sections().Dump();
            for (int row = s.leftFirstRow; row <= s.leftLastRow; ++row) {
                inSection[static_cast<size_t>(row)] = true;
                EXPECT_TRUE((left.GetLine(row).flags | right.GetLine(row).flags) &
                            (LF_CHANGED | LF_ONE_SIDED | LF_STALE))
                    << "row " << row;
            }
        }
        for (int row = 0; row < left.GetLineCount() && equalRows; ++row) {
            if (inSection[static_cast<size_t>(row)]) continue;
            const bool ghost[2] = {left.IsGhostRow(row), right.IsGhostRow(row)};
            if (ghost[0] || ghost[1]) {
                // Only the empty last line stands opposite a ghost row here.
                EXPECT_EQ(row, left.GetLineCount() - 1) << "row " << row;
                const CTextCompareObject& real = ghost[0] ? right : left;
                EXPECT_EQ(real.GetLine(row).FullLength(), 0) << "row " << row << "\n" << Rows();
                continue;
            }
            EXPECT_EQ(left.GetLine(row).Characters(), right.GetLine(row).Characters())
                << "row " << row << "\n"
                << Rows();
        }
    }

    void RandomEdits(uint32_t rules, int rounds, unsigned seed) {
        std::mt19937 random(seed);
        static const char* const words[] = {"a", "b", "A", "a  b", "", " "};
        static const char* const endings[] = {"\n", "\n", "\r\n"};
        const auto randomText = [&](int lines) {
            std::string text;
            for (int i = 0; i < lines; ++i)
                text += std::string(words[random() % (rules ? 6 : 2)]) + endings[random() % 3];
            if (random() % 3 == 0 && !text.empty()) text.pop_back();
            return text;
        };
        for (int round = 0; round < rounds; ++round) {
            const std::string left = randomText(static_cast<int>(random() % 30));
            const std::string right = randomText(static_cast<int>(random() % 30));
            ASSERT_TRUE(Open(left, right, rules));
            m_doc.SetAutoRecompare(round % 5 != 4);
            for (int step = 0; step < 25; ++step) {
                const int side = static_cast<int>(random() % 2);
                CTextCompareObject& object = m_doc.GetSide(side);
                const int rows = object.GetLineCount();
                const auto position = [&] {
                    const int row = static_cast<int>(random() % static_cast<unsigned>(rows));
                    const int length = object.GetLine(row).Length();
                    return CPoint{static_cast<int>(random() % static_cast<unsigned>(length + 1)), row};
                };
                CPoint from = position(), to = random() % 2 ? from : position();
                if (to.y < from.y || (to.y == from.y && to.x < from.x)) std::swap(from, to);
                static const char* const pieces[] = {"", "a", "b\n", "\nc", "d\re\r\n", "x"};
                const std::string text = pieces[random() % 6];
                CPoint caret;
                const std::string before = Rows();
                (void)m_doc.ReplaceText(side, from, to, text, text.size() == 1 ? kTyping : 5, caret);
                SCOPED_TRACE(before + "side " + std::to_string(side) + " (" + std::to_string(from.x) + "," +
                             std::to_string(from.y) + ")-(" + std::to_string(to.x) + "," +
                             std::to_string(to.y) + ") \"" + text + "\"");
                ASSERT_NO_FATAL_FAILURE(ExpectAligned(rules == 0)) << "round " << round << " step " << step;
                if (::testing::Test::HasFailure()) return;
            }
            m_doc.SetAutoRecompare(true);
            const std::string edited[2] = {Text(0), Text(1)};
            while (m_doc.CanUndo()) ASSERT_TRUE(m_doc.Undo());
            EXPECT_EQ(Text(0), left) << "round " << round;
            EXPECT_EQ(Text(1), right) << "round " << round;
            EXPECT_FALSE(m_doc.GetSide(0).IsModified());
            EXPECT_FALSE(m_doc.GetSide(1).IsModified());
            ExpectAligned(rules == 0);
            while (m_doc.CanRedo()) ASSERT_TRUE(m_doc.Redo());
            EXPECT_EQ(Text(0), edited[0]) << "round " << round;
            EXPECT_EQ(Text(1), edited[1]) << "round " << round;
            ExpectAligned(rules == 0);
        }
    }

    test::TempDir m_dir;
    platform::CSilentMessages m_messages;
    CTextComparer m_settings;
    CTextCompareDoc m_doc{m_messages, m_settings, true};
};

TEST_F(TextCompareEditTest, TypingIsComparedWhereItHappens) {
    ASSERT_TRUE(Open("one\ntwo\nthree\nfour\n", "one\ntwo\nthree\nfour\n"));
    ASSERT_TRUE(m_doc.IsIdentical());
    Type(1, {3, 1}, "!");
    ASSERT_EQ(m_doc.GetDifferenceCount(), 1);
    EXPECT_EQ(m_doc.Sections().Dump(), "kind 2 lines 1-1/1-1 rows 1-1 ghosts -1/-1\n");
    ExpectAligned();
    // A new line on one side: a ghost row opposite it.
    CPoint caret;
    ASSERT_TRUE(m_doc.ReplaceText(0, {5, 2}, {5, 2}, "\nnew", kTyping, caret));
    EXPECT_EQ(caret, (CPoint{3, 3}));
    EXPECT_TRUE(m_doc.GetSide(1).IsGhostRow(3));
    ExpectAligned();
    // Taken back by hand, the sides are equal again.
    ASSERT_TRUE(m_doc.ReplaceText(0, {5, 2}, {3, 3}, "", 2, caret));
    ASSERT_TRUE(m_doc.ReplaceText(1, {3, 1}, {4, 1}, "", 2, caret));
    EXPECT_TRUE(m_doc.IsIdentical());
    ExpectAligned();
    EXPECT_EQ(Text(0), Text(1));
}

TEST_F(TextCompareEditTest, TypedTextIsOneStepALineBreakEndsIt) {
    ASSERT_TRUE(Open("a\nb\n", "a\nb\n"));
    Type(0, {1, 0}, "xyz");
    EXPECT_EQ(m_doc.UndoName(), "Typing");
    CPoint caret;
    ASSERT_TRUE(m_doc.ReplaceText(0, {4, 0}, {4, 0}, "\n", kTyping, caret));
    Type(0, caret, "q");
    EXPECT_EQ(Text(0), "axyz\nq\nb\n");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "axyz\n\nb\n");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "axyz\nb\n");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "a\nb\n");
    EXPECT_FALSE(m_doc.CanUndo());
    EXPECT_FALSE(m_doc.GetSide(0).IsModified());
    EXPECT_TRUE(m_doc.IsIdentical());
    ASSERT_TRUE(m_doc.Redo());
    EXPECT_EQ(Text(0), "axyz\nb\n");
    EXPECT_TRUE(m_doc.GetSide(0).IsModified());
}

TEST_F(TextCompareEditTest, OneHistoryForBothSides) {
    ASSERT_TRUE(Open("same\nleft\nsame2\nL2\n", "same\nright\nsame2\nR2\n"));
    ASSERT_EQ(m_doc.GetDifferenceCount(), 2);
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_DONE);
    ASSERT_EQ(m_doc.CopySection(0, false), CTextCompareDoc::MERGE_DONE);
    Type(1, {0, 0}, ">");
    EXPECT_EQ(m_doc.UndoName(), "Typing");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(m_doc.UndoName(), "Copy to Left");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "same\nleft\nsame2\nL2\n");
    EXPECT_FALSE(m_doc.GetSide(0).IsModified());
    EXPECT_TRUE(m_doc.GetSide(1).IsModified());
    EXPECT_EQ(m_doc.UndoName(), "Copy to Right");
    EXPECT_EQ(m_doc.RedoName(), "Copy to Left");
    int side = -1;
    CPoint caret;
    ASSERT_TRUE(m_doc.GetEditCaret(side, caret));
    EXPECT_EQ(side, 0);
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(1), "same\nright\nsame2\nR2\n");
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
    EXPECT_EQ(m_doc.GetDifferenceCount(), 2);
    ASSERT_TRUE(m_doc.Redo());
    ASSERT_TRUE(m_doc.Redo());
    // The first copy made the sections one, which the second took back.
    EXPECT_EQ(Text(0), "same\nleft\nsame2\nR2\n");
    EXPECT_EQ(Text(1), "same\nleft\nsame2\nR2\n");
    // A new step drops what could have been redone.
    Type(0, {0, 0}, "x");
    EXPECT_FALSE(m_doc.CanRedo());

    // A saved side is not modified while the history stands where it was
    // saved, and is again when a step of its own is undone.
    ASSERT_TRUE(m_doc.SaveSide(1));
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
    ASSERT_TRUE(m_doc.Undo());  // the left side's typing
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
    ASSERT_TRUE(m_doc.Undo());  // the copy to the left
    ASSERT_TRUE(m_doc.Undo());  // the copy to the right
    EXPECT_TRUE(m_doc.GetSide(1).IsModified());
}

TEST_F(TextCompareEditTest, TypingIntoAPlaceholderRowMakesALineThere) {
    ASSERT_TRUE(Open("a\nb\n", "a\nX\nY\nb\n"));
    ASSERT_TRUE(m_doc.GetSide(0).IsGhostRow(1));
    Type(0, {0, 1}, "X");
    EXPECT_EQ(Text(0), "a\nX\nb\n");
    EXPECT_FALSE(m_doc.GetSide(0).IsGhostRow(1));
    ExpectAligned();
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "a\nb\n");
    EXPECT_TRUE(m_doc.GetSide(0).IsGhostRow(1));
    ExpectAligned();

    // Whole lines pasted there are those lines, with no empty one after.
    CPoint caret;
    ASSERT_TRUE(m_doc.ReplaceText(0, {0, 1}, {0, 1}, "X\nY\n", 5, caret));
    EXPECT_EQ(Text(0), "a\nX\nY\nb\n");
    EXPECT_TRUE(m_doc.IsIdentical());
    ASSERT_TRUE(m_doc.Undo());

    // Below a last line without an ending the text is a line after it.
    ASSERT_TRUE(Open("a", "a\nb"));
    ASSERT_TRUE(m_doc.GetSide(0).IsGhostRow(1));
    Type(0, {0, 1}, "b");
    EXPECT_EQ(Text(0), "a\nb");
    EXPECT_TRUE(m_doc.IsIdentical());
}

TEST_F(TextCompareEditTest, ADeletionAcrossPlaceholderRowsTakesOnlyText) {
    ASSERT_TRUE(Open("a\nb\nc\n", "a\n1\n2\nb\nc\n"));
    ASSERT_TRUE(m_doc.GetSide(0).IsGhostRow(1));
    CPoint caret;
    // From the middle of "a" to a placeholder row: to the start of "b".
    ASSERT_TRUE(m_doc.ReplaceText(0, {1, 0}, {0, 2}, "", 2, caret));
    EXPECT_EQ(Text(0), "ab\nc\n");
    ExpectAligned();
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "a\nb\nc\n");
    // Placeholder rows alone hold nothing to delete.
    EXPECT_FALSE(m_doc.ReplaceText(0, {0, 1}, {0, 2}, "", 2, caret));
    EXPECT_FALSE(m_doc.CanRedo() && m_doc.RedoName() != "Delete");
}

// Random edits of random pairs: after each the alignment holds, and undoing
// every step gives back the files, redoing them the edited texts.
TEST_F(TextCompareEditTest, RandomEditsKeepTheAlignmentWhole) { RandomEdits(0, kRounds, kSeed); }

// Under rules that ignore some differences the rows outside the sections
// need not be equal, but the rest holds.
TEST_F(TextCompareEditTest, RandomEditsUnderRules) {
    RandomEdits(RULE_IGNORE_BLANK_LINES | RULE_IGNORE_CASE | RULE_IGNORE_SPACE_DIFFERENCES, kRounds / 2,
                kSeed + 1);
}

TEST_F(TextCompareEditTest, ReplaceAllIsOneStep) {
    ASSERT_TRUE(Open("x a x\nb x\nx\n", "y\n"));
    CTextCompareObject& left = m_doc.GetSide(0);
    CFindReplace finder(left);
    m_doc.BeginBulkStep("Replace All");
    CPoint end = CFindReplace::TextEnd(left);
    EXPECT_EQ(finder.ReplaceAll(nullptr, "x", "yy", 0, {0, 0}, {0, 0}, end, true), 4);
    m_doc.EndBulkStep();
    EXPECT_EQ(Text(0), "yy a yy\nb yy\nyy\n");
    EXPECT_EQ(m_doc.UndoName(), "Replace All");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), "x a x\nb x\nx\n");
    EXPECT_FALSE(m_doc.CanUndo());
    ExpectAligned();
}

// Lines read with loss keep what they were read from through copies, undo
// and redo: saved unchanged in their encoding they are their bytes again.
TEST_F(TextCompareEditTest, LinesReadWithLossKeepTheirBytesThroughTheHistory) {
    CTextCompareParams request;
    request.sides[0].path = m_dir.WriteFile("left.txt", "same\nbad \x81 byte\n");
    request.sides[1].path = m_dir.WriteFile("right.txt", "same\nother\n");
    request.codePages[0] = request.codePages[1] = 1252;  // 0x81 is no character of it
    ASSERT_TRUE(m_doc.Open(request));
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_DONE);
    ASSERT_TRUE(m_doc.Undo());
    ASSERT_TRUE(m_doc.Redo());
    ASSERT_TRUE(m_doc.SaveSide(1));
    EXPECT_EQ(test::ReadFile(request.sides[1].path), "same\nbad \x81 byte\n");
    // Deleted and put back by undo, the line is its bytes again.
    CPoint caret;
    ASSERT_TRUE(m_doc.ReplaceText(0, {0, 1}, {0, 2}, "", 2, caret));
    ASSERT_TRUE(m_doc.Undo());
    ASSERT_TRUE(m_doc.SaveSide(0, m_dir / "left-again.txt"));
    EXPECT_EQ(test::ReadFile(m_dir / "left-again.txt"), "same\nbad \x81 byte\n");
}

TEST_F(TextCompareEditTest, AFileChangedOnDiskReloadsOnlyItsSide) {
    ASSERT_TRUE(Open("a\nb\n", "a\nc\n"));
    Type(0, {0, 0}, "edit ");
    // The right file changes: its side has no edits and is loaded again at
    // once; the left side keeps its edits and its history.
    m_dir.WriteFile("right.txt", "a\nb\nmore\n");
    EXPECT_TRUE(m_doc.FileChangedOnDisk(m_doc.Request().sides[1].path).empty());
    EXPECT_EQ(Text(1), "a\nb\nmore\n");
    EXPECT_EQ(Text(0), "edit a\nb\n");
    EXPECT_TRUE(m_doc.GetSide(0).IsModified());
    EXPECT_EQ(m_doc.UndoName(), "Typing");

    // The left file changes: its side has edits, so the question names it.
    m_dir.WriteFile("left.txt", "changed\n");
    const std::vector<int> ask = m_doc.FileChangedOnDisk(m_doc.Request().sides[0].path);
    ASSERT_EQ(ask, std::vector<int>{0});
    EXPECT_EQ(m_doc.ChangedOnDiskQuestion(0),
              m_doc.Request().sides[0].path +
                  " is changed on disk, reload it?\n\nYour unsaved edits of this side will be lost.");
    EXPECT_EQ(Text(0), "edit a\nb\n");  // not before the user says so
    ASSERT_TRUE(m_doc.ReloadSide(0));
    EXPECT_EQ(Text(0), "changed\n");
    EXPECT_FALSE(m_doc.GetSide(0).IsModified());
    EXPECT_FALSE(m_doc.CanUndo());  // its edits were the only steps
    ExpectAligned();

    // A file that cannot be read leaves its side as it was.
    std::remove(m_doc.Request().sides[1].path.c_str());
    EXPECT_FALSE(m_doc.ReloadSide(1));
    EXPECT_EQ(Text(1), "a\nb\nmore\n");

    // The Reload command asks in its own words when a side has edits.
    EXPECT_EQ(m_doc.ReloadQuestion(), "");
    Type(1, {0, 0}, "x");
    EXPECT_EQ(m_doc.ReloadQuestion(), m_doc.Request().sides[1].path + " is changed, reload anyway?");
}

// With a worker, a large edited region is marked stale at once and compared
// whole in the background; a result for a text edited since is dropped.
TEST_F(TextCompareEditTest, ALargeEditedRegionIsComparedInTheBackground) {
    std::string left, right;
    for (int i = 0; i < CTextCompareDoc::kLocalCompareRows + 10; ++i) {
        left += "l" + std::to_string(i) + "\n";
        right += (i == CTextCompareDoc::kLocalCompareRows + 5 ? "l" : "r") + std::to_string(i) + "\n";
    }
    ASSERT_TRUE(Open(left, right));
    ASSERT_EQ(m_doc.GetDifferenceCount(), 2);
    m_doc.SetBackgroundRecompare(true);
    int recompared = 0;
    m_doc.onRecompared = [&recompared] { ++recompared; };
    // The lines differ all but one near the end: the rows an edit can affect
    // are more than are compared where they are.
    Type(1, {0, 1}, "x");
    Type(1, {0, 2}, "y");
    EXPECT_TRUE(m_doc.HasStaleRows());
    EXPECT_TRUE(m_doc.IsRecomparing());
    ExpectAligned();
    platform::MESSAGE message;
    for (int waited = 0; waited < 600 && m_doc.IsRecomparing(); ++waited)
        if (platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(50))) message.Deliver();
    EXPECT_FALSE(m_doc.IsRecomparing());
    EXPECT_EQ(recompared, 1);
    EXPECT_FALSE(m_doc.HasStaleRows());
    EXPECT_EQ(m_doc.GetDifferenceCount(), 2);
    ExpectAligned();
    EXPECT_EQ(m_doc.GetSide(1).GetLine(2).Characters(), "yr2");
    EXPECT_EQ(Text(1).substr(0, 11), "r0\nxr1\nyr2\n");
}

// The whole comparison in the background finds moves as one in place does.
TEST_F(TextCompareEditTest, TheBackgroundComparisonFindsMoves) {
    const std::string block = "moved one\nmoved two\nmoved three\n";
    std::string common, left, right;
    for (int i = 0; i < 10; ++i) common += "common " + std::to_string(i) + "\n";
    left = block + common;
    right = common;
    for (int i = 0; i < CTextCompareDoc::kLocalCompareRows + 10; ++i) {
        left += "l" + std::to_string(i) + "\n";
        right += "r" + std::to_string(i) + "\n";
    }
    right += block;
    ASSERT_TRUE(Open(left, right));
    ASSERT_EQ(m_doc.Context().Moves().size(), 1u);
    m_doc.SetBackgroundRecompare(true);
    // An edit inside the block where it arrived ends the move at once...
    const int arrived = m_doc.Context().Moves()[0].rightFirstRow;
    Type(1, {0, arrived + 1}, "y");
    ASSERT_TRUE(m_doc.IsRecomparing());
    EXPECT_TRUE(m_doc.Context().Moves().empty());
    EXPECT_FALSE(m_doc.GetSide(0).GetLine(0).flags & LF_MOVED);
    platform::MESSAGE message;
    for (int waited = 0; waited < 600 && m_doc.IsRecomparing(); ++waited)
        if (platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(50))) message.Deliver();
    ASSERT_FALSE(m_doc.HasStaleRows());
    // ... and the comparison in the background finds two lines on either
    // side of the edit: fewer than three, no move.
    EXPECT_TRUE(m_doc.Context().Moves().empty());
    // Taken back and compared in the background again, the block moved whole.
    ASSERT_TRUE(m_doc.Undo());
    for (int waited = 0; waited < 600 && (m_doc.IsRecomparing() || m_doc.HasStaleRows()); ++waited)
        if (platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(50))) message.Deliver();
    ASSERT_EQ(m_doc.Context().Moves().size(), 1u);
    EXPECT_EQ(m_doc.Context().Moves()[0].leftLast - m_doc.Context().Moves()[0].leftFirst, 2);
    EXPECT_TRUE(m_doc.GetSide(0).GetLine(0).flags & LF_MOVED);
    ExpectAligned();
}

TEST_F(TextCompareEditTest, ALargeEditedRegionIsComparedWhole) {
    // Lines that differ everywhere: the region an edit touches is the whole
    // pair, compared again in one go.
    std::string left, right;
    for (int i = 0; i < CTextCompareDoc::kLocalCompareRows + 10; ++i) {
        left += "l" + std::to_string(i) + "\n";
        right += "r" + std::to_string(i) + "\n";
    }
    ASSERT_TRUE(Open(left, right));
    ASSERT_EQ(m_doc.GetDifferenceCount(), 1);
    Type(0, {0, 5}, "x");
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    EXPECT_FALSE(m_doc.HasStaleRows());
    EXPECT_EQ(m_doc.GetSide(0).GetLine(5).Characters(), "xl5");
}

}  // namespace
}  // namespace corvatine
