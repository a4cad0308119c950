// TortoiseSVN and TortoiseCVS: their comparison (and, for TortoiseCVS,
// merge) program set to Corvatine in their keys of the per-user hive, with
// the previous values kept under Integration\TortoiseSVN and
// Integration\TortoiseCVS of the settings root.
#pragma once

#include <string>

#include "integration/HiveTransaction.h"
#include "platform/RegistryHive.h"

namespace corvatine {

inline constexpr const char* kTortoiseSVNKey = "Software\\TortoiseSVN";
inline constexpr const char* kTortoiseCVSKey = "Software\\TortoiseCVS";
inline constexpr const char* kTortoiseSVNBackup = "Integration\\TortoiseSVN";
inline constexpr const char* kTortoiseCVSBackup = "Integration\\TortoiseCVS";

class CTortoiseIntegration {
public:
    // programPath: the program the clients start (InstallDir + "/corvatine").
    CTortoiseIntegration(platform::CRegistryHive& hive, std::string programPath)
        : m_hive(hive), m_programPath(std::move(programPath)) {}

    // TortoiseSVN's "Diff" can be read and is not empty.
    bool IsTortoiseSVNConfigured();
    // "Diff" names this program.
    bool IsTortoiseSVNIntegrated();
    // On: "Diff" becomes the program path + " %base %mine" and its old value
    // the backup. Off: the backup goes back into "Diff" and the backup
    // section is removed. Both are one write of the hive: on failure neither
    // the client's value nor the backup changes. Off without a backup, and
    // on while nothing is configured, write nothing and fail.
    [[nodiscard]] bool SetTortoiseSVNIntegration(bool on);

    // TortoiseCVS's "External Diff Application" can be read and is not empty.
    bool IsTortoiseCVSConfigured();
    bool IsTortoiseCVSIntegrated();
    // The same for the four values of TortoiseCVS; on needs all four
    // readable, off all four backups.
    [[nodiscard]] bool SetTortoiseCVSIntegration(bool on);

    const std::string& LastError() const { return m_error; }
    // How the hive reaches its file (tests put in failures).
    void SetCommit(HiveCommit commit) { m_commit = std::move(commit); }

private:
    // A client value of at most 1023 bytes.
    bool ReadClientValue(const std::string& key, const std::string& name, std::string& value);
    bool Fail(std::string reason) {
        m_error = std::move(reason);
        return false;
    }

    platform::CRegistryHive& m_hive;
    std::string m_programPath;
    HiveCommit m_commit;
    std::string m_error;
};

}  // namespace corvatine
