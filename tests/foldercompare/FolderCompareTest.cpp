// Two folder trees paired level by level, compared, rolled up and classified.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foldercompare/FolderCompareContext.h"
#include "foldercompare/FolderItemLookup.h"
#include "request/CompareMethods.h"
#include "support/DeepTree.h"
#include "support/PermissionsBind.h"
#include "support/ScopedModes.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class FolderCompareTest : public ::testing::Test {
protected:
    // The comparison of dir/left and dir/right with the given methods.
    CFolderCompareContext& Compare(uint32_t methods = METHOD_TIME | METHOD_SIZE,
                                   uint32_t options = FOLDER_OPTION_AUTO_SCAN,
                                   platform::CProgressSink* progress = nullptr) {
        context.paths[0] = dir / "left";
        context.paths[1] = dir / "right";
        context.options = options;
        context.settings.methods = methods;
        EXPECT_EQ(context.Build(), 0);
        context.CompareAll(progress);
        return context;
    }
    // The item at a relative path ("sub/file").
    CFolderCompareItem* Item(const std::string& path) { return FindItem(*context.root, path); }
    void Write(const std::string& name, const std::string& bytes, int64_t time = 1700000000) {
        const std::string path = dir.WriteFile(name, bytes);
        ASSERT_TRUE(test::SetFileTimes(path, time));
    }
    void Both(const std::string& name, const std::string& bytes) {
        Write("left/" + name, bytes);
        Write("right/" + name, bytes);
    }

    test::TempDir dir;
    CFolderCompareContext context;
};

TEST_F(FolderCompareTest, EmptyFoldersAreIdentical) {
    dir.MakeFolder("left");
    dir.MakeFolder("right");
    Compare();
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);
    EXPECT_EQ(context.root->GetChildCount(), 0);

    dir.MakeFolder("left/empty");
    dir.MakeFolder("right/empty");
    Compare();
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);
    EXPECT_EQ(Item("empty")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item("empty")->rollUp, 1u);
}

TEST_F(FolderCompareTest, AFolderAgainstItselfIsTheSamePath) {
    Both("a.txt", "x");
    context.paths[0] = context.paths[1] = dir / "left";
    context.settings.methods = METHOD_BINARY;
    ASSERT_EQ(context.Build(), 0);
    context.CompareAll(nullptr);
    EXPECT_EQ(context.rootStatus, STATUS_SAME_PATH);
    EXPECT_EQ(Item("a.txt")->status, STATUS_SAME_PATH);

    // Two names of one file (a hard link) are two entries: identical, not one path.
    ASSERT_EQ(::unlink((dir / "right/a.txt").c_str()), 0);
    ASSERT_EQ(::link((dir / "left/a.txt").c_str(), (dir / "right/a.txt").c_str()), 0);
    Compare(METHOD_BINARY);
    EXPECT_EQ(Item("a.txt")->status, STATUS_IDENTICAL);
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);

    // A folder through a symbolic link is the same folder: the same device and inode.
    context.paths[0] = dir / "left";
    ASSERT_EQ(::symlink((dir / "left").c_str(), (dir / "alias").c_str()), 0);
    context.paths[1] = dir / "alias";
    ASSERT_EQ(context.Build(), 0);
    context.CompareAll(nullptr);
    EXPECT_EQ(context.rootStatus, STATUS_SAME_PATH);
    // Its files are one file only by their path: compared, not the same path.
    context.settings.methods = METHOD_BINARY;
    context.CompareAll(nullptr);
    EXPECT_EQ(Item("a.txt")->status, STATUS_IDENTICAL);
}

TEST_F(FolderCompareTest, NamesPairByteForByteFoldersFirst) {
    Write("left/a", "file");
    dir.MakeFolder("left/A");
    dir.MakeFolder("right/a");
    Compare();
    ASSERT_EQ(context.root->GetChildCount(), 3);
    // Folders first, names without case, then bytes: A, a, and the file a.
    const CFolderCompareItem* first = context.root->Child(0);
    const CFolderCompareItem* second = context.root->Child(1);
    const CFolderCompareItem* third = context.root->Child(2);
    EXPECT_TRUE(first->IsLeftOnly() && first->IsFolderPair() && first->GetName() == "A");
    EXPECT_TRUE(second->IsRightOnly() && second->IsFolderPair() && second->GetName() == "a");
    EXPECT_TRUE(third->IsLeftOnly() && third->IsFile() && third->GetName() == "a");
    // Empty one-sided folders and a one-sided file are all different.
    EXPECT_EQ(first->status, STATUS_DIFFERENT);
    EXPECT_EQ(third->status, STATUS_DIFFERENT);
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
    EXPECT_EQ(third->RelativePath(), "a");
}

TEST_F(FolderCompareTest, DepthOneLeavesSubfoldersUndecided) {
    Both("sub/inner.txt", "same");
    Both("top.txt", "same");
    Compare(METHOD_TIME | METHOD_SIZE, 0);
    CFolderCompareItem* sub = Item("sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->status, STATUS_NOT_COMPARED);
    EXPECT_EQ(sub->GetChildCount(), 0);
    EXPECT_EQ(sub->GetKind(), 1);  // known to have visible content
    EXPECT_EQ(context.root->status, STATUS_NOT_COMPARED);
    EXPECT_EQ(context.rootStatus, STATUS_NOT_COMPARED);
    EXPECT_EQ(Item("top.txt")->status, STATUS_IDENTICAL);

    // Expanding the folder decides it, and so the root.
    sub->CompareChildren(context.settings, 1, false, nullptr);
    EXPECT_EQ(sub->status, STATUS_IDENTICAL);
    EXPECT_EQ(context.root->status, STATUS_IDENTICAL);
    context.PrepareAllLevels(nullptr);
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);
}

TEST_F(FolderCompareTest, TimesWithinTheToleranceAndContentMethods) {
    Write("left/near.txt", "same", 1700000000);
    Write("right/near.txt", "same", 1700000002);
    Write("left/far.txt", "same", 1700000000);
    Write("right/far.txt", "same", 1700000100);
    Compare();
    EXPECT_EQ(Item("near.txt")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item("far.txt")->status, STATUS_DIFFERENT);
    EXPECT_EQ(Item("far.txt")->difference, DIFFERENCE_TIME);
    EXPECT_EQ(Item("far.txt")->GetTimeOrder(2), -1);

    // The near pair shows only with the identical class; the far one only
    // as right-newer, never as different.
    EXPECT_TRUE(IsRowShown(*Item("near.txt"), 0x1, false, 2));
    EXPECT_FALSE(IsRowShown(*Item("near.txt"), 0x332, false, 2));
    EXPECT_TRUE(IsRowShown(*Item("far.txt"), 0x200, false, 2));
    EXPECT_FALSE(IsRowShown(*Item("far.txt"), 0x100, false, 2));
    EXPECT_FALSE(IsRowShown(*Item("far.txt"), 0x2, false, 2));

    // With the CRC method equal contents are identical despite the times.
    Compare(METHOD_TIME | METHOD_SIZE | METHOD_CRC);
    EXPECT_EQ(Item("far.txt")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item("far.txt")->content, CONTENT_EQUAL);
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);
    EXPECT_TRUE(IsRowShown(*Item("far.txt"), 0x1, false, 2));
}

TEST_F(FolderCompareTest, FilteredChildrenLeaveTheRollUp) {
    Both("keep.c", "same");
    Write("left/build.o", "one");
    Write("right/build.o", "other!");
    Write("left/.svn/entries", "a");
    Write("right/.svn/entries", "bb");
    context.settings.filters.fileFilters.nameExclude = "*.o";
    context.settings.filters.folderFilters.nameExclude = ".svn";
    Compare();
    EXPECT_TRUE(Item("build.o")->IsFilteredOut());
    EXPECT_TRUE(Item(".svn")->IsFilteredOut());
    EXPECT_EQ(Item(".svn")->GetChildCount(), 0);  // never compared inside
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);
    EXPECT_TRUE(Item("build.o")->left->IsExcluded());
    EXPECT_FALSE(IsRowShown(*Item("build.o"), 0x333, false, 2));
    EXPECT_TRUE(IsRowShown(*Item("build.o"), 0x333, true, 2));

    // Excluding by hand does the same; hiding keeps the item in the roll-up.
    context.settings.filters.Reset();
    Compare();
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
    Item("build.o")->SetHidden(true);
    context.root->RollUp();
    EXPECT_EQ(context.root->status, STATUS_DIFFERENT);
    Item("build.o")->MarkExcluded();
    Item(".svn")->MarkExcluded();
    EXPECT_EQ(context.root->status, STATUS_IDENTICAL);
    context.root->ShowHiddenChildren();
    EXPECT_FALSE(Item("build.o")->IsHidden());
}

TEST_F(FolderCompareTest, OneSidedFoldersAreDecidedByTheirContents) {
    Both("common", "x");
    Write("left/only/deep/file", "x");
    Compare(METHOD_SIZE, 0);
    CFolderCompareItem* only = Item("only");
    EXPECT_TRUE(only->IsLeftOnly());
    EXPECT_EQ(only->status, STATUS_NOT_COMPARED);  // a folder orphan waits for its contents
    context.PrepareAllLevels(nullptr);
    EXPECT_EQ(only->status, STATUS_DIFFERENT);
    EXPECT_EQ(Item("only/deep/file")->status, STATUS_DIFFERENT);
    EXPECT_TRUE(Item("only/deep/file")->IsLeftOnly());

    // A side that does not exist: every entry of the other is an orphan.
    context.paths[0] = dir / "left";
    context.paths[1] = dir / "missing";
    ASSERT_EQ(context.Build(), 0);
    context.CompareAll(nullptr);
    context.PrepareAllLevels(nullptr);
    EXPECT_TRUE(context.root->IsLeftOnly());
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
    // A file as a side is refused; neither side existing gives no root.
    context.paths[1] = dir / "left/common";
    EXPECT_EQ(context.Build(), -1);
    context.paths[0] = dir / "nothing";
    context.paths[1] = dir / "missing";
    EXPECT_EQ(context.Build(), 0);
    EXPECT_EQ(context.root, nullptr);
}

TEST_F(FolderCompareTest, PairsThatCannotBeComparedMakeTheirFolderDifferent) {
    Both("ok", "x");
    dir.MakeFolder("left/sub");
    dir.MakeFolder("right/sub");
    ASSERT_EQ(::symlink("nowhere", (dir / "left/sub/link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "right/sub/link").c_str()), 0);
    Compare(METHOD_BINARY);
    EXPECT_EQ(Item("sub/link")->status, STATUS_ERROR);
    EXPECT_EQ(Item("sub/link")->content, CONTENT_ERROR);
    EXPECT_EQ(Item("sub")->status, STATUS_DIFFERENT);
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
    // Shown with the different ones.
    EXPECT_TRUE(IsRowShown(*Item("sub/link"), 0x2, false, 2));
}

// A folder that cannot be listed is an error with nothing below it: no entry
// of the other side is one-sided, and its folder rolls up as different.
TEST_F(FolderCompareTest, FoldersThatCannotBeListedAreErrorsWithNothingBelow) {
    Both("same", "s");
    Write("left/sub/y", "y");
    Write("right/sub/x", "x");
    Write("left/only/z", "z");
    dir.MakeFolder("left/empty");
    dir.MakeFolder("right/empty");
    test::ScopedModes modes;
    modes.Set(dir / "left/sub", 0);
    modes.Set(dir / "left/only", 0);
    modes.Set(dir / "right/empty", 0);
    {
        test::PermissionsBind bind;
        if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
        Compare(METHOD_SIZE);
        context.PrepareAllLevels(nullptr);
    }
    CFolderCompareItem* sub = Item("sub");
    EXPECT_EQ(sub->status, STATUS_ERROR);
    EXPECT_EQ(sub->content, CONTENT_ERROR);
    EXPECT_EQ(sub->GetChildCount(), 0);
    EXPECT_EQ(sub->left->readError, EACCES);
    EXPECT_EQ(sub->right->readError, 0);
    EXPECT_EQ(sub->UnreadableSide(), sub->left);
    CFolderCompareItem* only = Item("only");
    EXPECT_TRUE(only->IsLeftOnly());
    EXPECT_EQ(only->status, STATUS_ERROR);
    EXPECT_EQ(only->GetChildCount(), 0);
    // Even an empty folder on one side: the other may not be called empty.
    EXPECT_EQ(Item("empty")->status, STATUS_ERROR);
    EXPECT_EQ(Item("empty")->right->readError, EACCES);
    EXPECT_EQ(Item("same")->status, STATUS_IDENTICAL);
    EXPECT_EQ(context.root->status, STATUS_DIFFERENT);
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);

    // Readable again, a reload of the item lists it.
    modes.Set(dir / "left/sub", 0755);
    sub->CompareSubtree(context.settings, true, 2, nullptr);
    EXPECT_EQ(sub->left->readError, 0);
    EXPECT_EQ(sub->status, STATUS_DIFFERENT);
    EXPECT_TRUE(Item("sub/y")->IsLeftOnly());
    EXPECT_TRUE(Item("sub/x")->IsRightOnly());
    modes.Set(dir / "left/only", 0755);
    only->CompareItem(context.settings, true);
    context.PrepareAllLevels(nullptr);
    EXPECT_EQ(only->status, STATUS_DIFFERENT);
    EXPECT_TRUE(Item("only/z")->IsLeftOnly());
}

// The roots themselves: one that cannot be listed makes the comparison an
// error; one that cannot even be looked at is not taken for a missing side.
TEST_F(FolderCompareTest, RootsThatCannotBeReadOrReached) {
    Both("a", "a");
    dir.WriteFile("locked/inner/b", "b");
    test::ScopedModes modes;
    modes.Set(dir / "left", 0);
    modes.Set(dir / "locked", 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
    Compare();
    EXPECT_EQ(context.rootStatus, STATUS_ERROR);
    EXPECT_EQ(context.root->GetChildCount(), 0);
    EXPECT_EQ(context.root->left->readError, EACCES);
    EXPECT_EQ(context.root->right->readError, 0);

    context.paths[0] = dir / "locked/inner";
    EXPECT_EQ(context.Build(), -2);
    EXPECT_EQ(context.buildError, EACCES);
    EXPECT_EQ(context.buildErrorSide, 0);
    EXPECT_EQ(context.root, nullptr);
    context.paths[0] = dir / "gone";
    EXPECT_EQ(context.Build(), 0);  // what does not exist is a missing side
    EXPECT_EQ(context.buildError, 0);
    EXPECT_TRUE(context.root->IsRightOnly());
}

// Under a type filter a file that cannot be read is neither filtered out nor
// compared: an error, on both sides or one.
TEST_F(FolderCompareTest, FilesTheTypeFilterCannotReadAreErrors) {
    Both("text", "t");
    Both("data", std::string("\0", 1));
    Both("locked", "l");
    Write("left/alone", "a");
    test::ScopedModes modes;
    modes.Set(dir / "left/locked", 0);
    modes.Set(dir / "right/locked", 0);
    modes.Set(dir / "left/alone", 0);
    context.settings.filters.fileFilters.typeExclude = FILTER_TYPE_BINARY;
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
    Compare();
    EXPECT_TRUE(Item("data")->IsFilteredOut());
    EXPECT_EQ(Item("text")->status, STATUS_IDENTICAL);
    EXPECT_FALSE(Item("locked")->IsFilteredOut());
    EXPECT_EQ(Item("locked")->status, STATUS_ERROR);
    EXPECT_EQ(Item("locked")->left->readError, EACCES);
    EXPECT_EQ(Item("alone")->status, STATUS_ERROR);
    EXPECT_TRUE(Item("alone")->IsLeftOnly());
    EXPECT_TRUE(IsClassShown(*Item("alone"), 0x2, 2));  // with the different ones, one-sided or not
    EXPECT_FALSE(IsClassShown(*Item("alone"), 0x1, 2));
    EXPECT_TRUE(IsClassShown(*Item("alone"), 0x10, 2));
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
}

// Trees far deeper than the path limit are compared to the bottom.
TEST_F(FolderCompareTest, TreesBeyondThePathLimitAreComparedToTheBottom) {
    const std::string name(250, 'q');
    const int levels = 60;
    test::MakeDeepTree(dir / "left", levels, name, {{"same", "s"}, {"diff", "1"}, {"gone", ""}});
    test::MakeDeepTree(dir / "right", levels, name, {{"same", "s"}, {"diff", "2"}, {"new", ""}});
    Compare(METHOD_BINARY | METHOD_SIZE);
    std::string bottom = name;
    for (int level = 1; level < levels; ++level) bottom += "/" + name;
    ASSERT_NE(Item(bottom), nullptr);
    EXPECT_EQ(Item(bottom + "/same")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item(bottom + "/diff")->status, STATUS_DIFFERENT);
    EXPECT_TRUE(Item(bottom + "/gone")->IsLeftOnly());
    EXPECT_TRUE(Item(bottom + "/new")->IsRightOnly());
    EXPECT_EQ(Item(bottom + "/diff")->RelativePath(), bottom + "/diff");
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
    context.settings.methods = METHOD_CRC | METHOD_TEXT;
    EXPECT_EQ(Item(bottom + "/same")->CompareByMethods(context.settings), 0u);
    EXPECT_EQ(Item(bottom + "/same")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item(bottom + "/diff")->CompareByMethods(context.settings), DIFFERENCE_CRC);
    EXPECT_EQ(Item(bottom + "/diff")->status, STATUS_DIFFERENT);
}

class CancelAfter : public platform::CProgressSink {
public:
    explicit CancelAfter(int children) : m_left(children) {}
    void Start(int, int, const std::string& text) override { texts.push_back(text); }
    void Step() override {}
    void SetPosition(int) override { --m_left; }
    void Close() override {}
    bool IsCancelled() const override { return m_left <= 0; }
    std::vector<std::string> texts;

private:
    int m_left;
};

TEST_F(FolderCompareTest, CancellingStopsBeforeTheNextChild) {
    for (const char* name : {"a", "b", "c", "d"}) Both(name, name);
    CancelAfter progress(2);
    Compare(METHOD_SIZE, FOLDER_OPTION_AUTO_SCAN, &progress);
    ASSERT_EQ(progress.texts.size(), 1u);
    EXPECT_EQ(progress.texts[0], "Comparing folders: left");
    EXPECT_EQ(Item("a")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item("b")->status, STATUS_IDENTICAL);
    EXPECT_EQ(Item("c")->status, STATUS_NOT_COMPARED);
    EXPECT_EQ(context.root->status, STATUS_NOT_COMPARED);
    EXPECT_FALSE(context.root->flags & ITEM_CHILDREN_BUILT);
}

// Many sibling subtrees, compared side by side on the helpers there are: the
// tree is the one a single thread makes, level by level, and a folder whose
// only entries the filter excludes is not descended into.
TEST_F(FolderCompareTest, ManySubtreesGiveTheSameTreeAsOneThread) {
    constexpr int kFolders = 24;
    for (int i = 0; i < kFolders; ++i) {
        const std::string top = "t" + std::to_string(i) + "/";
        Both(top + "same.txt", "same");
        Both(top + "inner/same.txt", "same");
        Write("left/" + top + "inner/deeper/diff.txt", "left " + std::to_string(i));
        Write("right/" + top + "inner/deeper/diff.txt", "right" + std::to_string(i));
        if (i % 3 == 0) Write("left/" + top + "inner/only.txt", "x");
        Both(top + "skipped/a.tmp", "filtered");
    }
    Both("plain/same.txt", "same");
    context.settings.filters.fileFilters.nameExclude = "*.tmp";
    Compare(METHOD_BINARY);
    EXPECT_EQ(context.rootStatus, STATUS_DIFFERENT);
    EXPECT_EQ(Item("plain")->status, STATUS_IDENTICAL);
    for (int i = 0; i < kFolders; ++i) {
        SCOPED_TRACE(i);
        const std::string top = "t" + std::to_string(i);
        EXPECT_EQ(Item(top)->status, STATUS_DIFFERENT);
        EXPECT_EQ(Item(top + "/same.txt")->status, STATUS_IDENTICAL);
        EXPECT_EQ(Item(top + "/inner/same.txt")->status, STATUS_IDENTICAL);
        EXPECT_EQ(Item(top + "/inner/deeper/diff.txt")->status, STATUS_DIFFERENT);
        EXPECT_EQ(Item(top + "/inner/deeper")->status, STATUS_DIFFERENT);
        ASSERT_EQ(Item(top + "/inner/only.txt") != nullptr, i % 3 == 0);
        if (i % 3 == 0) {
            EXPECT_TRUE(Item(top + "/inner/only.txt")->IsLeftOnly());
        }
        // Nothing in it passes the filter: identical, not descended, its
        // folders left unread.
        CFolderCompareItem* skipped = Item(top + "/skipped");
        ASSERT_NE(skipped, nullptr);
        EXPECT_EQ(skipped->status, STATUS_IDENTICAL);
        EXPECT_EQ(skipped->GetChildCount(), 0);
        EXPECT_EQ(skipped->flags & ITEM_VISIBLE_CONTENT, 0u);
        EXPECT_FALSE(static_cast<CFolder*>(skipped->left)->IsScanned());
        EXPECT_FALSE(static_cast<CFolder*>(skipped->right)->IsScanned());
        // A folder with visible content was listed once and paired.
        EXPECT_TRUE(static_cast<CFolder*>(Item(top + "/inner")->left)->IsScanned());
    }
}

// A cancel seen on the caller's thread stops the helpers too: what was not
// reached stays not compared, and the root is undecided.
TEST_F(FolderCompareTest, CancellingStopsEverySubtree) {
    for (int i = 0; i < 16; ++i) Both("t" + std::to_string(i) + "/a/b/same.txt", "same");
    // The root's level takes 16 positions; the cancel comes below it.
    CancelAfter progress(18);
    Compare(METHOD_SIZE, FOLDER_OPTION_AUTO_SCAN, &progress);
    EXPECT_EQ(context.root->status, STATUS_NOT_COMPARED);
    int undecided = 0;
    for (int i = 0; i < 16; ++i)
        if (Item("t" + std::to_string(i))->status == STATUS_NOT_COMPARED) ++undecided;
    EXPECT_GT(undecided, 0);
    EXPECT_FALSE(progress.texts.empty());
    EXPECT_EQ(progress.texts[0], "Comparing folders: left");
}

TEST_F(FolderCompareTest, ReloadingAnItemRereadsIt) {
    Both("f.txt", "same");
    Both("sub/g.txt", "same");
    Compare(METHOD_SIZE);
    EXPECT_EQ(context.rootStatus, STATUS_IDENTICAL);
    Write("right/f.txt", "longer now");
    Item("f.txt")->CompareItem(context.settings, true);
    EXPECT_EQ(Item("f.txt")->status, STATUS_DIFFERENT);
    EXPECT_EQ(context.root->status, STATUS_DIFFERENT);

    Write("right/sub/g.txt", "changed too");
    Write("right/sub/new.txt", "");
    Item("sub")->CompareSubtree(context.settings, true, 2, nullptr);
    EXPECT_EQ(Item("sub/g.txt")->status, STATUS_DIFFERENT);
    EXPECT_TRUE(Item("sub/new.txt")->IsRightOnly());
}

TEST_F(FolderCompareTest, TheStatusRules) {
    CFolderItem a, b;
    CFolderCompareItem item(&a, &b);
    item.rollUp = 1;
    item.difference = DIFFERENCE_SIZE;
    item.RecomputeStatus();
    EXPECT_EQ(item.status, STATUS_DIFFERENT);
    item.content = CONTENT_EQUAL;  // the content result wins over the difference word
    item.RecomputeStatus();
    EXPECT_EQ(item.status, STATUS_IDENTICAL);
    item.rollUp = 0;
    item.RecomputeStatus();
    EXPECT_EQ(item.status, STATUS_NOT_COMPARED);
    item.status = STATUS_SAME_PATH;
    item.RecomputeStatus();
    EXPECT_EQ(item.status, STATUS_SAME_PATH);

    CFolderCompareItem orphan(&a, nullptr);
    orphan.content = CONTENT_DIFFERENT;
    orphan.RecomputeStatus();
    EXPECT_EQ(orphan.status, STATUS_DIFFERENT);
    EXPECT_EQ(orphan.content, CONTENT_NOT_COMPARED);
    EXPECT_EQ(orphan.GetTimeOrder(2), 0);
    orphan.content = CONTENT_ERROR;  // an orphan that could not be read stays an error
    orphan.RecomputeStatus();
    EXPECT_EQ(orphan.status, STATUS_ERROR);
}

}  // namespace
}  // namespace corvatine
