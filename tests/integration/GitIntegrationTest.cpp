#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "integration/VcsIntegration.h"
#include "platform/Process.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

constexpr const char* kProgram = "/opt/corva/corvatine";

// Removes an environment variable for the lifetime of the object.
class UnsetEnv {
public:
    explicit UnsetEnv(const char* name) : m_name(name) {
        if (const char* value = std::getenv(name)) m_old = value;
        ::unsetenv(name);
    }
    ~UnsetEnv() {
        if (m_old) ::setenv(m_name, m_old->c_str(), 1);
    }
    UnsetEnv(const UnsetEnv&) = delete;
    UnsetEnv& operator=(const UnsetEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// git's global settings in a home of their own; the system's are not read.
class GitIntegrationTest : public ::testing::Test {
protected:
    test::TempDir home;
    test::ScopedEnv homeEnv{"HOME", home.Path()};
    test::ScopedEnv xdgEnv{"XDG_CONFIG_HOME", home / ".config"};
    test::ScopedEnv noSystem{"GIT_CONFIG_NOSYSTEM", "1"};
    test::ScopedEnv global{"GIT_CONFIG_GLOBAL", home / ".gitconfig"};
    platform::CRegistryHive hive{home / "registry.reg", "HKEY_CURRENT_USER"};
    CGitIntegration git{hive, kProgram};

    void GitConfig(const std::vector<std::string>& arguments) {
        std::vector<std::string> words = {"config", "--global"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        platform::PROCESSRESULT result;
        std::string error;
        ASSERT_TRUE(platform::RunProgramAndWait("git", words, result, error)) << error;
        ASSERT_EQ(result.exitStatus, 0) << result.err;
    }
    std::string Get(const std::string& key) {
        platform::PROCESSRESULT result;
        std::string error;
        EXPECT_TRUE(platform::RunProgramAndWait("git", {"config", "--global", "--get", key}, result, error));
        return result.exitStatus == 0 ? result.out : "<none>";
    }
};

TEST_F(GitIntegrationTest, OnSetsTheToolsAndOffRestoresTheFileByteForByte) {
    GitConfig({"user.name", "Ann Example"});
    GitConfig({"diff.tool", "meld"});
    GitConfig({"diff.renames", "copies"});
    GitConfig({"merge.conflictstyle", "diff3"});
    const std::string before = test::ReadFile(home / ".gitconfig");
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(git.IsConfigured());
    EXPECT_FALSE(git.IsIntegrated());

    ASSERT_TRUE(git.SetIntegration(true)) << git.LastError();
    EXPECT_TRUE(git.IsIntegrated());
    EXPECT_EQ(Get("diff.tool"), "corvatine\n");
    EXPECT_EQ(Get("merge.tool"), "corvatine\n");
    EXPECT_EQ(Get("difftool.corvatine.cmd"), "'/opt/corva/corvatine' \"$LOCAL\" \"$REMOTE\"\n");
    EXPECT_EQ(Get("mergetool.corvatine.cmd"),
              "'/opt/corva/corvatine' --merge \"$BASE\" \"$LOCAL\" \"$REMOTE\" --output=\"$MERGED\"\n");
    EXPECT_EQ(Get("mergetool.corvatine.trustExitCode"), "true\n");
    EXPECT_EQ(Get("user.name"), "Ann Example\n");

    ASSERT_TRUE(git.SetIntegration(false)) << git.LastError();
    EXPECT_EQ(test::ReadFile(home / ".gitconfig"), before);
    EXPECT_FALSE(git.IsIntegrated());
    EXPECT_FALSE(hive.KeyExists("Software\\Brasko\\Corvatine\\Integration\\Git"));
}

TEST_F(GitIntegrationTest, AGlobalFileThatDidNotExistIsRemovedAgain) {
    ASSERT_TRUE(git.SetIntegration(true)) << git.LastError();
    EXPECT_TRUE(Exists(home / ".gitconfig"));
    ASSERT_TRUE(git.SetIntegration(false)) << git.LastError();
    EXPECT_FALSE(Exists(home / ".gitconfig"));
}

TEST_F(GitIntegrationTest, WithoutGitConfigGlobalTheXdgFileIsTheOneWhenOnlyItExists) {
    UnsetEnv unset("GIT_CONFIG_GLOBAL");
    const std::string before = "[user]\n\tname = Ann\n[core]\n\teditor = vi\n";
    home.WriteFile(".config/git/config", before);
    EXPECT_EQ(GitGlobalConfigFile(), home / ".config/git/config");
    ASSERT_TRUE(git.SetIntegration(true)) << git.LastError();
    EXPECT_NE(test::ReadFile(home / ".config/git/config").find("tool = corvatine"), std::string::npos);
    EXPECT_FALSE(Exists(home / ".gitconfig"));
    ASSERT_TRUE(git.SetIntegration(false)) << git.LastError();
    EXPECT_EQ(test::ReadFile(home / ".config/git/config"), before);
}

TEST_F(GitIntegrationTest, AFailedBackupPutsGitBack) {
    GitConfig({"diff.tool", "vimdiff"});
    const std::string before = test::ReadFile(home / ".gitconfig");
    git.SetCommit([](std::string& error) {
        error = "'registry.reg': No space left on device";
        return false;
    });
    EXPECT_FALSE(git.SetIntegration(true));
    EXPECT_EQ(git.LastError(),
              "Git: cannot keep its previous settings: 'registry.reg': No space left on device");
    EXPECT_EQ(test::ReadFile(home / ".gitconfig"), before);
    EXPECT_EQ(Get("diff.tool"), "vimdiff\n");
    std::string value;
    EXPECT_FALSE(hive.GetString("Software\\Brasko\\Corvatine\\Integration\\Git", "diff.tool", value));
}

TEST_F(GitIntegrationTest, GitNotOnThePathIsNeverWritten) {
    test::TempDir emptyBin;
    test::ScopedEnv path("PATH", emptyBin.Path());
    EXPECT_FALSE(git.IsConfigured());
    EXPECT_FALSE(git.IsIntegrated());
    EXPECT_FALSE(git.SetIntegration(true));
    EXPECT_EQ(git.LastError(), "Git is not installed (git is not on PATH)");
    EXPECT_FALSE(Exists(home / ".gitconfig"));
    EXPECT_FALSE(hive.IsModified());
}

TEST_F(GitIntegrationTest, OffWithoutABackupChangesNothing) {
    GitConfig({"diff.tool", "corvatine"});
    const std::string before = test::ReadFile(home / ".gitconfig");
    EXPECT_TRUE(git.IsIntegrated());
    EXPECT_FALSE(git.SetIntegration(false));
    EXPECT_EQ(git.LastError(), "Git: there is no backup of its previous settings");
    EXPECT_EQ(test::ReadFile(home / ".gitconfig"), before);
}

}  // namespace
}  // namespace corvatine
