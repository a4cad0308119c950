#include "platform/RegistryHive.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <algorithm>

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/Path.h"

namespace corvatine::platform {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr mode_t kSettingsFileMode = 0600;
constexpr mode_t kSettingsFolderMode = 0700;

char FoldChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendEscaped(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += c;
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted, escaped string starting at line[pos] == '"'; pos ends after
// the closing quote.
bool ReadQuoted(std::string_view line, size_t& pos, std::string& text) {
    if (pos >= line.size() || line[pos] != '"') return false;
    text.clear();
    for (++pos; pos < line.size(); ++pos) {
        // Plain characters are taken in runs up to the next quote or escape.
        size_t special = pos;
        while (special < line.size() && line[special] != '"' && line[special] != '\\') ++special;
        if (special == line.size()) return false;
        text.append(line.data() + pos, special - pos);
        pos = special;
        if (line[pos] == '"') {
            ++pos;
            return true;
        }
        if (++pos >= line.size()) return false;
        const char e = line[pos];
        if (e == '\\' || e == '"') {
            text += e;
        } else if (e == 'x' && pos + 2 < line.size() && HexDigit(line[pos + 1]) >= 0 &&
                   HexDigit(line[pos + 2]) >= 0) {
            text += static_cast<char>(HexDigit(line[pos + 1]) * 16 + HexDigit(line[pos + 2]));
            pos += 2;
        } else {
            return false;
        }
    }
    return false;
}

std::string_view Trim(std::string_view line) {
    size_t begin = 0, end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r')) --end;
    return line.substr(begin, end - begin);
}

// The keys below a folded key path (not the key itself) are the folded paths
// from "path\" up to, not including, "path]": ']' follows '\'.
std::string FirstBelow(const std::string& folded) { return folded + '\\'; }
std::string PastBelow(const std::string& folded) { return folded + ']'; }

}  // namespace

bool CRegistryHive::NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    return true;
}

std::string CRegistryHive::FoldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = FoldChar(c);
    return folded;
}

size_t CRegistryHive::NAMEHASH::operator()(std::string_view name) const {
    // FNV-1a over the folded bytes.
    uint64_t hash = 14695981039346656037ull;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(FoldChar(c));
        hash *= 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

CRegistryHive::CRegistryHive(std::string filePath, std::string rootName)
    : m_filePath(std::move(filePath)), m_rootName(std::move(rootName)) {}

std::string CRegistryHive::FoldKey(std::string_view key) {
    std::string folded;
    FoldKeyInto(key, folded);
    return folded;
}

void CRegistryHive::FoldKeyInto(std::string_view key, std::string& folded) {
    // CanonicalKey and FoldName in one pass, into storage the caller keeps.
    // Keys as the program writes them have no empty parts: folded in place.
    if (key.empty() ||
        (key.front() != '\\' && key.back() != '\\' && key.find("\\\\") == std::string_view::npos)) {
        folded.assign(key);
        for (char& c : folded) c = FoldChar(c);
        return;
    }
    folded.clear();
    size_t pos = 0;
    while (pos <= key.size()) {
        size_t end = key.find('\\', pos);
        if (end == std::string_view::npos) end = key.size();
        if (end > pos) {
            if (!folded.empty()) folded += '\\';
            for (size_t i = pos; i < end; ++i) folded += FoldChar(key[i]);
        }
        pos = end + 1;
    }
}

CRegistryHive::KEY* CRegistryHive::FindKey(const std::string& key) {
    Load();
    // Options and lists read many values of one key in a row.
    if (m_lookup.valid && m_lookup.key == key) return m_lookup.node;
    FoldKeyInto(key, m_lookup.folded);
    const auto it = m_keys.find(m_lookup.folded);
    m_lookup.key = key;
    m_lookup.node = it == m_keys.end() ? nullptr : &it->second;
    m_lookup.valid = true;
    return m_lookup.node;
}

std::string CRegistryHive::CanonicalKey(std::string_view key) {
    std::string canonical;
    size_t pos = 0;
    while (pos <= key.size()) {
        size_t end = key.find('\\', pos);
        if (end == std::string_view::npos) end = key.size();
        if (end > pos) {
            if (!canonical.empty()) canonical += '\\';
            canonical.append(key, pos, end - pos);
        }
        pos = end + 1;
    }
    return canonical;
}

bool CRegistryHive::Parse(std::string_view text, KeyMap& keys, std::string& error) const {
    keys.clear();
    KEY* current = nullptr;
    size_t lineNumber = 0;
    size_t pos = 0;
    bool seenContent = false;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    VALUE value;
    std::string folded;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == ';') continue;
        if (!seenContent && (line == kHeader || line == "REGEDIT4")) {
            seenContent = true;
            continue;
        }
        seenContent = true;

        if (line[0] == '[') {
            if (line.back() != ']') return fail("a key line must end with ']'");
            const std::string_view path = line.substr(1, line.size() - 2);
            const size_t slash = path.find('\\');
            if (!NamesEqual(path.substr(0, slash), m_rootName))
                return fail("the key is not below " + m_rootName);
            const std::string_view relative =
                slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
            FoldKeyInto(relative, folded);
            KEY& key = keys[folded];
            if (key.path.empty()) key.path = CanonicalKey(relative);
            current = &key;
            continue;
        }

        if (current == nullptr) return fail("a value before the first key");
        size_t at = 0;
        value.name.clear();
        if (line[0] == '@') {
            at = 1;
        } else if (!ReadQuoted(line, at, value.name)) {
            return fail("a value name must be quoted");
        }
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at >= line.size() || line[at] != '=') return fail("'=' expected after the value name");
        ++at;
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        const std::string_view data = line.substr(at);
        ENTRY entry;
        if (data.substr(0, 6) == "dword:") {
            const std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) return fail("a dword needs 1 to 8 hexadecimal digits");
            uint32_t number = 0;
            for (char c : digits) {
                const int d = HexDigit(c);
                if (d < 0) return fail("a dword needs 1 to 8 hexadecimal digits");
                number = number * 16 + static_cast<uint32_t>(d);
            }
            entry.type = ValueType::Dword;
            entry.dword = number;
        } else if (!data.empty() && data[0] == '"') {
            size_t q = 0;
            if (!ReadQuoted(data, q, entry.text) || q != data.size()) return fail("a malformed string value");
            entry.type = ValueType::String;
        } else {
            return fail("only dword and string values are understood");
        }
        // A name given twice keeps its first spelling and place, and the last value.
        const auto [it, inserted] = current->values.try_emplace(value.name);
        const uint64_t order = inserted ? current->nextOrder++ : it->second.order;
        it->second = std::move(entry);
        it->second.order = order;
    }
    return true;
}

std::string CRegistryHive::Serialize(const KeyMap& keys) const {
    std::string text = std::string(kHeader) + "\n";
    std::vector<const std::pair<const std::string, ENTRY>*> ordered;
    for (const auto& [folded, key] : keys) {
        if (key.values.empty()) continue;
        text += "\n[";
        text += m_rootName;
        if (!key.path.empty()) {
            text += '\\';
            text += key.path;
        }
        text += "]\n";
        ordered.clear();
        for (const auto& value : key.values) ordered.push_back(&value);
        std::sort(ordered.begin(), ordered.end(),
                  [](const auto* a, const auto* b) { return a->second.order < b->second.order; });
        for (const auto* value : ordered) {
            const std::string& name = value->first;
            const ENTRY& entry = value->second;
            if (name.empty()) {
                text += '@';
            } else {
                text += '"';
                AppendEscaped(text, name);
                text += '"';
            }
            if (entry.type == ValueType::Dword) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%08x", entry.dword);
                text += "=dword:";
                text += digits;
            } else {
                text += "=\"";
                AppendEscaped(text, entry.text);
                text += '"';
            }
            text += '\n';
        }
    }
    return text;
}

std::string CRegistryHive::Serialize() {
    Load();
    return Serialize(m_keys);
}

bool CRegistryHive::ReadFile(KeyMap& keys, FILESTATE& file, bool& damaged, std::string& error) const {
    damaged = false;
    keys.clear();
    file = FILESTATE{};
    bool missing = false;
    if (!ReadWholeFile(m_filePath, file.text, missing, error, SIZE_MAX, &file.identity)) {
        file = FILESTATE{};
        return missing;  // no file: no keys
    }
    std::string parseError;
    if (Parse(file.text, keys, parseError)) return true;
    keys.clear();
    file = FILESTATE{};
    damaged = true;
    error = "the settings file " + m_filePath + " cannot be parsed (" + parseError + ")";
    return false;
}

void CRegistryHive::Load() {
    if (m_loaded) return;
    m_loaded = true;
    m_lookup.valid = false;
    std::string error;
    bool damaged = false;
    if (ReadFile(m_keys, m_file, damaged, error)) return;
    if (!damaged) {
        m_readOnly = true;
        m_loadWarning = error + "; the defaults are used and the settings are not saved";
        return;
    }
    // Another program may be replacing the file right now: read it again
    // under the lock before it is put aside.
    CFileLock lock;
    std::string lockError;
    if (lock.Lock(SettingsLockPath(PathParentFolder(m_filePath)), lockError) &&
        ReadFile(m_keys, m_file, damaged, error))
        return;
    if (!damaged) {
        m_readOnly = true;
        m_loadWarning = error + "; the defaults are used and the settings are not saved";
        return;
    }
    std::string moveError;
    const std::string aside = KeepAside(m_filePath, moveError);
    if (aside.empty()) {
        m_readOnly = true;
        m_loadWarning =
            error + " and " + moveError + "; the defaults are used and the settings are not saved";
    } else {
        m_loadWarning = error + "; it was kept as " + aside + " and the defaults are used";
    }
}

const CRegistryHive::ENTRY* CRegistryHive::Find(const std::string& key, std::string_view name) {
    const KEY* found = FindKey(key);
    if (found == nullptr) return nullptr;
    const auto value = found->values.find(name);
    return value == found->values.end() ? nullptr : &value->second;
}

bool CRegistryHive::GetDword(const std::string& key, std::string_view name, uint32_t& value) {
    const ENTRY* entry = Find(key, name);
    if (entry == nullptr || entry->type != ValueType::Dword) return false;
    value = entry->dword;
    return true;
}

bool CRegistryHive::GetString(const std::string& key, std::string_view name, std::string& value) {
    const ENTRY* entry = Find(key, name);
    if (entry == nullptr || entry->type != ValueType::String) return false;
    value = entry->text;
    return true;
}

bool CRegistryHive::KeyExists(const std::string& key) {
    Load();
    const std::string folded = FoldKey(key);
    if (folded.empty()) {
        for (const auto& [path, k] : m_keys)
            if (!k.values.empty()) return true;
        return false;
    }
    if (const auto it = m_keys.find(folded); it != m_keys.end() && !it->second.values.empty()) return true;
    const auto end = m_keys.lower_bound(PastBelow(folded));
    for (auto it = m_keys.lower_bound(FirstBelow(folded)); it != end; ++it)
        if (!it->second.values.empty()) return true;
    return false;
}

bool CRegistryHive::HasValues(const std::string& key) {
    const KEY* found = FindKey(key);
    return found != nullptr && !found->values.empty();
}

bool CRegistryHive::HasSubkeys(const std::string& key) {
    Load();
    const std::string folded = FoldKey(key);
    if (folded.empty()) {
        for (const auto& [path, k] : m_keys)
            if (!path.empty() && !k.values.empty()) return true;
        return false;
    }
    const auto end = m_keys.lower_bound(PastBelow(folded));
    for (auto it = m_keys.lower_bound(FirstBelow(folded)); it != end; ++it)
        if (!it->second.values.empty()) return true;
    return false;
}

std::vector<std::string> CRegistryHive::ValueNames(const std::string& key) {
    std::vector<std::string> names;
    const KEY* found = FindKey(key);
    if (found == nullptr) return names;
    std::vector<std::pair<uint64_t, const std::string*>> ordered;
    ordered.reserve(found->values.size());
    for (const auto& [name, entry] : found->values) ordered.emplace_back(entry.order, &name);
    std::sort(ordered.begin(), ordered.end());
    names.reserve(ordered.size());
    for (const auto& [order, name] : ordered) names.push_back(*name);
    return names;
}

bool CRegistryHive::Apply(KeyMap& keys, const CHANGE& change) {
    const std::string folded = FoldKey(change.key);
    switch (change.kind) {
        case CHANGE::Kind::SetValue: {
            KEY& key = keys[folded];
            if (key.path.empty()) key.path = CanonicalKey(change.key);
            const auto [it, inserted] = key.values.try_emplace(change.value.name);
            ENTRY& entry = it->second;
            if (inserted) {
                entry.order = key.nextOrder++;
            } else if (entry.type == change.value.type && entry.dword == change.value.dword &&
                       entry.text == change.value.text) {
                return false;
            }
            entry.type = change.value.type;
            entry.dword = change.value.dword;
            entry.text = change.value.text;
            return true;
        }
        case CHANGE::Kind::DeleteValue: {
            const auto it = keys.find(folded);
            return it != keys.end() && it->second.values.erase(change.value.name) > 0;
        }
        case CHANGE::Kind::Update: return false;  // runs through the hive, not on a map
        case CHANGE::Kind::DeleteKey: {
            if (folded.empty()) {
                const bool any = !keys.empty();
                keys.clear();
                return any;
            }
            const size_t before = keys.size();
            keys.erase(folded);
            keys.erase(keys.lower_bound(FirstBelow(folded)), keys.lower_bound(PastBelow(folded)));
            return keys.size() != before;
        }
    }
    return false;
}

void CRegistryHive::Record(CHANGE change) {
    Load();
    // Setting a value keeps every key where it is, but may create the key
    // that was looked up last and found missing.
    if (change.kind == CHANGE::Kind::DeleteKey || m_lookup.node == nullptr) m_lookup.valid = false;
    if (Apply(m_keys, change)) m_changed = true;
    if (m_updating == 0) m_journal.push_back(std::move(change));
}

void CRegistryHive::Update(std::function<void(CRegistryHive&)> edit) {
    Load();
    const bool changedBefore = m_changed;
    m_changed = false;
    ++m_updating;
    edit(*this);
    --m_updating;
    const bool changed = m_changed;
    m_changed = changedBefore || changed;
    if (m_updating == 0 && changed)
        m_journal.push_back(CHANGE{CHANGE::Kind::Update, {}, {}, std::move(edit)});
}

void CRegistryHive::Replay() {
    m_lookup.valid = false;
    m_changed = false;
    ++m_updating;
    for (const CHANGE& change : m_journal) {
        if (change.kind == CHANGE::Kind::Update)
            change.edit(*this);
        else if (Apply(m_keys, change))
            m_changed = true;
    }
    --m_updating;
}

void CRegistryHive::SetValue(const std::string& key, VALUE value) {
    if (const ENTRY* entry = Find(key, value.name); entry != nullptr && entry->type == value.type &&
                                                    entry->dword == value.dword && entry->text == value.text)
        return;  // unchanged: nothing to write
    Record(CHANGE{CHANGE::Kind::SetValue, key, std::move(value), {}});
}

void CRegistryHive::SetDword(const std::string& key, std::string_view name, uint32_t value) {
    // Options are written back at every exit, nearly always unchanged: the
    // value is compared where it lies before a change is built.
    if (const ENTRY* entry = Find(key, name);
        entry != nullptr && entry->type == ValueType::Dword && entry->dword == value)
        return;
    VALUE v;
    v.name = name;
    v.type = ValueType::Dword;
    v.dword = value;
    SetValue(key, std::move(v));
}

void CRegistryHive::SetString(const std::string& key, std::string_view name, const std::string& value) {
    if (const ENTRY* entry = Find(key, name);
        entry != nullptr && entry->type == ValueType::String && entry->text == value)
        return;
    VALUE v;
    v.name = name;
    v.type = ValueType::String;
    v.text = value;
    SetValue(key, std::move(v));
}

void CRegistryHive::DeleteValue(const std::string& key, std::string_view name) {
    // Recorded even when this program does not see the value: the file may
    // hold it by now.
    CHANGE change{CHANGE::Kind::DeleteValue, key, VALUE{}, {}};
    change.value.name = name;
    Record(std::move(change));
}

void CRegistryHive::DeleteKey(const std::string& key) {
    Record(CHANGE{CHANGE::Kind::DeleteKey, key, VALUE{}, {}});
}

bool CRegistryHive::Refresh(std::string& error) {
    Load();
    if (m_readOnly) return true;  // Flush refuses to write; nothing to take in
    FILEIDENTITY now;
    (void)GetFileIdentity(m_filePath, now);
    if (now == m_file.identity) return true;

    KeyMap current;
    FILESTATE file;
    bool damaged = false;
    std::string readError;
    if (ReadFile(current, file, damaged, readError)) {
        if (!file.identity.IsKnown()) {
            // Removed meanwhile: what this program knows is written anew.
            m_file = FILESTATE{};
            m_changed = true;
            return true;
        }
        m_keys = std::move(current);
        m_lookup.valid = false;
        m_file = std::move(file);
        Replay();
        return true;
    }
    if (!damaged) {
        error = readError;
        return false;
    }
    // Damaged meanwhile: keep it aside and write what this program knows.
    std::string moveError;
    if (KeepAside(m_filePath, moveError).empty()) {
        error = readError + " and " + moveError;
        return false;
    }
    m_file = FILESTATE{};
    m_changed = true;
    return true;
}

bool CRegistryHive::Flush(std::string& error) {
    Load();
    if (m_journal.empty()) return true;
    if (m_readOnly) {
        error = "the settings are not saved to " + m_filePath + ": the file could not be read at start";
        return false;
    }
    const std::string folder = PathParentFolder(m_filePath);
    if (!MakeFolders(folder, kSettingsFolderMode, error)) return false;

    CFileLock lock;
    if (!lock.Lock(SettingsLockPath(folder), error) || !Refresh(error)) return false;
    // Changes that leave the file as it is (a key deleted and written again
    // with the same values) do not replace it.
    if (m_changed) {
        std::string text = Serialize(m_keys);
        if (text != m_file.text || !m_file.identity.IsKnown()) {
            if (!WriteFileAtomically(m_filePath, text, kSettingsFileMode, error)) return false;
            m_file.text = std::move(text);
            (void)GetFileIdentity(m_filePath, m_file.identity);
        }
    }
    m_journal.clear();
    m_changed = false;
    return true;
}

std::string ConfigFolder() {
    if (const char* dir = std::getenv("CORVATINE_CONFIG_DIR"); dir && *dir) return dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return JoinPath(xdg, "corvatine");
    const char* home = std::getenv("HOME");
    return JoinPath(JoinPath(home && *home ? home : "/", ".config"), "corvatine");
}

CRegistryHive& CurrentUserHive() {
    static CRegistryHive hive(JoinPath(ConfigFolder(), "registry.reg"), "HKEY_CURRENT_USER");
    return hive;
}

CRegistryHive& ClassesRootHive() {
    static CRegistryHive hive(JoinPath(ConfigFolder(), "classes.reg"), "HKEY_CLASSES_ROOT");
    return hive;
}

}  // namespace corvatine::platform
