// The command-line version-control clients of Linux: Git, Subversion and
// Mercurial made to start Corvatine as their comparison (for Git also merge)
// program, their previous settings kept under Integration\Git,
// Integration\Subversion and Integration\Mercurial of the settings root and
// put back exactly when the integration is switched off.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "integration/ClientIntegration.h"
#include "integration/ConfigText.h"
#include "integration/HiveTransaction.h"
#include "platform/RegistryHive.h"

namespace corvatine {

inline constexpr const char* kGitBackup = "Integration\\Git";
inline constexpr const char* kSubversionBackup = "Integration\\Subversion";
inline constexpr const char* kMercurialBackup = "Integration\\Mercurial";

// The name under which the clients know this program's commands.
inline constexpr const char* kToolName = "corvatine";

// The program the clients start: the installation folder's "corvatine".
std::string IntegrationProgramPath(const std::string& installDir);

// The git settings written: "git difftool" and "git mergetool" use the tool
// "corvatine". The merge compares the merged file (with its conflict markers)
// against the other branch's version ("$REMOTE", read-only); the exit status
// tells git whether the merged file was saved with no conflict marker left.
struct GITSETTING {
    const char* key;
    std::string value;
};
std::vector<GITSETTING> GitSettings(const std::string& programPath);

// A file in the user's home: $HOME/<relative>; empty without $HOME.
std::string HomeFile(const std::string& relative);
// The file "git config --global" writes: $GIT_CONFIG_GLOBAL, else
// ~/.gitconfig, else $XDG_CONFIG_HOME/git/config (or ~/.config/git/config)
// when only that exists, else ~/.gitconfig.
std::string GitGlobalConfigFile();

// Git through "git config --global", run without a shell. Writable whenever
// git is on $PATH (git creates its file; one that did not exist is removed
// again when the integration goes off and it holds nothing else). The file
// comes back byte for byte as long as git wrote the lines it holds (git
// rewrites a line it changes in its own form).
class CGitIntegration : public CClientIntegration {
public:
    CGitIntegration(platform::CRegistryHive& hive, std::string programPath)
        : m_hive(hive), m_programPath(std::move(programPath)) {}
    std::string Name() const override { return "git"; }
    std::string ClientName() const override { return "Git"; }
    bool IsConfigured() override;
    std::string NotConfiguredReason() override;
    std::string StateText() override { return IsConfigured() ? "installed" : "not installed"; }
    bool IsIntegrated() override;
    // Also when the user chose another diff.tool since, while the backup of
    // the settings this program replaced is left.
    bool HasIntegration() override;
    // Switching on refuses a key that git holds more than once. Switching
    // off puts back the previous value of each key only where it still
    // names this program: a tool the user chose since stays.
    [[nodiscard]] bool SetIntegration(bool on) override;
    void SetCommit(HiveCommit commit) { m_commit = std::move(commit); }

private:
    // git config --global with the arguments; exit status (-1: not run).
    int Git(const std::vector<std::string>& arguments, std::string* out = nullptr);
    bool SwitchOn();
    bool SwitchOff();

    platform::CRegistryHive& m_hive;
    std::string m_programPath;
    HiveCommit m_commit;
};

// An entry written into a configuration file.
struct CONFIGENTRY {
    std::string section;
    std::string name;
    std::string value;
    // When not empty, an active entry of the name is left as it is unless
    // its value starts with this: Mercurial's "extdiff =" switched on
    // already stays, "extdiff = !" (switched off) is replaced.
    std::string keepUnlessStartsWith;
};

// A client configured by a file of sections that must exist: Subversion
// (~/.subversion/config, "[helpers] diff-cmd") and Mercurial (~/.hgrc,
// "[extensions] extdiff =" and "[extdiff] cmd.corvatine"). The file is
// edited line by line and replaced atomically.
class CConfigFileIntegration : public CClientIntegration {
public:
    struct CLIENT {
        std::string name;        // the command-line word
        std::string clientName;  // for people
        std::string program;     // the client's program on $PATH
        std::string configFile;  // full path
        std::string backupSection;
        std::vector<CONFIGENTRY> entries;  // the last one tells whether integrated
    };
    CConfigFileIntegration(platform::CRegistryHive& hive, CLIENT client)
        : m_hive(hive), m_client(std::move(client)) {}

    std::string Name() const override { return m_client.name; }
    std::string ClientName() const override { return m_client.clientName; }
    bool IsConfigured() override;
    std::string NotConfiguredReason() override;
    std::string StateText() override;
    bool IsIntegrated() override;
    [[nodiscard]] bool SetIntegration(bool on) override;
    void SetCommit(HiveCommit commit) { m_commit = std::move(commit); }

private:
    bool ReadConfig(std::string& text);
    bool WriteConfig(const std::string& text);

    platform::CRegistryHive& m_hive;
    CLIENT m_client;
    HiveCommit m_commit;
};

CConfigFileIntegration::CLIENT SubversionClient(const std::string& programPath);
CConfigFileIntegration::CLIENT MercurialClient(const std::string& programPath);

// Every client in the order the page and the status list show them:
// tortoisesvn, tortoisecvs, git, svn, hg.
std::vector<std::unique_ptr<CClientIntegration>> MakeClientIntegrations(platform::CRegistryHive& hive,
                                                                        const std::string& programPath);

}  // namespace corvatine
