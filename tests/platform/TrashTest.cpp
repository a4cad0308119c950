// Deleting with "allow undo": entries go whole to the freedesktop.org Trash
// with an info file, and when no Trash can be used nothing is deleted.
#include "platform/Trash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FileOperations.h"
#include "support/PermissionsBind.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

namespace fs = std::filesystem;

std::string Listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) text += name + " ";
    return text;
}

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string result = real != nullptr ? real : "";
    std::free(real);
    return result;
}

bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// An open folder, for the calls that take one.
class OpenFolder {
public:
    explicit OpenFolder(const std::string& path)
        : m_fd(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    ~OpenFolder() {
        if (m_fd >= 0) ::close(m_fd);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// The Path= line and the deletion time of an info file; the time must be a
// local time of the last minute.
void ExpectInfo(const std::string& infoFile, const std::string& path) {
    const std::string text = test::ReadFile(infoFile);
    std::smatch match;
    const std::regex form(
        "\\[Trash Info\\]\nPath=(.*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n");
    ASSERT_TRUE(std::regex_match(text, match, form)) << text;
    EXPECT_EQ(match[1].str(), path);
    struct tm local {};
    ASSERT_NE(::strptime(match[2].str().c_str(), "%Y-%m-%dT%H:%M:%S", &local), nullptr);
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    EXPECT_LE(std::abs(std::difftime(std::time(nullptr), when)), 60.0) << match[2].str();
}

TEST(TrashTest, EncodesPathsAsUrlsDo) {
    EXPECT_EQ(EncodeTrashPath("/home/u/a b%c.txt"), "/home/u/a%20b%25c.txt");
    EXPECT_EQ(EncodeTrashPath("/x/\xC3\xA9t\xC3\xA9 #1?&=+"), "/x/%C3%A9t%C3%A9%20%231%3F%26%3D%2B");
    EXPECT_EQ(EncodeTrashPath("keep-_.!~*'()/AZaz09"), "keep-_.!~*'()/AZaz09");
    EXPECT_EQ(EncodeTrashPath("line\nbreak\x7F"), "line%0Abreak%7F");
}

TEST(TrashTest, HomeTrashComesFromXdgDataHomeElseHome) {
    {
        const test::ScopedEnv data("XDG_DATA_HOME", "/data/home");
        EXPECT_EQ(HomeTrashPath(), "/data/home/Trash");
    }
    const test::ScopedEnv data("XDG_DATA_HOME", "");
    const test::ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(HomeTrashPath(), "/home/someone/.local/share/Trash");
}

TEST(TrashTest, DeleteWithUndoMovesFilesAndFoldersWholeToTheHomeTrash) {
    test::TempDir dir;
    const test::ScopedEnv data("XDG_DATA_HOME", dir / "data");
    dir.WriteFile("root/sub/a b%c.txt", "contents");
    dir.WriteFile("root/tree/inner/x.txt", "x");
    dir.WriteFile("outside/keep.txt", "k");
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "root/tree/out").c_str()), 0);
    std::string error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "sub/a b%c.txt"}, true, error)) << error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "tree"}, true, error)) << error;
    const std::string trash = dir / "data/Trash";
    EXPECT_EQ(Listing(dir / "root"), "sub ");
    EXPECT_EQ(Listing(dir / "root/sub"), "");
    EXPECT_EQ(Listing(trash + "/files"), "a b%c.txt tree ");
    EXPECT_EQ(Listing(trash + "/info"), "a b%c.txt.trashinfo tree.trashinfo ");
    EXPECT_EQ(test::ReadFile(trash + "/files/a b%c.txt"), "contents");
    EXPECT_EQ(test::ReadFile(trash + "/files/tree/inner/x.txt"), "x");
    EXPECT_TRUE(IsLink(trash + "/files/tree/out"));
    EXPECT_EQ(Listing(dir / "outside"), "keep.txt ");
    const std::string root = EncodeTrashPath(RealPath(dir / "root"));
    ExpectInfo(trash + "/info/a b%c.txt.trashinfo", root + "/sub/a%20b%25c.txt");
    ExpectInfo(trash + "/info/tree.trashinfo", root + "/tree");
    struct stat st;
    ASSERT_EQ(::stat(trash.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TrashTest, TakenNamesGetNumbers) {
    test::TempDir dir;
    const test::ScopedEnv data("XDG_DATA_HOME", dir / "data");
    dir.WriteFile("root/one/x.txt", "1");
    dir.WriteFile("root/two/x.txt", "2");
    dir.WriteFile("root/three/x.txt", "3");
    // A file left without its info file holds its name too.
    dir.WriteFile("data/Trash/files/x.txt.3", "orphan");
    dir.MakeFolder("data/Trash/info");
    std::string error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "one/x.txt"}, true, error)) << error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "two/x.txt"}, true, error)) << error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "three/x.txt"}, true, error)) << error;
    const std::string trash = dir / "data/Trash";
    EXPECT_EQ(Listing(trash + "/files"), "x.txt x.txt.2 x.txt.3 x.txt.4 ");
    EXPECT_EQ(Listing(trash + "/info"), "x.txt.2.trashinfo x.txt.4.trashinfo x.txt.trashinfo ");
    EXPECT_EQ(test::ReadFile(trash + "/files/x.txt.4"), "3");
    EXPECT_EQ(test::ReadFile(trash + "/files/x.txt.3"), "orphan");
    ExpectInfo(trash + "/info/x.txt.4.trashinfo", EncodeTrashPath(RealPath(dir / "root")) + "/three/x.txt");

    // A name at the system's limit is shortened to leave room for the info file's suffix.
    const std::string longName(NAME_MAX, 'n');
    dir.WriteFile("root/" + longName, "long");
    ASSERT_TRUE(DeleteEntry({dir / "root", longName}, true, error)) << error;
    const std::string kept(NAME_MAX - 10, 'n');
    EXPECT_EQ(test::ReadFile(trash + "/files/" + kept), "long");
    ExpectInfo(trash + "/info/" + kept + ".trashinfo",
               EncodeTrashPath(RealPath(dir / "root")) + "/" + longName);
}

TEST(TrashTest, NothingIsDeletedWhenTheTrashCannotBeUsed) {
    test::TempDir dir;
    dir.MakeFolder("locked");
    const test::ScopedEnv data("XDG_DATA_HOME", dir / "locked/data");
    const std::string file = dir.WriteFile("root/a.txt", "a");
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0555), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions do not bind";
    std::string error;
    EXPECT_FALSE(DeleteEntry({dir / "root", "a.txt"}, true, error));
    EXPECT_EQ(error, "cannot move " + RealPath(dir / "root") +
                         "/a.txt to the Trash: cannot create the folder " + dir / "locked/data" +
                         ": Permission denied");
    EXPECT_EQ(test::ReadFile(file), "a");
    EXPECT_EQ(Listing(dir / "locked"), "");
}

TEST(TrashTest, ATrashThatIsALinkOrAFileIsNotUsed) {
    test::TempDir dir;
    const test::ScopedEnv data("XDG_DATA_HOME", dir / "data");
    dir.MakeFolder("elsewhere");
    dir.MakeFolder("data/Trash");
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "data/Trash/files").c_str()), 0);
    const std::string file = dir.WriteFile("root/a.txt", "a");
    std::string error;
    EXPECT_FALSE(DeleteEntry({dir / "root", "a.txt"}, true, error));
    EXPECT_EQ(error, "cannot move " + RealPath(dir / "root") + "/a.txt to the Trash: '" +
                         dir / "data/Trash/files" + "' is a symbolic link; not followed");
    EXPECT_EQ(test::ReadFile(file), "a");
    EXPECT_EQ(Listing(dir / "elsewhere"), "");
}

TEST(TrashTest, AVolumeTrashFollowsTheTopFolderRules) {
    test::TempDir dir;
    const uid_t uid = ::geteuid();
    const std::string id = std::to_string(uid);
    TRASHDIR trash;
    std::string error;

    // No .Trash: .Trash-$uid, made for the user alone.
    const std::string plain = dir.MakeFolder("plain");
    ASSERT_TRUE(OpenTopdirTrash(plain, uid, trash, error)) << error;
    EXPECT_EQ(trash.path, plain + "/.Trash-" + id);
    EXPECT_EQ(trash.topdir, plain);
    EXPECT_EQ(Listing(trash.path), "files info ");
    struct stat st;
    ASSERT_EQ(::stat(trash.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A shared .Trash with the sticky bit: .Trash/$uid.
    const std::string shared = dir.MakeFolder("shared/.Trash");
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_TRUE(OpenTopdirTrash(dir / "shared", uid, trash, error)) << error;
    EXPECT_EQ(trash.path, shared + "/" + id);
    EXPECT_EQ(Listing(trash.path), "files info ");

    // Without the sticky bit, or as a link to a good one, it is passed over.
    dir.MakeFolder("unsticky/.Trash");
    ASSERT_TRUE(OpenTopdirTrash(dir / "unsticky", uid, trash, error)) << error;
    EXPECT_EQ(trash.path, dir / "unsticky/.Trash-" + id);
    EXPECT_EQ(Listing(dir / "unsticky/.Trash"), "");
    dir.MakeFolder("linked");
    ASSERT_EQ(::symlink(shared.c_str(), (dir / "linked/.Trash").c_str()), 0);
    ASSERT_TRUE(OpenTopdirTrash(dir / "linked", uid, trash, error)) << error;
    EXPECT_EQ(trash.path, dir / "linked/.Trash-" + id);

    // .Trash-$uid that is a link, or another user's, is not used.
    dir.MakeFolder("bad");
    ASSERT_EQ(::symlink((dir / "plain").c_str(), (dir / "bad/.Trash-" + id).c_str()), 0);
    EXPECT_FALSE(OpenTopdirTrash(dir / "bad", uid, trash, error));
    EXPECT_EQ(error, "'" + dir / "bad/.Trash-" + id + "' is a symbolic link; not followed");
    EXPECT_FALSE(OpenTopdirTrash(plain, uid + 1, trash, error));
    EXPECT_EQ(error,
              "cannot use " + plain + "/.Trash-" + std::to_string(uid + 1) + ": it belongs to another user");
}

TEST(TrashTest, AVolumeTrashThatCannotBeMadeFailsAndKeepsPathsRelative) {
    test::TempDir dir;
    const uid_t uid = ::geteuid();
    const std::string top = dir.MakeFolder("volume");
    const std::string file = dir.WriteFile("volume/sub/a b.txt", "a");
    TRASHDIR trash;
    std::string error;
    ASSERT_TRUE(OpenTopdirTrash(top, uid, trash, error)) << error;
    OpenFolder folder(dir / "volume/sub");
    std::string name;
    ASSERT_TRUE(MoveIntoTrashFolder(folder.Get(), "a b.txt", file, trash, name, error)) << error;
    EXPECT_EQ(name, "a b.txt");
    ExpectInfo(trash.path + "/info/a b.txt.trashinfo", "sub/a%20b.txt");
    EXPECT_EQ(Listing(dir / "volume/sub"), "");

    const std::string locked = dir.MakeFolder("locked");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions do not bind";
    EXPECT_FALSE(OpenTopdirTrash(locked, uid, trash, error));
    EXPECT_EQ(error, "cannot create the folder " + locked + "/.Trash-" + std::to_string(uid) +
                         ": Permission denied");
    EXPECT_EQ(Listing(locked), "");
}

TEST(TrashTest, TheVolumeTopIsTheLastFolderOnTheSameDevice) {
    test::TempDir dir;
    const std::string top = VolumeTopFolder(RealPath(dir.Path()));
    struct stat here, there;
    ASSERT_EQ(::stat(dir.Path().c_str(), &here), 0);
    ASSERT_EQ(::stat(top.c_str(), &there), 0);
    EXPECT_EQ(here.st_dev, there.st_dev);
    EXPECT_EQ(RealPath(dir.Path()).rfind(top, 0), 0u);
    if (top != "/") {
        struct stat above;
        ASSERT_EQ(::stat(fs::path(top).parent_path().c_str(), &above), 0);
        EXPECT_NE(above.st_dev, there.st_dev);
    }
    struct stat shm, root;
    if (::stat("/dev/shm", &shm) == 0 && ::stat("/dev", &root) == 0 && shm.st_dev != root.st_dev) {
        EXPECT_EQ(VolumeTopFolder("/dev/shm"), "/dev/shm");
    }
}

}  // namespace
}  // namespace corvatine::platform
