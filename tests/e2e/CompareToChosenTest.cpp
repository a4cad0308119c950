// corvatine --compare-to-chosen PATH, as a file manager's "Compare To..."
// starts it: the arguments are checked before any window, and without a
// window the run says why it cannot ask.
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

const std::vector<std::string> kNoDisplay = {"DISPLAY=", "WAYLAND_DISPLAY="};
const std::vector<std::string> kDisplay = {"DISPLAY=:0", "QT_QPA_PLATFORM=offscreen"};
const char kTryHelp[] = "\nTry 'corvatine --help' for more information.\n";

class CompareToChosenTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = dir.WriteFile("a.txt", "a\n");
        dir.WriteFile("b.txt", "b\n");
        folder = dir.MakeFolder("folder");
    }
    test::ProgramResult Run(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment) {
        return test::RunCorvatine(arguments, dir.Path(), environment);
    }

    test::TempDir dir;
    std::string file, folder;
};

TEST_F(CompareToChosenTest, HeadlessItTellsWhyItCannotAsk) {
    test::ProgramResult result = Run({"--compare-to-chosen", "a.txt"}, kNoDisplay);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "corvatine: --compare-to-chosen asks in the window what '" + file +
                              "' is compared with, and there is no display (neither WAYLAND_DISPLAY nor "
                              "DISPLAY is set)\n");

    // A display, but --no-gui: the window stays closed.
    std::vector<std::string> display = kDisplay;
    result = Run({"--no-gui", "--compare-to-chosen", folder}, display);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "corvatine: --compare-to-chosen asks in the window what '" + folder +
                              "' is compared with, and --no-gui keeps the window closed\n");

    // "--" lets a name that starts with a dash through.
    const std::string dashed = dir.WriteFile("-odd name", "x\n");
    result = Run({"--compare-to-chosen", "--", "-odd name"}, kNoDisplay);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("what '" + dashed + "' is compared with"), std::string::npos) << result.err;
}

TEST_F(CompareToChosenTest, WrongArgumentsAreToldWithOrWithoutADisplay) {
    struct CASE {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<CASE> cases = {
        {{"--compare-to-chosen"},
         "--compare-to-chosen needs the file or folder to compare: --compare-to-chosen PATH"},
        {{"--compare-to-chosen", "a.txt", "b.txt"}, "--compare-to-chosen takes one file or folder, not 2"},
        {{"--compare-to-chosen", "missing.txt"}, "cannot open 'missing.txt': No such file or directory"},
        {{"--compare-to-chosen", "/dev/null"},
         "cannot compare '/dev/null': it is neither a file nor a folder"},
        {{"--compare-to-chosen=a.txt"}, "option '--compare-to-chosen' takes no value"},
        {{"--compare-to-chosen", "--format=json", "a.txt"},
         "'--format=json' does not apply to --compare-to-chosen, which takes one file or folder"},
        {{"--compare-to-chosen", "-t:text", "a.txt"},
         "'-t:text' does not apply to --compare-to-chosen, which takes one file or folder"},
    };
    for (const auto& environment : {kNoDisplay, kDisplay}) {
        for (const CASE& one : cases) {
            const test::ProgramResult result = Run(one.arguments, environment);
            EXPECT_EQ(result.exitStatus, 2) << one.message;
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, "corvatine: " + one.message + kTryHelp) << environment[0];
        }
    }
}

TEST_F(CompareToChosenTest, WithADisplayTheWindowAsks) {
    if (::access((test::CorvatineProgram() + "-gui").c_str(), X_OK) != 0)
        GTEST_SKIP() << "built without the window";
    // The chooser waits for an answer that never comes, until it is ended:
    // no headless run printed anything instead.
    std::vector<std::string> arguments = {
        "-s", "TERM", "3", test::CorvatineProgram(), "--compare-to-chosen", "a.txt"};
    const test::ProgramResult result = test::RunProgram("/usr/bin/timeout", arguments, kDisplay, dir.Path());
    EXPECT_EQ(result.exitStatus, 124) << result.err;
    EXPECT_EQ(result.out, "");
}

}  // namespace
}  // namespace corvatine
