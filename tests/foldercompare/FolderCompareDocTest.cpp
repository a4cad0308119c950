// The folder comparison document: opening, narrowing, the rows a view
// shows, changing folders and reloading.
#include "foldercompare/FolderCompareDoc.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/FolderItemLookup.h"
#include "foldercompare/FolderRowClass.h"

#include <gtest/gtest.h>

#include "request/CompareMethods.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class FolderCompareDocTest : public ::testing::Test {
protected:
    // The settings the documents of a test work under.
    CTextComparer textSettings;
    CFolderComparer folderSettings;

    void SetUp() override {
        dir.WriteFile("left/same.txt", "same");
        dir.WriteFile("right/same.txt", "same");
        dir.WriteFile("left/sub/changed.txt", "1");
        dir.WriteFile("right/sub/changed.txt", "22");
        dir.WriteFile("left/gone.txt", "x");
        dir.WriteFile("right/new.txt", "x");
    }
    CFolderCompareParams Request(const std::string& left, const std::string& right, uint32_t options = 0) {
        CFolderCompareParams request;
        request.sides[0].path = left;
        request.sides[1].path = right;
        request.methods = METHOD_SIZE;
        request.options = options;
        return request;
    }
    static std::vector<std::string> Names(const std::vector<FOLDERREPORTROW>& rows) {
        std::vector<std::string> names;
        for (const FOLDERREPORTROW& row : rows)
            names.push_back(std::string(2 * static_cast<size_t>(row.level), ' ') + row.item->GetName());
        return names;
    }
    CFolderCompareItem* Child(const std::string& name) const { return FindItem(*doc.Root(), name); }

    test::TempDir dir;
    CFolderCompareDocEx doc{folderSettings, textSettings};
};

TEST_F(FolderCompareDocTest, OpensAndShowsTheRowsOfTheDisplayFilter) {
    int rebuilt = 0;
    doc.onRebuild = [&] { ++rebuilt; };
    ASSERT_TRUE(doc.Open(Request(dir / "left", dir / "right", FOLDER_OPTION_AUTO_SCAN)));
    EXPECT_GT(rebuilt, 0);
    EXPECT_EQ(doc.RootStatus(), STATUS_DIFFERENT);
    EXPECT_EQ(Names(doc.VisibleRows()),
              (std::vector<std::string>{"sub", "  changed.txt", "gone.txt", "new.txt", "same.txt"}));

    // Orphans: "sub" holds only a changed file, so it goes with it.
    doc.SetDisplayFilter(0x30);
    EXPECT_EQ(Names(doc.VisibleRows()), (std::vector<std::string>{"gone.txt", "new.txt"}));
    EXPECT_EQ(folderSettings.displayFilters, 0x30u);  // the default of new documents
    doc.ToggleDisplayClass(0x1);
    EXPECT_EQ(doc.DisplayFilter(), 0x31u);
    EXPECT_EQ(Names(doc.VisibleRows()), (std::vector<std::string>{"gone.txt", "new.txt", "same.txt"}));
    CFolderCompareDocEx next(folderSettings, textSettings);
    EXPECT_EQ(next.DisplayFilter(), 0x31u);
    doc.SetDisplayFilter(0x2);  // differences: the folder of one
    EXPECT_EQ(Names(doc.VisibleRows()), (std::vector<std::string>{"sub", "  changed.txt"}));
}

TEST_F(FolderCompareDocTest, DepthOneRowsAndPreparingAllLevels) {
    ASSERT_TRUE(doc.Open(Request(dir / "left", dir / "right")));
    EXPECT_EQ(doc.RootStatus(), STATUS_NOT_COMPARED);  // "sub" is not expanded yet
    std::vector<FOLDERREPORTROW> rows = doc.VisibleRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].item->GetName(), "sub");
    EXPECT_FALSE(rows[0].expanded);
    // A folder not compared yet may hold anything: shown under any filter.
    doc.SetDisplayFilter(0x1);
    ASSERT_FALSE(doc.VisibleRows().empty());
    EXPECT_EQ(doc.VisibleRows()[0].item->GetName(), "sub");
    doc.SetDisplayFilter(0x333);
    EXPECT_TRUE(doc.PrepareAllLevels());
    EXPECT_EQ(doc.RootStatus(), STATUS_DIFFERENT);
    EXPECT_TRUE(doc.VisibleRows()[0].expanded);
}

TEST_F(FolderCompareDocTest, HideExcludeAndShowFiltered) {
    ASSERT_TRUE(doc.Open(Request(dir / "left", dir / "right", FOLDER_OPTION_AUTO_SCAN)));
    doc.Hide({Child("gone.txt")});
    EXPECT_EQ(Names(doc.VisibleRows()),
              (std::vector<std::string>{"sub", "  changed.txt", "new.txt", "same.txt"}));
    EXPECT_EQ(doc.RootStatus(), STATUS_DIFFERENT);
    doc.ShowHidden();
    EXPECT_EQ(doc.VisibleRows().size(), 5u);

    // Excluding every difference leaves an identical comparison.
    doc.Exclude({Child("gone.txt"), Child("new.txt"), Child("sub")});
    EXPECT_EQ(Names(doc.VisibleRows()), (std::vector<std::string>{"same.txt"}));
    EXPECT_EQ(doc.RootStatus(), STATUS_IDENTICAL);
    doc.ToggleShowFiltered();
    EXPECT_EQ(doc.VisibleRows().size(), 5u);
}

TEST_F(FolderCompareDocTest, ChangingFoldersAndReloading) {
    ASSERT_TRUE(doc.Open(Request(dir / "left", dir / "right", FOLDER_OPTION_AUTO_SCAN)));
    EXPECT_FALSE(doc.ChangeFolders(dir / "left", dir / "right"));              // the current ones
    EXPECT_FALSE(doc.ChangeFolders(dir / "left/same.txt", dir / "right"));     // no folder
    EXPECT_FALSE(doc.ChangeFolders(dir / "left/missing", dir / "right/sub"));  // does not exist
    EXPECT_EQ(doc.Request().sides[0].path, dir / "left");

    ASSERT_TRUE(doc.ChangeFolders(dir / "left/sub", dir / "right/sub"));
    EXPECT_EQ(doc.Request().sides[1].path, dir / "right/sub");
    EXPECT_EQ(doc.Request().methods, static_cast<uint32_t>(METHOD_SIZE));  // the rest of the request is kept
    EXPECT_EQ(Names(doc.VisibleRows()), (std::vector<std::string>{"changed.txt"}));
    ASSERT_TRUE(doc.UpOneLevel());
    EXPECT_EQ(doc.Request().sides[0].path, dir / "left");

    dir.WriteFile("right/sub/changed.txt", "1");
    dir.WriteFile("right/gone.txt", "x");
    dir.WriteFile("left/new.txt", "x");
    ASSERT_TRUE(doc.Reload());
    EXPECT_EQ(doc.RootStatus(), STATUS_IDENTICAL);

    // The sides of a comparison must be folders.
    CFolderCompareDocEx other(folderSettings, textSettings);
    EXPECT_FALSE(other.Open(Request(dir / "left/same.txt", dir / "right")));
    EXPECT_EQ(other.Root(), nullptr);
}

TEST_F(FolderCompareDocTest, QuickMergeModeAndTheReportSource) {
    folderSettings.quickMergeMode = 1;
    CFolderCompareDocEx fresh(folderSettings, textSettings);
    EXPECT_TRUE(fresh.QuickMergeMode());
    fresh.ToggleQuickMergeMode();
    EXPECT_EQ(folderSettings.quickMergeMode, 0);

    ASSERT_TRUE(fresh.Open(Request(dir / "left", dir / "right")));
    const FOLDERREPORTSOURCE source = fresh.ReportSource();  // prepares the whole tree
    EXPECT_EQ(source.rootStatus, STATUS_DIFFERENT);
    EXPECT_EQ(source.paths[0], dir / "left");
    EXPECT_EQ(source.visibleRows.size(), 5u);
    EXPECT_EQ(source.title, fresh.Request().GetTitle());
}

// One rule names a row's class (the window's status column and the
// command line's word), its cells' colours and the status bar's counts.
TEST_F(FolderCompareDocTest, RowsHaveOneClassColourAndCount) {
    dir.WriteFile("left/older.txt", "a");
    dir.WriteFile("right/older.txt", "bb");
    dir.WriteFile("left/close.txt", "a");
    dir.WriteFile("right/close.txt", "bb");
    ASSERT_TRUE(test::SetFileTimes(dir / "left/older.txt", 1000000));
    ASSERT_TRUE(test::SetFileTimes(dir / "right/older.txt", 2000000));
    // Different by size and five seconds apart in time.
    ASSERT_TRUE(test::SetFileTimes(dir / "left/close.txt", 3000005));
    ASSERT_TRUE(test::SetFileTimes(dir / "right/close.txt", 3000000));
    CFolderCompareParams request = Request(dir / "left", dir / "right");
    request.methods = METHOD_SIZE | METHOD_TIME;
    ASSERT_TRUE(doc.Open(request));

    // "sub" is not read yet: counted as waiting, not looked into.
    FOLDERROWCOUNTS counts = CountRows(*doc.Root(), 10);
    EXPECT_EQ(counts.awaiting, 1);
    EXPECT_EQ(counts[FolderRowClass::Identical], 1);
    EXPECT_EQ(counts[FolderRowClass::LeftOnly], 1);
    EXPECT_EQ(counts[FolderRowClass::RightOnly], 1);
    EXPECT_EQ(counts[FolderRowClass::RightNewer], 1);
    EXPECT_EQ(counts[FolderRowClass::Different], 1);  // within ten seconds
    EXPECT_TRUE(Child("sub")->AwaitsLevel());

    const CFolderCompareItem& older = *Child("older.txt");
    EXPECT_STREQ(ClassWord(ClassOf(older, 10)), "right-newer");
    EXPECT_TRUE(IsDifference(ClassOf(older, 10)));
    EXPECT_EQ(FolderRowColor(older, 0), 1);
    EXPECT_EQ(FolderRowColor(older, 1), 3);  // the newer side stands out
    // The class takes the tolerance; the cells show the exact times.
    const CFolderCompareItem& close = *Child("close.txt");
    EXPECT_EQ(ClassOf(close, 10), FolderRowClass::Different);
    EXPECT_EQ(ClassOf(close, 0), FolderRowClass::LeftNewer);
    EXPECT_EQ(FolderRowColor(close, 0), 3);
    EXPECT_EQ(FolderRowColor(close, 1), 1);
    const CFolderCompareItem& gone = *Child("gone.txt");
    EXPECT_STREQ(ClassWord(ClassOf(gone, 0)), "left-only");
    EXPECT_EQ(FolderRowColor(gone, 0), 7);
    EXPECT_EQ(FolderRowColor(gone, 1), 10);
    EXPECT_FALSE(IsDifference(ClassOf(*Child("same.txt"), 0)));
    EXPECT_EQ(FolderRowColor(*Child("same.txt"), 0), 1);
    EXPECT_STREQ(ClassWord(ClassOf(*Child("sub"), 0)), "unknown");
    EXPECT_EQ(FolderRowColor(*Child("sub"), 0), 2);

    // Once read, the folder is counted by what it holds.
    doc.PrepareAllLevels();
    counts = CountRows(*doc.Root(), 10);
    EXPECT_EQ(counts.awaiting, 0);
    EXPECT_EQ(counts[FolderRowClass::Different], 2);
    int children = 0;
    for (const CFolderCompareItem& child : doc.Root()->Children())
        children += child.GetName().empty() ? 0 : 1;
    EXPECT_EQ(children, doc.Root()->GetChildCount());
}

}  // namespace
}  // namespace corvatine
