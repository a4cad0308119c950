#include "vcs/VcsStatus.h"

#include <tinyxml2.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "platform/Output.h"

namespace corvatine::vcs {

const char* VcsProgram(VcsKind kind) {
    switch (kind) {
        case VcsKind::Git: return "git";
        case VcsKind::Mercurial: return "hg";
        case VcsKind::Subversion: return "svn";
    }
    return "";
}

const char* VcsName(VcsKind kind) {
    switch (kind) {
        case VcsKind::Git: return "Git";
        case VcsKind::Mercurial: return "Mercurial";
        case VcsKind::Subversion: return "Subversion";
    }
    return "";
}

const char* ChangeStatusName(ChangeStatus status) {
    switch (status) {
        case CHANGE_MODIFIED: return "modified";
        case CHANGE_TYPE: return "type changed";
        case CHANGE_ADDED: return "added";
        case CHANGE_DELETED: return "deleted";
        case CHANGE_RENAMED: return "renamed";
        case CHANGE_COPIED: return "copied";
        case CHANGE_UNTRACKED: return "untracked";
        case CHANGE_CONFLICTED: return "conflicted";
    }
    return "";
}

uint32_t StatusBit(ChangeStatus status) {
    for (size_t i = 0; i < std::size(kChangeStatuses); ++i)
        if (kChangeStatuses[i] == status) return 1u << i;
    return 0;
}

namespace {

// The NUL-terminated records of a -z or --print0 output; a last record
// without its NUL is taken as it is.
std::vector<std::string_view> Records(std::string_view output) {
    std::vector<std::string_view> records;
    while (!output.empty()) {
        const size_t end = output.find('\0');
        records.push_back(output.substr(0, end));
        if (end == std::string_view::npos) break;
        output.remove_prefix(end + 1);
    }
    return records;
}

// Skips count blank-separated fields; false when the record has fewer.
bool SkipFields(std::string_view& record, int count) {
    for (int i = 0; i < count; ++i) {
        const size_t blank = record.find(' ');
        if (blank == std::string_view::npos) return false;
        record.remove_prefix(blank + 1);
    }
    return true;
}

bool Malformed(const char* client, std::string_view record, std::string& error) {
    error = std::string("unexpected ") + client + " status record '" +
            platform::EscapeControls(record.substr(0, 200)) + "'";
    return false;
}

// The one status of a tracked entry from git's two letters.
ChangeStatus GitStatus(char staged, char unstaged) {
    if (staged == 'A') return CHANGE_ADDED;
    if (staged == 'D' || unstaged == 'D') return CHANGE_DELETED;
    if (staged == 'T' || unstaged == 'T') return CHANGE_TYPE;
    return CHANGE_MODIFIED;
}

}  // namespace

bool ParseGitStatus(std::string_view output, std::vector<VCSCHANGE>& changes, std::string& error) {
    const std::vector<std::string_view> records = Records(output);
    for (size_t i = 0; i < records.size(); ++i) {
        std::string_view record = records[i];
        if (record.empty() || record[0] == '#' || record[0] == '!') continue;
        VCSCHANGE change;
        if (record.size() > 2 && record[0] == '?' && record[1] == ' ') {
            change.status = CHANGE_UNTRACKED;
            change.path = record.substr(2);
            changes.push_back(std::move(change));
            continue;
        }
        const char kind = record[0];
        // "1 XY sub mH mI mW hH hI path", "2 XY sub mH mI mW hH hI Xscore path"
        // then the original path, "u XY sub m1 m2 m3 mW h1 h2 h3 path".
        const int fields = kind == '1' ? 8 : kind == '2' ? 9 : kind == 'u' ? 10 : -1;
        if (fields < 0 || record.size() < 8 || record[1] != ' ' || record[4] != ' ')
            return Malformed("git", record, error);
        change.staged = record[2];
        change.unstaged = record[3];
        change.submodule = record[5] == 'S';
        std::string_view rest = record;
        if (!SkipFields(rest, fields) || rest.empty()) return Malformed("git", record, error);
        change.path = rest;
        if (kind == 'u') {
            change.status = CHANGE_CONFLICTED;
            // The modes of stages 1 to 3 follow the submodule field; all
            // zeros where a stage is missing.
            std::string_view modes = record.substr(5);  // from the submodule field
            for (int stage = 0; stage < 3; ++stage) {
                if (!SkipFields(modes, 1) || modes.size() < 6) return Malformed("git", record, error);
                if (modes.substr(0, 6) != "000000") change.stages |= static_cast<uint8_t>(1u << stage);
            }
        } else if (kind == '2') {
            if (i + 1 >= records.size() || records[i + 1].empty()) return Malformed("git", record, error);
            change.originalPath = records[++i];
            change.status = change.staged == 'C' ? CHANGE_COPIED : CHANGE_RENAMED;
        } else {
            change.status = GitStatus(change.staged, change.unstaged);
        }
        changes.push_back(std::move(change));
    }
    return true;
}

bool ParseHgStatus(std::string_view output, std::vector<VCSCHANGE>& changes, std::string& error) {
    const size_t first = changes.size();
    std::vector<std::string> removed;  // 'R' records, which a rename takes
    for (const std::string_view record : Records(output)) {
        if (record.empty()) continue;
        if (record.size() > 2 && record[0] == ' ' && record[1] == ' ') {
            // The source of the copy listed just before.
            if (changes.size() == first || changes.back().status != CHANGE_ADDED ||
                !changes.back().originalPath.empty())
                return Malformed("hg", record, error);
            changes.back().originalPath = record.substr(2);
            changes.back().status = CHANGE_COPIED;
            continue;
        }
        if (record.size() < 3 || record[1] != ' ') return Malformed("hg", record, error);
        VCSCHANGE change;
        change.path = record.substr(2);
        switch (record[0]) {
            case 'M': change.status = CHANGE_MODIFIED; break;
            case 'A': change.status = CHANGE_ADDED; break;
            case 'R':
            case '!': change.status = CHANGE_DELETED; break;
            case '?': change.status = CHANGE_UNTRACKED; break;
            case 'C':
            case 'I': continue;  // clean and ignored files are no changes
            default: return Malformed("hg", record, error);
        }
        if (record[0] == 'R') removed.push_back(change.path);
        changes.push_back(std::move(change));
    }
    // A copy whose source is removed is a rename: the removal goes into it.
    for (size_t i = first; i < changes.size(); ++i) {
        VCSCHANGE& change = changes[i];
        if (change.status != CHANGE_COPIED) continue;
        if (std::find(removed.begin(), removed.end(), change.originalPath) == removed.end()) continue;
        change.status = CHANGE_RENAMED;
        const std::string source = change.originalPath;
        const auto gone =
            std::find_if(changes.begin() + static_cast<std::ptrdiff_t>(first), changes.end(),
                         [&](const VCSCHANGE& c) { return c.status == CHANGE_DELETED && c.path == source; });
        if (gone != changes.end()) {
            const bool before = gone - changes.begin() < static_cast<std::ptrdiff_t>(i);
            changes.erase(gone);
            if (before) --i;
        }
    }
    return true;
}

bool ApplyHgUnresolved(std::string_view json, std::vector<VCSCHANGE>& changes, std::string& error) {
    const nlohmann::json list = nlohmann::json::parse(json, nullptr, false);
    if (list.is_discarded() || !list.is_array()) {
        error = "unexpected output of hg resolve --list: no JSON list";
        return false;
    }
    for (const auto& entry : list) {
        if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_string()) {
            error = "unexpected entry in the output of hg resolve --list";
            return false;
        }
        if (entry.value("mergestatus", std::string()) != "U") continue;
        const std::string path = entry["path"].get<std::string>();
        const auto found =
            std::find_if(changes.begin(), changes.end(), [&](const VCSCHANGE& c) { return c.path == path; });
        if (found != changes.end()) {
            found->status = CHANGE_CONFLICTED;
        } else {
            VCSCHANGE change;
            change.status = CHANGE_CONFLICTED;
            change.path = path;
            changes.push_back(std::move(change));
        }
    }
    return true;
}

bool ParseSvnStatus(std::string_view xml, std::vector<VCSCHANGE>& changes, std::string& error) {
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        error = std::string("unexpected output of svn status --xml: ") + document.ErrorStr();
        return false;
    }
    const tinyxml2::XMLElement* status = document.FirstChildElement("status");
    if (status == nullptr) {
        error = "unexpected output of svn status --xml: no <status> element";
        return false;
    }
    const auto attribute = [](const tinyxml2::XMLElement* element, const char* name) {
        const char* value = element->Attribute(name);
        return std::string(value != nullptr ? value : "");
    };
    for (const tinyxml2::XMLElement* target = status->FirstChildElement("target"); target != nullptr;
         target = target->NextSiblingElement("target")) {
        for (const tinyxml2::XMLElement* entry = target->FirstChildElement("entry"); entry != nullptr;
             entry = entry->NextSiblingElement("entry")) {
            const tinyxml2::XMLElement* wc = entry->FirstChildElement("wc-status");
            const std::string path = attribute(entry, "path");
            if (wc == nullptr || path.empty()) {
                error = "unexpected output of svn status --xml: an entry without path or wc-status";
                return false;
            }
            const std::string item = attribute(wc, "item");
            const std::string props = attribute(wc, "props");
            VCSCHANGE change;
            change.path = path;
            if (item == "conflicted" || props == "conflicted" || attribute(wc, "tree-conflicted") == "true") {
                change.status = CHANGE_CONFLICTED;
            } else if (item == "modified" || item == "replaced" ||
                       ((item == "normal" || item == "none") && props == "modified")) {
                change.status = CHANGE_MODIFIED;
            } else if (item == "added") {
                change.originalPath = attribute(wc, "moved-from");
                change.status = change.originalPath.empty() ? CHANGE_ADDED : CHANGE_RENAMED;
            } else if (item == "deleted" || item == "missing") {
                if (!attribute(wc, "moved-to").empty()) continue;  // shown as the rename
                change.status = CHANGE_DELETED;
            } else if (item == "unversioned") {
                change.status = CHANGE_UNTRACKED;
            } else if (item == "obstructed") {
                change.status = CHANGE_TYPE;
            } else {
                continue;  // normal, ignored, external, incomplete
            }
            changes.push_back(std::move(change));
        }
    }
    return true;
}

void SortChanges(std::vector<VCSCHANGE>& changes) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const VCSCHANGE& a, const VCSCHANGE& b) { return a.path < b.path; });
}

std::string ChangeLine(const VCSCHANGE& change) {
    std::string line(1, static_cast<char>(change.status));
    line += ' ';
    if (!change.originalPath.empty()) line += platform::EscapeControls(change.originalPath) + " -> ";
    line += platform::EscapeControls(change.path);
    return line;
}

std::string DumpChanges(const std::vector<VCSCHANGE>& changes) {
    std::string text;
    for (const VCSCHANGE& change : changes) text += ChangeLine(change) + "\n";
    return text;
}

}  // namespace corvatine::vcs
