// Saving through the program keeps what the file was: its owner and group,
// its mode, its other names and the links to it; and a file that may not be
// written is left alone with a message naming it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// A line read with loss and copied to the other side goes with what it was
// read from: into a side of the same encoding as those bytes, into another
// only after the question every lossy save asks.
TEST_F(SaveTest, ALineReadWithLossKeepsItsBytesWhenCopied) {
    // 0x81 is no character of code page 1252.
    m_dir.WriteFile("left.txt", "same\nbad \x81 byte\n");
    m_dir.WriteFile("right.txt", "same\nother\n");
    test::ProgramResult result = test::RunCorvatine(
        {"--copy=left-to-right", "--save", "--quiet", "--encoding=1252", "left.txt", "right.txt"},
        m_dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "same\nbad \x81 byte\n");

    m_dir.WriteFile("right.txt", "same\nother\n");
    result = test::RunCorvatine(
        {"--copy=left-to-right", "--save", "--encoding=1252,UTF-8", "left.txt", "right.txt"}, m_dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("Line 2 cannot be saved exactly"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "same\nother\n");
    result = test::RunCorvatine({"--copy=left-to-right", "--save", "--yes", "--quiet",
                                 "--encoding=1252,UTF-8", "left.txt", "right.txt"},
                                m_dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(m_dir / "right.txt"), "same\nbad ? byte\n");
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

// The access control list of "-rw-rw----+" with user:nobody:rw-,
// group::---, mask::rw- in the kernel's form, as setfacl writes it.
std::string AccessControlList() {
    const auto entry = [](uint16_t tag, uint16_t permissions, uint32_t id) {
        std::string bytes(8, '\0');
        bytes[0] = static_cast<char>(tag & 0xFF);
        bytes[1] = static_cast<char>(tag >> 8);
        bytes[2] = static_cast<char>(permissions);
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>((id >> (8 * i)) & 0xFF);
        return bytes;
    };
    constexpr uint32_t kNoId = 0xFFFFFFFF;
    return std::string("\x02\0\0\0", 4) + entry(0x01, 6, kNoId) + entry(0x02, 6, 65534) +
           entry(0x04, 0, kNoId) + entry(0x10, 6, kNoId) + entry(0x20, 0, kNoId);
}

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? std::string("(none: ") + std::strerror(errno) + ")"
                    : std::string(value, static_cast<size_t>(size));
}

// Saving keeps the file's access control list and extended attributes: the
// group does not gain what the list withheld, nor the named user lose it.
TEST_F(SaveTest, AccessControlListsAndExtendedAttributesAreKept) {
    const std::string path = m_dir.WriteFile("notes.txt", "old text\n");
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    const std::string acl = AccessControlList();
    if (::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
        ::setxattr(path.c_str(), "user.origin", "kept", 4, 0) != 0)
        GTEST_SKIP() << "the file system takes no access control lists or user attributes: "
                     << std::strerror(errno);
    const struct stat before = Stat(path);
    const test::ProgramResult result =
        test::RunCorvatine({"-e", "notes.txt", "--search=old", "--replace=new", "--save"}, m_dir.Path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(path), "new text\n");
    EXPECT_NE(Stat(path).st_ino, before.st_ino);  // replaced, not written in place
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(path, "user.origin"), "kept");
    EXPECT_EQ(Stat(path).st_mode & 07777, 0660u);  // the group bits are the list's mask
    // Save As onto it too, and the text comparison's save.
    m_dir.WriteFile("other.txt", "other text\n");
    ASSERT_EQ(test::RunCorvatine({"-e", "other.txt", "--save-as=notes.txt"}, m_dir.Path()).exitStatus, 0);
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
    ASSERT_EQ(CopyAndSave("other.txt", "notes.txt").exitStatus, 0);
    EXPECT_EQ(test::ReadFile(path), "other text\n");
    EXPECT_EQ(Attribute(path, "user.origin"), "kept");
    EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
}

// A link another user planted in a sticky folder that everyone may write is
// not written through (as the kernel's fs.protected_symlinks refuses it), by
// any of the outputs; a link of the user's own, or of the folder's owner, is.
TEST_F(SaveTest, LinksOfOthersInStickyFoldersAreNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can plant a link of another user";
    const std::string victim = m_dir.WriteFile("private/victim.conf", "secret = 1\n");
    const std::string sticky = m_dir.MakeFolder("sticky");
    ASSERT_EQ(::chmod(sticky.c_str(), 01777), 0);
    m_dir.WriteFile("t.txt", "text\n");
    m_dir.WriteFile("u.txt", "other\n");
    const struct {
        std::vector<std::string> arguments;
        const char* output;
    } kCases[] = {
        {{"-e", "t.txt", "--export=sticky/out"}, "sticky/out"},
        {{"--report=sticky/out", "t.txt", "u.txt"}, "sticky/out"},
        {{"-e", "t.txt", "--save-as=sticky/out"}, "sticky/out"},
        {{"--save-comparison=sticky/out", "t.txt", "u.txt"}, "sticky/out"},
    };
    for (const auto& c : kCases) {
        const std::string link = m_dir / c.output;
        ::unlink(link.c_str());
        ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
        const test::ProgramResult result = test::RunCorvatine(c.arguments, m_dir.Path());
        EXPECT_EQ(result.exitStatus, 2) << c.arguments[2];
        EXPECT_NE(result.err.find("symbolic link in a sticky folder"), std::string::npos) << result.err;
        EXPECT_EQ(test::ReadFile(victim), "secret = 1\n") << c.arguments[2];
        EXPECT_TRUE(S_ISLNK(Stat(link).st_mode));
    }
    // The user's own link is followed.
    const std::string own = m_dir / "sticky/own";
    ASSERT_EQ(::symlink(victim.c_str(), own.c_str()), 0);
    const test::ProgramResult result =
        test::RunCorvatine({"-e", "t.txt", "--save-as=sticky/own"}, m_dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(victim), "text\n");
}

}  // namespace
}  // namespace corvatine
