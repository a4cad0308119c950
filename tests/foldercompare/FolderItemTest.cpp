// The scanned entries of a folder tree: refresh, one-level scans, the order
// of children, the text forms and the details read from the content.
#include "foldercompare/FolderItem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "platform/FileAttributes.h"
#include "request/FilterRecords.h"
#include "support/DeepTree.h"
#include "support/PermissionsBind.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

std::unique_ptr<CFolder> Root(const std::string& path) {
    auto root = std::make_unique<CFolder>();
    EXPECT_TRUE(root->Refresh(path));
    return root;
}

std::vector<std::string> ChildNames(const CFolder& folder) {
    std::vector<std::string> names;
    for (int i = 0; i < folder.GetChildCount(); ++i) names.push_back(folder.Child(i)->GetName());
    return names;
}

TEST(FileInfoTest, ResetRefreshAndNotFound) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("report.final.txt", "12345");
    CFileInfoEx entry;
    EXPECT_EQ(entry.state, 0x30u);
    EXPECT_EQ(entry.GetCRCValue(), 0xFFFFFFFFu);
    EXPECT_EQ(entry.contentType, -1);
    EXPECT_TRUE(entry.IsState10() && entry.IsState20());

    ASSERT_TRUE(entry.Refresh(file));
    EXPECT_EQ(entry.valid, FILE_VALID_INFO);
    EXPECT_EQ(entry.GetSize(), 5u);
    EXPECT_EQ(entry.GetName(), "report.final.txt");
    EXPECT_EQ(entry.GetBaseName(), "report.final");
    EXPECT_EQ(entry.GetExtension(), ".txt");
    EXPECT_EQ(entry.GetContainingFolder(), dir.Path());
    EXPECT_EQ(entry.GetURL(), "file://" + file);
    EXPECT_TRUE(entry.Exists());
    EXPECT_FALSE(entry.IsDots());

    ASSERT_EQ(::unlink(file.c_str()), 0);
    EXPECT_FALSE(entry.Refresh());
    EXPECT_EQ(entry.state, FILE_STATE_NOT_FOUND);
    EXPECT_FALSE(entry.Exists());
    EXPECT_EQ(entry.path, file);  // kept for the next refresh
    EXPECT_EQ(entry.GetContentType(), -1);
    EXPECT_EQ(entry.GetCRC(), 0u);
    EXPECT_EQ(entry.GetIconIndex(), FILE_ICON_MISSING);
}

TEST(FileInfoTest, TheRootIsNotReadAndItsChildrenJoinWithoutADoubleSeparator) {
    CFolder root;
    ASSERT_TRUE(root.Refresh("/"));
    EXPECT_EQ(root.valid, 0u);
    EXPECT_EQ(root.attributes, 0u);
    EXPECT_EQ(root.GetLastWriteFileTime(), 0u);
    EXPECT_EQ(root.GetLastWriteTimeText(), "");
    EXPECT_EQ(root.GetSizeText(), "");
    ASSERT_TRUE(root.Scan());
    ASSERT_GT(root.GetChildCount(), 0);
    const std::vector<std::string> names = ChildNames(root);
    const int tmp = static_cast<int>(std::find(names.begin(), names.end(), "tmp") - names.begin());
    ASSERT_LT(tmp, root.GetChildCount());
    EXPECT_EQ(root.Child(tmp)->GetFullPath(), "/tmp");
    EXPECT_TRUE(root.Child(tmp)->IsFolder());
}

TEST(FileInfoTest, TextForms) {
    test::TempDir dir;
    const std::string file = dir.WriteFile(".config", std::string(1234567, 'x'));
    ASSERT_TRUE(test::SetFileTimes(file, 1700000000));  // 2023-11-14 22:13:20 UTC
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    CFolderItem entry;
    ASSERT_TRUE(entry.Refresh(file));
    EXPECT_EQ(entry.GetAttributeText(), "R--H");
    EXPECT_EQ(entry.GetAttributeText(true), "r--h");
    EXPECT_EQ(entry.GetSizeText(), "1,234,567");
    EXPECT_EQ(entry.GetLastWriteTimeText(), "2023-11-14 22:13:20");
    EXPECT_EQ(entry.GetLastWriteTime(), 1700000000);
    EXPECT_EQ(entry.GetCRCText(), "");  // not computed yet

    entry.attributes =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN;
    const char* const fifth[] = {"", "8", "4", "B", "L"};
    for (int c = 0; c <= 4; ++c) {
        entry.SetEncodingClass(c);
        EXPECT_EQ(entry.GetAttributeText(), std::string("RASH") + fifth[c]);
    }
    EXPECT_EQ(entry.GetAttributeText(true), "rashl");
    EXPECT_EQ(entry.GetEncodingWord(0), 4u << 12);

    entry.SetFileVersion(0x0001000A, 0xFFFF0000);
    EXPECT_EQ(entry.GetVersionText(), "1,10,65535,0");
    entry.SetCRCValue(0x00ABCDEF);
    entry.valid |= FILE_VALID_CRC;
    EXPECT_EQ(entry.GetCRCText(), "ABCDEF");
    EXPECT_EQ(entry.GetCRCText(true), "abcdef");
}

TEST(FileInfoTest, CrcAgreesWithIndependentOracles) {
    test::TempDir dir;
    CFolderItem check;
    ASSERT_TRUE(check.Refresh(dir.WriteFile("check", "123456789")));
    EXPECT_EQ(check.GetCRC(), 0xCBF43926u);  // the published check value of CRC-32
    EXPECT_EQ(check.GetCRCText(), "CBF43926");

    CFolderItem empty;
    ASSERT_TRUE(empty.Refresh(dir.WriteFile("empty", "")));
    EXPECT_EQ(empty.GetCRC(), 0u);
    EXPECT_NE(empty.valid & FILE_VALID_CRC, 0u);

    // A file of several blocks against the CRC that gzip stores in its trailer.
    std::mt19937 random(7);
    std::string bytes(3 * kCrcBlockSize + 123, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string path = dir.WriteFile("random", bytes);
    const test::ProgramResult gzip =
        test::RunProgram("/bin/sh", {"-c", "gzip -c < \"$0\" | tail -c 8", path});
    ASSERT_EQ(gzip.exitStatus, 0);
    ASSERT_EQ(gzip.out.size(), 8u);
    uint32_t expected = 0;
    for (int i = 3; i >= 0; --i)
        expected = (expected << 8) | static_cast<unsigned char>(gzip.out[static_cast<size_t>(i)]);
    CFolderItem entry;
    ASSERT_TRUE(entry.Refresh(path));
    EXPECT_EQ(entry.GetCRC(), expected);

    // Cached: a change to the file is seen only when forced.
    dir.WriteFile("random", "other");
    EXPECT_EQ(entry.GetCRC(), expected);
    EXPECT_NE(entry.ComputeCRC(true), expected);

    // Folders are 0.
    CFolder folder;
    ASSERT_TRUE(folder.Refresh(dir.Path()));
    EXPECT_EQ(folder.GetCRC(), 0u);
}

TEST(FileInfoTest, CrcReportsProgressToAReceiver) {
    struct Receiver : CCrcReceiver {
        std::vector<std::pair<int, uint64_t>> posted;
        int64_t result = -1;
        void Post(int message, uint64_t wParam, int64_t lParam) override {
            posted.emplace_back(message, wParam);
            if (message == kCrcResultMessage) result = lParam;
        }
    } receiver;
    test::TempDir dir;
    const std::string path = dir.WriteFile("f", std::string(kCrcBlockSize * 2 + 10, 'a'));
    const uint32_t crc = ComputeFileCrc(path, &receiver, 77);
    const std::vector<std::pair<int, uint64_t>> expected = {{kCrcStartMessage, 0},
                                                            {kCrcProgressMessage, 49},
                                                            {kCrcProgressMessage, 99},
                                                            {kCrcProgressMessage, 100},
                                                            {kCrcResultMessage, 77}};
    EXPECT_EQ(receiver.posted, expected);
    EXPECT_EQ(receiver.result, crc);
}

TEST(FileInfoTest, ContentTypeIsDeterminedOnceAndCached) {
    test::TempDir dir;
    CFolderItem entry;
    ASSERT_TRUE(entry.Refresh(dir.WriteFile("f", std::string(4096, 'x'))));
    EXPECT_EQ(entry.GetContentType(), FILE_CONTENT_TEXT);
    dir.WriteFile("f", std::string("\0", 1));
    EXPECT_EQ(entry.GetContentType(), FILE_CONTENT_TEXT);
    EXPECT_EQ(entry.DetermineContentType(true), FILE_CONTENT_BINARY);
    ASSERT_TRUE(entry.Refresh());  // a refresh forgets what was read
    EXPECT_EQ(entry.valid, FILE_VALID_INFO);

    // The byte-order mark found shows in the attribute text.
    const std::pair<std::string, std::string> marks[] = {{std::string("\xEF\xBB\xBF"
                                                                      "utf-8"),
                                                          "----8"},
                                                         {std::string("\xFE\xFF\0"
                                                                      "a",
                                                                      4),
                                                          "----B"},
                                                         {std::string("\xFF\xFE"
                                                                      "a\0",
                                                                      4),
                                                          "----L"},
                                                         {std::string("plain"), "----"}};
    for (const auto& [bytes, text] : marks) {
        ASSERT_TRUE(entry.Refresh(dir.WriteFile("marked", bytes)));
        EXPECT_EQ(entry.GetAttributeText(), "----");  // not read yet
        EXPECT_EQ(entry.GetContentType(), FILE_CONTENT_TEXT);
        EXPECT_EQ(entry.GetAttributeText(), text);
    }
}

TEST(FileInfoTest, CreationAndAccessTimesAreReadWhenAskedFor) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "aa");
    auto root = Root(dir.Path());
    ASSERT_TRUE(root->Scan());
    CFolderItem* file = root->Child(0);
    platform::FINDDATA data;
    ASSERT_TRUE(platform::FindEntry(dir / "a.txt", data));
    EXPECT_NE(data.creationTime, 0u);
    EXPECT_EQ(file->GetCreationFileTime(), data.creationTime);
    EXPECT_EQ(file->GetLastAccessFileTime(), data.lastAccessTime);
    EXPECT_EQ(file->GetCreationTime(), platform::FileTimeToUnixSeconds(data.creationTime));
    EXPECT_EQ(file->GetLastAccessTime(), platform::FileTimeToUnixSeconds(data.lastAccessTime));
    EXPECT_EQ(file->GetCreationTimeText(), file->GetTimeText(data.creationTime));
    EXPECT_EQ(root->GetCreationFileTime(), [&] {
        platform::FINDDATA folder;
        EXPECT_TRUE(platform::FindEntry(dir.Path(), folder));
        return folder.creationTime;
    }());

    // Nothing is read of an entry that was never read, of the root "/", or
    // of one that is gone.
    CFileInfoEx reset;
    reset.path = dir / "a.txt";
    EXPECT_EQ(reset.GetCreationFileTime(), 0u);
    CFolder top;
    ASSERT_TRUE(top.Refresh("/"));
    EXPECT_EQ(top.GetLastAccessFileTime(), 0u);
    ASSERT_EQ(::unlink((dir / "a.txt").c_str()), 0);
    EXPECT_EQ(file->GetCreationFileTime(), 0u);
    EXPECT_EQ(file->GetLastAccessTimeText(), "");
}

TEST(FileInfoTest, TheFileVersionKeptAsideAndTheCrcFollowCopies) {
    CFileInfoEx entry;
    uint32_t ms = 1, ls = 1;
    entry.GetFileVersion(ms, ls);
    EXPECT_EQ(ms, 0u);
    EXPECT_EQ(ls, 0u);
    EXPECT_FALSE(entry.HasFileVersion());
    entry.SetFileVersion(0x00020003, 0x00040005);
    entry.SetCRCValue(0x1234);
    EXPECT_TRUE(entry.HasFileVersion());
    EXPECT_EQ(entry.GetFileVersionValue(), 0x0002000300040005u);
    EXPECT_EQ(entry.GetVersionText(), "2,3,4,5");
    {
        const CFileInfoEx copy(entry);
        EXPECT_EQ(copy.GetVersionText(), "2,3,4,5");
        EXPECT_EQ(copy.GetCRCValue(), 0x1234u);
        CFolderItem item;
        item.CopyFrom(entry);
        EXPECT_EQ(item.GetVersionText(), "2,3,4,5");
        EXPECT_EQ(item.GetCRCValue(), 0x1234u);
        entry.SetFileVersion(0, 7);  // the copies keep their own
        entry.SetCRCValue(0xFFFFFFFFu);
        EXPECT_EQ(copy.GetVersionText(), "2,3,4,5");
        EXPECT_EQ(item.GetVersionText(), "2,3,4,5");
        EXPECT_EQ(item.GetCRCValue(), 0x1234u);
        EXPECT_EQ(entry.GetCRCValue(), 0xFFFFFFFFu);
        EXPECT_EQ(entry.GetVersionText(), "0,0,0,7");
    }
    CFileInfoEx assigned;
    assigned.SetFileVersion(9, 9);
    assigned.SetCRCValue(9);
    assigned = entry;
    EXPECT_EQ(assigned.GetVersionText(), "0,0,0,7");
    EXPECT_EQ(assigned.GetCRCValue(), 0xFFFFFFFFu);
    entry.SetCRCValue(0);
    entry.Reset();
    EXPECT_FALSE(entry.HasFileVersion());
    EXPECT_EQ(entry.GetVersionText(), "0,0,0,0");
    EXPECT_EQ(entry.GetCRCValue(), 0xFFFFFFFFu);
    EXPECT_EQ(assigned.GetVersionText(), "0,0,0,7");
}

TEST(FolderTest, ScansOneLevelWithEnumerationData) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "aa");
    dir.WriteFile("sub/inner.txt", "i");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    auto root = Root(dir.Path());
    ASSERT_TRUE(root->Scan());
    root->SortChildren();
    EXPECT_EQ(ChildNames(*root), (std::vector<std::string>{"sub", "a.txt", "pipe"}));
    CFolderItem* sub = root->Child(0);
    EXPECT_TRUE(sub->IsFolder());
    EXPECT_EQ(sub->kind, 1);
    EXPECT_EQ(root->kind, 0);
    EXPECT_EQ(sub->path, "sub");
    EXPECT_EQ(sub->GetFullPath(), dir / "sub");
    EXPECT_EQ(sub->GetParentFolder(), root.get());
    EXPECT_EQ(static_cast<CFolder*>(sub)->GetChildCount(), 0);  // no descent
    EXPECT_EQ(root->Child(1)->GetSize(), 2u);
    EXPECT_EQ(root->Child(1)->valid, FILE_VALID_INFO);
    EXPECT_EQ(root->Child(2)->attributes, FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(static_cast<CFolder*>(sub)->Scan());
    EXPECT_EQ(static_cast<CFolder*>(sub)->Child(0)->GetFullPath(), dir / "sub/inner.txt");

    ASSERT_TRUE(root->Scan(true));
    root->SortChildren();
    EXPECT_EQ(ChildNames(*root), (std::vector<std::string>{"a.txt", "pipe"}));

    // A root named "." is a folder like any other.
    CFolder here;
    ASSERT_TRUE(here.Refresh("."));
    ASSERT_TRUE(here.Scan());
    ASSERT_GT(here.GetChildCount(), 0);  // the tests run in the build folder
    EXPECT_EQ(here.Child(0)->GetFullPath().rfind("./", 0), 0u);

    // Only a folder scans.
    CFolder notAFolder;
    ASSERT_TRUE(notAFolder.Refresh(dir / "a.txt"));
    EXPECT_FALSE(notAFolder.Scan());
    CFolder gone;
    EXPECT_FALSE(gone.Refresh(dir / "gone"));
    EXPECT_FALSE(gone.Scan());
}

// A folder that cannot be read is no empty folder: it has no children, and
// it tells why.
TEST(FolderTest, AFolderThatCannotBeReadHasNoChildrenAndTellsWhy) {
    test::TempDir dir;
    dir.WriteFile("locked/secret", "x");
    dir.WriteFile("listed/secret", "x");
    auto locked = Root(dir / "locked");
    auto listed = Root(dir / "listed");
    struct RestoreModes {
        std::vector<std::string> paths;
        ~RestoreModes() {
            for (const std::string& path : paths) ::chmod(path.c_str(), 0755);
        }
    } restore{{dir / "locked", dir / "listed"}};
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod((dir / "listed").c_str(), 0444), 0);  // names readable, entries not
    {
        test::PermissionsBind bind;
        if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
        EXPECT_FALSE(locked->Scan());
        EXPECT_TRUE(locked->IsScanned());
        EXPECT_EQ(locked->GetChildCount(), 0);
        EXPECT_EQ(locked->readError, EACCES);
        EXPECT_EQ(ReadErrorText(locked->readError), "Permission denied");
        EXPECT_FALSE(listed->Scan());
        EXPECT_EQ(listed->GetChildCount(), 0);
        EXPECT_EQ(listed->readError, EACCES);

        int error = 0;
        EXPECT_FALSE(locked->HasVisibleContent(CComboFilters(), &error));
        EXPECT_EQ(error, EACCES);
    }
    // Readable again: the next scan reads it and forgets the error.
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0755), 0);
    EXPECT_TRUE(locked->Scan());
    EXPECT_EQ(locked->readError, 0);
    EXPECT_EQ(ChildNames(*locked), std::vector<std::string>{"secret"});

    // A folder removed after it was read binds root as well.
    auto gone = Root(dir.MakeFolder("gone"));
    ASSERT_EQ(::rmdir((dir / "gone").c_str()), 0);
    EXPECT_FALSE(gone->Scan());
    EXPECT_EQ(gone->readError, ENOENT);
    int error = 0;
    EXPECT_FALSE(gone->HasVisibleContent(CComboFilters(), &error));
    EXPECT_EQ(error, ENOENT);
}

// Entries far below the path limit are scanned and read like any other.
TEST(FolderTest, ScansAndReadsBeyondThePathLimit) {
    test::TempDir dir;
    const std::string name(200, 'n');
    const int levels = 40;
    test::MakeDeepTree(dir / "top", levels, name, {{"check", "123456789"}, {"other", "x"}});
    auto root = Root(dir / "top");
    CFolder* folder = root.get();
    for (int level = 0; level < levels; ++level) {
        ASSERT_TRUE(folder->Scan()) << "level " << level << ": " << ReadErrorText(folder->readError);
        ASSERT_EQ(ChildNames(*folder), std::vector<std::string>{name}) << "level " << level;
        folder = static_cast<CFolder*>(folder->Child(0));
    }
    ASSERT_TRUE(folder->Scan());
    folder->SortChildren();
    ASSERT_EQ(ChildNames(*folder), (std::vector<std::string>{"check", "other"}));
    CFolderItem& check = *folder->Child(0);
    EXPECT_EQ(check.GetFullPath().size(), (dir / "top").size() + levels * (name.size() + 1) + 6);
    EXPECT_EQ(check.GetSize(), 9u);
    EXPECT_EQ(check.GetCRC(), 0xCBF43926u);
    EXPECT_EQ(check.GetContentType(), FILE_CONTENT_TEXT);
    EXPECT_FALSE(check.ReadVersion());
    EXPECT_EQ(check.readError, 0);
    ASSERT_TRUE(check.Refresh());
    EXPECT_EQ(check.GetSize(), 9u);
    CComboFilters filter;
    int error = 0;
    EXPECT_TRUE(folder->HasVisibleContent(filter, &error));
    EXPECT_EQ(error, 0);
}

TEST(FolderTest, SortsFoldersFirstThenNamesWithoutCase) {
    test::TempDir dir;
    for (const char* name : {"b", "B", "a", "Zed", "same"}) dir.WriteFile(name, "");
    dir.MakeFolder("zfolder");
    dir.MakeFolder("same.d");
    auto root = Root(dir.Path());
    ASSERT_TRUE(root->Scan());
    for (int round = 0; round < 3; ++round) {
        root->SortChildren();
        // Names equal without case sort by their bytes, so the order is the
        // same every time.
        EXPECT_EQ(ChildNames(*root),
                  (std::vector<std::string>{"same.d", "zfolder", "a", "B", "b", "same", "Zed"}));
    }
    EXPECT_EQ(CompareFolderItems(*root->Child(3), *root->Child(4)) < 0, true);
}

TEST(FolderTest, AFolderAndAFileOfOneNameAreBothChildren) {
    // A name cannot be taken twice in one folder here, so the pair is made
    // the way a copy from the other side makes its twin.
    test::TempDir dir;
    dir.WriteFile("x/name", "file");
    dir.MakeFolder("y/name");
    auto left = Root(dir / "x");
    auto right = Root(dir / "y");
    ASSERT_TRUE(left->Scan());
    ASSERT_TRUE(right->Scan());
    left->AddChild(right->Child(0)->Clone());
    left->SortChildren();
    ASSERT_EQ(left->GetChildCount(), 2);
    EXPECT_TRUE(left->Child(0)->IsFolder());
    EXPECT_FALSE(left->Child(1)->IsFolder());
    EXPECT_EQ(left->Child(0)->GetName(), left->Child(1)->GetName());
}

TEST(FolderTest, LinksBackIntoTheTreeAreNotScanned) {
    test::TempDir dir;
    dir.WriteFile("top/file", "f");
    ASSERT_EQ(::symlink("..", (dir / "top/up").c_str()), 0);
    ASSERT_EQ(::symlink(dir.MakeFolder("elsewhere").c_str(), (dir / "top/away").c_str()), 0);
    dir.WriteFile("elsewhere/far", "");
    auto root = Root(dir / "top");
    ASSERT_TRUE(root->Scan());
    root->SortChildren();
    ASSERT_EQ(ChildNames(*root), (std::vector<std::string>{"away", "up", "file"}));
    auto* away = static_cast<CFolder*>(root->Child(0));
    auto* up = static_cast<CFolder*>(root->Child(1));
    EXPECT_TRUE(away->AttributeTest(FILE_ATTRIBUTE_REPARSE_POINT));
    // A link elsewhere is followed; "up" leads to the folder holding "top",
    // which is no ancestor in this tree, so it scans once ...
    ASSERT_TRUE(away->Scan());
    EXPECT_EQ(away->GetChildCount(), 1);
    ASSERT_TRUE(up->Scan());
    const std::vector<std::string> upNames = ChildNames(*up);
    ASSERT_NE(std::find(upNames.begin(), upNames.end(), "top"), upNames.end());
    // ... and the "top" below it is the root again: a loop, never scanned.
    auto* again = static_cast<CFolder*>(
        up->Child(static_cast<int>(std::find(upNames.begin(), upNames.end(), "top") - upNames.begin())));
    ASSERT_TRUE(again->Scan());
    EXPECT_EQ(again->GetChildCount(), 0);
    EXPECT_TRUE(again->StateTest(FILE_STATE_LINK_LOOP));

    // A link to its own folder is a loop at once.
    ASSERT_EQ(::symlink(".", (dir / "top/self").c_str()), 0);
    ASSERT_TRUE(root->Scan());
    for (int i = 0; i < root->GetChildCount(); ++i) {
        if (root->Child(i)->GetName() != "self") continue;
        auto* self = static_cast<CFolder*>(root->Child(i));
        ASSERT_TRUE(self->Scan());
        EXPECT_EQ(self->GetChildCount(), 0);
        EXPECT_TRUE(self->IsLinkLoop());
    }
}

TEST(FolderTest, VisibleChildrenAndContentUnderAFilter) {
    test::TempDir dir;
    dir.WriteFile("only.o", "");
    dir.WriteFile("keep.c", "");
    auto root = Root(dir.Path());
    EXPECT_EQ(root->HasVisibleChildren(), 0);
    root->state |= FILE_STATE_HAS_CHILDREN;
    EXPECT_EQ(root->HasVisibleChildren(), 1);
    ASSERT_TRUE(root->Scan());

    CComboFilters filter;
    filter.fileFilters.nameExclude = "*.o";
    for (int i = 0; i < root->GetChildCount(); ++i) root->Child(i)->ApplyFilter(filter);
    EXPECT_EQ(root->HasVisibleChildren(), 2);
    EXPECT_EQ(root->GetChildCount(true), 1);
    EXPECT_TRUE(root->HasVisibleContent(filter));

    filter.fileFilters.nameExclude = "*.o;*.c";
    for (int i = 0; i < root->GetChildCount(); ++i) EXPECT_NE(root->Child(i)->ApplyFilter(filter), 0u);
    EXPECT_EQ(root->HasVisibleChildren(), 0);
    EXPECT_EQ(root->GetChildCount(true), 0);
    EXPECT_EQ(root->GetChildCount(false), 2);
    EXPECT_FALSE(root->HasVisibleContent(filter));

    // Applying again clears what an earlier filter set.
    filter.Reset();
    EXPECT_EQ(root->Child(0)->ApplyFilter(filter), 0u);
    EXPECT_FALSE(root->Child(0)->IsExcluded());

    CFolder missing;
    EXPECT_FALSE(missing.Refresh(dir / "missing"));
    EXPECT_FALSE(missing.HasVisibleContent(filter));
}

TEST(FolderTest, ChildrenAreOwnedFoundRemovedAndDetached) {
    test::TempDir dir;
    dir.WriteFile("a", "");
    dir.WriteFile("b", "");
    auto root = Root(dir.Path());
    ASSERT_TRUE(root->Scan());
    root->SortChildren();
    CFolderItem* b = root->Child(1);
    EXPECT_EQ(root->FindChild(b), 1);
    std::unique_ptr<CFolderItem> detached = b->Detach();
    ASSERT_EQ(detached.get(), b);
    EXPECT_EQ(b->parent, nullptr);
    EXPECT_EQ(b->GetFullPath(), "b");
    EXPECT_EQ(root->FindChild(b), -1);
    EXPECT_EQ(root->GetChildCount(), 1);

    std::unique_ptr<CFolderItem> twin = root->Child(0)->Clone();
    EXPECT_EQ(twin->GetName(), "a");
    EXPECT_EQ(twin->parent, nullptr);
    EXPECT_EQ(twin->kind, 1);
    root->DeleteChild(0);
    EXPECT_EQ(root->GetChildCount(), 0);
    root->ClearChildren();
    EXPECT_EQ(root->Children(), nullptr);
}

}  // namespace
}  // namespace corvatine
