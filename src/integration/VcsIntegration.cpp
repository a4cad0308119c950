#include "integration/VcsIntegration.h"

#include <unistd.h>

#include <cstdlib>

#include "integration/TortoiseIntegration.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Shell.h"

namespace corvatine {

namespace {

// Backup values of a configuration-file client, one per entry, named
// "<section>/<name>": what to do to put the file back.
constexpr const char* kKept = "kept";                 // the entry was there and stays
constexpr const char* kInserted = "inserted";         // the line was put into its section
constexpr const char* kLinePrefix = "line:";          // the line replaced this one
constexpr const char* kAppendedPrefix = "appended:";  // a new section, after this text

// Backup values of git, named after the key: "value:<old>" or "missing";
// sections "section:<name>" = "existed" or "added"; "File" = "existed" or
// "created".
constexpr const char* kValuePrefix = "value:";
constexpr const char* kMissing = "missing";
constexpr const char* kExisted = "existed";
constexpr const char* kAdded = "added";
constexpr const char* kCreated = "created";
constexpr const char* kFileValue = "File";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Single quotes for a shell word (git runs its tool commands through sh).
std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

const char* const kGitSections[] = {"diff", "difftool.corvatine", "merge", "mergetool.corvatine"};

// "^difftool\.corvatine\." for git config --get-regexp.
std::string SectionPattern(const std::string& section) {
    std::string pattern = "^";
    for (const char c : section) pattern += c == '.' ? std::string("\\.") : std::string(1, c);
    return pattern + "\\.";
}

bool HoldsOnlyBlanks(const std::string& path) {
    std::string bytes, error;
    bool missing = false;
    if (!platform::ReadWholeFile(path, bytes, missing, error)) return false;
    return bytes.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

std::vector<GITSETTING> GitSettings(const std::string& programPath) {
    const std::string program = ShellQuote(programPath);
    return {
        {"diff.tool", kToolName},
        {"difftool.corvatine.cmd", program + " \"$LOCAL\" \"$REMOTE\""},
        {"merge.tool", kToolName},
        {"mergetool.corvatine.cmd",
         program + " --merge \"$BASE\" \"$LOCAL\" \"$REMOTE\" --output=\"$MERGED\""},
        {"mergetool.corvatine.trustExitCode", "true"},
    };
}

std::string IntegrationProgramPath(const std::string& installDir) {
    return platform::JoinPath(installDir, "corvatine");
}

std::string HomeFile(const std::string& relative) {
    const std::string home = EnvironmentValue("HOME");
    return home.empty() ? std::string() : platform::JoinPath(home, relative);
}

std::string GitGlobalConfigFile() {
    if (const std::string global = EnvironmentValue("GIT_CONFIG_GLOBAL"); !global.empty()) return global;
    const std::string home = HomeFile(".gitconfig");
    if (platform::PathExists(home)) return home;
    const std::string xdgHome = EnvironmentValue("XDG_CONFIG_HOME");
    const std::string xdg =
        xdgHome.empty() ? HomeFile(".config/git/config") : platform::JoinPath(xdgHome, "git/config");
    return !xdg.empty() && platform::PathExists(xdg) ? xdg : home;
}

// ---- Git -------------------------------------------------------------------

int CGitIntegration::Git(const std::vector<std::string>& arguments, std::string* out) {
    std::vector<std::string> words = {"config", "--global"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    platform::PROCESSRESULT result;
    std::string error;
    if (!platform::RunProgramAndWait("git", words, result, error)) {
        m_error = "Git: " + error;
        return -1;
    }
    if (out != nullptr) {
        *out = result.out;
        if (!out->empty() && out->back() == '\n') out->pop_back();
    }
    if (result.exitStatus != 0) {
        std::string message = result.err;
        while (!message.empty() && message.back() == '\n') message.pop_back();
        m_error = "Git: git config --global";
        for (const std::string& a : arguments) m_error += " " + a;
        m_error += ": " + (message.empty() ? "exit status " + std::to_string(result.exitStatus) : message);
    }
    return result.exitStatus;
}

bool CGitIntegration::IsConfigured() { return !platform::FindProgram("git").empty(); }

std::string CGitIntegration::NotConfiguredReason() {
    return IsConfigured() ? std::string() : "Git is not installed (git is not on PATH)";
}

bool CGitIntegration::IsIntegrated() {
    if (!IsConfigured()) return false;
    std::string tool;
    return Git({"--get", "diff.tool"}, &tool) == 0 && tool == kToolName;
}

bool CGitIntegration::HasIntegration() {
    if (!IsConfigured()) return false;
    std::string file;
    return IsIntegrated() || m_hive.GetString(SettingsKey(kGitBackup), kFileValue, file);
}

bool CGitIntegration::SetIntegration(bool on) {
    m_error.clear();
    if (!IsConfigured()) return Fail(NotConfiguredReason());
    return on ? SwitchOn() : SwitchOff();
}

bool CGitIntegration::SwitchOn() {
    const std::string backupKey = SettingsKey(kGitBackup);
    const std::vector<GITSETTING> settings = GitSettings(m_programPath);
    // A key set more than once can neither take one value nor be put back.
    for (const GITSETTING& setting : settings) {
        std::string values;
        const int found = Git({"--get-all", setting.key}, &values);
        if (found != 0 && found != 1) return Fail(m_error);
        if (found == 0 && values.find('\n') != std::string::npos) {
            std::string list;
            for (const char c : values) list += c == '\n' ? std::string(", ") : std::string(1, c);
            return Fail("Git: " + std::string(setting.key) + " is set more than once in " +
                        GitGlobalConfigFile() + " (" + list + "): keep one of them and try again");
        }
    }
    const bool fileExisted = platform::PathExists(GitGlobalConfigFile());
    CHiveTransaction backup(m_hive);
    backup.SetString(backupKey, kFileValue, fileExisted ? kExisted : kCreated);
    std::vector<const char*> addedSections;
    for (const char* section : kGitSections) {
        const int found = Git({"--get-regexp", SectionPattern(section)});
        if (found != 0 && found != 1) return backup.Abandon(), Fail(m_error);
        if (found == 1) addedSections.push_back(section);
        backup.SetString(backupKey, std::string("section:") + section, found == 0 ? kExisted : kAdded);
    }
    std::vector<std::string> old;
    for (const GITSETTING& setting : settings) {
        std::string value;
        const int found = Git({"--get", setting.key}, &value);
        if (found != 0 && found != 1) return backup.Abandon(), Fail(m_error);
        old.push_back(found == 0 ? kValuePrefix + value : kMissing);
        backup.SetString(backupKey, setting.key, old.back());
    }
    // Puts back what this switch wrote, and only that, when it fails half
    // way. The reason is a copy: the commands run here set m_error anew.
    size_t written = 0;
    const auto restore = [&](std::string reason) {
        for (size_t i = 0; i < written; ++i) {
            if (StartsWith(old[i], kValuePrefix))
                (void)Git({settings[i].key, old[i].substr(std::string(kValuePrefix).size())});
            else
                (void)Git({"--unset", settings[i].key});
        }
        for (const char* section : addedSections)
            if (Git({"--get-regexp", SectionPattern(section)}) == 1) (void)Git({"--remove-section", section});
        const std::string path = GitGlobalConfigFile();
        if (!fileExisted && platform::PathExists(path) && HoldsOnlyBlanks(path)) ::unlink(path.c_str());
        return Fail(std::move(reason));
    };
    for (const GITSETTING& setting : settings) {
        if (Git({setting.key, setting.value}) != 0) {
            backup.Abandon();
            return restore(m_error);
        }
        ++written;
    }
    std::string error;
    if (!backup.Commit(m_commit, error)) return restore("Git: cannot keep its previous settings: " + error);
    m_error.clear();
    return true;
}

bool CGitIntegration::SwitchOff() {
    const std::string backupKey = SettingsKey(kGitBackup);
    std::string file;
    if (!m_hive.GetString(backupKey, kFileValue, file))
        return Fail("Git: there is no backup of its previous settings");
    const std::vector<GITSETTING> settings = GitSettings(m_programPath);
    for (auto setting = settings.rbegin(); setting != settings.rend(); ++setting) {
        std::string old;
        if (!m_hive.GetString(backupKey, setting->key, old)) continue;
        // diff.tool and merge.tool are the user's again once they name
        // another tool; the tool's own section is this program's.
        const std::string key = setting->key;
        if (key == "diff.tool" || key == "merge.tool") {
            std::string current;
            const int found = Git({"--get", key}, &current);
            if (found != 0 && found != 1) return Fail(m_error);
            if (found == 1 || current != kToolName) continue;
        }
        if (StartsWith(old, kValuePrefix)) {
            if (Git({key, old.substr(std::string(kValuePrefix).size())}) != 0) return Fail(m_error);
        } else {
            const int status = Git({"--unset", key});
            if (status != 0 && status != 5) return Fail(m_error);  // 5: was not set
        }
    }
    for (const char* section : kGitSections) {
        std::string state;
        if (!m_hive.GetString(backupKey, std::string("section:") + section, state) || state != kAdded)
            continue;
        // A section this program added goes again once nothing else is in it.
        if (Git({"--get-regexp", SectionPattern(section)}) == 1) (void)Git({"--remove-section", section});
    }
    const std::string path = GitGlobalConfigFile();
    if (file == kCreated && platform::PathExists(path) && HoldsOnlyBlanks(path)) ::unlink(path.c_str());
    m_error.clear();
    CHiveTransaction change(m_hive);
    change.DeleteKey(backupKey);
    std::string error;
    if (!change.Commit(m_commit, error)) {
        for (const GITSETTING& setting : settings) (void)Git({setting.key, setting.value});
        return Fail("Git: cannot remove the backup of its settings: " + error);
    }
    return true;
}

// ---- Configuration files -----------------------------------------------------

bool CConfigFileIntegration::IsConfigured() {
    return !platform::FindProgram(m_client.program).empty() && platform::PathExists(m_client.configFile);
}

std::string CConfigFileIntegration::NotConfiguredReason() {
    if (platform::FindProgram(m_client.program).empty())
        return m_client.clientName + " is not installed (" + m_client.program + " is not on PATH)";
    if (!platform::PathExists(m_client.configFile))
        return m_client.clientName + " has no configuration file '" + m_client.configFile + "'";
    return {};
}

std::string CConfigFileIntegration::StateText() {
    if (platform::FindProgram(m_client.program).empty()) return "not installed";
    return platform::PathExists(m_client.configFile) ? "installed" : "installed, no configuration file";
}

bool CConfigFileIntegration::ReadConfig(std::string& text) {
    bool missing = false;
    std::string error;
    if (!platform::ReadWholeFile(m_client.configFile, text, missing, error))
        return Fail(m_client.clientName + ": " + error);
    return true;
}

bool CConfigFileIntegration::WriteConfig(const std::string& text) {
    std::string error;
    if (!platform::WriteFileAtomically(m_client.configFile, text, 0644, error))
        return Fail(m_client.clientName + ": " + error);
    return true;
}

bool CConfigFileIntegration::IsIntegrated() {
    if (!IsConfigured() || m_client.entries.empty()) return false;
    std::string text;
    if (!ReadConfig(text)) return false;
    const CConfigText config(text);
    const CONFIGENTRY& entry = m_client.entries.back();
    const int line = config.FindEntry(entry.section, entry.name);
    return line >= 0 && config.EntryValue(line).find(kToolName) != std::string::npos;
}

bool CConfigFileIntegration::SetIntegration(bool on) {
    m_error.clear();
    if (!IsConfigured()) return Fail(NotConfiguredReason());
    const std::string backupKey = SettingsKey(m_client.backupSection);
    std::string before;
    if (!ReadConfig(before)) return false;
    CConfigText config(before);
    CHiveTransaction change(m_hive);
    if (on) {
        for (const CONFIGENTRY& entry : m_client.entries) {
            const std::string line =
                entry.value.empty() ? entry.name + " =" : entry.name + " = " + entry.value;
            const std::string backupName = entry.section + "/" + entry.name;
            const int found = config.FindEntry(entry.section, entry.name);
            if (found >= 0) {
                if (!entry.keepUnlessStartsWith.empty() &&
                    !StartsWith(config.EntryValue(found), entry.keepUnlessStartsWith)) {
                    change.SetString(backupKey, backupName, kKept);
                    continue;
                }
                // The entry with the lines that continue its value.
                change.SetString(backupKey, backupName, kLinePrefix + config.EntryText(found));
                config.ReplaceEntry(found, line);
            } else if (const int header = config.FindSection(entry.section); header >= 0) {
                change.SetString(backupKey, backupName, kInserted);
                config.InsertLine(header + 1, line);
            } else {
                change.SetString(backupKey, backupName,
                                 kAppendedPrefix + config.AppendSection(entry.section, line));
            }
        }
    } else {
        std::vector<std::string> states;
        for (const CONFIGENTRY& entry : m_client.entries) {
            std::string state;
            if (!m_hive.GetString(backupKey, entry.section + "/" + entry.name, state))
                return Fail(m_client.clientName + ": there is no backup of its previous settings");
            states.push_back(std::move(state));
        }
        for (size_t i = m_client.entries.size(); i-- > 0;) {
            const CONFIGENTRY& entry = m_client.entries[i];
            const std::string& state = states[i];
            const int found = config.FindEntry(entry.section, entry.name);
            if (StartsWith(state, kLinePrefix)) {
                const std::string line = state.substr(std::string(kLinePrefix).size());
                if (found >= 0)
                    config.ReplaceEntry(found, line);
                else if (const int header = config.FindSection(entry.section); header >= 0)
                    config.InsertLines(header + 1, line);
                else
                    (void)config.AppendSection(entry.section, line);
            } else if (state == kInserted) {
                if (found >= 0) config.RemoveEntry(found);
            } else if (StartsWith(state, kAppendedPrefix)) {
                if (found >= 0) config.RemoveEntry(found);
                (void)config.RemoveAppendedSection(entry.section,
                                                   state.substr(std::string(kAppendedPrefix).size()));
            }
        }
        change.DeleteKey(backupKey);
    }
    const std::string after = config.Text();
    if (after != before && !WriteConfig(after)) {
        change.Abandon();
        return false;
    }
    std::string error;
    if (!change.Commit(m_commit, error)) {
        // The file goes back to what it was, so that it matches the backups.
        if (after != before) (void)WriteConfig(before);
        return Fail(
            m_client.clientName + ": cannot " +
            (on ? std::string("keep its previous settings: ") : "remove the backup of its settings: ") +
            error);
    }
    return true;
}

CConfigFileIntegration::CLIENT SubversionClient(const std::string& programPath) {
    return {"svn",
            "Subversion",
            "svn",
            HomeFile(".subversion/config"),
            kSubversionBackup,
            {{"helpers", "diff-cmd", programPath, ""}}};
}

CConfigFileIntegration::CLIENT MercurialClient(const std::string& programPath) {
    return {
        "hg",
        "Mercurial",
        "hg",
        HomeFile(".hgrc"),
        kMercurialBackup,
        {{"extensions", "extdiff", "", "!"}, {"extdiff", std::string("cmd.") + kToolName, programPath, ""}}};
}

// ---- The Tortoise clients through the common face ----------------------------

namespace {

class CTortoiseClient : public CClientIntegration {
public:
    CTortoiseClient(platform::CRegistryHive& hive, const std::string& programPath, bool svn)
        : m_tortoise(hive, programPath), m_svn(svn) {}
    std::string Name() const override { return m_svn ? "tortoisesvn" : "tortoisecvs"; }
    std::string ClientName() const override { return m_svn ? "TortoiseSVN" : "TortoiseCVS"; }
    bool IsConfigured() override {
        return m_svn ? m_tortoise.IsTortoiseSVNConfigured() : m_tortoise.IsTortoiseCVSConfigured();
    }
    std::string NotConfiguredReason() override {
        if (IsConfigured()) return {};
        return m_svn ? "TortoiseSVN has no comparison program configured"
                     : "TortoiseCVS has no external comparison application configured";
    }
    std::string StateText() override { return IsConfigured() ? "configured" : "not configured"; }
    bool IsIntegrated() override {
        return m_svn ? m_tortoise.IsTortoiseSVNIntegrated() : m_tortoise.IsTortoiseCVSIntegrated();
    }
    bool SetIntegration(bool on) override {
        const bool done =
            m_svn ? m_tortoise.SetTortoiseSVNIntegration(on) : m_tortoise.SetTortoiseCVSIntegration(on);
        m_error = done ? std::string() : m_tortoise.LastError();
        return done;
    }

private:
    CTortoiseIntegration m_tortoise;
    bool m_svn;
};

}  // namespace

std::vector<std::unique_ptr<CClientIntegration>> MakeClientIntegrations(platform::CRegistryHive& hive,
                                                                        const std::string& programPath) {
    std::vector<std::unique_ptr<CClientIntegration>> clients;
    clients.push_back(std::make_unique<CTortoiseClient>(hive, programPath, true));
    clients.push_back(std::make_unique<CTortoiseClient>(hive, programPath, false));
    clients.push_back(std::make_unique<CGitIntegration>(hive, programPath));
    clients.push_back(std::make_unique<CConfigFileIntegration>(hive, SubversionClient(programPath)));
    clients.push_back(std::make_unique<CConfigFileIntegration>(hive, MercurialClient(programPath)));
    return clients;
}

}  // namespace corvatine
