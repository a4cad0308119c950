// Saving through the program keeps what the file was: its owner and group,
// its mode, its other names and the links to it; and a file that may not be
// written is left alone with a message naming it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

class SaveTest : public ::testing::Test {
protected:
    test::ProgramResult CopyAndSave(const std::string& left, const std::string& right) {
        return test::RunCorvatine({"--copy=left-to-right", "--save", "--quiet", left, right}, m_dir.Path());
    }
    static struct stat Stat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }

    test::TempDir m_dir;
};

TEST_F(SaveTest, AHardLinkedFileKeepsItsOtherNames) {
    m_dir.WriteFile("left.txt", "1\n2\n");
    const std::string right = m_dir.WriteFile("right.txt", "1\nB\n");
    ASSERT_EQ(::link(right.c_str(), (m_dir / "other-name.txt").c_str()), 0);
    const test::ProgramResult result = CopyAndSave("left.txt", "right.txt");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "other-name.txt"), "1\n2\n");
    EXPECT_EQ(Stat(right).st_nlink, 2u);
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A"}, {}, m_dir.Path()).out,
              "left.txt\nother-name.txt\nright.txt\n");
}

TEST_F(SaveTest, AnotherUsersFileStaysTheirs) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    m_dir.WriteFile("left.txt", "1\n2\n");
    const std::string right = m_dir.WriteFile("right.txt", "1\nB\n");
    ASSERT_EQ(::chown(right.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(right.c_str(), 0640), 0);
    const test::ProgramResult result = CopyAndSave("left.txt", "right.txt");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(right), "1\n2\n");
    EXPECT_EQ(Stat(right).st_uid, 65534u);
    EXPECT_EQ(Stat(right).st_gid, 65534u);
    EXPECT_EQ(Stat(right).st_mode & 07777, 0640u);
}

// A user who may write a file in a shared folder but cannot give a new file
// its owner writes it in place: the file stays its owner's.
TEST_F(SaveTest, AFileWhoseOwnerCannotBeGivenIsWrittenInPlace) {
    if (::geteuid() != 0 || !test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "needs root to set up two users";
    m_dir.WriteFile("left.txt", "1\n2\n");
    const std::string right = m_dir.WriteFile("right.txt", "1\nB\n");
    ASSERT_EQ(::chmod(right.c_str(), 0666), 0);
    m_dir.OpenToAll();
    const ino_t inode = Stat(right).st_ino;
    const test::ProgramResult result = test::RunCorvatineAsOrdinaryUser(
        {"--copy=left-to-right", "--save", "--quiet", "left.txt", "right.txt"}, m_dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(right), "1\n2\n");
    EXPECT_EQ(Stat(right).st_uid, 0u);
    EXPECT_EQ(Stat(right).st_ino, inode);
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A"}, {}, m_dir.Path()).out, "left.txt\nright.txt\n");
}

TEST_F(SaveTest, AFileThatMayNotBeWrittenIsRefused) {
    m_dir.WriteFile("left.txt", "1\n2\n");
    const std::string right = m_dir.WriteFile("right.txt", "1\nB\n");
    ASSERT_EQ(::chmod(right.c_str(), 0444), 0);
    test::ProgramResult result = CopyAndSave("left.txt", "right.txt");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: Cannot save file\n  right.txt\n  it is read-only\n");
    EXPECT_EQ(test::ReadFile(right), "1\nB\n");

    // Writable by its owner only: an ordinary user other than the owner may not.
    if (!test::CanRunAsOrdinaryUser() || ::geteuid() != 0) return;
    ASSERT_EQ(::chmod(right.c_str(), 0644), 0);
    m_dir.OpenToAll();
    result = test::RunCorvatineAsOrdinaryUser(
        {"--copy=left-to-right", "--save", "--quiet", "left.txt", "right.txt"}, m_dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: Cannot save file\n  right.txt\n  Permission denied\n");
    EXPECT_EQ(test::ReadFile(right), "1\nB\n");
}

// A UTF-16 file with a lone surrogate: a copy into another line saves the
// untouched line byte for byte; a file with an odd byte count comes back whole.
TEST_F(SaveTest, LinesReadWithLossComeBackByteForByte) {
    const std::string bom("\xFF\xFE", 2), nl("\n\0", 2);
    const auto utf16 = [](const std::string& ascii) {
        std::string units;
        for (const char c : ascii) units += std::string{c, '\0'};
        return units;
    };
    const std::string lone = utf16("x") + std::string("\x00\xD8", 2) + utf16("y");
    m_dir.WriteFile("left.txt", bom + utf16("a") + nl + lone + nl + utf16("new") + nl);
    const std::string right =
        m_dir.WriteFile("right.txt", bom + utf16("a") + nl + lone + nl + utf16("old") + nl);
    const test::ProgramResult result = CopyAndSave("left.txt", "right.txt");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(test::ReadFile(right) == bom + utf16("a") + nl + lone + nl + utf16("new") + nl);

    const std::string odd = m_dir.WriteFile("odd.txt", bom + utf16("a") + nl + "\x01");
    const test::ProgramResult edit =
        test::RunCorvatine({"-e", "odd.txt", "--save-as=copy.txt"}, m_dir.Path());
    EXPECT_EQ(edit.exitStatus, 0) << edit.err;
    EXPECT_NE(edit.out.find("\"lossy\": true"), std::string::npos) << edit.out;
    EXPECT_TRUE(test::ReadFile(m_dir / "copy.txt") == test::ReadFile(odd));

    // Put in another encoding, the lost byte cannot come back: asked, and
    // without a Yes not saved.
    const test::ProgramResult converted =
        test::RunCorvatine({"-e", "odd.txt", "--encoding=UTF-8", "--save-as=utf8.txt"}, m_dir.Path());
    EXPECT_EQ(converted.exitStatus, 2);
    EXPECT_NE(converted.err.find("Line 2 cannot be saved exactly"), std::string::npos) << converted.err;
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls"}, {}, m_dir.Path()).out,
              "copy.txt\nleft.txt\nodd.txt\nright.txt\n");
}

TEST_F(SaveTest, SavingToADanglingLinkCreatesItsTarget) {
    m_dir.WriteFile("src.txt", "text\n");
    ASSERT_EQ(::symlink("made/target.txt", (m_dir / "link.txt").c_str()), 0);
    m_dir.MakeFolder("made");
    const test::ProgramResult result =
        test::RunCorvatine({"-e", "src.txt", "--save-as=link.txt", "--format=text"}, m_dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(S_ISLNK(Stat(m_dir / "link.txt").st_mode));
    EXPECT_EQ(test::ReadFile(m_dir / "made/target.txt"), "text\n");
}

}  // namespace
}  // namespace corvatine
