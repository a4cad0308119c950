// The binary comparison document: loading, the worker's result, edits and
// undo across both sides, saving, replacing and swapping sides, and the
// related comparisons.
#include "binarycompare/BinaryCompareDoc.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <filesystem>

#include "binarycompare/BinaryComparer.h"
#include "platform/Path.h"
#include "request/CompareMethods.h"
#include "request/TextRuleWord.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

std::string Contents(CHexEditContext& buffer) {
    std::string bytes(static_cast<size_t>(buffer.GetSize()), '\0');
    buffer.Read(reinterpret_cast<uint8_t*>(bytes.data()), buffer.GetSize(), 0);
    return bytes;
}

class BinaryCompareDocTest : public ::testing::Test {
protected:
    CBinaryCompareParams Params(const std::string& left, const std::string& right) {
        CBinaryCompareParams params;
        params.sides[0].path = left;
        params.sides[1].path = right;
        return params;
    }
    bool Load(const std::string& leftBytes, const std::string& rightBytes) {
        return doc.LoadSides(
            Params(dir.WriteFile("left.bin", leftBytes), dir.WriteFile("right.bin", rightBytes)));
    }
    void Type(int side, int64_t position, uint8_t byte) {
        ASSERT_TRUE(doc.Side(side).Edit(HEX_REPLACE, position, 1, &byte, 0, &doc.View(side)));
    }

    test::TempDir dir;
    platform::CSilentMessages messages;
    CBinaryComparer settings;
    CBinaryCompareDoc doc{messages, settings, false};
};

TEST_F(BinaryCompareDocTest, LoadsAndComparesOnTheWorker) {
    ASSERT_TRUE(Load("same", "same"));
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_IDENTICAL);
    EXPECT_GE(doc.CompletedPasses(), 1);
    EXPECT_GT(doc.View(0).updates, 0);

    // An empty path is an empty side: different, unless the other is empty too.
    ASSERT_TRUE(doc.LoadSides(Params(dir / "left.bin", "")));
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_DIFFERENT);
    EXPECT_EQ(doc.Side(1).GetSize(), 0);
    ASSERT_TRUE(doc.LoadSides(Params(dir.WriteFile("empty", ""), "")));
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_IDENTICAL);
}

TEST_F(BinaryCompareDocTest, UndoFollowsTheEditOrderOfBothSides) {
    ASSERT_TRUE(Load("aaaa", "bbbb"));
    Type(0, 0, 'x');
    Type(0, 1, 'y');
    Type(1, 0, 'z');
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.EditOrder().size(), 3u);
    EXPECT_EQ(doc.MostRecentView(), &doc.View(1));
    // Three undos from the left view: the first is the right side's edit.
    ASSERT_TRUE(doc.Undo(0));
    EXPECT_EQ(Contents(doc.Side(1)), "bbbb");
    EXPECT_EQ(Contents(doc.Side(0)), "xyaa");
    ASSERT_TRUE(doc.Undo(0));
    ASSERT_TRUE(doc.Undo(0));
    EXPECT_EQ(Contents(doc.Side(0)), "aaaa");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.Undo(0));
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_DIFFERENT);
}

// Redo makes the undone edits of both sides again, the last undone first,
// and keeps the edit order that Undo follows; a new edit on either side
// forgets them.
TEST_F(BinaryCompareDocTest, RedoFollowsTheUndoOrderOfBothSides) {
    ASSERT_TRUE(Load("aaaa", "bbbb"));
    Type(0, 0, 'x');
    Type(1, 1, 'y');
    Type(0, 2, 'z');
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.Redo());
    ASSERT_TRUE(doc.Undo(0));
    ASSERT_TRUE(doc.Undo(0));
    EXPECT_EQ(Contents(doc.Side(0)), "xaaa");
    EXPECT_EQ(Contents(doc.Side(1)), "bbbb");
    ASSERT_TRUE(doc.CanRedo());
    EXPECT_EQ(doc.RedoSide(), 1);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Contents(doc.Side(1)), "bybb");
    EXPECT_EQ(doc.View(1).cursor, 1);
    EXPECT_EQ(doc.MostRecentView(), &doc.View(1));
    EXPECT_EQ(doc.RedoSide(), 0);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Contents(doc.Side(0)), "xaza");
    EXPECT_FALSE(doc.CanRedo());
    ASSERT_EQ(doc.EditOrder().size(), 3u);
    // The edit order is whole again: three undos take everything back.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(doc.Undo(1));
    EXPECT_EQ(Contents(doc.Side(0)), "aaaa");
    EXPECT_EQ(Contents(doc.Side(1)), "bbbb");
    EXPECT_FALSE(doc.IsModified());

    // An edit on the other side ends redoing on both.
    ASSERT_TRUE(doc.Redo());
    ASSERT_TRUE(doc.CanRedo());
    Type(1, 3, 'w');
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.Side(0).CanRedo());
    EXPECT_FALSE(doc.Redo());

    // Saving a side forgets its undone edits, not the other side's.
    ASSERT_TRUE(doc.Undo(0));  // the right side's w
    ASSERT_TRUE(doc.Undo(0));  // the left side's x
    ASSERT_EQ(doc.RedoSide(), 0);
    ASSERT_TRUE(doc.SaveSide(0));
    EXPECT_EQ(doc.RedoSide(), 1);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Contents(doc.Side(1)), "bbbw");
    ASSERT_TRUE(doc.WaitForComparison());
}

// The window follows the worker: told after each pass, and a running pass
// can be stopped.
TEST_F(BinaryCompareDocTest, ThePassIsToldAndCanBeStopped) {
    int told = 0;
    doc.onPassFinished = [&] {
        ++told;
        EXPECT_NE(doc.State(), BINARY_COMPARING);
    };
    ASSERT_TRUE(Load(std::string(1 << 20, 'a'), std::string(1 << 20, 'a')));
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(told, 1);
    EXPECT_EQ(doc.State(), BINARY_IDENTICAL);
    EXPECT_EQ(doc.Context().Progress(), 1 << 20);
    doc.StartCompare();
    doc.StopCompare();
    EXPECT_NE(doc.State(), BINARY_COMPARING);
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(told, 2);
}

TEST_F(BinaryCompareDocTest, SavingASideKeepsTheOtherSidesEditOrder) {
    ASSERT_TRUE(Load("aaaa", "bbbb"));
    Type(1, 0, 'r');
    Type(0, 0, 'l');
    ASSERT_TRUE(doc.SaveSide(0));
    EXPECT_EQ(test::ReadFile(dir / "left.bin"), "laaa");
    ASSERT_EQ(doc.EditOrder().size(), 1u);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Undo(0));  // the right side's edit
    EXPECT_EQ(Contents(doc.Side(1)), "bbbb");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.EditOrder().empty());
}

TEST_F(BinaryCompareDocTest, AReadOnlyFileIsSavedUnderANewName) {
    ASSERT_TRUE(Load("aaaa", "bbbb"));
    ASSERT_EQ(::chmod((dir / "left.bin").c_str(), 0444), 0);
    Type(0, 0, 'x');
    std::string proposed;
    doc.askSaveAsName = [&](int, const std::string& path) {
        proposed = path;
        return std::string();  // cancelled
    };
    EXPECT_FALSE(doc.SaveSide(0));
    EXPECT_EQ(proposed, dir / "left.bin");
    EXPECT_EQ(test::ReadFile(dir / "left.bin"), "aaaa");
    doc.askSaveAsName = [&](int, const std::string&) { return dir / "new.bin"; };
    ASSERT_TRUE(doc.SaveSide(0));
    EXPECT_EQ(test::ReadFile(dir / "new.bin"), "xaaa");
    EXPECT_EQ(doc.Params().sides[0].path, dir / "new.bin");
}

TEST_F(BinaryCompareDocTest, ReplacingASideEmptiesBothHistories) {
    ASSERT_TRUE(Load("aaaa", "bbbb"));
    Type(0, 0, 'x');
    Type(1, 0, 'y');
    EXPECT_FALSE(doc.ReplaceSide(1, dir / "missing"));
    EXPECT_FALSE(doc.ReplaceSide(1, dir.Path()));
    ASSERT_TRUE(doc.ReplaceSide(1, dir.WriteFile("other.bin", "xaaa")));
    EXPECT_EQ(Contents(doc.Side(0)), "xaaa");  // the left keeps its contents
    EXPECT_EQ(Contents(doc.Side(1)), "xaaa");
    EXPECT_TRUE(doc.EditOrder().empty());
    EXPECT_FALSE(doc.Undo(0));
    EXPECT_EQ(doc.Side(0).RecordCount(), 0);
    EXPECT_TRUE(doc.Side(0).IsModified());  // still unsaved
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_IDENTICAL);
    // Later edits apply to what the side shows.
    Type(0, 1, 'q');
    EXPECT_EQ(Contents(doc.Side(0)), "xqaa");
    ASSERT_TRUE(doc.SaveSide(0));
    EXPECT_EQ(test::ReadFile(dir / "left.bin"), "xqaa");
}

TEST_F(BinaryCompareDocTest, SwappingAndCopyingBetweenSides) {
    ASSERT_TRUE(Load("left", "rightside"));
    Type(0, 0, 'L');
    doc.SwapSides();
    EXPECT_EQ(doc.Params().sides[0].path, dir / "right.bin");
    EXPECT_EQ(Contents(doc.Side(1)), "Left");  // the edit travelled with its side
    ASSERT_TRUE(doc.Undo(0));                  // passed to the view that now shows it
    EXPECT_EQ(Contents(doc.Side(1)), "left");

    ASSERT_TRUE(doc.CopySelection(0, 0, 5));  // over the other side
    EXPECT_EQ(Contents(doc.Side(1)), "right");
    ASSERT_TRUE(doc.CopySelection(0, 5, 9));  // beyond its end: appended
    EXPECT_EQ(Contents(doc.Side(1)), "rightside");
    EXPECT_FALSE(doc.CopySelection(0, 3, 3));
    doc.SetSideReadOnly(1, true);
    EXPECT_FALSE(doc.CopySelection(0, 0, 1));
    EXPECT_TRUE(doc.View(1).readOnly);
}

// A side whose path is missing or empty is an empty buffer without a file:
// copies into it are appended, and saving it creates the file.
TEST_F(BinaryCompareDocTest, AnEmptySideIsEditedAndSavedAsANewFile) {
    const std::string created = dir / "new.bin";
    ASSERT_TRUE(doc.LoadSides(Params(dir.WriteFile("left.bin", "abcdef"), created)));
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_DIFFERENT);
    EXPECT_FALSE(doc.Side(1).IsOpen());
    EXPECT_FALSE(doc.Side(1).IsReadOnly());
    ASSERT_TRUE(doc.CopySelection(0, 2, 4));  // appended
    EXPECT_EQ(Contents(doc.Side(1)), "cd");
    ASSERT_TRUE(doc.CopySelection(0, 0, 6));  // over it and past its end
    EXPECT_EQ(Contents(doc.Side(1)), "abcdef");
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Undo(0));  // passed to the right side's view
    EXPECT_EQ(Contents(doc.Side(1)), "cd");
    ASSERT_TRUE(doc.CopySelection(0, 0, 6));
    EXPECT_FALSE(platform::NameExists(created));

    const mode_t umask = ::umask(027);
    const bool saved = doc.SaveSide(1);
    ::umask(umask);
    ASSERT_TRUE(saved) << (messages.errors.empty() ? "" : messages.errors.back());
    EXPECT_EQ(test::ReadFile(created), "abcdef");
    struct stat info {};
    ASSERT_EQ(::stat(created.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);  // 0666 less the umask
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"left.bin", "new.bin"}));  // no temporary file left
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.EditOrder().empty());
    EXPECT_EQ(doc.Side(1).GetPath(), created);  // the side now holds the file
    doc.StartCompare();
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_IDENTICAL);
    Type(1, 0, 'X');
    ASSERT_TRUE(doc.SaveSide(1));
    EXPECT_EQ(test::ReadFile(created), "Xbcdef");

    // Without a path the name is asked for, proposing the other side's.
    ASSERT_TRUE(doc.LoadSides(Params(dir / "left.bin", "")));
    ASSERT_TRUE(doc.CopySelection(0, 0, 3));
    std::string proposed;
    doc.askSaveAsName = [&](int, const std::string& path) {
        proposed = path;
        return dir / "chosen.bin";
    };
    ASSERT_TRUE(doc.SaveSide(1));
    EXPECT_EQ(proposed, dir / "left.bin");
    EXPECT_EQ(test::ReadFile(dir / "chosen.bin"), "abc");
    EXPECT_EQ(doc.Params().sides[1].path, dir / "chosen.bin");
}

TEST_F(BinaryCompareDocTest, RelatedComparisonsAndProperties) {
    ASSERT_TRUE(Load(std::string("a\0b", 3), "text"));
    EXPECT_EQ(doc.GoToTextComparison(kDefaultTextRules), nullptr);
    EXPECT_EQ(messages.information.back(), "Binary files can not compare as binary.");
    const auto folders = doc.GoToContainingFolderComparison(METHOD_CRC);
    EXPECT_EQ(folders->sides[0].path, dir.Path());
    EXPECT_EQ(folders->methods, static_cast<uint32_t>(METHOD_CRC));

    ASSERT_TRUE(doc.LoadSides(Params(dir.WriteFile("t1", "one\n"), dir.WriteFile("t2", "two\n"))));
    const auto text = doc.GoToTextComparison(RULE_IGNORE_CASE);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->sides[1].path, dir / "t2");
    EXPECT_EQ(text->rules, static_cast<uint32_t>(RULE_IGNORE_CASE));

    CBinaryCompareParams changed = Params(dir / "t1", dir / "t1");
    changed.sides[0].flags |= SIDE_READ_ONLY;
    doc.ApplyProperties(changed);
    EXPECT_TRUE(doc.Side(0).IsReadOnly());
    ASSERT_TRUE(doc.WaitForComparison());
    EXPECT_EQ(doc.State(), BINARY_IDENTICAL);  // reloaded with the new path
}

TEST_F(BinaryCompareDocTest, EditsRecompareAutomaticallyWhenAsked) {
    settings.autoRecompare = 1;
    CBinaryCompareDoc automatic(messages, settings, false);
    ASSERT_TRUE(automatic.LoadSides(Params(dir.WriteFile("a", "ab"), dir.WriteFile("b", "ac"))));
    ASSERT_TRUE(automatic.WaitForComparison());
    EXPECT_EQ(automatic.State(), BINARY_DIFFERENT);
    const uint8_t b = 'b';
    ASSERT_TRUE(automatic.Side(1).Edit(HEX_REPLACE, 1, 1, &b, 0, &automatic.View(1)));
    ASSERT_TRUE(automatic.WaitForComparison());
    EXPECT_EQ(automatic.State(), BINARY_IDENTICAL);  // unsaved edits compared

    // Switched off, an edit leaves the last result; the choice is the new default.
    automatic.ToggleAutoRecompare();
    EXPECT_FALSE(automatic.AutoRecompare());
    EXPECT_EQ(settings.autoRecompare, 0);
    const uint8_t z = 'z';
    const int passes = automatic.CompletedPasses();
    ASSERT_TRUE(automatic.Side(1).Edit(HEX_REPLACE, 1, 1, &z, 0, &automatic.View(1)));
    EXPECT_EQ(automatic.State(), BINARY_IDENTICAL);
    automatic.ToggleAutoRecompare();  // on again: compares at once
    ASSERT_TRUE(automatic.WaitForComparison());
    EXPECT_GT(automatic.CompletedPasses(), passes);
    EXPECT_EQ(automatic.State(), BINARY_DIFFERENT);
    settings.autoRecompare = 1;
}

TEST_F(BinaryCompareDocTest, SaveModifiedAsksBeforeClosing) {
    ASSERT_TRUE(Load("aaaa", "bbbb"));
    EXPECT_TRUE(doc.SaveModified());
    Type(1, 0, 'z');
    EXPECT_FALSE(doc.SaveModified());  // nobody to ask: stays open
    doc.askSaveChanges = [](bool left, bool right, bool& saveLeft, bool& saveRight) {
        EXPECT_FALSE(left);
        EXPECT_TRUE(right);
        saveLeft = saveRight = false;
        return static_cast<int>(CBinaryCompareDoc::SAVE_CHOSEN);
    };
    EXPECT_FALSE(doc.SaveModified());  // nothing chosen: nothing saved, stays open
    doc.askSaveChanges = [](bool, bool, bool&, bool&) {
        return static_cast<int>(CBinaryCompareDoc::SAVE_ALL);
    };
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(test::ReadFile(dir / "right.bin"), "zbbb");
}

TEST_F(BinaryCompareDocTest, AnotherProgramsChangeIsReported) {
    CBinaryCompareDoc watched(messages, settings, true);
    std::vector<std::string> changed;
    watched.onFileChanged = [&](const std::string& path) { changed.push_back(path); };
    ASSERT_TRUE(watched.LoadSides(Params(dir.WriteFile("a.bin", "a"), dir.WriteFile("b.bin", "b"))));
    ASSERT_TRUE(watched.WaitForComparison());
    // The document's own save raises nothing.
    const uint8_t c = 'c';
    ASSERT_TRUE(watched.Side(0).Edit(HEX_REPLACE, 0, 1, &c, 0, &watched.View(0)));
    ASSERT_TRUE(watched.SaveSide(0));
    const std::string path = dir.WriteFile("b.bin", "changed elsewhere");
    ASSERT_TRUE(test::SetFileTimes(path, 1800000000));
    platform::MESSAGE message;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (changed.empty() && std::chrono::steady_clock::now() < end)
        if (platform::UserInterfaceQueue().Get(message, std::chrono::milliseconds(20))) message.Deliver();
    // A write and the setting of its time may come as two changes.
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{path}));
}

}  // namespace
}  // namespace corvatine
