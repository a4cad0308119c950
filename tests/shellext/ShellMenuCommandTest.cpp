#include "shellext/ShellMenuCommand.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "ShellTestSupport.h"
#include "shellext/ProcessStarter.h"

namespace corvatine::shellext {
namespace {

using test::CRecordingStarter;
using test::CScriptedChooser;

class ShellMenuCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        RememberedItems() = REMEMBEREDITEMS{};
        fileA = dir.WriteFile("a.txt", "a\n");
        fileB = dir.WriteFile("b.txt", "b\n");
        folder = dir.MakeFolder("folder");
        config.WriteFile("registry.reg", test::HiveText("/opt/corvatine", 1, 0));
        items = runtime / "corvatine-shell-items";
    }
    void TearDown() override { RememberedItems() = REMEMBEREDITEMS{}; }

    // Runs a command as a new process would: nothing remembered in memory.
    bool Run(int code, const std::vector<std::string>& paths) {
        RememberedItems() = REMEMBEREDITEMS{};
        error.clear();
        return RunShellMenuCommand(code, paths, config.Path(), items, starter, &chooser, error);
    }

    corvatine::test::TempDir dir, config, runtime;
    std::string fileA, fileB, folder, items, error;
    CRecordingStarter starter;
    CScriptedChooser chooser;
};

TEST_F(ShellMenuCommandTest, SelectFirstThenCompareToAcrossProcesses) {
    ASSERT_TRUE(Run(CMD_SELECT_FIRST, {fileA})) << error;
    EXPECT_TRUE(starter.started.empty());
    EXPECT_EQ(corvatine::test::ReadFile(items), fileA + '\0' + '\0');
    ASSERT_TRUE(Run(CMD_COMPARE_TO, {fileB})) << error;
    ASSERT_TRUE(Run(CMD_COMPARE_TEXT, {fileB})) << error;
    ASSERT_EQ(starter.started.size(), 2u);
    EXPECT_EQ(starter.started[0].program, "/opt/corvatine/corvatine");
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, fileB}));
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string>{"-c", fileA, fileB, "/t:text"}));

    // A folder is remembered beside the file.
    ASSERT_TRUE(Run(CMD_SELECT_FIRST, {folder})) << error;
    EXPECT_EQ(corvatine::test::ReadFile(items), fileA + '\0' + folder + '\0');
}

TEST_F(ShellMenuCommandTest, CommandsTheSelectionDoesNotOfferAreRefused) {
    EXPECT_FALSE(Run(CMD_COMPARE_TO, {fileB}));
    EXPECT_EQ(error,
              "\"Compare To the first item\" is not offered for this selection (no first item of its kind is "
              "selected, or it no longer exists)");
    EXPECT_FALSE(Run(CMD_COMPARE, {fileA}));
    EXPECT_EQ(error, "\"Compare\" is not offered for this selection");
    EXPECT_FALSE(Run(CMD_COMPARE, {fileA, folder}));
    EXPECT_EQ(error, "the selection cannot be compared: select one or two files, or one or two folders");
    EXPECT_FALSE(Run(0, {fileA}));
    EXPECT_EQ(error, "the command code must be 1 to 9, not 0");
    EXPECT_FALSE(Run(10, {fileA}));
    EXPECT_EQ(error, "the command code must be 1 to 9, not 10");
    EXPECT_FALSE(Run(CMD_COMPARE, {}));
    EXPECT_EQ(error, "no file or folder named");
    EXPECT_FALSE(Run(CMD_DRAG_COMPARE, {fileA}));
    EXPECT_EQ(error, "a drag command names the dragged item and the target folder");
    EXPECT_TRUE(starter.started.empty());
}

TEST_F(ShellMenuCommandTest, RememberedItemDeletedMeanwhileIsNotOffered) {
    const std::string gone = dir.WriteFile("gone.txt", "x");
    ASSERT_TRUE(Run(CMD_SELECT_FIRST, {gone})) << error;
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    EXPECT_FALSE(Run(CMD_COMPARE_TO, {fileB}));
    EXPECT_TRUE(starter.started.empty());
}

TEST_F(ShellMenuCommandTest, TwoItemsDragAndChosenItems) {
    ASSERT_TRUE(Run(CMD_COMPARE_BINARY, {fileA, fileB})) << error;
    ASSERT_TRUE(Run(CMD_DRAG_COMPARE_TEXT, {fileA, folder})) << error;
    chooser.path = fileB;
    ASSERT_TRUE(Run(CMD_COMPARE_TO_CHOSEN, {fileA})) << error;
    chooser.answer = false;
    ASSERT_TRUE(Run(CMD_COMPARE_TO_CHOSEN, {fileA})) << error;  // cancelled: nothing to do
    ASSERT_EQ(starter.started.size(), 3u);
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, fileB, "/t:binary"}));
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string>{"-c", fileA, folder, "/t:text"}));
    EXPECT_EQ(starter.started[2].arguments, (std::vector<std::string>{"-c", fileA, fileB}));
}

TEST_F(ShellMenuCommandTest, CompareToWithoutAChooserStartsTheProgramToAsk) {
    // As "corvatine --shell-menu=3" runs it: the program started again asks.
    std::string failure;
    ASSERT_TRUE(
        RunShellMenuCommand(CMD_COMPARE_TO_CHOSEN, {folder}, config.Path(), items, starter, nullptr, failure))
        << failure;
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"--compare-to-chosen", folder}));
    starter.succeed = false;
    starter.error = ENOENT;
    EXPECT_FALSE(
        RunShellMenuCommand(CMD_COMPARE_TO_CHOSEN, {fileA}, config.Path(), items, starter, nullptr, failure));
    EXPECT_EQ(failure, "cannot start /opt/corvatine/corvatine: No such file or directory");
}

TEST_F(ShellMenuCommandTest, RelativePathsAreTakenAgainstTheCurrentFolder) {
    char* saved = ::getcwd(nullptr, 0);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    const bool ran = Run(CMD_COMPARE, {"a.txt", "./b.txt"});
    EXPECT_EQ(::chdir(saved), 0);
    std::free(saved);
    ASSERT_TRUE(ran) << error;
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, fileB}));
}

TEST_F(ShellMenuCommandTest, MissingInstallDirIsTold) {
    config.WriteFile("registry.reg", test::HiveText("", 1, 0));
    EXPECT_FALSE(Run(CMD_COMPARE, {fileA, fileB}));
    EXPECT_EQ(
        error,
        "the program is not found: the settings hold no InstallDir (running corvatine once records it)");
    EXPECT_TRUE(starter.started.empty());
}

TEST_F(ShellMenuCommandTest, RememberedItemsFileRoundTripsAnyPath) {
    RememberedItems() = REMEMBEREDITEMS{"/a/with\nnewline \"q\"", "/b/folder with space"};
    std::string saveError;
    ASSERT_TRUE(SaveRememberedItems(items, saveError)) << saveError;
    RememberedItems() = REMEMBEREDITEMS{};
    LoadRememberedItems(items);
    EXPECT_EQ(RememberedItems().file, "/a/with\nnewline \"q\"");
    EXPECT_EQ(RememberedItems().folder, "/b/folder with space");
    // A missing or cut file remembers nothing.
    LoadRememberedItems(runtime / "missing");
    EXPECT_EQ(RememberedItems().file, "");
    runtime.WriteFile("cut", std::string("/only\0", 6));
    RememberedItems().folder = "/x";
    LoadRememberedItems(runtime / "cut");
    EXPECT_EQ(RememberedItems().file, "");
    EXPECT_EQ(RememberedItems().folder, "");

    EXPECT_FALSE(SaveRememberedItems("/proc/corvatine-no/such/items", saveError));
    EXPECT_EQ(saveError.rfind("cannot create the folder /proc/corvatine-no/such: ", 0), 0u) << saveError;
}

TEST(RememberedItemsFileTest, RuntimeFolderElseConfigurationFolder) {
    corvatine::test::ScopedEnv config("CORVATINE_CONFIG_DIR", "/cfg");
    {
        corvatine::test::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        EXPECT_EQ(RememberedItemsFile(), "/run/user/1000/corvatine-shell-items");
    }
    corvatine::test::ScopedEnv runtime("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(RememberedItemsFile(), "/cfg/corvatine-shell-items");
}

TEST(MenuFilesTest, DolphinAndNemoRunTheEntryWithTheirCodes) {
    const auto dolphin = DolphinServiceMenus("/opt/my corvatine/corvatine");
    ASSERT_EQ(dolphin.size(), 2u);
    EXPECT_EQ(dolphin[0].name, "corvatine-compare-one.desktop");
    EXPECT_NE(dolphin[0].text.find("X-KDE-MaxNumberOfUrls=1\n"), std::string::npos);
    EXPECT_NE(
        dolphin[0].text.find("[Desktop Action corvatineSelectFirst]\nName=Select First Item to Compare\n"
                             "Icon=corvatine-compare\n"
                             "Exec=\"/opt/my corvatine/corvatine\" --shell-menu=1 -- %F\n"),
        std::string::npos)
        << dolphin[0].text;
    EXPECT_NE(dolphin[1].text.find("X-KDE-MinNumberOfUrls=2\nX-KDE-MaxNumberOfUrls=2\n"), std::string::npos);
    EXPECT_NE(dolphin[1].text.find("Exec=\"/opt/my corvatine/corvatine\" --shell-menu=6 -- %F\n"),
              std::string::npos);

    const auto nemo = NemoActions("/usr/bin/corvatine");
    ASSERT_EQ(nemo.size(), 6u);
    EXPECT_EQ(nemo[0].name, "corvatine-select-first.nemo_action");
    EXPECT_EQ(nemo[0].text,
              "[Nemo Action]\nName=Select First Item to Compare\n"
              "Comment=Select the file or folder as first item to compare using Corvatine\n"
              "Exec=/usr/bin/corvatine --shell-menu=1 -- %F\nIcon-Name=corvatine-compare\nSelection=s\n"
              "Extensions=any;\n");
    EXPECT_NE(nemo[3].text.find("Exec=/usr/bin/corvatine --shell-menu=4 -- %F\n"), std::string::npos);
    EXPECT_NE(nemo[3].text.find("Selection=m\n"), std::string::npos);
}

// Waits up to 20 s for a file that another process writes.
std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 400; ++i) {
        struct stat status;
        if (::stat(path.c_str(), &status) == 0) return corvatine::test::ReadFile(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "(not written)";
}

TEST(SpawnStarterTest, StartsTheProgramWithItsArgumentVector) {
    corvatine::test::TempDir dir;
    const std::string script = dir.WriteFile("record",
                                             "#!/bin/sh\n"
                                             "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.tmp\"\n"
                                             "mv \"$0.tmp\" \"$0.argv\"\n");
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    CSpawnStarter starter;
    ASSERT_TRUE(starter.Start(script, {"-c", "/x y/\"a\" $b", "", "/t:text"}));
    EXPECT_EQ(starter.LastError(), 0);
    EXPECT_EQ(WaitForFile(script + ".argv"), std::string("-c\0/x y/\"a\" $b\0\0/t:text\0", 24));

    EXPECT_FALSE(starter.Start(dir / "missing", {}));
    EXPECT_EQ(starter.LastError(), ENOENT);
}

}  // namespace
}  // namespace corvatine::shellext
