#include "integration/TortoiseIntegration.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

constexpr const char* kProgram = "/opt/corva/corvatine";

// A hive file of its own, holding the clients' values as a test sets them.
class TortoiseIntegrationTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string file = dir / "registry.reg";
    platform::CRegistryHive hive{file, "HKEY_CURRENT_USER"};
    CTortoiseIntegration tortoise{hive, kProgram};

    void Store(const std::string& key, const std::map<std::string, std::string>& values) {
        for (const auto& [name, value] : values) hive.SetString(key, name, value);
        std::string error;
        ASSERT_TRUE(hive.Flush(error)) << error;
    }
    // A value as the file holds it, read by a hive of its own; "<none>" when
    // it is not there.
    std::string Stored(const std::string& key, const std::string& name) {
        platform::CRegistryHive fresh(file, "HKEY_CURRENT_USER");
        std::string value;
        return fresh.GetString(key, name, value) ? value : "<none>";
    }
    bool StoredKeyExists(const std::string& key) {
        platform::CRegistryHive fresh(file, "HKEY_CURRENT_USER");
        return fresh.KeyExists(key);
    }
};

const std::string kSvnBackupKey = std::string("Software\\Brasko\\Corvatine\\") + kTortoiseSVNBackup;
const std::string kCvsBackupKey = std::string("Software\\Brasko\\Corvatine\\") + kTortoiseCVSBackup;

TEST_F(TortoiseIntegrationTest, SvnOnThenOffRestoresTheValueExactlyAndRemovesTheBackup) {
    const std::string old = "C:\\Program Files\\TortoiseSVN\\bin\\TortoiseMerge.exe /base:%base /mine:%mine";
    Store(kTortoiseSVNKey, {{"Diff", old}});
    ASSERT_TRUE(tortoise.IsTortoiseSVNConfigured());
    EXPECT_FALSE(tortoise.IsTortoiseSVNIntegrated());

    ASSERT_TRUE(tortoise.SetTortoiseSVNIntegration(true)) << tortoise.LastError();
    EXPECT_EQ(Stored(kTortoiseSVNKey, "Diff"), "/opt/corva/corvatine %base %mine");
    EXPECT_EQ(Stored(kSvnBackupKey, "Backup.Diff"), old);
    EXPECT_TRUE(tortoise.IsTortoiseSVNIntegrated());

    ASSERT_TRUE(tortoise.SetTortoiseSVNIntegration(false)) << tortoise.LastError();
    EXPECT_EQ(Stored(kTortoiseSVNKey, "Diff"), old);
    EXPECT_FALSE(StoredKeyExists(kSvnBackupKey));
    EXPECT_FALSE(tortoise.IsTortoiseSVNIntegrated());
}

TEST_F(TortoiseIntegrationTest, CvsOnThenOffRestoresAllFourValuesAndRemovesTheBackup) {
    const std::map<std::string, std::string> old = {
        {"External Diff Application", "C:\\WinMerge\\WinMerge.exe"},
        {"External Diff2 Params", "/e /u %1 %2"},
        {"External Merge Application", "C:\\kdiff3.exe"},
        {"External Merge2 Params", "%base %mine %yours"}};
    Store(kTortoiseCVSKey, old);
    ASSERT_TRUE(tortoise.IsTortoiseCVSConfigured());
    ASSERT_TRUE(tortoise.SetTortoiseCVSIntegration(true)) << tortoise.LastError();
    EXPECT_EQ(Stored(kTortoiseCVSKey, "External Diff Application"), kProgram);
    EXPECT_EQ(Stored(kTortoiseCVSKey, "External Diff2 Params"), "%1 %2");
    EXPECT_EQ(Stored(kTortoiseCVSKey, "External Merge Application"), kProgram);
    EXPECT_EQ(Stored(kTortoiseCVSKey, "External Merge2 Params"), "\"%mine\" \"%yours\"");
    EXPECT_EQ(Stored(kCvsBackupKey, "Backup.Diff"), "C:\\WinMerge\\WinMerge.exe");
    EXPECT_EQ(Stored(kCvsBackupKey, "Backup.DiffParams"), "/e /u %1 %2");
    EXPECT_EQ(Stored(kCvsBackupKey, "Backup.Merge"), "C:\\kdiff3.exe");
    EXPECT_EQ(Stored(kCvsBackupKey, "Backup.MergeParams"), "%base %mine %yours");
    EXPECT_TRUE(tortoise.IsTortoiseCVSIntegrated());

    ASSERT_TRUE(tortoise.SetTortoiseCVSIntegration(false)) << tortoise.LastError();
    for (const auto& [name, value] : old) EXPECT_EQ(Stored(kTortoiseCVSKey, name), value) << name;
    EXPECT_FALSE(StoredKeyExists(kCvsBackupKey));
}

// A client that is not configured is never written, whatever it holds.
TEST_F(TortoiseIntegrationTest, ANotConfiguredClientIsNeverWritten) {
    struct CASE {
        const char* what;
        std::map<std::string, std::string> svn;
        std::map<std::string, std::string> cvs;
    };
    const CASE cases[] = {
        {"nothing stored", {}, {}},
        {"empty values", {{"Diff", ""}}, {{"External Diff Application", ""}}},
        {"values of 1024 bytes",
         {{"Diff", std::string(1024, 'x')}},
         {{"External Diff Application", std::string(1024, 'x')}}},
        {"other values only", {{"Merge", "tmerge.exe"}}, {{"External Merge Application", "kdiff3.exe"}}},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        hive.DeleteKey(kTortoiseSVNKey);
        hive.DeleteKey(kTortoiseCVSKey);
        Store(kTortoiseSVNKey, c.svn);
        Store(kTortoiseCVSKey, c.cvs);
        const std::string before = test::ReadFile(file);
        EXPECT_FALSE(tortoise.IsTortoiseSVNConfigured());
        EXPECT_FALSE(tortoise.IsTortoiseCVSConfigured());
        EXPECT_FALSE(tortoise.SetTortoiseSVNIntegration(true));
        EXPECT_EQ(tortoise.LastError(), "TortoiseSVN has no comparison program configured");
        EXPECT_FALSE(tortoise.SetTortoiseCVSIntegration(true));
        EXPECT_EQ(tortoise.LastError().rfind("TortoiseCVS: cannot read its value \"", 0), 0u)
            << tortoise.LastError();
        EXPECT_FALSE(hive.IsModified());
        EXPECT_EQ(test::ReadFile(file), before);
    }
}

TEST_F(TortoiseIntegrationTest, CvsNeedsAllFourValuesToSwitchOn) {
    Store(kTortoiseCVSKey,
          {{"External Diff Application", "C:\\diff.exe"}, {"External Diff2 Params", "%1 %2"}});
    ASSERT_TRUE(tortoise.IsTortoiseCVSConfigured());
    const std::string before = test::ReadFile(file);
    EXPECT_FALSE(tortoise.SetTortoiseCVSIntegration(true));
    EXPECT_EQ(tortoise.LastError(), "TortoiseCVS: cannot read its value \"External Merge Application\"");
    EXPECT_EQ(test::ReadFile(file), before);
}

TEST_F(TortoiseIntegrationTest, OffWithoutABackupLeavesTheClientAlone) {
    Store(kTortoiseSVNKey, {{"Diff", "/opt/corva/corvatine %base %mine"}});
    Store(kTortoiseCVSKey, {{"External Diff Application", kProgram}});
    const std::string before = test::ReadFile(file);
    EXPECT_FALSE(tortoise.SetTortoiseSVNIntegration(false));
    EXPECT_EQ(tortoise.LastError(), "TortoiseSVN: there is no backup of its previous comparison program");
    EXPECT_FALSE(tortoise.SetTortoiseCVSIntegration(false));
    EXPECT_EQ(tortoise.LastError(),
              "TortoiseCVS: there is no backup of its value \"External Diff Application\"");
    EXPECT_EQ(test::ReadFile(file), before);
    EXPECT_TRUE(tortoise.IsTortoiseSVNIntegrated());
}

// A write that fails changes neither the client's values nor the backups,
// in the file or in what the program holds.
TEST_F(TortoiseIntegrationTest, AFailedWriteLeavesClientAndBackupsUnchanged) {
    Store(kTortoiseSVNKey, {{"Diff", "tdiff %base %mine"}});
    Store(kTortoiseCVSKey, {{"External Diff Application", "cdiff"},
                            {"External Diff2 Params", "%1 %2"},
                            {"External Merge Application", "cmerge"},
                            {"External Merge2 Params", "%mine %yours"}});
    int commits = 0;
    const auto failing = [&](std::string& error) {
        ++commits;
        error = "'" + file + "': No space left on device";
        return false;
    };

    // On fails: nothing changes.
    const std::string before = test::ReadFile(file);
    tortoise.SetCommit(failing);
    EXPECT_FALSE(tortoise.SetTortoiseSVNIntegration(true));
    EXPECT_EQ(tortoise.LastError(), "TortoiseSVN: '" + file + "': No space left on device");
    EXPECT_FALSE(tortoise.SetTortoiseCVSIntegration(true));
    EXPECT_EQ(commits, 2);
    EXPECT_FALSE(tortoise.IsTortoiseSVNIntegrated());
    EXPECT_FALSE(tortoise.IsTortoiseCVSIntegrated());
    std::string value;
    EXPECT_FALSE(hive.GetString(kSvnBackupKey, "Backup.Diff", value));
    EXPECT_FALSE(hive.GetString(kCvsBackupKey, "Backup.Merge", value));
    EXPECT_EQ(test::ReadFile(file), before);
    // What the failure left pending writes nothing new when flushed later.
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;
    EXPECT_EQ(Stored(kTortoiseSVNKey, "Diff"), "tdiff %base %mine");
    EXPECT_EQ(Stored(kSvnBackupKey, "Backup.Diff"), "<none>");

    // Off fails: the integration and its backups stay.
    tortoise.SetCommit(nullptr);
    ASSERT_TRUE(tortoise.SetTortoiseSVNIntegration(true));
    ASSERT_TRUE(tortoise.SetTortoiseCVSIntegration(true));
    const std::string integrated = test::ReadFile(file);
    tortoise.SetCommit(failing);
    EXPECT_FALSE(tortoise.SetTortoiseSVNIntegration(false));
    EXPECT_FALSE(tortoise.SetTortoiseCVSIntegration(false));
    EXPECT_TRUE(tortoise.IsTortoiseSVNIntegrated());
    EXPECT_TRUE(hive.GetString(kSvnBackupKey, "Backup.Diff", value));
    EXPECT_EQ(value, "tdiff %base %mine");
    EXPECT_TRUE(hive.GetString(kCvsBackupKey, "Backup.MergeParams", value));
    EXPECT_EQ(value, "%mine %yours");
    EXPECT_EQ(test::ReadFile(file), integrated);
}

// The settings folder cannot take the file: the real write fails.
TEST_F(TortoiseIntegrationTest, AFolderThatCannotBeWrittenFailsTheSwitch) {
    test::TempDir other;
    const std::string folder = other / "settings";
    const std::string path = folder + "/registry.reg";
    other.MakeFolder("settings");
    platform::CRegistryHive settings(path, "HKEY_CURRENT_USER");
    settings.SetString(kTortoiseSVNKey, "Diff", "tdiff");
    std::string error;
    ASSERT_TRUE(settings.Flush(error)) << error;
    // The folder is replaced by a plain file: no temporary file can be made
    // beside the hive, not even by root.
    ASSERT_EQ(::rename(folder.c_str(), (other / "moved").c_str()), 0);
    other.WriteFile("settings", "not a folder");

    CTortoiseIntegration failing(settings, kProgram);
    EXPECT_FALSE(failing.SetTortoiseSVNIntegration(true));
    EXPECT_NE(failing.LastError().find("TortoiseSVN: "), std::string::npos);
    EXPECT_FALSE(failing.IsTortoiseSVNIntegrated());
    std::string value;
    EXPECT_FALSE(settings.GetString(kSvnBackupKey, "Backup.Diff", value));
}

}  // namespace
}  // namespace corvatine
