// The file operations on result items, the commands that apply them to a
// selection with the runner, and the synchronisation pages: what they change
// on disk, what the tree becomes, what the views are told and the texts
// they show.
#include "foldercompare/FileOperation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "foldercompare/FolderCompareDoc.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/FolderItemLookup.h"
#include "foldercompare/SyncWizard.h"
#include "request/CompareMethods.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

namespace fs = std::filesystem;

// What a view would show of a tree: each item's path, status and sides.
std::string Dump(const CFolderCompareItem& item, int tolerance) {
    std::string text;
    for (const CFolderCompareItem& child : item.Children()) {
        text += child.RelativePath() + " " + std::to_string(child.status) + " " +
                std::to_string(child.NewerSide(tolerance)) + (child.left ? " L" : " -") +
                (child.right ? " R" : " -") + (child.IsFilteredOut() ? " filtered" : "") + "\n";
        text += Dump(child, tolerance);
    }
    return text;
}

class Recorder : public CFolderCompareListener {
public:
    void ItemChanged(CFolderCompareItem& item) override {
        events.push_back("changed " + item.RelativePath());
    }
    void SubtreeChanged(CFolderCompareItem& item) override {
        events.push_back("subtree " + item.RelativePath());
    }
    void ChildAdded(CFolderCompareItem&, CFolderCompareItem& child) override {
        events.push_back("added " + child.RelativePath());
    }
    void RowRemoved(CFolderCompareItem& item) override { events.push_back("removed " + item.RelativePath()); }
    void ChildrenRebuilt(CFolderCompareItem& item) override {
        events.push_back("rebuilt " + item.RelativePath());
    }
    std::vector<std::string> events;
};

class LogRecorder : public CSyncLog {
public:
    void AddLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

class FileOperationTest : public ::testing::Test {
protected:
    // The settings the documents of a test work under.
    CTextComparer textSettings;
    CFolderComparer folderSettings;

    void SetUp() override {
        dir.WriteFile("L/only/deep/file.txt", "deep\n");
        dir.WriteFile("L/pair.txt", "left\n");
        dir.WriteFile("R/pair.txt", "right side\n");
        dir.WriteFile("R/orphan.txt", "o\n");
        dir.WriteFile("L/same.txt", "s\n");
        dir.WriteFile("R/same.txt", "s\n");
        for (const char* name : {"L/same.txt", "R/same.txt", "L/pair.txt"})
            test::SetFileTimes(dir / name, 1700000000);
        test::SetFileTimes(dir / "R/pair.txt", 1700000500);
        Open();
    }
    void Open() {
        CFolderCompareParams request;
        request.sides[0].path = dir / "L";
        request.sides[1].path = dir / "R";
        request.methods = METHOD_TIME | METHOD_SIZE;
        ASSERT_TRUE(doc.Open(request));
        ASSERT_TRUE(doc.PrepareAllLevels());
        context.settings = &doc.Context().settings;
        context.listener = &recorder;
    }
    CFolderCompareItem* Item(const std::string& path) const { return FindItem(*doc.Root(), path); }
    // The tree equals what a fresh comparison of the same folders gives.
    void ExpectFresh() {
        CFolderCompareDoc fresh(folderSettings, textSettings);
        ASSERT_TRUE(fresh.Open(doc.Request()));
        ASSERT_TRUE(fresh.PrepareAllLevels());
        doc.CompleteAfterChanges();
        EXPECT_EQ(Dump(*doc.Root(), doc.Tolerance()), Dump(*fresh.Root(), fresh.Tolerance()));
        EXPECT_EQ(doc.RootStatus(), fresh.RootStatus());
    }

    test::TempDir dir;
    CFolderCompareDoc doc{folderSettings, textSettings};
    Recorder recorder;
    FILEOPCONTEXT context;
};

TEST_F(FileOperationTest, CopyCreatesTheMissingParentsFirst) {
    CFolderCompareItem* file = Item("only/deep/file.txt");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->CopySide(0, false, context), 0) << context.error;
    EXPECT_EQ(test::ReadFile(dir / "R/only/deep/file.txt"), "deep\n");
    EXPECT_TRUE(file->HasBothSides());
    EXPECT_EQ(file->status, STATUS_IDENTICAL);
    EXPECT_TRUE(Item("only")->HasBothSides());
    EXPECT_TRUE(Item("only/deep")->HasBothSides());
    EXPECT_EQ(Item("only")->status, STATUS_IDENTICAL);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"changed only", "changed only/deep", "changed only/deep/file.txt"}));
    ExpectFresh();
}

TEST_F(FileOperationTest, DeletingTheOnlySideRemovesTheRow) {
    CFolderCompareItem* orphan = Item("orphan.txt");
    ASSERT_EQ(orphan->DeleteSides(SIDE_BOTH, context), 0) << context.error;
    EXPECT_TRUE(context.itemRemoved);
    EXPECT_EQ(Item("orphan.txt"), nullptr);
    EXPECT_FALSE(fs::exists(dir / "R/orphan.txt"));
    EXPECT_EQ(recorder.events, std::vector<std::string>{"removed orphan.txt"});
    ExpectFresh();

    // One side of a folder pair after it was copied: the rest stays one-sided.
    ASSERT_EQ(Item("only")->CopySide(0, false, context), 0) << context.error;
    ASSERT_EQ(Item("only")->DeleteSides(SIDE_LEFT, context), 0) << context.error;
    EXPECT_FALSE(context.itemRemoved);
    EXPECT_TRUE(Item("only/deep/file.txt")->IsRightOnly());
    ExpectFresh();
}

TEST_F(FileOperationTest, MoveAndRenamePairAnew) {
    ASSERT_EQ(Item("pair.txt")->MoveSide(1, context), 0) << context.error;
    EXPECT_EQ(test::ReadFile(dir / "L/pair.txt"), "right side\n");
    EXPECT_FALSE(fs::exists(dir / "R/pair.txt"));
    EXPECT_TRUE(Item("pair.txt")->IsLeftOnly());
    ExpectFresh();

    // The renamed orphan pairs with the left file of its new name.
    recorder.events.clear();
    ASSERT_EQ(Item("orphan.txt")->RenameSides(SIDE_RIGHT, "pair.txt", context), 0) << context.error;
    EXPECT_TRUE(context.itemRemoved);
    EXPECT_TRUE(Item("pair.txt")->HasBothSides());
    EXPECT_EQ(Item("orphan.txt"), nullptr);
    EXPECT_EQ(recorder.events, std::vector<std::string>{"rebuilt "});
    ExpectFresh();

    // A name that is taken is refused and nothing changes.
    EXPECT_EQ(Item("pair.txt")->RenameSides(SIDE_LEFT, "same.txt", context), -1);
    EXPECT_NE(context.error.find("same.txt"), std::string::npos) << context.error;
    EXPECT_EQ(test::ReadFile(dir / "L/pair.txt"), "right side\n");
    ExpectFresh();
}

TEST_F(FileOperationTest, TimeAttributesAndNewFolders) {
    CFolderCompareItem* pair = Item("pair.txt");
    ASSERT_EQ(pair->SetTime(0, true, 0, context), 0) << context.error;
    EXPECT_EQ(pair->left->lastWriteTime, pair->right->lastWriteTime);
    EXPECT_EQ(pair->NewerSide(doc.Tolerance()), 0);
    ExpectFresh();

    // Masks that leave the word as it is change nothing and fail.
    CFolderCompareItem* same = Item("same.txt");
    EXPECT_EQ(same->SetAttributes(SIDE_BOTH, 0x1, 0, context), -1);
    EXPECT_NE(context.error.find("already"), std::string::npos) << context.error;
    ASSERT_EQ(same->SetAttributes(SIDE_LEFT, 0, 0x1, context), 0) << context.error;
    struct stat info {};
    ASSERT_EQ(::stat((dir / "L/same.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    EXPECT_EQ(same->left->attributes & 0x1, 0x1u);
    ASSERT_EQ(same->SetAttributes(SIDE_LEFT, 0x1, 0, context), 0) << context.error;
    ASSERT_EQ(::stat((dir / "L/same.txt").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0200, 0u);

    // A folder made on the right pairs with the left-only one of that name.
    recorder.events.clear();
    ASSERT_EQ(doc.Root()->CreateFolder(SIDE_RIGHT, "only", context), 0) << context.error;
    EXPECT_TRUE(Item("only")->HasBothSides());
    EXPECT_EQ(recorder.events, std::vector<std::string>{"added only"});
    EXPECT_EQ(doc.Root()->CreateFolder(SIDE_RIGHT, "only", context), -1);
    ASSERT_EQ(doc.Root()->CreateFolder(SIDE_BOTH, "Aaa", context), 0) << context.error;
    EXPECT_EQ(doc.Root()->Child(0)->GetName(), "Aaa");  // in its sorted place
    ExpectFresh();
}

TEST_F(FileOperationTest, AFileChangedSinceTheScanIsNotReplaced) {
    dir.WriteFile("R/pair.txt", "changed by someone else meanwhile\n");
    EXPECT_EQ(Item("pair.txt")->CopySide(0, false, context), -1);
    EXPECT_NE(context.error.find("pair.txt"), std::string::npos) << context.error;
    EXPECT_EQ(test::ReadFile(dir / "R/pair.txt"), "changed by someone else meanwhile\n");
    // A file that appeared where the scan saw none is not replaced either.
    dir.WriteFile("R/only/deep/file.txt", "mine\n");
    EXPECT_EQ(Item("only/deep/file.txt")->CopySide(0, false, context), -1);
    EXPECT_EQ(test::ReadFile(dir / "R/only/deep/file.txt"), "mine\n");
}

TEST_F(FileOperationTest, EverySynchronisationLeavesTheTreeOfAFreshComparison) {
    for (int type = 0; type < kSyncTypeCount; ++type) {
        test::TempDir other;
        other.WriteFile("L/only/deep/file.txt", "deep\n");
        other.WriteFile("R/gone/old.txt", "old\n");
        other.WriteFile("L/pair.txt", "left\n");
        other.WriteFile("R/pair.txt", "right side\n");
        test::SetFileTimes(other / "L/pair.txt", 1700000000);
        test::SetFileTimes(other / "R/pair.txt", 1700000500);
        other.WriteFile("R/orphan.txt", "o\n");
        other.WriteFile("L/left.txt", "l\n");
        CFolderCompareParams request;
        request.sides[0].path = other / "L";
        request.sides[1].path = other / "R";
        request.methods = METHOD_TIME | METHOD_SIZE;
        CFolderCompareDoc synced(folderSettings, textSettings);
        ASSERT_TRUE(synced.Open(request));
        ASSERT_TRUE(synced.PrepareAllLevels());
        CSyncWizard wizard(type);
        ASSERT_TRUE(wizard.preparePage.Prepare(*synced.Root(), type, synced.Tolerance()));
        std::atomic<bool> cancel{false};
        LogRecorder log;
        EXPECT_EQ(wizard.processPage.Run(wizard.preparePage, synced.Context().settings, cancel, log), 0)
            << type;
        synced.CompleteAfterChanges();
        CFolderCompareDoc fresh(folderSettings, textSettings);
        ASSERT_TRUE(fresh.Open(request));
        ASSERT_TRUE(fresh.PrepareAllLevels());
        EXPECT_EQ(Dump(*synced.Root(), 2), Dump(*fresh.Root(), 2)) << "type " << type;
        EXPECT_EQ(synced.RootStatus(), fresh.RootStatus()) << "type " << type;
    }
}

TEST_F(FileOperationTest, AMirrorKeepsAOneSidedFolderThatHoldsWhatItDoesNotDelete) {
    test::TempDir other;
    other.WriteFile("L/keep.txt", "k\n");
    other.WriteFile("R/old/a.txt", "a\n");
    other.WriteFile("R/old/build.o", "filtered\n");
    other.WriteFile("R/empty/deep/b.txt", "b\n");
    CFolderCompareParams request;
    request.sides[0].path = other / "L";
    request.sides[1].path = other / "R";
    request.methods = METHOD_TIME | METHOD_SIZE;
    request.filters.fileFilters.nameExclude = "*.o";
    CFolderCompareDoc mirrored(folderSettings, textSettings);
    ASSERT_TRUE(mirrored.Open(request));
    ASSERT_TRUE(mirrored.PrepareAllLevels());
    CSyncWizard wizard(SYNC_MIRROR_RIGHT);
    ASSERT_TRUE(wizard.preparePage.Prepare(*mirrored.Root(), SYNC_MIRROR_RIGHT, mirrored.Tolerance()));
    std::vector<std::string> deleted;
    for (const SYNCENTRY& entry : wizard.preparePage.lists[1]) deleted.push_back(entry.path);
    // The folder with a filtered file stays; the one of nothing else goes, its folders too.
    EXPECT_EQ(deleted, (std::vector<std::string>{"empty/deep/b.txt", "empty/deep", "empty", "old/a.txt"}));
}

TEST_F(FileOperationTest, CompareContentsByOneMethod) {
    CFolderCompareItem* same = Item("same.txt");
    ASSERT_EQ(same->RecompareContents(METHOD_BINARY, context), 0) << context.error;
    EXPECT_EQ(same->content, CONTENT_EQUAL);
    EXPECT_EQ(Item("pair.txt")->RecompareContents(METHOD_SIZE, context), -1);
    EXPECT_EQ(Item("orphan.txt")->RecompareContents(METHOD_CRC, context), -1);
    ASSERT_EQ(doc.Root()->RecompareContents(METHOD_CRC, context), 0);
    EXPECT_EQ(Item("pair.txt")->content, CONTENT_DIFFERENT);
}

TEST(FileOperationTexts, TitlesVerbsAndDetails) {
    struct ROW {
        std::unique_ptr<CFileOperation> command;
        const char* title;
        const char* verb;
        const char* detail;
    };
    ROW rows[] = {
        {std::make_unique<CFileOperation>(FILEOP_MOVE, 0), "Moving", "Move", "Moving from Left to Right"},
        {std::make_unique<CFileOperation>(FILEOP_MOVE, 1), "Moving", "Move", "Moving from Right to Left"},
        {std::make_unique<CFileOperation>(FILEOP_COPY, 1), "Copying", "Copy", "Copying from Right to Left"},
        {std::make_unique<CFileOperation>(FILEOP_DELETE, SIDE_BOTH), "Deleting", "Delete", "Deleting Both"},
        {std::make_unique<CFileOperation>(FILEOP_DELETE, SIDE_LEFT), "Deleting", "Delete", "Deleting Left"},
        {std::make_unique<CCopyToFolder>(0, "/backup"), "Copying to Folder", "Copy to Folder",
         "Copying to /backup"},
        {std::make_unique<CNewFolder>(SIDE_RIGHT, "docs"), "Creating New Folder", "New Folder",
         "Creating docs in Right"},
        {std::make_unique<CSetTime>(SIDE_LEFT), "Setting Date/Time", "Set Date/Time", "Setting to Left"},
        {std::make_unique<CSetAttributes>(SIDE_RIGHT), "Setting Attributes", "Set Attributes",
         "Setting to Right"},
        {std::make_unique<CRename>(SIDE_RIGHT, "x"), "Renaming", "Rename", "Renaming Right"},
        {std::make_unique<CCompareContents>(METHOD_CRC), "Comparing Contents", "Compare Contents",
         "Comparing Contents"},
    };
    for (const ROW& row : rows) {
        EXPECT_EQ(row.command->GetTitle(), row.title);
        EXPECT_EQ(row.command->GetVerb(), row.verb);
        EXPECT_EQ(row.command->GetDetailText(), row.detail);
    }
    EXPECT_EQ(rows[0].command->GetDialogTitle(), "Move selected files, folders");
    EXPECT_EQ(rows[2].command->GetDirection(), OperationDirection::RightToLeft);
    EXPECT_EQ(CSetTime(SIDE_LEFT).copyFromOtherSide, 1);
}

class CountingSink : public CFileProcessSink {
public:
    void Started(int n) override { count = n; }
    void ItemStarting(int, const std::string& name, const std::string& detail) override {
        lines.push_back(name + ": " + detail);
    }
    void ItemDone(int, const std::string&, int result, const std::string&) override {
        failures += result != 0;
    }
    void Finished(bool wasCancelled) override { cancelled = wasCancelled; }
    int count = -1;
    int failures = 0;
    bool cancelled = false;
    std::vector<std::string> lines;
};

TEST_F(FileOperationTest, RunnerAppliesACommandToTheSelection) {
    std::vector<CFolderCompareItem*> selection{Item("only/deep/file.txt"), Item("only"), Item("orphan.txt")};
    EXPECT_EQ(SelectionCountText(selection, 0), "1 File(s), 1 Folder(s)");
    EXPECT_EQ(SelectionCountText(selection, 1), "1 File(s), 0 Folder(s)");

    // A delete leaves the file below the selected folder to it, so nothing
    // is used after it is gone.
    CFileOperation command(FILEOP_DELETE, SIDE_BOTH);
    CountingSink sink;
    CFileProcessDlg runner(command, selection, doc.Context().settings, &sink);
    ASSERT_EQ(runner.Items().size(), 2u);
    runner.Start();
    EXPECT_EQ(runner.Wait(), 0);
    EXPECT_EQ(sink.count, 2);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"only: Deleting Both", "orphan.txt: Deleting Both"}));
    EXPECT_FALSE(sink.cancelled);
    EXPECT_FALSE(fs::exists(dir / "L/only"));
    EXPECT_FALSE(fs::exists(dir / "R/orphan.txt"));
    ExpectFresh();

    // Cancelled before the first item: nothing is done.
    CFileOperation copy(FILEOP_COPY, 0);
    CountingSink second;
    CFileProcessDlg cancelled(copy, {Item("pair.txt")}, doc.Context().settings, &second);
    cancelled.Cancel();
    EXPECT_EQ(cancelled.Run(), 0);
    EXPECT_TRUE(second.cancelled);
    EXPECT_TRUE(second.lines.empty());
    EXPECT_EQ(test::ReadFile(dir / "R/pair.txt"), "right side\n");
}

TEST_F(FileOperationTest, SynchronisationPreparesAndProcessesInOrder) {
    EXPECT_EQ(FindSyncType("mirror-left"), SYNC_MIRROR_LEFT);
    EXPECT_EQ(FindSyncType("2"), SYNC_BIDIRECTIONAL);
    EXPECT_EQ(FindSyncType("5"), -1);
    EXPECT_STREQ(kSyncTypes[SYNC_MIRROR_RIGHT].button, "&Mirror Left to Right");

    CSyncWizard wizard(SYNC_MIRROR_RIGHT);
    CSyncPreparePage& prepare = wizard.preparePage;
    ASSERT_TRUE(prepare.Prepare(*doc.Root(), wizard.typePage.type, doc.Tolerance()));
    EXPECT_EQ(prepare.SummaryLines(),
              (std::vector<std::string>{"Copy to Right: 2 Files", "Delete on Right: 1 Files"}));
    ASSERT_EQ(prepare.lists[0].size(), 2u);
    EXPECT_EQ(prepare.lists[0][0].path, "only/deep/file.txt");
    EXPECT_EQ(prepare.lists[0][1].path, "pair.txt");
    EXPECT_EQ(prepare.DeleteCount().files, 1);
    EXPECT_EQ(prepare.DeleteCount().folders, 0);
    EXPECT_EQ(prepare.DeleteCount().Text(), "1 file(s)");

    // An unchecked entry is left as it is.
    prepare.lists[0][1].checked = false;
    std::atomic<bool> cancel{false};
    LogRecorder log;
    EXPECT_EQ(wizard.processPage.Run(prepare, doc.Context().settings, cancel, log), 0);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"only/deep/file.txt - Copying from left to right", "OK",
                                                   "orphan.txt - Deleting right", "OK"}));
    EXPECT_EQ(wizard.processPage.Status(), "Finished!");
    EXPECT_EQ(test::ReadFile(dir / "R/pair.txt"), "right side\n");
    EXPECT_FALSE(fs::exists(dir / "R/orphan.txt"));
    ExpectFresh();

    // Cancelled: nothing more happens.
    CSyncWizard second(SYNC_UPDATE_LEFT);
    ASSERT_TRUE(second.preparePage.Prepare(*doc.Root(), SYNC_UPDATE_LEFT, doc.Tolerance()));
    ASSERT_EQ(second.preparePage.CheckedCount(), 1);  // pair.txt, newer on the right
    cancel = true;
    LogRecorder aborted;
    EXPECT_EQ(second.processPage.Run(second.preparePage, doc.Context().settings, cancel, aborted), 0);
    EXPECT_TRUE(aborted.lines.empty());
    EXPECT_EQ(second.processPage.Status(), "Aborted!");
    EXPECT_EQ(test::ReadFile(dir / "L/pair.txt"), "left\n");
}

}  // namespace
}  // namespace corvatine
