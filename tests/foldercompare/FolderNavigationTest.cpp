// Finding rows by path, and next and previous difference over the rows as a
// view shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "foldercompare/DifferenceNavigation.h"
#include "foldercompare/FolderCompareContext.h"
#include "foldercompare/FolderItemLookup.h"
#include "request/CompareMethods.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class FolderNavigationTest : public ::testing::Test {
protected:
    void Compare() {
        context.paths[0] = dir / "left";
        context.paths[1] = dir / "right";
        context.options = FOLDER_OPTION_AUTO_SCAN;
        context.settings.methods = METHOD_TIME | METHOD_SIZE;
        ASSERT_EQ(context.Build(), 0);
        context.CompareAll(nullptr);
    }
    void Write(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(test::SetFileTimes(dir.WriteFile(name, bytes), 1700000000));
    }
    void Both(const std::string& name, const std::string& left, const std::string& right) {
        Write("left/" + name, left);
        Write("right/" + name, right);
    }
    CFolderCompareItem* Item(const std::string& path) {
        CFolderCompareItem* item = FindItem(*context.root, path);
        EXPECT_NE(item, nullptr) << path;
        return item;
    }

    test::TempDir dir;
    CFolderCompareContext context;
};

TEST_F(FolderNavigationTest, FindItemWalksNamesBelowTheRoot) {
    Both("sub/deeper/file.txt", "x", "x");
    Both("back\\slash", "x", "x");
    Both("top.txt", "x", "x");
    Compare();
    CFolderCompareItem& root = *context.root;
    EXPECT_EQ(FindItem(root, ""), &root);
    EXPECT_EQ(FindItem(root, "."), &root);
    CFolderCompareItem* file = FindItem(root, "sub/deeper/file.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->RelativePath(), "sub/deeper/file.txt");
    // Empty names and "." lead nowhere; only '/' separates.
    EXPECT_EQ(FindItem(root, "./sub//deeper/./file.txt/"), file);
    ASSERT_NE(FindItem(root, "back\\slash"), nullptr);
    EXPECT_EQ(FindItem(root, "back\\slash")->GetName(), "back\\slash");
    EXPECT_EQ(FindItem(root, "back/slash"), nullptr);
    // A file has no rows below it; names match byte for byte.
    EXPECT_EQ(FindItem(root, "top.txt/x"), nullptr);
    EXPECT_EQ(FindItem(root, "SUB"), nullptr);
}

TEST_F(FolderNavigationTest, AMissingNameSaysHowFarThePathLed) {
    Both("sub/deeper/file.txt", "x", "x");
    Compare();
    CFolderCompareItem& root = *context.root;
    CItemFinder finder(root);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"sub/deeper/gone.txt", "sub/deeper"}, {"sub/gone/file.txt", "sub"}, {"gone", ""}};
    for (const auto& [path, deepest] : cases) {
        CFolderCompareItem* reached = nullptr;
        EXPECT_EQ(FindItem(root, path, &reached), nullptr) << path;
        ASSERT_NE(reached, nullptr) << path;
        EXPECT_EQ(reached->RelativePath(), deepest) << path;
        CFolderCompareItem* cached = nullptr;
        EXPECT_EQ(finder.Find(path, &cached), nullptr) << path;
        EXPECT_EQ(cached, reached) << path;
    }
    EXPECT_EQ(FindItems(root, "sub/gone").size(), 0u);
}

TEST_F(FolderNavigationTest, AFileAndAFolderOfOneNameAreTwoRows) {
    // The left holds a file "n", the right a folder "n" with a file in it.
    Write("left/n", "file");
    Write("right/n/inner.txt", "x");
    Compare();
    CFolderCompareItem& root = *context.root;
    const std::vector<CFolderCompareItem*> rows = FindItems(root, "n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0]->IsFolderPair() && rows[0]->IsRightOnly());
    EXPECT_TRUE(rows[1]->IsFile() && rows[1]->IsLeftOnly());
    // One row by path is the folder, the way down to what it holds.
    EXPECT_EQ(FindItem(root, "n"), rows[0]);
    ASSERT_NE(FindItem(root, "n/inner.txt"), nullptr);
    EXPECT_EQ(FindItem(root, "n/inner.txt")->parent, rows[0]);
    CItemFinder finder(root);
    EXPECT_EQ(finder.Find("n"), rows[0]);
    EXPECT_EQ(finder.Find("n/inner.txt"), FindItem(root, "n/inner.txt"));
    EXPECT_EQ(finder.Find("./"), &root);
}

// A view's rows for the tests: the children in the tree's order or reversed
// (as a view sorted the other way), without the hidden names, and the open
// folders by path.
class CTestRows : public CShownRows {
public:
    int RowCount(const CFolderCompareItem& parent) const override {
        return static_cast<int>(Rows(parent).size());
    }
    CFolderCompareItem* RowAt(const CFolderCompareItem& parent, int row) const override {
        return Rows(parent)[static_cast<size_t>(row)];
    }
    int RowOf(const CFolderCompareItem& item) const override {
        const std::vector<CFolderCompareItem*> rows = Rows(*item.parent);
        return static_cast<int>(std::find(rows.begin(), rows.end(), &item) - rows.begin());
    }
    bool IsOpen(const CFolderCompareItem& folder) const override {
        return open.count(folder.RelativePath()) > 0;
    }

    std::set<std::string> open;
    std::set<std::string> hidden;
    bool reversed = false;

private:
    std::vector<CFolderCompareItem*> Rows(const CFolderCompareItem& parent) const {
        std::vector<CFolderCompareItem*> rows;
        for (CFolderCompareItem& child : parent.Children())
            if (hidden.count(child.GetName()) == 0) rows.push_back(&child);
        if (reversed) std::reverse(rows.begin(), rows.end());
        return rows;
    }
};

class DifferenceStepTest : public FolderNavigationTest {
protected:
    // a/ identical, b/ holding a different and an identical file, an
    // identical and a different file: a, b, c.txt, d.txt in the tree's order.
    void SetUp() override {
        Both("a/same.txt", "x", "x");
        Both("b/diff.txt", "xx", "y");
        Both("b/same.txt", "x", "x");
        Both("c.txt", "x", "x");
        Both("d.txt", "xx", "y");
        Compare();
    }
    // The path of the row a step from current (a path, "" none) lands on;
    // "-" for none.
    std::string Step(const std::string& current, DifferenceStep step) {
        const CFolderCompareItem* from = current.empty() ? nullptr : Item(current);
        const CFolderCompareItem* at = StepToDifference(rows, *context.root, from, step, 0);
        return at != nullptr ? at->RelativePath() : "-";
    }
    // Every shown row from the top down, then from the bottom up.
    std::vector<std::string> Walk(bool down) {
        std::vector<std::string> paths;
        CFolderCompareItem* at = rows.RowAt(*context.root, 0);
        if (!down)
            for (CFolderCompareItem* next = at; next != nullptr; next = RowBelow(rows, *context.root, *next))
                at = next;
        for (; at != nullptr;
             at = down ? RowBelow(rows, *context.root, *at) : RowAbove(rows, *context.root, *at))
            paths.push_back(at->RelativePath());
        return paths;
    }

    CTestRows rows;
};

TEST_F(DifferenceStepTest, RowsFollowTheDisplayOrderOfOpenFolders) {
    using Paths = std::vector<std::string>;
    EXPECT_EQ(Walk(true), (Paths{"a", "b", "c.txt", "d.txt"}));
    rows.open = {"a", "b"};
    EXPECT_EQ(Walk(true), (Paths{"a", "a/same.txt", "b", "b/diff.txt", "b/same.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(Walk(false), (Paths{"d.txt", "c.txt", "b/same.txt", "b/diff.txt", "b", "a/same.txt", "a"}));
    rows.reversed = true;
    EXPECT_EQ(Walk(true), (Paths{"d.txt", "c.txt", "b", "b/same.txt", "b/diff.txt", "a", "a/same.txt"}));
    EXPECT_EQ(Walk(false), (Paths{"a/same.txt", "a", "b/diff.txt", "b/same.txt", "b", "c.txt", "d.txt"}));
}

TEST_F(DifferenceStepTest, StepsStopAtDifferencesOnlyInShownRows) {
    // Collapsed: the different folder stands for what it holds.
    EXPECT_EQ(Step("", DifferenceStep::First), "b");
    EXPECT_EQ(Step("", DifferenceStep::Next), "b");
    EXPECT_EQ(Step("b", DifferenceStep::Next), "d.txt");
    EXPECT_EQ(Step("d.txt", DifferenceStep::Next), "-");
    EXPECT_EQ(Step("d.txt", DifferenceStep::Previous), "b");
    EXPECT_EQ(Step("b", DifferenceStep::Previous), "-");
    EXPECT_EQ(Step("c.txt", DifferenceStep::Last), "d.txt");
    // Without a current row, previous looks at the top row only.
    EXPECT_EQ(Step("", DifferenceStep::Previous), "-");

    // Open, its rows come between it and the next row of its level.
    rows.open = {"b"};
    EXPECT_EQ(Step("b", DifferenceStep::Next), "b/diff.txt");
    EXPECT_EQ(Step("b/diff.txt", DifferenceStep::Next), "d.txt");
    EXPECT_EQ(Step("d.txt", DifferenceStep::Previous), "b/diff.txt");
    EXPECT_EQ(Step("b/diff.txt", DifferenceStep::Previous), "b");
    // First and last take the current row into account no more.
    EXPECT_EQ(Step("d.txt", DifferenceStep::First), "b");
    EXPECT_EQ(Step("a", DifferenceStep::Last), "d.txt");

    // The view's order, not the tree's: last is then inside the open folder.
    rows.reversed = true;
    EXPECT_EQ(Step("", DifferenceStep::First), "d.txt");
    EXPECT_EQ(Step("", DifferenceStep::Last), "b/diff.txt");
    EXPECT_EQ(Step("b/diff.txt", DifferenceStep::Previous), "b");
    EXPECT_EQ(Step("b", DifferenceStep::Previous), "d.txt");

    // A row the view does not show is passed over.
    rows.reversed = false;
    rows.hidden = {"d.txt"};
    EXPECT_EQ(Step("b/diff.txt", DifferenceStep::Next), "-");
    EXPECT_EQ(Step("", DifferenceStep::Last), "b/diff.txt");
    rows.hidden = {"a", "b", "c.txt", "d.txt"};
    EXPECT_EQ(Step("", DifferenceStep::First), "-");
    EXPECT_EQ(Step("", DifferenceStep::Last), "-");
}

}  // namespace
}  // namespace corvatine
