// Working copies of real git (and, when installed, Mercurial and Subversion)
// repositories made here: finding them, the versions fetched for a
// comparison, and reverting a file with its old bytes kept in the Trash.
#include "vcs/WorkingCopy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace corvatine::vcs {
namespace {

class WorkingCopyTest : public ::testing::Test {
protected:
    test::TempDir home;
    std::string repo = home.MakeFolder("repo");
    test::ScopedEnv envHome{"HOME", home.Path()};
    test::ScopedEnv envData{"XDG_DATA_HOME", home / "data"};
    test::ScopedEnv envRuntime{"XDG_RUNTIME_DIR", home.MakeFolder("runtime")};
    test::ScopedEnv envGlobal{"GIT_CONFIG_GLOBAL", home / ".gitconfig"};
    test::ScopedEnv envSystem{"GIT_CONFIG_NOSYSTEM", "1"};
    test::ScopedEnv envName{"GIT_AUTHOR_NAME", "Ann"};
    test::ScopedEnv envMail{"GIT_AUTHOR_EMAIL", "ann@example.org"};
    test::ScopedEnv envCName{"GIT_COMMITTER_NAME", "Ann"};
    test::ScopedEnv envCMail{"GIT_COMMITTER_EMAIL", "ann@example.org"};
    test::ScopedEnv envHgUser{"HGUSER", "Ann <ann@example.org>"};
    test::ScopedEnv envHgrc{"HGRCPATH", ""};

    void Client(const std::string& program, const std::vector<std::string>& arguments, int expected = 0,
                const std::string& cwd = {}) {
        const std::string path = platform::FindProgram(program);
        ASSERT_FALSE(path.empty()) << program << " is not installed";
        const test::ProgramResult result = test::RunProgram(path, arguments, {}, cwd.empty() ? repo : cwd);
        ASSERT_EQ(result.exitStatus, expected) << program << ": " << result.out << result.err;
    }
    void Write(const std::string& name, const std::string& bytes) { home.WriteFile("repo/" + name, bytes); }
    std::string Read(const std::string& name) { return test::ReadFile(repo + "/" + name); }

    CWorkingCopy Open(const std::string& folder) {
        WORKINGCOPY found;
        std::string error;
        EXPECT_EQ(FindWorkingCopy(folder, found, error), FindResult::Found) << error;
        return CWorkingCopy(found);
    }
    std::vector<VCSCHANGE> Status(const CWorkingCopy& copy) {
        std::vector<VCSCHANGE> changes;
        std::string error;
        EXPECT_TRUE(copy.ReadStatus(changes, error)) << error;
        return changes;
    }
    const VCSCHANGE& Find(const std::vector<VCSCHANGE>& changes, const std::string& path) {
        for (const VCSCHANGE& change : changes)
            if (change.path == path) return change;
        ADD_FAILURE() << path << " is not among the changes";
        return changes.front();
    }
    std::string Fetched(CVersionFiles& files, const CWorkingCopy& copy, const VCSCHANGE& change,
                        Version version) {
        std::string path, error;
        EXPECT_TRUE(files.Fetch(copy, change, version, path, error)) << error;
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0400u) << "a fetched version is read-only";
        return test::ReadFile(path);
    }
    // The files in the home Trash, by name.
    std::string Trashed(const std::string& name) { return test::ReadFile(home / "data/Trash/files/" + name); }
};

TEST_F(WorkingCopyTest, FindingTellsTheKindAndTheRootOrWhyNot) {
    WORKINGCOPY found;
    std::string error;
    EXPECT_EQ(FindWorkingCopy(repo, found, error), FindResult::None);
    Client("git", {"init", "-q"});
    home.MakeFolder("repo/a/b");
    ASSERT_EQ(FindWorkingCopy(repo + "/a/b", found, error), FindResult::Found) << error;
    EXPECT_EQ(found.kind, VcsKind::Git);
    char real[PATH_MAX];
    ASSERT_NE(::realpath(repo.c_str(), real), nullptr);
    EXPECT_EQ(found.root, real);
    EXPECT_EQ(FindWorkingCopy(repo + "/.git", found, error), FindResult::None);
    EXPECT_EQ(FindWorkingCopy(repo + "/missing", found, error), FindResult::Trouble);
    EXPECT_EQ(error, "'" + repo + "/missing' is no folder");
    // A client that is not there is named.
    {
        test::ScopedEnv path("PATH", home.MakeFolder("empty-bin"));
        EXPECT_EQ(FindWorkingCopy(repo, found, error), FindResult::ClientMissing);
        EXPECT_EQ(error,
                  "'" + repo + "' is in a Git working copy ('" + repo + "'), but git is not installed");
    }
}

TEST_F(WorkingCopyTest, GitVersionsAreHeadTheIndexAndTheRenamedFilesSource) {
    Client("git", {"init", "-q"});
    Write("a.txt", "committed\n");
    Write("old.txt", "moved away\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "first"});
    Write("a.txt", "staged\n");
    Client("git", {"add", "a.txt"});
    Write("a.txt", "working\n");
    Client("git", {"mv", "old.txt", "new.txt"});
    Write("added.txt", "added\n");
    Client("git", {"add", "added.txt"});
    const CWorkingCopy copy = Open(repo);
    const std::vector<VCSCHANGE> changes = Status(copy);
    CVersionFiles files;
    EXPECT_EQ(Fetched(files, copy, Find(changes, "a.txt"), Version::Committed), "committed\n");
    EXPECT_EQ(Fetched(files, copy, Find(changes, "a.txt"), Version::Index), "staged\n");
    EXPECT_EQ(Fetched(files, copy, Find(changes, "new.txt"), Version::Committed), "moved away\n");
    // An added file has no committed version: an empty one stands in.
    EXPECT_FALSE(copy.HasVersion(Find(changes, "added.txt"), Version::Committed));
    EXPECT_EQ(Fetched(files, copy, Find(changes, "added.txt"), Version::Committed), "");
    // Under the runtime folder, each in a folder of its own, with its name.
    EXPECT_EQ(files.Folder().rfind(home / "runtime/corvatine-vcs-", 0), 0u) << files.Folder();
    const std::string folder = files.Folder();
    {
        CVersionFiles other;
        std::string path, error;
        ASSERT_TRUE(other.Fetch(copy, Find(changes, "a.txt"), Version::Committed, path, error)) << error;
        EXPECT_EQ(platform::PathFileName(path), "a.txt");
        EXPECT_EQ(access(path.c_str(), F_OK), 0);
        EXPECT_NE(other.Folder(), folder);
    }
}

TEST_F(WorkingCopyTest, VersionFilesAreRemovedWithTheirObject) {
    Client("git", {"init", "-q"});
    Write("a.txt", "committed\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "first"});
    Write("a.txt", "working\n");
    const CWorkingCopy copy = Open(repo);
    std::string folder;
    {
        CVersionFiles files;
        EXPECT_EQ(Fetched(files, copy, Find(Status(copy), "a.txt"), Version::Committed), "committed\n");
        folder = files.Folder();
        EXPECT_EQ(access(folder.c_str(), F_OK), 0);
    }
    EXPECT_NE(access(folder.c_str(), F_OK), 0);
    EXPECT_EQ(Read("a.txt"), "working\n") << "the working file is never touched";
}

TEST_F(WorkingCopyTest, GitConflictStagesAreBaseOursAndTheirs) {
    Client("git", {"init", "-q", "-b", "main"});
    Write("f.txt", "one\ntwo\nthree\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "base"});
    Client("git", {"checkout", "-q", "-b", "theirs"});
    Write("f.txt", "one\nTWO theirs\nthree\n");
    Write("both.txt", "theirs added\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "theirs"});
    Client("git", {"checkout", "-q", "main"});
    Write("f.txt", "one\ntwo ours\nthree\n");
    Write("both.txt", "ours added\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "ours"});
    Client("git", {"merge", "-q", "theirs"}, 1);
    const CWorkingCopy copy = Open(repo);
    const std::vector<VCSCHANGE> changes = Status(copy);
    const VCSCHANGE& f = Find(changes, "f.txt");
    ASSERT_EQ(f.status, CHANGE_CONFLICTED);
    CVersionFiles files;
    EXPECT_EQ(Fetched(files, copy, f, Version::Base), "one\ntwo\nthree\n");
    EXPECT_EQ(Fetched(files, copy, f, Version::Ours), "one\ntwo ours\nthree\n");
    EXPECT_EQ(Fetched(files, copy, f, Version::Theirs), "one\nTWO theirs\nthree\n");
    EXPECT_FALSE(copy.HasVersion(f, Version::Index));
    const VCSCHANGE& both = Find(changes, "both.txt");
    EXPECT_FALSE(copy.HasVersion(both, Version::Base));
    EXPECT_TRUE(copy.HasVersion(both, Version::Ours));
    EXPECT_EQ(Fetched(files, copy, both, Version::Base), "");
    EXPECT_FALSE(CWorkingCopy::CanRevert(f));
    std::string error;
    EXPECT_FALSE(copy.Revert(f, true, error));
    EXPECT_EQ(error, "'f.txt' is conflicted: there is nothing to revert");
}

TEST_F(WorkingCopyTest, GitRevertKeepsTheOldBytesInTheTrash) {
    Client("git", {"init", "-q"});
    Write("mod.txt", "committed\n");
    Write("old.txt", "moved\n");
    Write("del.txt", "deleted\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "first"});
    Write("mod.txt", "my edit\n");
    Client("git", {"add", "mod.txt"});
    Write("mod.txt", "my later edit\n");
    Client("git", {"mv", "old.txt", "new.txt"});
    Client("git", {"rm", "-q", "del.txt"});
    Write("added.txt", "added\n");
    Client("git", {"add", "added.txt"});
    const CWorkingCopy copy = Open(repo);
    std::vector<VCSCHANGE> changes = Status(copy);
    std::string error;
    for (const char* path : {"mod.txt", "new.txt", "del.txt", "added.txt"})
        ASSERT_TRUE(copy.Revert(Find(changes, path), true, error)) << path << ": " << error;
    EXPECT_EQ(Read("mod.txt"), "committed\n");
    EXPECT_EQ(Trashed("mod.txt"), "my later edit\n");
    EXPECT_EQ(Read("old.txt"), "moved\n");
    EXPECT_NE(access((repo + "/new.txt").c_str(), F_OK), 0);
    EXPECT_EQ(Trashed("new.txt"), "moved\n");
    EXPECT_EQ(Read("del.txt"), "deleted\n");
    // An added file is only no longer added.
    EXPECT_EQ(Read("added.txt"), "added\n");
    changes = Status(copy);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(DumpChanges(changes), "? added.txt\n");
}

TEST_F(WorkingCopyTest, ARevertWhoseFileCannotGoToTheTrashChangesNothing) {
    Client("git", {"init", "-q"});
    Write("mod.txt", "committed\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "first"});
    Write("mod.txt", "my edit\n");
    // The Trash's place is a file: no Trash can be made there.
    home.WriteFile("data", "in the way\n");
    const CWorkingCopy copy = Open(repo);
    const std::vector<VCSCHANGE> changes = Status(copy);
    std::string error;
    bool trashFailed = false;
    EXPECT_FALSE(copy.Revert(Find(changes, "mod.txt"), true, error, &trashFailed));
    EXPECT_TRUE(trashFailed);
    EXPECT_EQ(error.rfind("cannot move '" + copy.FullPath("mod.txt") + "' to the Trash: ", 0), 0u) << error;
    EXPECT_EQ(Read("mod.txt"), "my edit\n");
    // Asked to, the revert goes on without the Trash.
    ASSERT_TRUE(copy.Revert(Find(changes, "mod.txt"), false, error)) << error;
    EXPECT_EQ(Read("mod.txt"), "committed\n");
}

TEST_F(WorkingCopyTest, MercurialVersionsAndRevert) {
    if (platform::FindProgram("hg").empty()) GTEST_SKIP() << "hg is not installed";
    Client("hg", {"init"});
    Write("a.txt", "committed\n");
    Write("b.txt", "to move\n");
    Client("hg", {"add", "-q"});
    Client("hg", {"commit", "-q", "-m", "first"});
    Write("a.txt", "working\n");
    Client("hg", {"mv", "b.txt", "b2.txt"});
    const CWorkingCopy copy = Open(repo);
    EXPECT_EQ(copy.Kind(), VcsKind::Mercurial);
    std::vector<VCSCHANGE> changes = Status(copy);
    CVersionFiles files;
    EXPECT_EQ(Fetched(files, copy, Find(changes, "a.txt"), Version::Committed), "committed\n");
    EXPECT_EQ(Fetched(files, copy, Find(changes, "b2.txt"), Version::Committed), "to move\n");
    std::string error;
    ASSERT_TRUE(copy.Revert(Find(changes, "a.txt"), true, error)) << error;
    ASSERT_TRUE(copy.Revert(Find(changes, "b2.txt"), true, error)) << error;
    EXPECT_EQ(Read("a.txt"), "committed\n");
    EXPECT_EQ(Trashed("a.txt"), "working\n");
    EXPECT_EQ(Read("b.txt"), "to move\n");
    EXPECT_TRUE(Status(copy).empty()) << DumpChanges(Status(copy));
}

TEST_F(WorkingCopyTest, SubversionVersionsAndRevert) {
    if (platform::FindProgram("svn").empty() || platform::FindProgram("svnadmin").empty())
        GTEST_SKIP() << "svn is not installed";
    Client("svnadmin", {"create", home / "server"}, 0, home.Path());
    Client("svn", {"checkout", "-q", "file://" + home / "server", repo + "/w"}, 0, home.Path());
    const std::string work = repo + "/w";
    home.WriteFile("repo/w/a@b.txt", "committed\n");
    Client("svn", {"add", "-q", "a@b.txt@"}, 0, work);
    Client("svn", {"commit", "-q", "-m", "first"}, 0, work);
    home.WriteFile("repo/w/a@b.txt", "working\n");
    const CWorkingCopy copy = Open(work);
    EXPECT_EQ(copy.Kind(), VcsKind::Subversion);
    const std::vector<VCSCHANGE> changes = Status(copy);
    ASSERT_EQ(DumpChanges(changes), "M a@b.txt\n");
    CVersionFiles files;
    EXPECT_EQ(Fetched(files, copy, changes[0], Version::Committed), "committed\n");
    std::string error;
    ASSERT_TRUE(copy.Revert(changes[0], true, error)) << error;
    EXPECT_EQ(test::ReadFile(work + "/a@b.txt"), "committed\n");
    EXPECT_EQ(Trashed("a@b.txt"), "working\n");
}

}  // namespace
}  // namespace corvatine::vcs
