// The program loads its settings at start and writes them back at exit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/Path.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

const char* const kGeneralOptions[] = {
    "ShowStartPage",
    "ShowLeftPane",
    "ShowLongTitle",
    "TabbedDocuments",
    "SynchronizeScrolling",
    "PanesOrientation",
    "ShowStandardBar",
    "ShowAdvancedBar",
    "ShowMapBar",
    "ShowMergeBar",
    "ShowPathBar",
    "ShowStatusBar",
    "ShowOutputBar",
    "ShowHorzMiniBar",
    "ShowVertMiniBar",
    "AutoPick",
    "MaxMRU",
    "MaxFiles",
    "MaxComparisons",
    "MaxPairs",
    "LoadLastFolderComparison",
    "LoadLastFileComparison",
    "SaveFolderComparisons",
    "SaveProjectComparisons",
    "SaveTextComparisons",
    "SaveBinaryComparisons",
    "NoDuplicatePairs",
    "WindowPosX",
    "WindowPosY",
    "WindowSizeCX",
    "WindowSizeCY",
    "WindowMaximized",
    "WindowFullScreen",
    "MapBarSize",
    "OutputBarSize",
    "EscToClose",
};

class SettingsTest : public ::testing::Test {
protected:
    std::string RegistryFile() const { return config / "registry.reg"; }

    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, work.Path(), {"CORVATINE_CONFIG_DIR=" + config.Path()});
    }

    // The settings as the program left them.
    platform::CProfile& Stored() {
        hive = std::make_unique<platform::CRegistryHive>(RegistryFile(), "HKEY_CURRENT_USER");
        profile = std::make_unique<platform::CProfile>(*hive, platform::kSettingsRoot);
        return *profile;
    }

    test::TempDir config;
    test::TempDir work;
    std::unique_ptr<platform::CRegistryHive> hive;
    std::unique_ptr<platform::CProfile> profile;
};

TEST_F(SettingsTest, StoredRulesReachTheRequest) {
    config.WriteFile(
        "registry.reg",
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FileComparison\\TextComparison"
        "\\Settings\\Rules\\Default]\n"
        "\"IgnoreCase\"=dword:00000001\n");
    work.WriteFile("a", "x\n");
    work.WriteFile("b", "y\n");
    const test::ProgramResult result = Run({"--print-request", "-c", "/t:text", "a", "b"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Json::parse(result.out)["request"]["rules"], 0x30000);
}

TEST_F(SettingsTest, StoredFolderDefaultsReachTheRequest) {
    config.WriteFile(
        "registry.reg",
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FolderComparison\\Settings\\"
        "Methods\\Default]\n\"CompareCRC\"=dword:1\n"
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FolderComparison\\Settings\\"
        "Methods]\n\"AutoScanFolders\"=dword:1\n"
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Comparisons\\FolderComparison\\Settings\\"
        "Filters\\Default\\Folders]\n\"NameExclude\"=\".svn\"\n");
    work.MakeFolder("l");
    work.MakeFolder("r");
    const Json request = Json::parse(Run({"--print-request", "l", "r"}).out)["request"];
    EXPECT_EQ(request["methods"], 0x100110);
    EXPECT_EQ(request["options"], 2);
    EXPECT_EQ(request["filters"]["folders"]["nameExclude"], ".svn");
}

TEST_F(SettingsTest, EveryRunLeavesEveryGeneralOptionInRange) {
    config.WriteFile("registry.reg",
                     "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n"
                     "\"MaxFiles\"=dword:00000010\n"
                     "\"MapBarSize\"=dword:00002000\n"
                     "\"ExternalTextEditor\"=\"vi\"\n"
                     "[HKEY_CURRENT_USER\\Software\\Other Vendor]\n\"Kept\"=\"yes\"\n");
    const test::ProgramResult result = Run({"--version"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;

    platform::CProfile& stored = Stored();
    for (const char* name : kGeneralOptions)
        EXPECT_NE(stored.GetInt("Settings", name, -12345), -12345) << name;
    EXPECT_EQ(stored.GetInt("Settings", "MaxFiles", 0), 10);
    EXPECT_EQ(stored.GetInt("Settings", "MapBarSize", 0), 56);
    EXPECT_EQ(stored.GetInt("Settings", "MaxMRU", 0), 20);
    EXPECT_EQ(stored.GetString("Settings", "ExternalTextEditor", ""), "vi");
    EXPECT_EQ(stored.GetInt("Comparisons\\FileComparison\\Settings", "FileWatch", -1), 1);
    EXPECT_EQ(stored.GetInt("Integration\\Shell", "Cascaded", -1), 1);
    EXPECT_EQ(stored.GetString("", "InstallDir", ""), platform::PathParentFolder(test::CorvatineProgram()));
    // What other programs keep in the hive survives.
    std::string kept;
    EXPECT_TRUE(hive->GetString("Software\\Other Vendor", "Kept", kept));
}

TEST_F(SettingsTest, ADeletedSettingsFileComesBackWithTheDefaults) {
    ASSERT_EQ(Run({"--version"}).exitStatus, 0);
    const std::string first = test::ReadFile(RegistryFile());
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(std::remove(RegistryFile().c_str()), 0);
    ASSERT_EQ(Run({"--version"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(RegistryFile()), first);
    EXPECT_EQ(Stored().GetString("", "InstallDir", ""), platform::PathParentFolder(test::CorvatineProgram()));

    // A run that changes nothing leaves the file as it is.
    struct stat before, after;
    ASSERT_EQ(::stat(RegistryFile().c_str(), &before), 0);
    ASSERT_EQ(Run({"--version"}).exitStatus, 0);
    ASSERT_EQ(::stat(RegistryFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(SettingsTest, ADamagedFileIsKeptAsideAndReported) {
    const std::string damaged =
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"MaxFiles\"=dword:zz\n";
    config.WriteFile("registry.reg", damaged);
    work.WriteFile("a", "x\n");
    work.WriteFile("b", "y\n");
    const test::ProgramResult result = Run({"--print-request", "a", "b"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.err.find("warning"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(RegistryFile() + ".bad"), std::string::npos) << result.err;
    EXPECT_EQ(Json::parse(result.out)["request"]["rules"], 0x20000);
    EXPECT_EQ(test::ReadFile(RegistryFile() + ".bad"), damaged);
    EXPECT_EQ(Stored().GetInt("Settings", "MaxFiles", 0), 10);
}

TEST_F(SettingsTest, AFailedSaveLeavesTheOldFileAndSaysWhy) {
    const std::string old =
        "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"MaxFiles\"=dword:00000010\n";
    config.WriteFile("registry.reg", old);
    // No file may grow: the save runs out of room as on a full disk.
    const test::ProgramResult result = test::RunProgram(
        "/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" --version", test::CorvatineProgram()},
        {"CORVATINE_CONFIG_DIR=" + config.Path()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.err.find("cannot write " + RegistryFile()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(RegistryFile()), old);
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A \"$0\"", config.Path()}).out,
              "registry.reg\nsettings.lock\n");
}

TEST_F(SettingsTest, ProgramsRunningAtOnceNeverTearTheFile) {
    const test::ProgramResult result =
        test::RunProgram("/bin/sh",
                         {"-c", "for i in 1 2 3 4 5 6 7 8; do \"$0\" --version >/dev/null & done; wait",
                          test::CorvatineProgram()},
                         {"CORVATINE_CONFIG_DIR=" + config.Path()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    platform::CProfile& stored = Stored();
    EXPECT_EQ(hive->LoadWarning(), "");
    for (const char* name : kGeneralOptions)
        EXPECT_NE(stored.GetInt("Settings", name, -12345), -12345) << name;
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A \"$0\"", config.Path()}).out,
              "registry.reg\nsettings.lock\n");
}

// Many runs at once, each comparing its own pair, sharing one configuration
// folder: every comparison is in the recent comparisons list and every pair in
// the recent pairs, and the per-side lists hold exactly their size.
TEST_F(SettingsTest, RunsAtOnceKeepEveryRecentComparison) {
    constexpr int kRuns = 40;
    std::string script = "for i in";
    for (int i = 0; i < kRuns; ++i) {
        work.WriteFile("l" + std::to_string(i), "same " + std::to_string(i) + "\n");
        work.WriteFile("r" + std::to_string(i), "same " + std::to_string(i) + "\n");
        script += " " + std::to_string(i);
    }
    script += "; do \"$0\" --quiet -c /t:b \"l$i\" \"r$i\" & done; wait";
    const test::ProgramResult result =
        test::RunProgram("/bin/sh", {"-c", script, test::CorvatineProgram()},
                         {"CORVATINE_CONFIG_DIR=" + config.Path()}, work.Path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");

    const std::string mru = test::ReadFile(config / "MRU.cmp");
    platform::CProfile& stored = Stored();
    const std::string pairs = "Comparisons\\FileComparison\\BinaryComparison\\Recent\\Pairs";
    std::set<std::string> storedPairs;
    for (int n = 1; n <= kRuns; ++n)
        storedPairs.insert(stored.GetString(pairs, "Pair" + std::to_string(n) + ".1", "") + " " +
                           stored.GetString(pairs, "Pair" + std::to_string(n) + ".2", ""));
    for (int i = 0; i < kRuns; ++i) {
        const std::string left = "l" + std::to_string(i), right = "r" + std::to_string(i);
        // The list keeps absolute paths; the pairs keep them as given.
        EXPECT_NE(mru.find("<Object Path=\"" + work / left + "\""), std::string::npos) << i;
        EXPECT_NE(mru.find("<Object Path=\"" + work / right + "\""), std::string::npos) << i;
        EXPECT_EQ(storedPairs.count(left + " " + right), 1u) << i;
    }
    EXPECT_EQ(stored.ValueNames(pairs).size(), 2u * kRuns);
    size_t records = 0;
    for (size_t at = mru.find("<Comparison "); at != std::string::npos; at = mru.find("<Comparison ", at + 1))
        ++records;
    EXPECT_EQ(records, static_cast<size_t>(kRuns));
    for (const char* side : {"1", "2"}) {
        EXPECT_EQ(
            stored
                .ValueNames(std::string("Comparisons\\FileComparison\\BinaryComparison\\Recent\\Files\\") +
                            side)
                .size(),
            20u);  // MaxMRU
    }
}

// A comparison of two text files reads and writes the text comparison's
// settings and the recent comparisons list, and no other component's: values
// that another component would rewrite (out of range, or missing) are left
// exactly as the file held them, and every value of the file is still there.
TEST_F(SettingsTest, ATextComparisonWritesOnlyWhatItReads) {
    struct STORED {
        const char* key;
        const char* name;
        const char* value;  // as the file holds it
    };
    const STORED stored[] = {
        {"Comparisons\\FileComparison\\TextComparison\\Settings\\Rules\\Default", "IgnoreCase",
         "dword:00000001"},
        {"Comparisons\\FolderComparison\\Settings\\Methods\\Default", "CompareCRC", "dword:00000001"},
        {"Comparisons\\FolderComparison\\Settings\\Methods", "SmallTimeToIgnore", "dword:fffffffd"},
        {"Comparisons\\FolderComparison\\Settings\\Filters\\Preset\\Files\\Include", "Filter1", "\"*.c\""},
        {"Comparisons\\FileComparison\\BinaryComparison\\Settings", "AutoRecompare", "dword:00000007"},
        {"Comparisons\\FileComparison\\Settings\\ExternalTools", "Name1", "\"half a tool\""},
        {"Components\\TextEditor\\Settings", "TabSize", "dword:000003e7"},
        {"Components\\BinaryEditor\\Settings", "ShowUppercase", "dword:00000007"},
        {"Settings", "ColorScheme", "dword:00000009"},
    };
    std::string file = "Windows Registry Editor Version 5.00\n";
    for (const STORED& entry : stored)
        file += std::string("\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\") + entry.key + "]\n\"" +
                entry.name + "\"=" + entry.value + "\n";
    // The settings folder found as a user's is: under XDG_CONFIG_HOME.
    test::TempDir home;
    home.WriteFile("xdg/corvatine/registry.reg", file);
    const std::string folder = home / "xdg/corvatine";
    work.WriteFile("a.txt", "one\ntwo\n");
    work.WriteFile("b.txt", "one\nthree\n");
    const test::ProgramResult result = test::RunCorvatine(
        {"a.txt", "b.txt"}, work.Path(),
        {"CORVATINE_CONFIG_DIR=", "HOME=" + home.Path(), "XDG_CONFIG_HOME=" + home / "xdg"});
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.err, "");

    const std::string text = test::ReadFile(folder + "/registry.reg");
    // Every value as the file held it, in its own key.
    for (const STORED& entry : stored) {
        const std::string section =
            std::string("[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\") + entry.key + "]";
        const size_t at = text.find(section + "\n");
        ASSERT_NE(at, std::string::npos) << section;
        const size_t end = text.find("\n[", at + 1);
        EXPECT_NE(text.substr(at, end - at).find(std::string("\"") + entry.name + "\"=" + entry.value + "\n"),
                  std::string::npos)
            << entry.key << "\\" << entry.name << " in\n"
            << text;
    }
    platform::CRegistryHive writtenHive(folder + "/registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile written(writtenHive, platform::kSettingsRoot);
    // The text comparison's settings were read and written back.
    EXPECT_EQ(written.GetInt("Comparisons\\FileComparison\\TextComparison\\Settings", "QuickMergeMode", -1),
              0);
    EXPECT_TRUE(written.HasValues("Comparisons\\FileComparison\\TextComparison\\Settings\\Colors"));
    // The other components wrote nothing of their own.
    for (const char* untouched :
         {"Comparisons\\FolderComparison\\Settings\\Columns",
          "Comparisons\\FolderComparison\\Settings\\Colors", "Comparisons\\FolderComparison\\Recent\\Pairs",
          "Components\\TextEditor\\Settings\\Colors", "Components\\BinaryEditor\\Settings\\Colors",
          "Comparisons\\FileComparison\\BinaryComparison\\Recent\\Pairs"})
        EXPECT_FALSE(written.HasValues(untouched)) << untouched;
    EXPECT_EQ(written.ValueNames("Components\\TextEditor\\Settings").size(), 1u);
    EXPECT_EQ(written.ValueNames("Components\\BinaryEditor\\Settings").size(), 1u);
    EXPECT_EQ(written.ValueNames("Comparisons\\FolderComparison\\Settings\\Methods").size(), 1u);
    // The comparison is in the recent comparisons list beside the settings.
    const std::string recent = test::ReadFile(folder + "/MRU.cmp");
    EXPECT_NE(recent.find("<Object Path=\"" + work / "a.txt" + "\""), std::string::npos) << recent;
    EXPECT_NE(recent.find("<Object Path=\"" + work / "b.txt" + "\""), std::string::npos) << recent;
}

// The exit of a run that changed settings writes them without changing the
// file's permissions.
TEST_F(SettingsTest, SavingKeepsTheFilesPermissions) {
    work.WriteFile("a", "a\n");
    work.WriteFile("b", "b\n");
    for (mode_t mode : {0644, 0600}) {
        config.WriteFile(
            "registry.reg",
            "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"MaxFiles\"=dword:00000003\n");
        ASSERT_EQ(::chmod(RegistryFile().c_str(), mode), 0);
        config.WriteFile("MRU.cmp", "<Comparisons Version=\"1.0.8\"/>");
        ASSERT_EQ(::chmod((config / "MRU.cmp").c_str(), mode), 0);
        ASSERT_EQ(Run({"--quiet", "-c", "/t:b", "a", "b"}).exitStatus, 1);
        ASSERT_NE(test::ReadFile(RegistryFile()).find("BinaryComparison"), std::string::npos);
        ASSERT_NE(test::ReadFile(config / "MRU.cmp").find("Binary"), std::string::npos);
        for (const std::string& file : {RegistryFile(), config / "MRU.cmp"}) {
            struct stat st;
            ASSERT_EQ(::stat(file.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << file;
        }
    }
}

}  // namespace
}  // namespace corvatine
