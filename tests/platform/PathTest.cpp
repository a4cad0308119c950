#include "platform/Path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

TEST(PathTest, JoinNeverDoublesTheSeparator) {
    EXPECT_EQ(JoinPath("a", "b"), "a/b");
    EXPECT_EQ(JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(JoinPath("a/", "/b"), "a/b");
    EXPECT_EQ(JoinPath("/", "b"), "/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(JoinPath("a", ""), "a");
}

TEST(PathTest, SplitIgnoresTrailingSeparators) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"a/b/c.txt", "a/b", "c.txt"},
        {"a/b/", "a", "b"},
        {"/x", "/", "x"},
        {"x", "", "x"},
        {"/", "", "/"},
        {"", "", ""},
        {"//a//b", "//a", "b"},
        {"/a//b", "/a", "b"},
    };
    for (const Case& c : cases) {
        std::string folder, name;
        SplitPath(c.path, folder, name);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
        EXPECT_EQ(PathParentFolder(c.path), c.folder) << c.path;
        EXPECT_EQ(PathFileName(c.path), c.name) << c.path;
    }
}

TEST(PathTest, ExtensionStartsAtTheLastDotOfTheLastComponent) {
    EXPECT_EQ(PathExtension("archive.tar.gz"), ".gz");
    EXPECT_EQ(PathExtension("dir.d/Makefile"), "");
    EXPECT_EQ(PathExtension("a/File.CMP"), ".CMP");
    EXPECT_EQ(PathExtension("trailing."), ".");
    EXPECT_EQ(PathExtension(".profile"), ".profile");
    EXPECT_EQ(PathExtension(""), "");
}

TEST(PathTest, NormalisationIsLexicalAndKeepsDotDot) {
    EXPECT_EQ(NormalizePath("/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(NormalizePath("./a.txt"), "a.txt");
    EXPECT_EQ(NormalizePath("a/../b"), "a/../b");
    EXPECT_EQ(NormalizePath("///"), "/");
    EXPECT_EQ(NormalizePath("./"), ".");
    EXPECT_EQ(NormalizePath(""), "");
}

TEST(PathTest, EqualPathsAreCaseSensitive) {
    EXPECT_TRUE(PathsEqual("/tmp/x/a.txt", "/tmp//x/./a.txt/"));
    EXPECT_TRUE(PathsEqual("a.txt", "./a.txt"));
    EXPECT_FALSE(PathsEqual("/tmp/x/A.txt", "/tmp/x/a.txt"));
    EXPECT_FALSE(PathsEqual("a.txt", "/a.txt"));
    EXPECT_FALSE(PathsEqual("", "."));
}

TEST(PathTest, FileSystemTests) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("f.txt", "x");
    const std::string folder = dir.MakeFolder("sub");
    const std::string dangling = dir / "dangling";
    ASSERT_EQ(::symlink("nowhere", dangling.c_str()), 0);

    EXPECT_TRUE(PathExists(file));
    EXPECT_FALSE(IsFolder(file));
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_TRUE(IsFolder(folder + "/"));
    EXPECT_FALSE(PathExists(dir / "missing"));
    EXPECT_FALSE(PathExists(dangling));
    EXPECT_TRUE(NameExists(dangling));
    EXPECT_FALSE(PathExists(""));
}

TEST(PathTest, ProgramFolderHoldsTheRunningProgram) {
    const std::string program = ProgramPath();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.front(), '/');
    EXPECT_EQ(JoinPath(ProgramFolder(), PathFileName(program)), program);
    EXPECT_TRUE(PathExists(program));
}

}  // namespace
}  // namespace corvatine::platform
