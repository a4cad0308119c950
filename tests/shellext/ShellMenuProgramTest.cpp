// "corvatine --shell-menu=CODE PATHS" end to end: the program started for the
// command is a recording stand-in, or the real corvatine of this build.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <thread>

#include "ShellTestSupport.h"

namespace corvatine::shellext {
namespace {

using corvatine::test::RunCorvatine;
using corvatine::test::TempDir;

class ShellMenuProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fileA = work.WriteFile("left side/a file.txt", "alpha\nsame\n");
        fileB = work.WriteFile("b.txt", "beta\nsame\n");
        folder = work.MakeFolder("target folder");
        // The stand-in records its arguments, NUL-terminated, once complete.
        const std::string fake =
            install.WriteFile("corvatine",
                              "#!/bin/sh\n"
                              "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.tmp\"\n"
                              "mv \"$0.tmp\" \"$0.argv\"\n");
        EXPECT_EQ(::chmod(fake.c_str(), 0755), 0);
        argvFile = fake + ".argv";
        UseInstallDir(install.Path());
    }

    void UseInstallDir(const std::string& folderPath) {
        config.WriteFile("registry.reg", test::HiveText(folderPath, 1, 0));
    }

    corvatine::test::ProgramResult Menu(const std::vector<std::string>& arguments) {
        return RunCorvatine(arguments, work.Path(),
                            {"CORVATINE_CONFIG_DIR=" + config.Path(), "XDG_RUNTIME_DIR=" + runtime.Path()});
    }

    // The arguments the stand-in was started with; it is started without
    // waiting, so this waits up to 20 s for them.
    std::vector<std::string> Started() {
        for (int i = 0; i < 400; ++i) {
            struct stat status;
            if (::stat(argvFile.c_str(), &status) == 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const std::string bytes = corvatine::test::ReadFile(argvFile);
        std::remove(argvFile.c_str());
        std::vector<std::string> arguments;
        size_t start = 0;
        for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
            arguments.push_back(bytes.substr(start, end - start));
        return arguments;
    }

    TempDir work, install, config, runtime;
    std::string fileA, fileB, folder, argvFile;
};

TEST_F(ShellMenuProgramTest, SelectFirstInOneProcessThenCompareToInAnother) {
    auto result = Menu({"--shell-menu=1", "--", fileA});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(corvatine::test::ReadFile(runtime / "corvatine-shell-items"), fileA + '\0' + '\0');

    result = Menu({"--shell-menu=2", "--", fileB});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(Started(), (std::vector<std::string>{"-c", fileA, fileB}));

    result = Menu({"--shell-menu=6", "b.txt"});  // relative to the current folder
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(Started(), (std::vector<std::string>{"-c", fileA, fileB, "/t:binary"}));
}

TEST_F(ShellMenuProgramTest, TwoItemsAndDragIntoAFolder) {
    auto result = Menu({"--shell-menu=5", "--", fileA, fileB});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(Started(), (std::vector<std::string>{"-c", fileA, fileB, "/t:text"}));
    result = Menu({"--shell-menu=7", "--", fileA, folder});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(Started(), (std::vector<std::string>{"-c", fileA, folder}));
}

TEST_F(ShellMenuProgramTest, CompareToStartsTheProgramToAskWithNoDialogProgram) {
    // Dolphin's and Nemo's Compare To...: the program is started again, to
    // ask in its window.
    const auto result = Menu({"--shell-menu=3", "--", fileA});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(Started(), (std::vector<std::string>{"--compare-to-chosen", fileA}));
}

TEST_F(ShellMenuProgramTest, TroubleIsToldWithExitStatus2) {
    struct CASE {
        std::vector<std::string> arguments;
        std::string message;
    };
    const CASE cases[] = {
        {{"--shell-menu=0", fileA},
         "corvatine: invalid value '0' for '--shell-menu': a command code from 1 to 9\n"},
        {{"--shell-menu=12", fileA},
         "corvatine: invalid value '12' for '--shell-menu': a command code from 1 to 9\n"},
        {{"--shell-menu=2", fileB},
         "corvatine: --shell-menu=2: \"Compare To the first item\" is not offered for this selection (no "
         "first "
         "item of its kind is selected, or it no longer exists)\n"},
        {{"--shell-menu=4", fileA, folder},
         "corvatine: --shell-menu=4: the selection cannot be compared: select one or two files, or one or "
         "two "
         "folders\n"},
        {{"--shell-menu=4"}, "corvatine: --shell-menu=4: no file or folder named\n"},
        {{"--shell-menu"},
         "corvatine: option '--shell-menu' needs a value: --shell-menu=...\nTry 'corvatine "
         "--help' for more information.\n"},
    };
    for (const CASE& c : cases) {
        const auto result = Menu(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.arguments[0];
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(ShellMenuProgramTest, TroubleIsAlsoShownInADialogWhereNobodyReadsStderr) {
    // Started by a file manager: a display, stderr no terminal. A zenity of
    // our own records how it is asked.
    TempDir bin;
    const std::string zenity = bin.WriteFile("zenity",
                                             "#!/bin/sh\n"
                                             "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.tmp\"\n"
                                             "mv \"$0.tmp\" \"$0.args\"\n");
    ASSERT_EQ(::chmod(zenity.c_str(), 0755), 0);
    const auto result =
        RunCorvatine({"--shell-menu=2", "--", fileB}, work.Path(),
                     {"CORVATINE_CONFIG_DIR=" + config.Path(), "XDG_RUNTIME_DIR=" + runtime.Path(),
                      "DISPLAY=:97", "PATH=" + bin.Path() + ":/usr/bin:/bin"});
    EXPECT_EQ(result.exitStatus, 2);
    const std::string message =
        "--shell-menu=2: \"Compare To the first item\" is not offered for this selection (no first item of "
        "its "
        "kind is selected, or it no longer exists)";
    EXPECT_EQ(result.err, "corvatine: " + message + "\n");
    argvFile = zenity + ".args";
    EXPECT_EQ(Started(),
              (std::vector<std::string>{"--error", "--no-markup", "--title=Corvatine", "--text=" + message}));
}

TEST_F(ShellMenuProgramTest, TheRealProgramComparesWhatTheMenuNamed) {
    // InstallDir is the folder of this build's program: the command starts
    // it, and its output reaches ours through the inherited standard output.
    const std::string program = corvatine::test::CorvatineProgram();
    UseInstallDir(program.substr(0, program.rfind('/')));
    const auto result = Menu({"--shell-menu=5", "--", fileA, fileB});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("alpha"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("beta"), std::string::npos) << result.out;

    // The argument vector the menu builds, read by the program's own parser:
    // "/t:text" is an option, the absolute paths (one with a space) are paths.
    const auto parsed = RunCorvatine({"--print-request", "-c", fileA, fileB, "/t:text"}, work.Path());
    ASSERT_EQ(parsed.exitStatus, 0) << parsed.err;
    const auto json = nlohmann::json::parse(parsed.out);
    EXPECT_EQ(json["action"], 3);
    EXPECT_EQ(json["kind"], 1);
    EXPECT_EQ(json["paths"], nlohmann::json::array({fileA, fileB}));
}

TEST_F(ShellMenuProgramTest, FirstRunFindsTheProgramItselfWithoutSettings) {
    // No settings file yet: the run fills in InstallDir, its own folder,
    // before the command looks for the program.
    ASSERT_EQ(std::remove((config / "registry.reg").c_str()), 0);
    const auto result = Menu({"--shell-menu=4", "--", fileA, fileB});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("alpha"), std::string::npos) << result.out;
    const std::string program = corvatine::test::CorvatineProgram();
    EXPECT_NE(corvatine::test::ReadFile(config / "registry.reg")
                  .find("\"InstallDir\"=\"" + program.substr(0, program.rfind('/')) + "\""),
              std::string::npos);
}

}  // namespace
}  // namespace corvatine::shellext
