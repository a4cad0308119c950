// The settings store: a hive of keys holding named DWORD and string values,
// kept in a text file in the form of a registry export:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Brasko\Corvatine\Settings]
//   "MaxFiles"=dword:0000000a
//   "ExternalTextEditor"="/usr/bin/vi"
//
// Key paths use "\" between their parts and are relative to the hive's root.
// Key and value names compare without regard to ASCII case and keep the case
// they were first written with. In strings, "\\" and "\"" are escaped, and
// control characters are written as "\xHH" so that every value stays on its
// line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvatine::platform {

class CRegistryHive {
public:
    enum class ValueType { Dword, String };

    struct VALUE {
        std::string name;  // empty for the default value, written as @
        ValueType type = ValueType::String;
        uint32_t dword = 0;
        std::string text;
        bool operator==(const VALUE& other) const {
            return type == other.type && dword == other.dword && text == other.text;
        }
    };

    // A hive kept in filePath whose keys hang below rootName
    // ("HKEY_CURRENT_USER"). Nothing is read until the first access.
    CRegistryHive(std::string filePath, std::string rootName);

    // Reads the file if that has not happened yet. A missing file is an empty
    // hive. A file that cannot be parsed is moved aside (".bad", or ".bad.N"
    // when that exists) and the hive starts empty. A file that exists but
    // cannot be read, or cannot be moved aside, leaves the hive empty and
    // read-only, so that Flush never replaces a file it did not understand.
    // The warning text (empty when there is nothing to say) names the file and
    // the reason.
    void Load();
    const std::string& LoadWarning() { return Load(), m_loadWarning; }

    // Reads a value; false when the key or the value does not exist or the
    // value has the other type.
    [[nodiscard]] bool GetDword(const std::string& key, const std::string& name, uint32_t& value);
    [[nodiscard]] bool GetString(const std::string& key, const std::string& name, std::string& value);
    bool KeyExists(const std::string& key);
    // The names of a key's values in the order they were first written.
    std::vector<std::string> ValueNames(const std::string& key);

    void SetDword(const std::string& key, const std::string& name, uint32_t value);
    void SetString(const std::string& key, const std::string& name, const std::string& value);
    void DeleteValue(const std::string& key, const std::string& name);
    // Removes the key with all its values and subkeys.
    void DeleteKey(const std::string& key);

    // True when changes wait to be written (a deletion always counts, since
    // the file may hold what this program does not see).
    bool IsModified() const { return !m_journal.empty(); }

    // Writes the changes made since the file was read. Under a lock on the
    // folder, the file is read again and the changes are applied to what it
    // now holds, so that another program's values written meanwhile survive;
    // the result replaces the file atomically. Nothing is written when the
    // file already holds exactly the result. On failure the file is untouched, the changes stay pending and
    // error names the file and the reason.
    [[nodiscard]] bool Flush(std::string& error);

    // The file text of the current contents.
    std::string Serialize();

    const std::string& FilePath() const { return m_filePath; }

    // Key and value names compare like this: ASCII letters without case.
    static bool NamesEqual(const std::string& a, const std::string& b);

private:
    struct KEY {
        std::string path;  // as first written
        std::vector<VALUE> values;
    };
    using KeyMap = std::map<std::string, KEY>;  // by folded path, so parents sort first

    struct CHANGE {
        enum class Kind { SetValue, DeleteValue, DeleteKey } kind;
        std::string key;
        VALUE value;
    };

    void SetValue(const std::string& key, VALUE value);
    static void Apply(KeyMap& keys, const CHANGE& change);
    static std::string FoldKey(const std::string& key);
    static std::string CanonicalKey(const std::string& key);
    bool Parse(const std::string& text, KeyMap& keys, std::string& error) const;
    std::string Serialize(const KeyMap& keys) const;
    std::string MoveAside(std::string& error) const;

    std::string m_filePath;
    std::string m_rootName;
    bool m_loaded = false;
    bool m_readOnly = false;
    std::string m_loadWarning;
    KeyMap m_keys;
    std::vector<CHANGE> m_journal;
};

// The folder that holds the settings files: $CORVATINE_CONFIG_DIR, else
// $XDG_CONFIG_HOME/corvatine, else ~/.config/corvatine.
std::string ConfigFolder();

// The per-user hive (registry.reg, root HKEY_CURRENT_USER) and the classes
// hive (classes.reg, root HKEY_CLASSES_ROOT) in the configuration folder.
CRegistryHive& CurrentUserHive();
CRegistryHive& ClassesRootHive();

}  // namespace corvatine::platform
