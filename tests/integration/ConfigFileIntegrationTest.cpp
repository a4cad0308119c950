#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "integration/ConfigText.h"
#include "integration/VcsIntegration.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

constexpr const char* kProgram = "/opt/corva/corvatine";

// A home of its own for the clients' files and a hive for the backups.
class ConfigFileIntegrationTest : public ::testing::Test {
protected:
    test::TempDir home;
    test::ScopedEnv homeEnv{"HOME", home.Path()};
    test::ScopedEnv xdgEnv{"XDG_CONFIG_HOME", home / ".config"};
    platform::CRegistryHive hive{home / "registry.reg", "HKEY_CURRENT_USER"};
    std::string svnConfig = home / ".subversion/config";
    std::string hgrc = home / ".hgrc";

    CConfigFileIntegration Subversion() { return CConfigFileIntegration(hive, SubversionClient(kProgram)); }
    CConfigFileIntegration Mercurial() { return CConfigFileIntegration(hive, MercurialClient(kProgram)); }
    std::string Backup(const std::string& section, const std::string& name) {
        std::string value;
        return hive.GetString(std::string("Software\\Brasko\\Corvatine\\") + section, name, value) ? value
                                                                                                   : "<none>";
    }
};

struct ROUNDTRIP {
    const char* what;
    std::string before;
    std::string integrated;
};

TEST_F(ConfigFileIntegrationTest, SubversionOnChangesOnlyDiffCmdAndOffRestoresEveryByte) {
    const std::string program = kProgram;
    const ROUNDTRIP cases[] = {
        {"a commented example in [helpers]",
         "### This file configures various client-side behaviors.\n[auth]\n# password-stores = gpg-agent\n\n"
         "[helpers]\n### Set diff-cmd to the absolute path of your 'diff' program.\n# diff-cmd = "
         "diff_program\n"
         "# diff3-cmd = diff3_program\n\n[tunnels]\n# ssh = $SVN_SSH ssh -q\n",
         "### This file configures various client-side behaviors.\n[auth]\n# password-stores = gpg-agent\n\n"
         "[helpers]\ndiff-cmd = " +
             program +
             "\n### Set diff-cmd to the absolute path of your 'diff' program.\n# diff-cmd = diff_program\n"
             "# diff3-cmd = diff3_program\n\n[tunnels]\n# ssh = $SVN_SSH ssh -q\n"},
        {"a diff-cmd of its own", "[helpers]\neditor-cmd = vim\ndiff-cmd=colordiff\n[miscellany]\nx = 1\n",
         "[helpers]\neditor-cmd = vim\ndiff-cmd = " + program + "\n[miscellany]\nx = 1\n"},
        {"no [helpers] and no final line break", "[miscellany]\nglobal-ignores = *.o",
         "[miscellany]\nglobal-ignores = *.o\n\n[helpers]\ndiff-cmd = " + program + "\n"},
        {"an empty file", "", "[helpers]\ndiff-cmd = " + program + "\n"},
        {"a diff-cmd in another section only", "[other]\ndiff-cmd = x\n",
         "[other]\ndiff-cmd = x\n\n[helpers]\ndiff-cmd = " + program + "\n"},
    };
    for (const ROUNDTRIP& c : cases) {
        SCOPED_TRACE(c.what);
        home.WriteFile(".subversion/config", c.before);
        CConfigFileIntegration svn = Subversion();
        ASSERT_TRUE(svn.IsConfigured()) << svn.NotConfiguredReason();
        EXPECT_FALSE(svn.IsIntegrated());
        ASSERT_TRUE(svn.SetIntegration(true)) << svn.LastError();
        EXPECT_EQ(test::ReadFile(svnConfig), c.integrated);
        EXPECT_TRUE(svn.IsIntegrated());
        ASSERT_TRUE(svn.SetIntegration(false)) << svn.LastError();
        EXPECT_EQ(test::ReadFile(svnConfig), c.before);
        EXPECT_FALSE(svn.IsIntegrated());
        EXPECT_FALSE(hive.KeyExists("Software\\Brasko\\Corvatine\\Integration\\Subversion"));
    }
}

TEST_F(ConfigFileIntegrationTest, MercurialOnAddsExtdiffAndItsCommandAndOffRestoresEveryByte) {
    const std::string program = kProgram;
    const ROUNDTRIP cases[] = {
        {"an empty file", "", "[extensions]\nextdiff =\n\n[extdiff]\ncmd.corvatine = " + program + "\n"},
        {"extdiff switched on already",
         "[ui]\nusername = Ann <ann@example.org>\n\n[extensions]\nrebase =\nextdiff =\n",
         "[ui]\nusername = Ann <ann@example.org>\n\n[extensions]\nrebase =\nextdiff =\n\n[extdiff]\n"
         "cmd.corvatine = " +
             program + "\n"},
        {"extdiff switched off, a command of the same name",
         "[extensions]\nextdiff = !\n[extdiff]\ncmd.corvatine = /old/corvatine\ncmd.kdiff3 =\n",
         "[extensions]\nextdiff =\n[extdiff]\ncmd.corvatine = " + program + "\ncmd.kdiff3 =\n"},
    };
    for (const ROUNDTRIP& c : cases) {
        SCOPED_TRACE(c.what);
        home.WriteFile(".hgrc", c.before);
        CConfigFileIntegration hg = Mercurial();
        ASSERT_TRUE(hg.IsConfigured()) << hg.NotConfiguredReason();
        ASSERT_TRUE(hg.SetIntegration(true)) << hg.LastError();
        EXPECT_EQ(test::ReadFile(hgrc), c.integrated);
        EXPECT_TRUE(hg.IsIntegrated());
        ASSERT_TRUE(hg.SetIntegration(false)) << hg.LastError();
        EXPECT_EQ(test::ReadFile(hgrc), c.before);
    }
    // What was there before is what the backup says.
    home.WriteFile(".hgrc", "[extensions]\nextdiff =\n[extdiff]\ncmd.corvatine = /old\n");
    CConfigFileIntegration hg = Mercurial();
    ASSERT_TRUE(hg.SetIntegration(true));
    EXPECT_EQ(Backup("Integration\\Mercurial", "extensions/extdiff"), "kept");
    EXPECT_EQ(Backup("Integration\\Mercurial", "extdiff/cmd.corvatine"), "line:cmd.corvatine = /old");
}

TEST_F(ConfigFileIntegrationTest, AClientWithoutItsProgramOrItsFileIsNeverWritten) {
    test::TempDir emptyBin;
    {
        test::ScopedEnv path("PATH", emptyBin.Path());
        home.WriteFile(".subversion/config", "[helpers]\n");
        CConfigFileIntegration svn = Subversion();
        EXPECT_FALSE(svn.IsConfigured());
        EXPECT_EQ(svn.NotConfiguredReason(), "Subversion is not installed (svn is not on PATH)");
        EXPECT_FALSE(svn.SetIntegration(true));
        EXPECT_EQ(svn.LastError(), "Subversion is not installed (svn is not on PATH)");
        EXPECT_EQ(test::ReadFile(svnConfig), "[helpers]\n");
    }
    CConfigFileIntegration hg = Mercurial();
    EXPECT_FALSE(hg.IsConfigured());
    EXPECT_EQ(hg.NotConfiguredReason(), "Mercurial has no configuration file '" + hgrc + "'");
    EXPECT_FALSE(hg.SetIntegration(true));
    struct stat info {};
    EXPECT_NE(::stat(hgrc.c_str(), &info), 0);
    EXPECT_FALSE(hive.IsModified());
}

TEST_F(ConfigFileIntegrationTest, AFailedBackupPutsTheFileBack) {
    const std::string before = "[helpers]\n# diff-cmd = x\n";
    home.WriteFile(".subversion/config", before);
    CConfigFileIntegration svn = Subversion();
    svn.SetCommit([](std::string& error) {
        error = "'registry.reg': Read-only file system";
        return false;
    });
    EXPECT_FALSE(svn.SetIntegration(true));
    EXPECT_EQ(svn.LastError(),
              "Subversion: cannot keep its previous settings: 'registry.reg': Read-only file system");
    EXPECT_EQ(test::ReadFile(svnConfig), before);
    EXPECT_EQ(Backup("Integration\\Subversion", "helpers/diff-cmd"), "<none>");

    svn.SetCommit(nullptr);
    ASSERT_TRUE(svn.SetIntegration(true));
    const std::string integrated = test::ReadFile(svnConfig);
    svn.SetCommit([](std::string&) { return false; });
    EXPECT_FALSE(svn.SetIntegration(false));
    EXPECT_EQ(test::ReadFile(svnConfig), integrated);
    EXPECT_EQ(Backup("Integration\\Subversion", "helpers/diff-cmd"), "inserted");
}

TEST_F(ConfigFileIntegrationTest, OffWithoutABackupChangesNothing) {
    const std::string before = std::string("[helpers]\ndiff-cmd = ") + kProgram + "\n";
    home.WriteFile(".subversion/config", before);
    CConfigFileIntegration svn = Subversion();
    EXPECT_TRUE(svn.IsIntegrated());
    EXPECT_FALSE(svn.SetIntegration(false));
    EXPECT_EQ(svn.LastError(), "Subversion: there is no backup of its previous settings");
    EXPECT_EQ(test::ReadFile(svnConfig), before);
}

TEST(ConfigTextTest, EntriesAreFoundInTheirSectionOnlyAndTheLastOneCounts) {
    CConfigText text("top = 0\n[a]\nkey = 1\n#key = 2\n key = 3\n[b]\nkey = 4\n[a]\nkey:5\nkeyword = 6\n");
    EXPECT_EQ(text.FindEntry("a", "key"), 8);
    EXPECT_EQ(text.EntryValue(8), "5");
    EXPECT_EQ(text.FindEntry("b", "key"), 6);
    EXPECT_EQ(text.FindEntry("", "top"), 0);
    EXPECT_EQ(text.FindEntry("c", "key"), -1);
    EXPECT_EQ(text.FindSection("a"), 1);
    EXPECT_EQ(text.FindSection("c"), -1);
}

// Indented lines after an entry continue its value: they go and come back
// with it; a blank line or one in the first column ends it.
TEST(ConfigTextTest, AnEntryTakesItsContinuationLines) {
    CConfigText text("[a]\nkey = one\n  two\n\tthree\n\n  four\nnext = 5\n");
    const int key = text.FindEntry("a", "key");
    ASSERT_EQ(key, 1);
    EXPECT_EQ(text.EntryLineCount(key), 3);
    EXPECT_EQ(text.EntryText(key), "key = one\n  two\n\tthree");
    EXPECT_EQ(text.EntryLineCount(text.FindEntry("a", "next")), 1);
    text.ReplaceEntry(key, "key = new");
    EXPECT_EQ(text.Text(), "[a]\nkey = new\n\n  four\nnext = 5\n");
    text.ReplaceEntry(text.FindEntry("a", "key"), "key = one\n  two\n\tthree");
    EXPECT_EQ(text.Text(), "[a]\nkey = one\n  two\n\tthree\n\n  four\nnext = 5\n");
    text.RemoveEntry(text.FindEntry("a", "key"));
    EXPECT_EQ(text.Text(), "[a]\n\n  four\nnext = 5\n");
}

TEST(ConfigTextTest, AnAppendedSectionGoesAgainWithWhatWasPutBeforeIt) {
    for (const std::string before : {"", "a = 1", "a = 1\n", "a = 1\n\n"}) {
        SCOPED_TRACE(before);
        CConfigText text(before);
        const std::string prefix = text.AppendSection("s", "k = v");
        EXPECT_EQ(text.Text(), before + prefix + "[s]\nk = v\n");
        text.RemoveLine(text.FindEntry("s", "k"));
        EXPECT_TRUE(text.RemoveAppendedSection("s", prefix));
        EXPECT_EQ(text.Text(), before);
    }
    // A section that still holds an entry stays.
    CConfigText full("[s]\nk = v\n");
    EXPECT_FALSE(full.RemoveAppendedSection("s", ""));
    EXPECT_EQ(full.Text(), "[s]\nk = v\n");
}

}  // namespace
}  // namespace corvatine
