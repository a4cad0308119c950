// The text comparison document: loading, merging, undo, navigation, saving.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>

#include <chrono>

#include "fileio/CodePages.h"
#include "fileio/DocumentWatches.h"
#include "fileio/TextFormat.h"
#include "support/EncodingSamples.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareDoc.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class TextCompareDocTest : public ::testing::Test {
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
        const std::string path = m_dir / ("saved" + std::to_string(m_saves++));
        std::string error;
        EXPECT_TRUE(m_doc.GetSide(side).SaveTextFile(path, false, error, EOL_KEEP, false)) << error;
        return test::ReadFile(path);
    }

    test::TempDir m_dir;
    platform::CSilentMessages m_messages;
    CTextComparer m_settings;
    CTextCompareDoc m_doc{m_messages, m_settings, true};
    int m_saves = 0;
};

TEST_F(TextCompareDocTest, OpensComparesAndTitles) {
    ASSERT_TRUE(Open("a\nb\nc\n", "a\nB\nc\n"));
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    EXPECT_EQ(m_doc.GetTitle(), "left.txt : right.txt");
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_DONE);
    EXPECT_TRUE(m_doc.IsIdentical());
    EXPECT_EQ(m_doc.GetTitle(), "left.txt : right.txt *");
}

TEST_F(TextCompareDocTest, AMissingFileIsReportedWithItsReason) {
    CTextCompareParams request;
    request.sides[0].path = m_dir.WriteFile("left.txt", "a\n");
    request.sides[1].path = m_dir / "missing.txt";
    EXPECT_FALSE(m_doc.Open(request));
    ASSERT_EQ(m_messages.errors.size(), 1u);
    EXPECT_EQ(m_messages.errors[0],
              "Cannot open file\n" + (m_dir / "missing.txt") + "\n\nNo such file or directory");
}

TEST_F(TextCompareDocTest, BinaryDataIsRefused) {
    EXPECT_FALSE(Open("a\n", std::string("a\0b\n", 4)));
    EXPECT_TRUE(m_doc.Sections().binary);
    ASSERT_EQ(m_messages.information.size(), 1u);
    EXPECT_EQ(m_messages.information[0], "Binary files cannot be compared as text.");
}

TEST_F(TextCompareDocTest, CopyAllMakesTheSidesEqualInBothDirections) {
    const std::string left = "head\none\ntwo\nsame\nthree\nsame2\nfour\nfive\nsix\ntail";
    const std::string right = "zero\nhead\nONE\nsame\nsame2\nFOUR\nextra\ntail\nmore\n";
    ASSERT_TRUE(Open(left, right));
    ASSERT_GT(m_doc.GetDifferenceCount(), 2);
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_TRUE(m_doc.IsIdentical());
    EXPECT_EQ(Text(1), left);
    // One undo takes the whole copy back.
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(1), right);
    EXPECT_FALSE(m_doc.CanUndo());

    ASSERT_EQ(m_doc.CopyAll(false), CTextCompareDoc::MERGE_DONE);
    EXPECT_TRUE(m_doc.IsIdentical());
    EXPECT_EQ(Text(0), right);
}

TEST_F(TextCompareDocTest, UndoOfAMergeRestoresTheTargetExactly) {
    const std::string left = "a\r\nnew1\r\nnew2\r\nb\r\nc\r\n";
    const std::string right = "a\r\nb\r\nold\r\nc";
    ASSERT_TRUE(Open(left, right));
    ASSERT_EQ(m_doc.GetDifferenceCount(), 2);
    // The last section holds the right's unended last line: the left ends so too.
    ASSERT_EQ(m_doc.CopySection(1, false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "a\r\nnew1\r\nnew2\r\nb\r\nold\r\nc");
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(1), "a\r\nnew1\r\nnew2\r\nb\r\nold\r\nc");
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(1), right);
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(0), left);
    EXPECT_EQ(m_doc.GetDifferenceCount(), 2);
    ASSERT_TRUE(m_doc.Redo());
    EXPECT_EQ(Text(0), "a\r\nnew1\r\nnew2\r\nb\r\nold\r\nc");
}

TEST_F(TextCompareDocTest, MergingAtTheEndsOfTheFiles) {
    // The last line lacks an ending on one side only.
    ASSERT_TRUE(Open("a\nb", "a\nb\nc\n"));
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(1), "a\nb");
    ASSERT_TRUE(m_doc.Undo());
    ASSERT_EQ(m_doc.CopyAll(false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "a\nb\nc\n");

    ASSERT_TRUE(Open("", "x\ny"));
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(1), "");
    ASSERT_TRUE(Open("", "x\ny"));
    ASSERT_EQ(m_doc.CopyAll(false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "x\ny");
}

TEST_F(TextCompareDocTest, AChosenSubsetIsMergedAndSaved) {
    ASSERT_TRUE(Open("1\n2\n3\n4\n5\n6\n7\n", "1\nB\n3\n4\nE\n6\nG\n"));
    ASSERT_EQ(m_doc.GetDifferenceCount(), 3);
    // Copying from the last chosen to the first keeps the numbers valid.
    ASSERT_EQ(m_doc.CopySection(2, true), CTextCompareDoc::MERGE_DONE);
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    ASSERT_TRUE(m_doc.SaveSide(1));
    EXPECT_EQ(test::ReadFile(m_doc.Request().sides[1].path), "1\n2\n3\n4\nE\n6\n7\n");
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
}

TEST_F(TextCompareDocTest, SeveralSectionsAreCopiedAllOrNone) {
    ASSERT_TRUE(Open("1\n2\n3\n4\n5\n6\n7\n", "1\nB\n3\n4\nE\n6\nG\n"));
    EXPECT_EQ(m_doc.CopySections({0, 7}, true), CTextCompareDoc::MERGE_NO_SECTION);
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
    ASSERT_EQ(m_doc.CopySections({2, 0, 2}, true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(1), "1\n2\n3\n4\nE\n6\n7\n");
    // One undoable action.
    ASSERT_TRUE(m_doc.Undo());
    EXPECT_EQ(Text(1), "1\nB\n3\n4\nE\n6\nG\n");
    EXPECT_FALSE(m_doc.CanUndo());
}

TEST_F(TextCompareDocTest, InsertKeepsTheTargetsLines) {
    ASSERT_TRUE(Open("a\nL\nz\n", "a\nR\nz\n"));
    ASSERT_EQ(m_doc.InsertSection(0, true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(1), "a\nR\nL\nz\n");
    ASSERT_TRUE(Open("a\nL", "a\nR"));
    ASSERT_EQ(m_doc.InsertSection(0, false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "a\nL\nR");
}

TEST_F(TextCompareDocTest, AMergeOfRowsEditedSinceTheComparisonIsRefused) {
    // Without automatic recompare, edited rows wait, stale, for Recompare.
    m_doc.SetAutoRecompare(false);
    ASSERT_TRUE(Open("a\nb\nc\nd\n", "a\nb\nX\nd\n"));
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(m_doc.GetSide(0).InsertTextAt(nullptr, 2, 0, "moved\nalong\n", endLine, endChar, 0));
    EXPECT_TRUE(m_doc.HasStaleRows());
    EXPECT_NE(m_doc.StatusText().find("Recompare"), std::string::npos);
    const std::string before = Text(1);
    EXPECT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_STALE);
    ASSERT_EQ(m_messages.errors.size(), 1u);
    EXPECT_EQ(m_messages.errors[0],
              "Cannot merge differences.\n\nPlease recompare the files before continuing.");
    EXPECT_EQ(Text(1), before);
    EXPECT_FALSE(m_doc.GetSide(1).IsModified());
    ASSERT_TRUE(m_doc.Recompare());
    EXPECT_FALSE(m_doc.HasStaleRows());
    EXPECT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(1), "a\nb\nmoved\nalong\nc\nd\n");
}

TEST_F(TextCompareDocTest, AReadOnlySideRefusesTheCopy) {
    ASSERT_TRUE(Open("a\n", "b\n"));
    m_doc.SetSideReadOnly(1, true);
    EXPECT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_READ_ONLY);
    EXPECT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_READ_ONLY);
    EXPECT_EQ(Text(1), "b\n");
    EXPECT_EQ(m_doc.CopySection(0, false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(m_doc.CopySection(5, false), CTextCompareDoc::MERGE_NO_SECTION);
}

TEST_F(TextCompareDocTest, EditsAreComparedAtOnceOrMarkedStale) {
    ASSERT_TRUE(Open("a\nb\n", "a\nc\n"));
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(m_doc.GetSide(1).DeleteRange(nullptr, 1, 0, 1, 1, 0));
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    ASSERT_TRUE(m_doc.GetSide(1).InsertTextAt(nullptr, 1, 0, "b", endLine, endChar, 0));
    EXPECT_TRUE(m_doc.IsIdentical());
    EXPECT_FALSE(m_doc.HasStaleRows());

    // Off, the rows stay as the edit left them until Recompare, and turning
    // it on compares them.
    m_doc.SetAutoRecompare(false);
    ASSERT_TRUE(m_doc.GetSide(1).InsertTextAt(nullptr, 0, 0, "x", endLine, endChar, 0));
    EXPECT_TRUE(m_doc.HasStaleRows());
    EXPECT_TRUE(m_doc.GetSide(1).GetLine(0).flags & LF_STALE);
    m_doc.SetAutoRecompare(true);
    EXPECT_FALSE(m_doc.HasStaleRows());
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    EXPECT_EQ(m_doc.StatusText(), "1 difference");
}

TEST_F(TextCompareDocTest, NavigatesBetweenDifferences) {
    ASSERT_TRUE(Open("a\n1\nb\nc\n2\nd\n", "a\nb\nc\nd\n3\n"));
    ASSERT_EQ(m_doc.GetDifferenceCount(), 3);
    EXPECT_EQ(m_doc.GetCurrentSection(), -1);
    ASSERT_TRUE(m_doc.NextDifference());
    EXPECT_EQ(m_doc.GetCurrentSection(), 0);
    EXPECT_EQ(m_doc.GetCursorRow(), 1);
    ASSERT_TRUE(m_doc.NextDifference());
    EXPECT_EQ(m_doc.GetCurrentSection(), 1);
    ASSERT_TRUE(m_doc.NextDifference());
    EXPECT_FALSE(m_doc.NextDifference());
    EXPECT_EQ(m_doc.GetCurrentSection(), 2);
    ASSERT_TRUE(m_doc.PreviousDifference());
    EXPECT_EQ(m_doc.GetCurrentSection(), 1);
    ASSERT_TRUE(m_doc.FirstDifference());
    EXPECT_FALSE(m_doc.PreviousDifference());
    ASSERT_TRUE(m_doc.LastDifference());
    EXPECT_EQ(m_doc.GetCurrentSection(), 2);
    m_doc.SetCursor(3);
    EXPECT_EQ(m_doc.GetCurrentSection(), -1);
    ASSERT_TRUE(m_doc.NextDifference());
    EXPECT_EQ(m_doc.GetCurrentSection(), 1);

    // Copy and advance merges the current section and moves on.
    ASSERT_TRUE(m_doc.FirstDifference());
    ASSERT_EQ(m_doc.CopyAndAdvance(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(m_doc.GetDifferenceCount(), 2);
    EXPECT_EQ(m_doc.GetCurrentSection(), 0);
}

TEST_F(TextCompareDocTest, StepsThroughLineDifferences) {
    ASSERT_TRUE(Open("same\nabc mid def\nsame\nxyz\n", "same\nabX mid deY\nsame\nxyW\n"));
    std::vector<std::pair<int, int>> found;
    while (m_doc.NextLineDifference())
        found.emplace_back(m_doc.GetCursorRow(), m_doc.GetLineDifference().leftStart);
    EXPECT_EQ(found, (std::vector<std::pair<int, int>>{{1, 2}, {1, 10}, {3, 2}}));
    ASSERT_FALSE(m_messages.status.empty());
    EXPECT_EQ(m_messages.status.back(), "No next line difference");
    EXPECT_EQ(m_doc.GetCurrentSection(), 1);

    ASSERT_TRUE(m_doc.PreviousLineDifference());
    EXPECT_EQ(m_doc.GetCursorRow(), 1);
    EXPECT_EQ(m_doc.GetLineDifference().leftStart, 10);
    ASSERT_TRUE(m_doc.PreviousLineDifference());
    EXPECT_FALSE(m_doc.PreviousLineDifference());
    EXPECT_EQ(m_messages.status.back(), "No previous line difference");
}

TEST_F(TextCompareDocTest, SwapSidesExchangesEverything) {
    ASSERT_TRUE(Open("a\nL\n", "a\nR\nR2\n"));
    m_doc.SetSideReadOnly(0, true);
    m_doc.SwapSides();
    EXPECT_EQ(m_doc.GetTitle(), "right.txt : left.txt");
    EXPECT_TRUE(m_doc.IsSideReadOnly(1));
    EXPECT_EQ(Text(0), "a\nR\nR2\n");
    ASSERT_EQ(m_doc.CopySection(0, true), CTextCompareDoc::MERGE_READ_ONLY);
    ASSERT_EQ(m_doc.CopySection(0, false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "a\nL\n");
}

TEST_F(TextCompareDocTest, SavesEachSideInItsOwnEncodingAndEndings) {
    const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("a\0\r\0\n\0b\0\r\0\n\0", 12);
    ASSERT_TRUE(Open(utf16, "a\nc\n"));
    ASSERT_EQ(m_doc.CopyAll(false), CTextCompareDoc::MERGE_DONE);
    ASSERT_TRUE(m_doc.SaveSide(0, m_dir / "out.txt"));
    EXPECT_EQ(test::ReadFile(m_dir / "out.txt"),
              std::string("\xFF\xFE", 2) + std::string("a\0\r\0\n\0c\0\r\0\n\0", 12));
    EXPECT_EQ(m_doc.Request().sides[0].path, m_dir / "out.txt");

    // Lines copied into a side take its line endings.
    ASSERT_TRUE(Open("a\r\nb\r\n", "a\nc\nd"));
    ASSERT_EQ(m_doc.CopyAll(false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "a\r\nc\r\nd");
    ASSERT_TRUE(Open("a\r\nb\r\n", "a\nc\nd"));
    ASSERT_EQ(m_doc.InsertSection(0, false), CTextCompareDoc::MERGE_DONE);
    EXPECT_EQ(Text(0), "a\r\nb\r\nc\r\nd");

    // A save that fails leaves the side modified and says why.
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    EXPECT_FALSE(m_doc.SaveSide(1, m_dir / "no/such/folder/x.txt"));
    ASSERT_FALSE(m_messages.errors.empty());
    EXPECT_EQ(m_messages.errors.back().rfind("Cannot save file\n" + (m_dir / "no/such/folder/x.txt"), 0), 0u);
    EXPECT_TRUE(m_doc.GetSide(1).IsModified());
}

// Each side is read in the encoding its bytes call for, or in the code page
// the request names: the same text in Latin-1 and UTF-8 is identical, and a
// side saved after a merge keeps its code page, asking before what it lacks.
TEST_F(TextCompareDocTest, SidesAreReadInTheirOwnOrTheRequestedEncodings) {
    const std::string latin1 = test::Iconv(m_dir, test::kGerman, "ISO-8859-1");
    ASSERT_TRUE(Open(latin1, test::kGerman));
    EXPECT_TRUE(m_doc.IsIdentical());
    EXPECT_EQ(m_doc.GetSide(0).GetCodePage(), 28591);
    EXPECT_EQ(m_doc.GetSide(1).GetCodePage(), CP_UTF8);
    EXPECT_TRUE(m_messages.questions.empty());

    CTextCompareParams request;
    request.sides[0].path = m_dir / "left.txt";
    request.sides[1].path = m_dir / "right.txt";
    request.rules = 0;
    request.codePages[0] = 1252;
    ASSERT_TRUE(m_doc.Open(request));
    EXPECT_EQ(m_doc.GetSide(0).GetCodePage(), 1252);
    EXPECT_EQ(m_doc.GetSide(1).GetCodePage(), CP_UTF8);
    EXPECT_TRUE(m_doc.IsIdentical());  // Windows-1252 reads these letters as Latin-1 does
    request.codePages[1] = 28591;      // UTF-8 read as Latin-1: other letters
    ASSERT_TRUE(m_doc.Open(request));
    EXPECT_EQ(m_doc.GetDifferenceCount(), 1);
    EXPECT_EQ(m_doc.Request().codePages[1], 28591);

    // Copied into the Latin-1 side, a character Latin-1 lacks asks first.
    ASSERT_TRUE(Open(latin1, "\u20ac\r\n"));
    ASSERT_EQ(m_doc.CopyAll(false), CTextCompareDoc::MERGE_DONE);
    EXPECT_FALSE(m_doc.SaveSide(0));
    ASSERT_EQ(m_messages.questions.size(), 1u);
    EXPECT_TRUE(test::ReadFile(m_dir / "left.txt") == latin1);
    m_messages.answer = platform::ANSWER_YES;
    ASSERT_TRUE(m_doc.SaveSide(0));
    EXPECT_EQ(test::ReadFile(m_dir / "left.txt"), "?\r\n");

    // A code page this system cannot convert is told, not read as '?'.
    request.codePages[0] = 12345;
    EXPECT_FALSE(m_doc.Open(request));
    EXPECT_EQ(m_messages.errors.back(), "Cannot open file\n" + (m_dir / "left.txt") +
                                            "\n\nCode page 12345 cannot be converted on this system.");
}

TEST_F(TextCompareDocTest, AFileChangedByAnotherProgramIsNotOverwritten) {
    ASSERT_TRUE(Open("a\nb\n", "a\nc\n"));
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    // Another program appends to the right file after it was loaded.
    const std::string right = m_dir.WriteFile("right.txt", "a\nc\nappended\n");
    EXPECT_FALSE(m_doc.SaveSide(1));
    ASSERT_FALSE(m_messages.errors.empty());
    EXPECT_EQ(m_messages.errors.back(),
              "Cannot save file\n" + right + "\n\nit was changed by another program since it was read");
    EXPECT_EQ(test::ReadFile(right), "a\nc\nappended\n");
    EXPECT_TRUE(m_doc.GetSide(1).IsModified());
    // Saved elsewhere, the side is that file from then on; reloaded, the
    // changed file can be saved again.
    ASSERT_TRUE(m_doc.SaveSide(1, m_dir / "copy.txt"));
    EXPECT_EQ(test::ReadFile(m_dir / "copy.txt"), "a\nb\n");
    ASSERT_TRUE(m_doc.Reload());
    ASSERT_EQ(m_doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    ASSERT_TRUE(m_doc.SaveSide(1));
}

class RecordingHooks : public CFileWatchHooks {
public:
    void Suspend(const std::string& path) override { calls.push_back("suspend " + path); }
    void Resume(const std::string& path) override { calls.push_back("resume " + path); }
    std::vector<std::string> calls;
};

TEST_F(TextCompareDocTest, TheFileWatcherIsToldAroundLoadsAndSaves) {
    RecordingHooks hooks;
    CTextCompareDoc doc(m_messages, m_settings, true, &hooks);
    CTextCompareParams request;
    request.sides[0].path = m_dir.WriteFile("l", "a\n");
    request.sides[1].path = m_dir.WriteFile("r", "b\n");
    ASSERT_TRUE(doc.Open(request));
    ASSERT_TRUE(doc.SaveSide(1));
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{
                               "suspend " + request.sides[0].path, "resume " + request.sides[0].path,
                               "suspend " + request.sides[1].path, "resume " + request.sides[1].path,
                               "suspend " + request.sides[1].path, "resume " + request.sides[1].path}));
}

}  // namespace
}  // namespace corvatine

namespace corvatine {
namespace {

// The document with real file watches: its own save raises nothing, another
// program's change is reported with the path.
TEST(TextCompareDocWatchTest, OwnSavesAreNotReportedOthersAre) {
    test::TempDir dir;
    platform::CSilentMessages messages;
    CDocumentWatches watches(true);
    std::vector<std::string> changed;
    watches.onChanged = [&](const std::string& path) { changed.push_back(path); };
    CTextComparer settings;
    CTextCompareDoc doc(messages, settings, true, &watches);
    CTextCompareParams request;
    request.sides[0].path = dir.WriteFile("left.txt", "a\n");
    request.sides[1].path = dir.WriteFile("right.txt", "b\n");
    ASSERT_TRUE(doc.Open(request));
    watches.Watch(request.sides[0].path);
    watches.Watch(request.sides[1].path);
    auto pump = [&](int milliseconds) {
        platform::MESSAGE message;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end)
            if (platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(20))) message.Deliver();
    };
    ASSERT_EQ(doc.CopyAll(true), CTextCompareDoc::MERGE_DONE);
    ASSERT_TRUE(doc.SaveSide(1));
    EXPECT_TRUE(watches.IsWatched(request.sides[1].path));  // watched again after the save
    ASSERT_TRUE(doc.Reload());
    pump(400);
    EXPECT_TRUE(changed.empty());

    dir.WriteFile("left.txt", "changed elsewhere\n");
    ASSERT_TRUE(test::SetFileTimes(request.sides[0].path, 1800000000));
    pump(600);
    // A write and the setting of its time may come as two changes.
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{request.sides[0].path}));

    // With the option off nothing is ever watched.
    CDocumentWatches off(false);
    off.Watch(request.sides[0].path);
    EXPECT_FALSE(off.IsWatched(request.sides[0].path));
}

}  // namespace
}  // namespace corvatine
