#include "platform/Profile.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace corvatine::platform
