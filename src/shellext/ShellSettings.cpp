// The extension's reader of the per-user settings hive. The program writes
// the file (platform/RegistryHive); this reader understands the same text and
// gives the defaults for a file the program would not accept either.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "shellext/ContextMenu.h"

namespace corvatine::shellext {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
constexpr std::string_view kSettingsKey = "software\\brasko\\corvatine";
constexpr std::string_view kShellKey = "software\\brasko\\corvatine\\integration\\shell";

std::string Fold(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// Key paths compare without case and without empty parts.
std::string CanonicalKey(std::string_view path) {
    std::string key;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string_view::npos) end = path.size();
        if (end > pos) {
            if (!key.empty()) key += '\\';
            key += Fold(path.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    return key;
}

std::string_view Trim(std::string_view line) {
    size_t begin = 0, end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r')) --end;
    return line.substr(begin, end - begin);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted string with the escapes \\, \" and \xHH, from line[pos] == '"';
// pos ends after the closing quote.
bool ReadQuoted(std::string_view line, size_t& pos, std::string& text) {
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

struct VALUE {
    bool isDword = false;
    uint32_t dword = 0;
    std::string text;
};

// Parses one value line: "Name"=dword:HHHHHHHH, "Name"="text" or @=...
bool ParseValue(std::string_view line, std::string& name, VALUE& value) {
    size_t at = 0;
    name.clear();
    if (line[0] == '@') {
        at = 1;
    } else if (!ReadQuoted(line, at, name)) {
        return false;
    }
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size() || line[at] != '=') return false;
    ++at;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const std::string_view data = line.substr(at);
    if (data.substr(0, 6) == "dword:") {
        const std::string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        value.dword = 0;
        for (const char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            value.dword = value.dword * 16 + static_cast<uint32_t>(d);
        }
        value.isDword = true;
        return true;
    }
    size_t q = 0;
    value.isDword = false;
    return ReadQuoted(data, q, value.text) && q == data.size();
}

// A switch: 0 or 1, else the default.
void TakeSwitch(const VALUE& value, uint32_t& field) {
    if (value.isDword && value.dword <= 1) field = value.dword;
}

}  // namespace

std::string ShellConfigFolder() {
    if (const char* dir = std::getenv("CORVATINE_CONFIG_DIR"); dir != nullptr && *dir != '\0') return dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        std::string folder = xdg;
        if (folder.back() != '/') folder += '/';
        return folder + "corvatine";
    }
    const char* home = std::getenv("HOME");
    std::string folder = home != nullptr && *home != '\0' ? home : "/";
    if (folder.back() != '/') folder += '/';
    return folder + ".config/corvatine";
}

SHELLSETTINGS ParseShellSettings(const std::string& hiveText) {
    const SHELLSETTINGS defaults;
    SHELLSETTINGS settings;
    const std::string_view text = hiveText;
    std::string key;
    bool inKey = false, seenContent = false;
    std::string name;
    VALUE value;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (!seenContent && (line == kHeader || line == "REGEDIT4")) {
            seenContent = true;
            continue;
        }
        seenContent = true;
        if (line[0] == '[') {
            if (line.back() != ']') return defaults;
            const std::string_view path = line.substr(1, line.size() - 2);
            const size_t slash = path.find('\\');
            if (Fold(path.substr(0, slash)) != Fold(kRoot)) return defaults;
            key = CanonicalKey(slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1));
            inKey = true;
            continue;
        }
        if (!inKey || !ParseValue(line, name, value)) return defaults;
        const std::string folded = Fold(name);
        if (key == kShellKey) {
            if (folded == "cascaded") {
                settings.cascaded = defaults.cascaded;
                TakeSwitch(value, settings.cascaded);
            } else if (folded == "background") {
                settings.background = defaults.background;
                TakeSwitch(value, settings.background);
            }
        } else if (key == kSettingsKey && folded == "installdir") {
            settings.installDir = value.isDword ? std::string() : value.text;
        }
    }
    return settings;
}

SHELLSETTINGS ReadShellSettings(const std::string& configFolder) {
    std::string path = configFolder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += "registry.reg";
    std::ifstream file(path, std::ios::binary);
    if (!file) return SHELLSETTINGS{};
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return SHELLSETTINGS{};
    return ParseShellSettings(text.str());
}

}  // namespace corvatine::shellext
