// The desktop services: programs on the path, the clipboard, the "open"
// action and temporary files, with stand-in programs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

class ShellTest : public ::testing::Test {
protected:
    // A stand-in program in the test's own folder, which becomes the whole $PATH.
    void Program(const std::string& name, const std::string& script) {
        const std::string path = m_bin.WriteFile(name, "#!/bin/sh\n" + script);
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    }

    test::TempDir m_bin;
    test::TempDir m_out;
    test::ScopedEnv m_path{"PATH", m_bin.Path()};
    test::ScopedEnv m_display{"DISPLAY", ":0"};
    test::ScopedEnv m_wayland{"WAYLAND_DISPLAY", ""};
};

TEST_F(ShellTest, FindsProgramsOnThePath) {
    EXPECT_EQ(FindProgram("xclip"), "");
    Program("xclip", "exit 0\n");
    EXPECT_EQ(FindProgram("xclip"), m_bin / "xclip");
    m_bin.WriteFile("plain", "not executable");
    EXPECT_EQ(FindProgram("plain"), "");
}

TEST_F(ShellTest, CopiesTextThroughTheClipboardProgram) {
    EXPECT_FALSE(CopyTextToClipboard("nothing to copy with"));
    Program("xclip",
            "[ \"$1 $2\" = \"-selection clipboard\" ] || exit 3\n/bin/cat > '" + (m_out / "clip") + "'\n");
    const std::string text(100000, 'x');  // more than a pipe holds
    ASSERT_TRUE(CopyTextToClipboard(text + "<end>"));
    EXPECT_EQ(test::ReadFile(m_out / "clip"), text + "<end>");

    // Under Wayland, wl-copy is asked first.
    test::ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-0");
    Program("wl-copy", "/bin/cat > '" + (m_out / "wl") + "'\n");
    ASSERT_TRUE(CopyTextToClipboard("wayland"));
    EXPECT_EQ(test::ReadFile(m_out / "wl"), "wayland");

    // A program that fails is a failed copy.
    Program("wl-copy", "exit 1\n");
    Program("xclip", "exit 1\n");
    EXPECT_FALSE(CopyTextToClipboard("x"));
}

TEST_F(ShellTest, OpensWithoutWaiting) {
    EXPECT_FALSE(ShellOpen("/some/file.html"));
    Program("xdg-open", "echo \"$1\" > '" + (m_out / "opened.tmp") + "'\n/bin/mv '" + (m_out / "opened.tmp") +
                            "' '" + (m_out / "opened") + "'\n");
    ASSERT_TRUE(ShellOpen("/some/file name.html"));
    // The opener runs on its own; wait for it to have run.
    for (int i = 0; i < 500 && ::access((m_out / "opened").c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::ReadFile(m_out / "opened"), "/some/file name.html\n");
}

TEST_F(ShellTest, MakesFreshTemporaryFiles) {
    test::ScopedEnv tmp("TMPDIR", m_out.Path());
    std::string first, second, error;
    ASSERT_TRUE(CreateTempFile(".html", first, error)) << error;
    ASSERT_TRUE(CreateTempFile(".html", second, error)) << error;
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(m_out.Path() + "/", 0), 0u);
    EXPECT_EQ(first.substr(first.size() - 5), ".html");
    EXPECT_EQ(::access(first.c_str(), F_OK), 0);

    test::ScopedEnv missing("TMPDIR", m_out / "missing");
    EXPECT_FALSE(CreateTempFile(".html", first, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(CommandWordsTest, SplitsLikeAShellWithoutExpanding) {
    std::vector<std::string> words;
    ASSERT_TRUE(
        SplitCommandWords("  -a  \"two words\" 'single $HOME' `x` $(y) a\\ b \"q\\\"q\" \"\" ", words));
    EXPECT_EQ(words, (std::vector<std::string>{"-a", "two words", "single $HOME", "`x`", "$(y)", "a b",
                                               "q\"q", ""}));
    ASSERT_TRUE(SplitCommandWords("pre\"mid dle\"post;rm", words));
    EXPECT_EQ(words, (std::vector<std::string>{"premid dlepost;rm"}));
    EXPECT_FALSE(SplitCommandWords("\"open", words));
    EXPECT_FALSE(SplitCommandWords("'open", words));
}

TEST_F(ShellTest, StartsProgramsDirectlyWithTheirWords) {
    // The program writes its arguments, one per line, then renames the file
    // into place so that the test sees it whole.
    Program("tool", "printf '%s\\n' \"$@\" > '" + (m_out / "args.tmp") + "'\n/bin/mv '" +
                        (m_out / "args.tmp") + "' '" + (m_out / "args") + "'\n");
    std::string error;
    const std::string hostile = "a\"; touch " + (m_out / "pwned") + "; echo \"$(id)";
    ASSERT_TRUE(StartProgram("tool", {"plain", hostile, ""}, error)) << error;
    for (int i = 0; i < 500 && ::access((m_out / "args").c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::ReadFile(m_out / "args"), "plain\n" + hostile + "\n\n");
    EXPECT_NE(::access((m_out / "pwned").c_str(), F_OK), 0);

    EXPECT_FALSE(StartProgram("no-such-tool", {}, error));
    EXPECT_NE(error.find("no-such-tool"), std::string::npos) << error;
    // Found but not startable: a script without an interpreter line.
    const std::string broken = m_bin.WriteFile("broken",
                                               "\x7f"
                                               "ELF garbage");
    ASSERT_EQ(::chmod(broken.c_str(), 0755), 0);
    EXPECT_FALSE(StartProgram(broken, {}, error));
    EXPECT_NE(error.find("Exec format error"), std::string::npos) << error;
}

}  // namespace
}  // namespace corvatine::platform
