// The external comparison tools: their settings, which tool a pair gets,
// and how a tool is started.
#include "foldercompare/FileComparer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "foldercompare/FolderItem.h"
#include "support/ScratchProfile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class FileComparerTest : public ::testing::Test, protected test::ScratchProfile {};

TEST_F(FileComparerTest, ToolsAreLoadedUpToTheFirstMissingName) {
    const char* k = kExternalToolsKey;
    profile.WriteString(k, "Name1", "Meld");
    profile.WriteString(k, "Extensions1", ".c;.cpp");
    profile.WriteString(k, "Command1", "meld");
    profile.WriteString(k, "Arguments1", "%1 %2");
    profile.WriteString(k, "Name2", "No command");  // skipped, but counted
    profile.WriteString(k, "Extensions2", ".x");
    profile.WriteString(k, "Arguments2", "%1 %2");
    profile.WriteString(k, "Name3", "Kdiff");
    profile.WriteString(k, "Extensions3", ".txt");
    profile.WriteString(k, "Command3", "kdiff3");
    profile.WriteString(k, "Arguments3", "\"%1\" \"%2\"");
    profile.WriteString(k, "Name5", "Unreached");
    profile.WriteString(k, "Extensions5", ".y");
    profile.WriteString(k, "Command5", "y");
    profile.WriteString(k, "Arguments5", "%1");

    CFileCompareOptions options;
    options.Load(profile);
    ASSERT_EQ(options.externalTools.size(), 2u);
    EXPECT_EQ(options.externalTools[0].name, "Meld");
    EXPECT_EQ(options.externalTools[1].command, "kdiff3");

    options.Save(profile);
    EXPECT_EQ(profile.GetString(k, "Name2", ""), "Kdiff");
    EXPECT_EQ(profile.GetString(k, "Name3", "gone"), "gone");
    EXPECT_EQ(profile.GetString(k, "Name5", "gone"), "gone");  // the whole key was replaced
    CFileCompareOptions again;
    again.Load(profile);
    EXPECT_EQ(again.externalTools.size(), 2u);

    // Saved again unchanged, the tools leave nothing to write.
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;
    again.Save(profile);
    EXPECT_FALSE(hive.IsModified());
}

TEST_F(FileComparerTest, MatchingByExtension) {
    CFileComparer comparer;
    comparer.externalTools = {{"Sources", ".cpp;.h", "a", "%1 %2"}, {"Texts", ".txt", "b", "%1 %2"}};
    EXPECT_EQ(comparer.FindExternalTool("/x/a.cpp", "/y/b.cpp"), 0);
    EXPECT_EQ(comparer.FindExternalTool("/x/A.TXT", "/y/b.txt"), 1);  // lower-cased
    EXPECT_EQ(comparer.FindExternalTool("a.C", "b.c"), 0);            // ".c" is a piece of ".cpp"
    EXPECT_EQ(comparer.FindExternalTool("a.cpp", "b.h"), -1);         // the extensions must agree
    EXPECT_EQ(comparer.FindExternalTool("a.md", "b.md"), -1);
    EXPECT_EQ(comparer.FindExternalTool("/d.x/Makefile", "/e/Makefile"), 0);  // no extension: the first tool
    CFileComparer none;
    EXPECT_EQ(none.FindExternalTool("a", "b"), -1);
}

TEST_F(FileComparerTest, ArgumentsAreWordsWithThePathsInserted) {
    CExternalTool tool{"T", ".c", "t", "--left=%1 \"%2\" -L '%1 vs %2' %%1"};
    std::vector<std::string> words;
    ASSERT_TRUE(CFileComparer::BuildArguments(tool, "/a b/x;rm -rf ~.c", "/q\"uote/%1.c", words));
    EXPECT_EQ(words, (std::vector<std::string>{"--left=/a b/x;rm -rf ~.c", "/q\"uote/%1.c", "-L",
                                               "/a b/x;rm -rf ~.c vs /q\"uote/%1.c", "%/a b/x;rm -rf ~.c"}));
    tool.arguments = "\"%1";
    EXPECT_FALSE(CFileComparer::BuildArguments(tool, "a", "b", words));
}

TEST_F(FileComparerTest, ChoosesHowAPairOpens) {
    dir.WriteFile("a.c", "int a;\n");
    dir.WriteFile("b.c", "int b;\n");
    dir.WriteFile("a.bin", std::string("\0", 1));
    dir.WriteFile("b.txt", "text\n");
    dir.MakeFolder("d1");
    dir.MakeFolder("d2");
    std::vector<std::unique_ptr<CFolderItem>> entries;
    auto entry = [&](const std::string& name, bool folder = false) {
        entries.push_back(folder ? std::unique_ptr<CFolderItem>(new CFolder)
                                 : std::make_unique<CFolderItem>());
        EXPECT_TRUE(entries.back()->Refresh(dir / name));
        return entries.back().get();
    };
    CFileComparer comparer;
    int tool = 0;
    EXPECT_EQ(comparer.ChooseOpening(entry("d1", true), entry("d2", true), tool), OPEN_FOLDERS);
    EXPECT_EQ(comparer.ChooseOpening(entry("a.c"), entry("b.c"), tool), OPEN_TEXT);
    EXPECT_EQ(tool, -1);
    EXPECT_EQ(comparer.ChooseOpening(entry("a.bin"), entry("b.txt"), tool), OPEN_BINARY);
    EXPECT_EQ(comparer.ChooseOpening(entry("a.c"), nullptr, tool), OPEN_LEFT_ONLY);
    EXPECT_EQ(comparer.ChooseOpening(nullptr, entry("a.c"), tool), OPEN_RIGHT_ONLY);
    EXPECT_EQ(comparer.ChooseOpening(nullptr, nullptr, tool), OPEN_NOTHING);
    comparer.externalTools = {{"Other", ".py", "p", "%1 %2"}, {"C", ".c", "c", "%1 %2"}};
    EXPECT_EQ(comparer.ChooseOpening(entry("a.c"), entry("b.c"), tool), OPEN_EXTERNAL_TOOL);
    EXPECT_EQ(tool, 1);
}

TEST_F(FileComparerTest, RunsTheToolWithoutAShell) {
    const std::string out = dir / "args";
    const std::string script = dir.WriteFile(
        "tool", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out + ".tmp'\nmv '" + out + ".tmp' '" + out + "'\n");
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    CFileComparer comparer;
    comparer.externalTools = {{"Tool", ".txt", script, "-a \"%1\" %2"}};
    const std::string left = "/l/$(touch " + (dir / "pwned") + ").txt";
    const std::string right = "/r/a b`id`.txt";
    std::string error;
    ASSERT_EQ(comparer.RunExternalTool(-1, left, right, error), 0) << error;
    for (int i = 0; i < 500 && ::access(out.c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::ReadFile(out), "-a\n" + left + "\n" + right + "\n");
    EXPECT_NE(::access((dir / "pwned").c_str(), F_OK), 0);

    EXPECT_EQ(comparer.RunExternalTool(-1, "a.md", "b.md", error), -1);
    EXPECT_EQ(comparer.RunExternalTool(5, "a.txt", "b.txt", error), -1);
    comparer.externalTools[0].command = dir / "missing-tool";
    EXPECT_EQ(comparer.RunExternalTool(0, "a.txt", "b.txt", error), -1);
    EXPECT_NE(error.find("missing-tool"), std::string::npos) << error;
}

}  // namespace
}  // namespace corvatine
