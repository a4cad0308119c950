#include "platform/RegistryHive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/Path.h"

namespace corvatine::platform {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr mode_t kSettingsFileMode = 0600;
constexpr mode_t kSettingsFolderMode = 0700;

char FoldChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    return true;
}

std::string Escape(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
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
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted, escaped string starting at line[pos] == '"'; pos ends after
// the closing quote.
bool ReadQuoted(const std::string& line, size_t& pos, std::string& text) {
    if (pos >= line.size() || line[pos] != '"') return false;
    text.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            text += c;
            continue;
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

std::string Trim(const std::string& line) {
    size_t begin = 0, end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r')) --end;
    return line.substr(begin, end - begin);
}

// An exclusive lock on the settings folder for as long as the object lives,
// so that two programs never merge and replace the file at the same time.
class CFolderLock {
public:
    explicit CFolderLock(const std::string& folder) {
        m_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~CFolderLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

private:
    int m_fd = -1;
};

}  // namespace

bool CRegistryHive::NamesEqual(const std::string& a, const std::string& b) { return EqualNoCase(a, b); }

CRegistryHive::CRegistryHive(std::string filePath, std::string rootName)
    : m_filePath(std::move(filePath)), m_rootName(std::move(rootName)) {}

std::string CRegistryHive::FoldKey(const std::string& key) {
    std::string folded = CanonicalKey(key);
    for (char& c : folded) c = FoldChar(c);
    return folded;
}

std::string CRegistryHive::CanonicalKey(const std::string& key) {
    std::string canonical;
    size_t pos = 0;
    while (pos <= key.size()) {
        size_t end = key.find('\\', pos);
        if (end == std::string::npos) end = key.size();
        if (end > pos) {
            if (!canonical.empty()) canonical += '\\';
            canonical.append(key, pos, end - pos);
        }
        pos = end + 1;
    }
    return canonical;
}

bool CRegistryHive::Parse(const std::string& text, KeyMap& keys, std::string& error) const {
    keys.clear();
    KEY* current = nullptr;
    size_t lineNumber = 0;
    size_t pos = 0;
    bool seenContent = false;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
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
            const std::string path = line.substr(1, line.size() - 2);
            const size_t slash = path.find('\\');
            const std::string root = path.substr(0, slash);
            if (!EqualNoCase(root, m_rootName)) return fail("the key is not below " + m_rootName);
            const std::string relative = slash == std::string::npos ? std::string() : path.substr(slash + 1);
            KEY& key = keys[FoldKey(relative)];
            if (key.path.empty()) key.path = CanonicalKey(relative);
            current = &key;
            continue;
        }

        if (current == nullptr) return fail("a value before the first key");
        VALUE value;
        size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else if (!ReadQuoted(line, at, value.name)) {
            return fail("a value name must be quoted");
        }
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at >= line.size() || line[at] != '=') return fail("'=' expected after the value name");
        ++at;
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        const std::string data = line.substr(at);
        if (data.compare(0, 6, "dword:") == 0) {
            const std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) return fail("a dword needs 1 to 8 hexadecimal digits");
            uint32_t number = 0;
            for (char c : digits) {
                const int d = HexDigit(c);
                if (d < 0) return fail("a dword needs 1 to 8 hexadecimal digits");
                number = number * 16 + static_cast<uint32_t>(d);
            }
            value.type = ValueType::Dword;
            value.dword = number;
        } else if (!data.empty() && data[0] == '"') {
            size_t q = 0;
            if (!ReadQuoted(data, q, value.text) || q != data.size()) return fail("a malformed string value");
            value.type = ValueType::String;
        } else {
            return fail("only dword and string values are understood");
        }
        bool replaced = false;
        for (VALUE& existing : current->values) {
            if (EqualNoCase(existing.name, value.name)) {
                const std::string name = existing.name;
                existing = value;
                existing.name = name;
                replaced = true;
            }
        }
        if (!replaced) current->values.push_back(std::move(value));
    }
    return true;
}

std::string CRegistryHive::Serialize(const KeyMap& keys) const {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [folded, key] : keys) {
        if (key.values.empty()) continue;
        text += "\n[" + m_rootName + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        for (const VALUE& value : key.values) {
            text += value.name.empty() ? std::string("@") : "\"" + Escape(value.name) + "\"";
            if (value.type == ValueType::Dword) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%08x", value.dword);
                text += std::string("=dword:") + digits + "\n";
            } else {
                text += "=\"" + Escape(value.text) + "\"\n";
            }
        }
    }
    return text;
}

std::string CRegistryHive::Serialize() {
    Load();
    return Serialize(m_keys);
}

std::string CRegistryHive::MoveAside(std::string& error) const {
    std::string aside = m_filePath + ".bad";
    for (int n = 1; NameExists(aside); ++n) aside = m_filePath + ".bad." + std::to_string(n);
    if (std::rename(m_filePath.c_str(), aside.c_str()) != 0) {
        error = "cannot move " + m_filePath + " to " + aside + ": " + ErrorText(errno);
        return std::string();
    }
    return aside;
}

void CRegistryHive::Load() {
    if (m_loaded) return;
    m_loaded = true;
    std::string text, error;
    bool missing = false;
    if (!ReadWholeFile(m_filePath, text, missing, error)) {
        if (!missing) {
            m_readOnly = true;
            m_loadWarning = error + "; the defaults are used and the settings are not saved";
        }
        return;
    }
    std::string parseError;
    if (Parse(text, m_keys, parseError)) return;
    m_keys.clear();
    std::string moveError;
    const std::string aside = MoveAside(moveError);
    if (aside.empty()) {
        m_readOnly = true;
        m_loadWarning = "the settings file " + m_filePath + " cannot be parsed (" + parseError + ") and " +
                        moveError + "; the defaults are used and the settings are not saved";
    } else {
        m_loadWarning = "the settings file " + m_filePath + " cannot be parsed (" + parseError +
                        "); it was kept as " + aside + " and the defaults are used";
    }
}

bool CRegistryHive::GetDword(const std::string& key, const std::string& name, uint32_t& value) {
    Load();
    const auto it = m_keys.find(FoldKey(key));
    if (it == m_keys.end()) return false;
    for (const VALUE& v : it->second.values) {
        if (EqualNoCase(v.name, name)) {
            if (v.type != ValueType::Dword) return false;
            value = v.dword;
            return true;
        }
    }
    return false;
}

bool CRegistryHive::GetString(const std::string& key, const std::string& name, std::string& value) {
    Load();
    const auto it = m_keys.find(FoldKey(key));
    if (it == m_keys.end()) return false;
    for (const VALUE& v : it->second.values) {
        if (EqualNoCase(v.name, name)) {
            if (v.type != ValueType::String) return false;
            value = v.text;
            return true;
        }
    }
    return false;
}

bool CRegistryHive::KeyExists(const std::string& key) {
    Load();
    const std::string folded = FoldKey(key);
    for (const auto& [path, k] : m_keys)
        if (!k.values.empty() && (path == folded || path.compare(0, folded.size() + 1, folded + "\\") == 0))
            return true;
    return false;
}

std::vector<std::string> CRegistryHive::ValueNames(const std::string& key) {
    Load();
    std::vector<std::string> names;
    const auto it = m_keys.find(FoldKey(key));
    if (it != m_keys.end())
        for (const VALUE& v : it->second.values) names.push_back(v.name);
    return names;
}

void CRegistryHive::Apply(KeyMap& keys, const CHANGE& change) {
    const std::string folded = FoldKey(change.key);
    switch (change.kind) {
        case CHANGE::Kind::SetValue: {
            KEY& key = keys[folded];
            if (key.path.empty()) key.path = CanonicalKey(change.key);
            for (VALUE& v : key.values) {
                if (EqualNoCase(v.name, change.value.name)) {
                    const std::string name = v.name;
                    v = change.value;
                    v.name = name;
                    return;
                }
            }
            key.values.push_back(change.value);
            return;
        }
        case CHANGE::Kind::DeleteValue: {
            const auto it = keys.find(folded);
            if (it == keys.end()) return;
            auto& values = it->second.values;
            for (auto v = values.begin(); v != values.end(); ++v) {
                if (EqualNoCase(v->name, change.value.name)) {
                    values.erase(v);
                    return;
                }
            }
            return;
        }
        case CHANGE::Kind::DeleteKey:
            for (auto it = keys.begin(); it != keys.end();) {
                const bool below = folded.empty() || it->first == folded ||
                                   it->first.compare(0, folded.size() + 1, folded + "\\") == 0;
                it = below ? keys.erase(it) : std::next(it);
            }
            return;
    }
}

void CRegistryHive::SetValue(const std::string& key, VALUE value) {
    Load();
    const auto it = m_keys.find(FoldKey(key));
    if (it != m_keys.end())
        for (const VALUE& v : it->second.values)
            if (EqualNoCase(v.name, value.name) && v == value) return;  // unchanged: nothing to write
    CHANGE change{CHANGE::Kind::SetValue, key, std::move(value)};
    Apply(m_keys, change);
    m_journal.push_back(std::move(change));
}

void CRegistryHive::SetDword(const std::string& key, const std::string& name, uint32_t value) {
    VALUE v;
    v.name = name;
    v.type = ValueType::Dword;
    v.dword = value;
    SetValue(key, std::move(v));
}

void CRegistryHive::SetString(const std::string& key, const std::string& name, const std::string& value) {
    VALUE v;
    v.name = name;
    v.type = ValueType::String;
    v.text = value;
    SetValue(key, std::move(v));
}

void CRegistryHive::DeleteValue(const std::string& key, const std::string& name) {
    Load();
    // Recorded even when this program does not see the value: the file may
    // hold it by now.
    CHANGE change{CHANGE::Kind::DeleteValue, key, VALUE{}};
    change.value.name = name;
    Apply(m_keys, change);
    m_journal.push_back(std::move(change));
}

void CRegistryHive::DeleteKey(const std::string& key) {
    Load();
    CHANGE change{CHANGE::Kind::DeleteKey, key, VALUE{}};
    Apply(m_keys, change);
    m_journal.push_back(std::move(change));
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

    CFolderLock lock(folder);
    // What the file holds now, with this program's changes applied on top.
    KeyMap merged;
    std::string text, readError, parseError;
    bool missing = false;
    if (ReadWholeFile(m_filePath, text, missing, readError)) {
        if (Parse(text, merged, parseError)) {
            for (const CHANGE& change : m_journal) Apply(merged, change);
        } else {
            // Damaged meanwhile: keep it aside and write what this program knows.
            std::string moveError;
            if (MoveAside(moveError).empty()) {
                error = moveError;
                return false;
            }
            merged = m_keys;
        }
    } else if (missing) {
        merged = m_keys;
    } else {
        error = readError;
        return false;
    }

    // A file that already says exactly this is left alone.
    const std::string serialized = Serialize(merged);
    if (serialized != text && !WriteFileAtomically(m_filePath, serialized, kSettingsFileMode, error))
        return false;
    m_keys = std::move(merged);
    m_journal.clear();
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
