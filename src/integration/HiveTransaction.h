// Changes to the settings hive that reach its file together or not at all:
// the integration writes a client's values and their backups this way, so
// that a failed write leaves both as they were.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/RegistryHive.h"

namespace corvatine {

// Writes the hive's pending changes to its file; false with error set when
// it could not. The hive's Flush unless a test puts a failing one in.
using HiveCommit = std::function<bool(std::string& error)>;

class CHiveTransaction {
public:
    explicit CHiveTransaction(platform::CRegistryHive& hive) : m_hive(hive) {}

    void SetString(const std::string& key, const std::string& name, const std::string& value);
    void SetDword(const std::string& key, const std::string& name, uint32_t value);
    // Removes a key with its values; it must have no subkeys (those could
    // not be put back).
    void DeleteKey(const std::string& key);

    // Writes the hive through commit (its Flush when commit is empty). On
    // failure every change made through this object is undone in memory, so
    // that the hive holds what it held before, and error names the reason.
    [[nodiscard]] bool Commit(const HiveCommit& commit, std::string& error);
    // Undoes in memory every change made through this object, unwritten.
    void Abandon() { Undo(); }

private:
    struct OLDVALUE {
        std::string key;
        std::string name;
        bool existed = false;
        platform::CRegistryHive::VALUE value;
    };
    void Remember(const std::string& key, const std::string& name);
    void Undo();

    platform::CRegistryHive& m_hive;
    std::vector<OLDVALUE> m_undo;
};

// The settings root's subkey below the per-user hive: "Software\Brasko\Corvatine\<section>".
std::string SettingsKey(const std::string& section);

}  // namespace corvatine
