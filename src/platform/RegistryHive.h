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
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/AtomicFile.h"

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
    // when that exists; under the settings lock, after reading it again) and
    // the hive starts empty. A file that exists but cannot be read, or cannot
    // be moved aside, leaves the hive empty and read-only, so that Flush never
    // replaces a file it did not understand. The warning text (empty when
    // there is nothing to say) names the file and the reason.
    void Load();
    const std::string& LoadWarning() { return Load(), m_loadWarning; }

    // Reads a value; false when the key or the value does not exist or the
    // value has the other type.
    [[nodiscard]] bool GetDword(const std::string& key, std::string_view name, uint32_t& value);
    [[nodiscard]] bool GetString(const std::string& key, std::string_view name, std::string& value);
    bool KeyExists(const std::string& key);
    // Whether the key itself holds a value.
    bool HasValues(const std::string& key);
    // Whether a key below the key holds a value.
    bool HasSubkeys(const std::string& key);
    // The names of a key's values in the order they were first written.
    std::vector<std::string> ValueNames(const std::string& key);

    void SetDword(const std::string& key, std::string_view name, uint32_t value);
    void SetString(const std::string& key, std::string_view name, const std::string& value);
    void DeleteValue(const std::string& key, std::string_view name);
    // Removes the key with all its values and subkeys.
    void DeleteKey(const std::string& key);

    // A change worked out from the contents rather than given: edit reads
    // and writes the hive through its argument. It runs now, and it runs
    // again on what the file holds when Flush finds that another program
    // replaced the file meanwhile, so that it applies to that file instead of
    // overwriting it with this program's view (the recent lists put their
    // entries first this way). It is kept for Flush only when it changed
    // something now. edit must not refer to objects that may go before Flush.
    void Update(std::function<void(CRegistryHive&)> edit);

    // True when changes wait to be written (a deletion always counts, since
    // the file may hold what this program does not see).
    bool IsModified() const { return !m_journal.empty(); }

    // Writes the changes made since the file was read. Under the settings
    // lock of the folder (SettingsLockPath), when the file is no longer the
    // one this program last read or wrote (device, inode, size and times), it
    // is read again and the changes are applied to what it now holds, so that
    // another program's values written meanwhile survive; otherwise it is not
    // read again. The result replaces the file atomically, keeping its
    // permissions; nothing is written when the changes leave the file as it
    // was. A file damaged meanwhile is kept aside and this program's contents
    // are written. On failure the file is untouched, the changes stay pending
    // and error names the file and the reason.
    [[nodiscard]] bool Flush(std::string& error);

    // Takes in the file when another program replaced it since this one
    // read or wrote it, with this program's pending changes made again on
    // top: for a caller that holds the settings lock (SettingsLockPath)
    // across reading values, acting on them and writing its own, so that
    // what it reads is what the file holds. False with error set when the
    // file cannot be read.
    [[nodiscard]] bool TakeInChanges(std::string& error) { return Refresh(error); }

    // The file text of the current contents.
    std::string Serialize();

    const std::string& FilePath() const { return m_filePath; }

    // Key and value names compare like this: ASCII letters without case.
    static bool NamesEqual(std::string_view a, std::string_view b);
    // The form in which names that compare equal are the same string.
    static std::string FoldName(std::string_view name);

private:
    // Transparent, so that a name is looked up without a copy.
    struct NAMEHASH {
        using is_transparent = void;
        size_t operator()(std::string_view name) const;
    };
    struct NAMEEQUAL {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const { return NamesEqual(a, b); }
    };
    struct ENTRY {
        ValueType type = ValueType::String;
        uint32_t dword = 0;
        std::string text;
        uint64_t order = 0;  // when the name was first written, for the file's order
    };
    struct KEY {
        std::string path;  // as first written
        // By name as first written; any spelling of it finds it.
        std::unordered_map<std::string, ENTRY, NAMEHASH, NAMEEQUAL> values;
        uint64_t nextOrder = 0;
    };
    using KeyMap = std::map<std::string, KEY>;  // by folded path, so parents sort first

    struct CHANGE {
        enum class Kind { SetValue, DeleteValue, DeleteKey, Update } kind;
        std::string key;
        VALUE value;
        std::function<void(CRegistryHive&)> edit;  // Update
    };

    const ENTRY* Find(const std::string& key, std::string_view name);
    // The key, or null when it does not exist.
    KEY* FindKey(const std::string& key);
    void SetValue(const std::string& key, VALUE value);
    // Applies a change to the contents; it is kept for Flush unless an
    // update is running, which is kept as a whole.
    void Record(CHANGE change);
    // Applies the pending changes to contents just read from the file.
    void Replay();
    // Takes in the file when another program replaced it (see Flush).
    [[nodiscard]] bool Refresh(std::string& error);
    static bool Apply(KeyMap& keys, const CHANGE& change);
    static std::string FoldKey(std::string_view key);
    static void FoldKeyInto(std::string_view key, std::string& folded);
    static std::string CanonicalKey(std::string_view key);
    bool Parse(std::string_view text, KeyMap& keys, std::string& error) const;
    std::string Serialize(const KeyMap& keys) const;
    // The file as this program last read or wrote it; empty when missing.
    struct FILESTATE {
        FILEIDENTITY identity;
        std::string text;
    };

    // Reads and parses the file into keys and file; a missing file is no
    // keys. False when it cannot be read, or damaged is set when it could be
    // read but not parsed (error then says why).
    bool ReadFile(KeyMap& keys, FILESTATE& file, bool& damaged, std::string& error) const;

    std::string m_filePath;
    std::string m_rootName;
    bool m_loaded = false;
    bool m_readOnly = false;
    std::string m_loadWarning;
    KeyMap m_keys;
    std::vector<CHANGE> m_journal;
    // The pending changes altered the contents read from the file.
    bool m_changed = false;
    int m_updating = 0;  // depth of running updates
    FILESTATE m_file;
    // The last key looked up, as given, and what it found (null: none); any
    // change to the contents forgets it.
    struct LOOKUP {
        bool valid = false;
        std::string key;
        std::string folded;
        KEY* node = nullptr;
    } m_lookup;
};

// The folder that holds the settings files: $CORVATINE_CONFIG_DIR, else
// $XDG_CONFIG_HOME/corvatine, else ~/.config/corvatine.
std::string ConfigFolder();

// The per-user hive (registry.reg, root HKEY_CURRENT_USER) and the classes
// hive (classes.reg, root HKEY_CLASSES_ROOT) in the configuration folder.
CRegistryHive& CurrentUserHive();
CRegistryHive& ClassesRootHive();

}  // namespace corvatine::platform
