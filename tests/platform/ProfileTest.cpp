#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/RecentFileList.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

class ProfileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    CRegistryHive hive{dir / "registry.reg", "HKEY_CURRENT_USER"};
    CProfile profile{hive, kSettingsRoot};
};

TEST_F(ProfileTest, ReadsWithDefaultsRelativeToTheRoot) {
    EXPECT_EQ(profile.GetInt("Settings", "Missing", 7), 7);
    EXPECT_EQ(profile.GetString("Settings", "Missing", "dflt"), "dflt");
    profile.WriteInt("Settings", "Negative", -1);
    profile.WriteString("Settings", "Text", "abc");
    profile.WriteString("", "InstallDir", "/opt/corvatine");
    EXPECT_EQ(profile.GetInt("Settings", "Negative", 0), -1);
    EXPECT_EQ(profile.GetInt("Settings", "Text", 5), 5);  // a string is no number
    EXPECT_EQ(profile.GetString("Settings", "Negative", "n"), "n");
    std::string text;
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine", "InstallDir", text));
    EXPECT_EQ(text, "/opt/corvatine");
    uint32_t raw = 0;
    ASSERT_TRUE(hive.GetDword("Software\\Brasko\\Corvatine\\Settings", "Negative", raw));
    EXPECT_EQ(raw, 0xFFFFFFFFu);

    profile.WriteInt("Settings\\Sub", "x", 1);
    profile.DeleteSection("Settings");
    EXPECT_EQ(profile.GetInt("Settings", "Negative", 0), 0);
    EXPECT_EQ(profile.GetInt("Settings\\Sub", "x", 0), 0);
    EXPECT_EQ(profile.GetString("", "InstallDir", ""), "/opt/corvatine");
}

TEST_F(ProfileTest, ASectionIsReplacedOnlyWhenItDoesNotHoldTheListAlready) {
    const std::vector<std::pair<std::string, std::string>> list = {{"Name1", "a"}, {"Filter1", "*.c"}};
    profile.ReplaceSection("Lists", list);
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;

    // The same values, whatever the case of their names: nothing to write.
    profile.ReplaceSection("Lists", {{"name1", "a"}, {"FILTER1", "*.c"}});
    EXPECT_FALSE(hive.IsModified());

    // Each way of not holding the list replaces the section as a whole.
    const auto replacedAfter = [&](const std::function<void()>& spoil) {
        spoil();
        ASSERT_TRUE(hive.Flush(error)) << error;
        profile.ReplaceSection("Lists", list);
        EXPECT_TRUE(hive.IsModified());
        EXPECT_EQ(profile.ValueNames("Lists"), (std::vector<std::string>{"Name1", "Filter1"}));
        EXPECT_FALSE(profile.HasSubsections("Lists"));
        EXPECT_EQ(profile.GetString("Lists", "Filter1", ""), "*.c");
        ASSERT_TRUE(hive.Flush(error)) << error;
    };
    replacedAfter([&] { profile.WriteString("Lists", "Name2", "extra"); });
    replacedAfter([&] { profile.WriteString("Lists", "Filter1", "*.h"); });
    replacedAfter([&] { profile.WriteInt("Lists", "Filter1", 3); });  // a number, not the text
    replacedAfter([&] { profile.WriteInt("Lists\\Sub", "x", 1); });
    replacedAfter([&] { profile.DeleteValue("Lists", "Name1"); });

    profile.ReplaceSection("Lists", {});
    EXPECT_FALSE(profile.HasValues("Lists"));
}

TEST_F(ProfileTest, RecentListMovesRepeatsToTheFrontAndKeepsItsSize) {
    CRecentFileList list("Recent\\Files", "File%d", 3);
    for (const char* path : {"/a", "/b", "/c", "/d"}) list.Add(path);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"/d", "/c", "/b"}));
    list.Add("/b/");  // the same path
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"/b/", "/d", "/c"}));
    list.Add("");
    EXPECT_EQ(list.Count(), 3);
    list.Add("/B");  // a different file on Linux
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"/B", "/b/", "/d"}));
    list.Remove(1);
    list.Remove(9);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"/B", "/d"}));

    CRecentFileList texts("Recent\\Find", "String%d", 5, CRecentFileList::Match::Text);
    texts.Add("a/");
    texts.Add("a");
    EXPECT_EQ(texts.Count(), 2);
}

TEST_F(ProfileTest, RecentListLoadAndSave) {
    profile.WriteString("Recent\\Files", "File1", "/one");
    profile.WriteString("Recent\\Files", "File2", "");
    profile.WriteString("Recent\\Files", "File3", "/three");
    profile.WriteString("Recent\\Files", "File4", "/four");
    profile.WriteString("Recent\\Files", "File5", "/beyond the size");
    CRecentFileList list("Recent\\Files", "File%d", 4);
    list.Load(profile);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"/one", "/three", "/four"}));

    list.Remove(0);
    list.Save(profile);
    EXPECT_EQ(profile.ValueNames("Recent\\Files"), (std::vector<std::string>{"File1", "File2"}));
    EXPECT_EQ(profile.GetString("Recent\\Files", "File1", ""), "/three");
    EXPECT_EQ(profile.GetString("Recent\\Files", "File2", ""), "/four");

    // Saving the same list again changes nothing.
    std::string error;
    ASSERT_TRUE(hive.Flush(error));
    list.Save(profile);
    EXPECT_FALSE(hive.IsModified());

    // A list of size 0 does not exist: it neither reads nor writes.
    CRecentFileList none("Recent\\Files", "File%d", 0);
    none.Add("/x");
    none.Load(profile);
    EXPECT_EQ(none.Count(), 0);
    none.Save(profile);
    EXPECT_EQ(profile.ValueNames("Recent\\Files").size(), 2u);
}

TEST_F(ProfileTest, ListsNothingWasDoneToLeaveTheirSectionsAsTheyAre) {
    profile.WriteString("Recent\\Files", "File1", "/one");
    profile.WriteString("Recent\\Files", "File3", "/three");
    profile.WriteString("Recent\\Files", "File9", "/beyond the size");
    profile.WriteString("Recent\\Pairs", "Pair1_1", "/l");
    profile.WriteString("Recent\\Pairs", "Pair1_2", "/r");
    profile.WriteString("Recent\\Pairs", "Pair3_1", "/incomplete");
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;

    CRecentFileList files("Recent\\Files", "File%d", 4);
    CRecentFilePairList pairs("Recent\\Pairs", "Pair%d_%d", 4);
    files.Load(profile);
    pairs.Load(profile);
    files.Save(profile);
    pairs.Save(profile);
    EXPECT_FALSE(hive.IsModified());
    EXPECT_EQ(profile.ValueNames("Recent\\Files"), (std::vector<std::string>{"File1", "File3", "File9"}));

    // Once something is done to a list, its section is written anew.
    pairs.Add("/a", "/b");
    pairs.Save(profile);
    EXPECT_TRUE(hive.IsModified());
    EXPECT_EQ(profile.ValueNames("Recent\\Pairs"),
              (std::vector<std::string>{"Pair1_1", "Pair1_2", "Pair2_1", "Pair2_2"}));
    EXPECT_EQ(profile.GetString("Recent\\Pairs", "Pair1_1", ""), "/a");
}

// Two runs that loaded the same settings and then each saved: the later one
// puts its entries onto what the earlier one wrote, and neither's are lost.
TEST_F(ProfileTest, RunsSavingAfterEachOtherKeepEveryRecentEntry) {
    profile.WriteString("Recent\\Pairs", "Pair1.1", "/old-l");
    profile.WriteString("Recent\\Pairs", "Pair1.2", "/old-r");
    profile.WriteString("Recent\\Files", "File1", "/gone");
    profile.WriteString("Recent\\Files", "File2", "/kept");
    profile.WriteInt("Settings", "MaxFiles", 10);
    profile.WriteInt("Settings", "MaxPairs", 100);
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;

    struct RUN {
        explicit RUN(const std::string& file)
            : hive(file, "HKEY_CURRENT_USER"), profile(hive, kSettingsRoot) {
            pairs.Load(profile);
            files.Load(profile);
        }
        CRegistryHive hive;
        CProfile profile;
        CRecentFilePairList pairs{"Recent\\Pairs", "Pair%d.%d", 3};
        CRecentFileList files{"Recent\\Files", "File%d", 3};
    };
    RUN first(dir / "registry.reg"), second(dir / "registry.reg");
    first.pairs.Add("/a1-l", "/a1-r");
    first.pairs.Add("/a2-l", "/a2-r");
    first.files.Remove(0);  // "/gone"
    first.profile.WriteInt("Settings", "MaxFiles", 12);
    second.pairs.Add("/b-l", "/b-r");
    second.pairs.Add("/old-l", "/old-r");  // the same pair again moves, not repeats
    second.files.Add("/new");
    second.profile.WriteInt("Settings", "MaxPairs", 50);
    second.profile.WriteInt("Settings", "MaxFiles", 10);  // as read: no change of its own

    for (RUN* run : {&second, &first}) {
        run->pairs.Save(run->profile);
        run->files.Save(run->profile);
        ASSERT_TRUE(run->hive.Flush(error)) << error;
    }

    // The second run's pairs stay behind the first's; the size holds, so its
    // oldest ("/b") drops off the end.
    RUN after(dir / "registry.reg");
    ASSERT_EQ(after.pairs.Count(), 3);
    EXPECT_EQ(after.pairs[0].left, "/a2-l");
    EXPECT_EQ(after.pairs[1].left, "/a1-l");
    EXPECT_EQ(after.pairs[2].left, "/old-l");
    EXPECT_EQ(after.pairs[2].right, "/old-r");
    EXPECT_EQ(after.files.Items(), (std::vector<std::string>{"/new", "/kept"}));
    EXPECT_EQ(after.profile.ValueNames("Recent\\Pairs").size(), 6u);
    EXPECT_EQ(after.profile.GetInt("Settings", "MaxFiles", 0), 12);
    EXPECT_EQ(after.profile.GetInt("Settings", "MaxPairs", 0), 50);

    // A run that changed no list leaves them as the others wrote them.
    RUN idle(dir / "registry.reg");
    after.pairs.Add("/c-l", "/c-r");
    after.pairs.Save(after.profile);
    ASSERT_TRUE(after.hive.Flush(error)) << error;
    idle.pairs.Save(idle.profile);
    idle.files.Save(idle.profile);
    EXPECT_FALSE(idle.hive.IsModified());
    ASSERT_TRUE(idle.hive.Flush(error)) << error;
    RUN last(dir / "registry.reg");
    EXPECT_EQ(last.pairs[0].left, "/c-l");
}

}  // namespace
}  // namespace corvatine::platform
