#include "integration/TortoiseIntegration.h"

#include <array>

namespace corvatine {

namespace {

// The longest value the clients' settings are read with.
constexpr size_t kMaxClientValue = 1023;

// Text that marks a value as naming this program.
constexpr const char* kProgramMark = "corvatine";

constexpr const char* kSvnDiff = "Diff";
constexpr const char* kBackupDiff = "Backup.Diff";

struct CVSVALUE {
    const char* client;  // the value in TortoiseCVS's key
    const char* backup;  // its backup
};
constexpr std::array<CVSVALUE, 4> kCvsValues = {{
    {"External Diff Application", "Backup.Diff"},
    {"External Diff2 Params", "Backup.DiffParams"},
    {"External Merge Application", "Backup.Merge"},
    {"External Merge2 Params", "Backup.MergeParams"},
}};

}  // namespace

bool CTortoiseIntegration::ReadClientValue(const std::string& key, const std::string& name,
                                           std::string& value) {
    std::string text;
    if (!m_hive.GetString(key, name, text) || text.size() > kMaxClientValue) return false;
    value = std::move(text);
    return true;
}

bool CTortoiseIntegration::IsTortoiseSVNConfigured() {
    std::string diff;
    return ReadClientValue(kTortoiseSVNKey, kSvnDiff, diff) && !diff.empty();
}

bool CTortoiseIntegration::IsTortoiseSVNIntegrated() {
    std::string diff;
    return ReadClientValue(kTortoiseSVNKey, kSvnDiff, diff) && diff.find(kProgramMark) != std::string::npos;
}

bool CTortoiseIntegration::SetTortoiseSVNIntegration(bool on) {
    const std::string backupKey = SettingsKey(kTortoiseSVNBackup);
    CHiveTransaction change(m_hive);
    if (on) {
        std::string old;
        if (!ReadClientValue(kTortoiseSVNKey, kSvnDiff, old) || old.empty())
            return Fail("TortoiseSVN has no comparison program configured");
        change.SetString(kTortoiseSVNKey, kSvnDiff, m_programPath + " %base %mine");
        change.SetString(backupKey, kBackupDiff, old);
    } else {
        std::string backup;
        if (!m_hive.GetString(backupKey, kBackupDiff, backup))
            return Fail("TortoiseSVN: there is no backup of its previous comparison program");
        change.SetString(kTortoiseSVNKey, kSvnDiff, backup);
        change.DeleteKey(backupKey);
    }
    std::string error;
    if (!change.Commit(m_commit, error)) return Fail("TortoiseSVN: " + error);
    return true;
}

bool CTortoiseIntegration::IsTortoiseCVSConfigured() {
    std::string application;
    return ReadClientValue(kTortoiseCVSKey, kCvsValues[0].client, application) && !application.empty();
}

bool CTortoiseIntegration::IsTortoiseCVSIntegrated() {
    std::string application;
    return ReadClientValue(kTortoiseCVSKey, kCvsValues[0].client, application) &&
           application.find(kProgramMark) != std::string::npos;
}

bool CTortoiseIntegration::SetTortoiseCVSIntegration(bool on) {
    const std::string backupKey = SettingsKey(kTortoiseCVSBackup);
    CHiveTransaction change(m_hive);
    if (on) {
        std::array<std::string, kCvsValues.size()> old;
        for (size_t i = 0; i < kCvsValues.size(); ++i)
            if (!ReadClientValue(kTortoiseCVSKey, kCvsValues[i].client, old[i]))
                return Fail(std::string("TortoiseCVS: cannot read its value \"") + kCvsValues[i].client +
                            "\"");
        const std::array<std::string, kCvsValues.size()> now = {m_programPath, "%1 %2", m_programPath,
                                                                "\"%mine\" \"%yours\""};
        for (size_t i = 0; i < kCvsValues.size(); ++i)
            change.SetString(kTortoiseCVSKey, kCvsValues[i].client, now[i]);
        for (size_t i = 0; i < kCvsValues.size(); ++i)
            change.SetString(backupKey, kCvsValues[i].backup, old[i]);
    } else {
        std::array<std::string, kCvsValues.size()> backup;
        for (size_t i = 0; i < kCvsValues.size(); ++i)
            if (!m_hive.GetString(backupKey, kCvsValues[i].backup, backup[i]))
                return Fail(std::string("TortoiseCVS: there is no backup of its value \"") +
                            kCvsValues[i].client + "\"");
        for (size_t i = 0; i < kCvsValues.size(); ++i)
            change.SetString(kTortoiseCVSKey, kCvsValues[i].client, backup[i]);
        change.DeleteKey(backupKey);
    }
    std::string error;
    if (!change.Commit(m_commit, error)) return Fail("TortoiseCVS: " + error);
    return true;
}

}  // namespace corvatine
