#include "launch/CommandLine.h"

#include <cstdlib>
#include <string>

#include "fileio/Archive.h"
#include "fileio/ContentType.h"
#include "foldercompare/ArchiveEntries.h"
#include "foldercompare/FolderCompareOptions.h"
#include "platform/LocalTime.h"
#include "platform/Path.h"
#include "request/CommandLineWords.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {

namespace {

enum class OptionId {
    None,
    Help,
    Compare,
    Edit,
    ReadOnly,
    ReadOnlyList,
    Type,
    Method,
    Rule,
    FileFilter,
    FolderFilter,
    LineFilter,
    Option,
};

struct OPTIONENTRY {
    OptionId id;
    const char* longName;
    const char* shortName;
    bool takesValue;  // matched as a prefix of its own length, the value follows
};

// Tried in this order; the first match wins.
constexpr OPTIONENTRY kOptions[] = {
    {OptionId::Help, "?", "help", false},
    {OptionId::Help, "h", "h", false},
    {OptionId::Compare, "compare", "c", false},
    {OptionId::Edit, "edit", "e", false},
    {OptionId::ReadOnly, "readonly", "ro", false},
    {OptionId::ReadOnlyList, "readonly:", "ro:", true},
    {OptionId::Type, "type:", "t:", true},
    {OptionId::Method, "method:", "m:", true},
    {OptionId::Rule, "rule:", "r:", true},
    {OptionId::FileFilter, "filefilter:", "ff:", true},
    {OptionId::FolderFilter, "folderfilter:", "df:", true},
    {OptionId::LineFilter, "linefilter:", "lf:", true},
    {OptionId::Option, "option:", "o:", true},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

OptionId MatchOption(std::string_view option, std::string_view& value) {
    for (const OPTIONENTRY& entry : kOptions) {
        for (const char* name : {entry.longName, entry.shortName}) {
            if (entry.takesValue ? StartsWith(option, name) : option == name) {
                value = entry.takesValue ? option.substr(std::string_view(name).size()) : std::string_view();
                return entry.id;
            }
        }
    }
    return OptionId::None;
}

// Calls f for every non-empty item of a separated list.
template <typename F>
void ForEachItem(std::string_view list, char separator, F&& f) {
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(separator, pos);
        if (end == std::string_view::npos) end = list.size();
        if (end > pos) f(list.substr(pos, end - pos));
        pos = end + 1;
    }
}

// The bit of a word of the table, long or short form; 0 for an unknown word.
template <size_t N>
uint32_t WordBit(const cmdline::WORDBIT (&words)[N], std::string_view word) {
    for (const auto& w : words)
        if (word == w.longWord || word == w.shortWord) return w.bit;
    return 0;
}

// The value after a filter key, or false when the item has another key.
bool MatchKey(std::string_view item, const cmdline::FILTERKEY& key, std::string_view& value) {
    for (const char* name : {key.longKey, key.shortKey}) {
        if (StartsWith(item, name)) {
            value = item.substr(std::string_view(name).size());
            return true;
        }
    }
    return false;
}

std::string StripQuotes(std::string_view value) {
    if (!value.empty() && value.front() == '"') value.remove_prefix(1);
    if (!value.empty() && value.back() == '"') value.remove_suffix(1);
    return std::string(value);
}

// "month-day-year" as local midnight; false when a part is missing, zero or
// not a number, or the day does not exist.
bool ParseDate(std::string_view value, int64_t& time) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    bool ok = true;
    ForEachItem(value, '-', [&](std::string_view part) {
        if (count >= 3 || part.size() > 9) {
            ok = false;
            return;
        }
        int number = 0;
        for (char c : part) {
            if (c < '0' || c > '9') {
                ok = false;
                return;
            }
            number = number * 10 + (c - '0');
        }
        parts[count++] = number;
    });
    if (!ok || count != 3 || parts[0] == 0 || parts[1] == 0 || parts[2] == 0) return false;
    return platform::LocalMidnight(parts[2], parts[0], parts[1], time);
}

// A signed decimal number (leading digits count, as the C library reads
// them). False for an empty value, and for a negative one, which no size can
// be.
bool ParseSize(std::string_view value, uint64_t& size) {
    if (value.empty()) return false;
    const std::string text(value);
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    if (number < 0) return false;
    size = static_cast<uint64_t>(number);
    return true;
}

uint32_t ParseAttributeLetters(std::string_view value) {
    uint32_t attributes = 0;
    for (char c : value)
        for (const auto& a : cmdline::kAttributeLetters)
            if (c == a.letter) attributes |= a.bit;
    return attributes;
}

uint32_t ParseTypeWords(std::string_view value) {
    uint32_t types = 0;
    ForEachItem(value, ';', [&](std::string_view word) { types |= WordBit(cmdline::kTypeWords, word); });
    return types;
}

}  // namespace

bool CCommandLine::MatchesOption(std::string_view option) {
    std::string_view value;
    return MatchOption(option, value) != OptionId::None;
}

void CCommandLine::Parse(const std::vector<std::string>& arguments, const CommandLineSettings& settings) {
    if (arguments.empty()) return;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && !argument.empty() && argument[0] == '-') {
            const bool longForm = argument.size() > 2 && argument[1] == '-';
            const std::string_view option = std::string_view(argument).substr(longForm ? 2 : 1);
            if (longForm && !MatchesOption(option))
                m_unknownLongOptions.push_back(argument);
            else
                ApplyOption(option);
            continue;
        }
        if (!optionsEnded && !argument.empty() && argument[0] == '/') {
            const std::string_view option = std::string_view(argument).substr(1);
            if (MatchesOption(option) && !platform::NameExists(argument)) {
                ApplyOption(option);
                continue;
            }
        }
        AddPath(argument);
    }
    Complete(settings);
}

void CCommandLine::AddPath(const std::string& path) {
    if (pathCount < 2) {
        namedPaths[pathCount] = path;
        paths[pathCount++] = path;
    } else {
        m_extraPaths.push_back(path);
    }
}

void CCommandLine::ApplyOption(std::string_view option) {
    std::string_view value;
    const OptionId id = MatchOption(option, value);
    // Methods, rules and filters belong to one kind of comparison. Given
    // before any kind is named, they wait for completion to decide the kind,
    // so that "-m:bin A B" on two folders compares by content.
    if (kind == KIND_NONE && (id == OptionId::Method || id == OptionId::Rule || id == OptionId::FileFilter ||
                              id == OptionId::FolderFilter || id == OptionId::LineFilter))
        m_waitingForKind.emplace_back(option);
    switch (id) {
        case OptionId::None: break;
        case OptionId::Help: action = ACTION_HELP; break;
        case OptionId::Compare: action = ACTION_COMPARE; break;
        case OptionId::Edit: action = ACTION_EDIT; break;
        case OptionId::ReadOnly: readOnly[0] = readOnly[1] = 1; break;
        case OptionId::ReadOnlyList:
            ForEachItem(value, '|', [this](std::string_view item) {
                if (item == "1")
                    readOnly[0] = 1;
                else if (item == "2")
                    readOnly[1] = 1;
            });
            break;
        case OptionId::Type:
            if (value == "text" || value == "t")
                kind = KIND_TEXT;
            else if (value == "binary" || value == "b")
                kind = KIND_BINARY;
            else if (value == "folder" || value == "f")
                kind = KIND_FOLDER;
            break;
        case OptionId::Method:
            takeMethods = 0;
            if (kind == KIND_FOLDER)
                ForEachItem(value, '|', [this](std::string_view item) {
                    folderMethods |= WordBit(cmdline::kMethodWords, item);
                });
            break;
        case OptionId::Rule:
            takeRules = 0;
            if (kind == KIND_TEXT)
                ForEachItem(value, '|', [this](std::string_view item) {
                    textRules |= WordBit(cmdline::kRuleWords, item);
                });
            break;
        case OptionId::FileFilter:
            takeFilters = 0;
            if (kind == KIND_FOLDER) ApplyFileFilterItems(value);
            break;
        case OptionId::FolderFilter:
            takeFilters = 0;
            if (kind == KIND_FOLDER) ApplyFolderFilterItems(value);
            break;
        case OptionId::LineFilter:
            takeLineFilter = 0;
            if (kind == KIND_TEXT) {
                std::string_view expression;
                if (StartsWith(value, "regexp="))
                    expression = value.substr(7);
                else if (StartsWith(value, "re="))
                    expression = value.substr(3);
                if (!expression.empty()) lineFilter = std::string(expression);
            }
            break;
        case OptionId::Option:
            takeOptions = 0;
            ForEachItem(value, '|', [this](std::string_view item) {
                if (item == cmdline::kAutoScanLong || item == cmdline::kAutoScanShort)
                    folderOptions |= FOLDER_OPTION_AUTO_SCAN;
            });
            break;
    }
}

namespace {

// The items that file and folder filters share: names to include and exclude,
// attributes to exclude. False when the item has another key.
bool ApplySharedFilterItem(std::string_view item, std::string& nameInclude, std::string& nameExclude,
                           uint32_t& attributesExclude) {
    std::string_view value;
    if (MatchKey(item, cmdline::kNameIncludeKey, value)) {
        if (std::string names = StripQuotes(value); !names.empty()) nameInclude = names;
    } else if (MatchKey(item, cmdline::kNameExcludeKey, value)) {
        if (std::string names = StripQuotes(value); !names.empty()) nameExclude = names;
    } else if (MatchKey(item, cmdline::kAttributesExcludeKey, value)) {
        if (const uint32_t attributes = ParseAttributeLetters(value)) attributesExclude = attributes;
    } else {
        return false;
    }
    return true;
}

}  // namespace

void CCommandLine::ApplyFileFilterItems(std::string_view list) {
    CFileFilters& file = filters.fileFilters;
    ForEachItem(list, '|', [&file](std::string_view item) {
        if (ApplySharedFilterItem(item, file.nameInclude, file.nameExclude, file.attributesExclude)) return;
        std::string_view value;
        int64_t time = 0;
        uint64_t size = 0;
        if (MatchKey(item, cmdline::kTimeFromKey, value)) {
            if (ParseDate(value, time)) file.timeFrom = time;
        } else if (MatchKey(item, cmdline::kTimeToKey, value)) {
            if (ParseDate(value, time)) file.timeTo = time;
        } else if (MatchKey(item, cmdline::kSizeMinKey, value)) {
            if (ParseSize(value, size)) file.sizeMin = size;
        } else if (MatchKey(item, cmdline::kSizeMaxKey, value)) {
            if (ParseSize(value, size)) file.sizeMax = size;
        } else if (MatchKey(item, cmdline::kTypeExcludeKey, value)) {
            if (const uint32_t types = ParseTypeWords(value)) file.typeExclude = types;
        }
    });
}

void CCommandLine::ApplyFolderFilterItems(std::string_view list) {
    CFolderFilters& folder = filters.folderFilters;
    ForEachItem(list, '|', [&folder](std::string_view item) {
        ApplySharedFilterItem(item, folder.nameInclude, folder.nameExclude, folder.attributesExclude);
    });
}

void CCommandLine::Complete(const CommandLineSettings& settings) {
    CompleteAction();
    // Only the settings of the completed kind are asked for: a text
    // comparison does not read the folder comparison settings. Folder
    // comparisons take the text rules too, for their text content method.
    if (kind == KIND_TEXT || kind == KIND_FOLDER) {
        const CTextCompareOptions& text = settings.text();
        m_settingsRules = text.rules;
        if (takeRules) textRules = text.rules;
        if (takeLineFilter) lineFilter = text.lineFilter;
    }
    if (kind == KIND_FOLDER) {
        const CFolderCompareOptions& folder = settings.folder();
        m_settingsMethods = folder.methods;
        if (takeMethods) folderMethods = folder.methods;
        if (takeOptions && folder.autoScanFolders) folderOptions |= FOLDER_OPTION_AUTO_SCAN;
        if (takeFilters) filters = folder.filters;
    }
}

void CCommandLine::CompleteAction() {
    if (action == ACTION_NONE) {
        action = ACTION_OPEN;
        if (pathCount == 2) {
            action = ACTION_COMPARE;
        } else if (pathCount == 1) {
            const std::string extension = platform::PathExtension(paths[0]);
            if (!(extension.size() == 4 && (extension[1] | 0x20) == 'c' && (extension[2] | 0x20) == 'm' &&
                  (extension[3] | 0x20) == 'p'))
                action = ACTION_EDIT;
        }
    }
    kindNamed = kind;
    if (action != ACTION_COMPARE) return;
    if (pathCount == 2)
        CompleteTwoPaths();
    else if (pathCount == 1)
        CompleteOnePath();
    // With no kind named at all, what waited applies to the kind the paths
    // decided; a kind named after them leaves them unapplied, as before.
    if (kindNamed == KIND_NONE && kind != KIND_NONE)
        for (const std::string& option : m_waitingForKind) ApplyOption(option);
    m_waitingForKind.clear();
}

namespace {

// The folder a path that is no folder lies in: "." for a bare name.
std::string HoldingFolder(const std::string& path) {
    const std::string parent = platform::PathParentFolder(path);
    return parent.empty() ? std::string(".") : parent;
}

}  // namespace

namespace {

// A folder, or an archive read as one (a file of an archive's name that
// starts as one, or a folder inside an archive).
bool IsFolderOrArchive(const std::string& path) {
    if (platform::IsFolder(path)) return true;
    if (CArchive::StartsAsArchive(path)) return true;
    if (!CArchive::IsInsideArchive(path)) return false;
    int error = 0;
    return OpenArchiveRoot(path, error) != nullptr;
}

}  // namespace

void CCommandLine::CompleteTwoPaths() {
    const bool isFolder[2] = {IsFolderOrArchive(paths[0]), IsFolderOrArchive(paths[1])};

    if (kind == KIND_FOLDER) {
        for (int i = 0; i < 2; ++i)
            if (!isFolder[i]) paths[i] = HoldingFolder(paths[i]);
        return;
    }
    if (kind == KIND_NONE && isFolder[0] && isFolder[1]) {
        kind = KIND_FOLDER;
        return;
    }
    // A folder against a file compares the file with its namesake in the
    // folder. Two folders named for a file comparison have no file name to
    // take, so they stay as given and fail as files.
    if (isFolder[0] != isFolder[1]) {
        const int folder = isFolder[0] ? 0 : 1;
        paths[folder] = platform::JoinPath(paths[folder], platform::PathFileName(paths[1 - folder]));
    }
    if (kind == KIND_NONE)
        kind = IsTextFile(paths[0]) && IsTextFile(paths[1]) ? KIND_TEXT : KIND_BINARY;
    else if (kind == KIND_TEXT && !(IsTextFile(paths[0]) && IsTextFile(paths[1])))
        kind = KIND_BINARY;
}

void CCommandLine::CompleteOnePath() {
    const bool isFolder = platform::IsFolder(paths[0]);
    switch (kind) {
        case KIND_NONE: kind = isFolder ? KIND_FOLDER : IsTextFile(paths[0]) ? KIND_TEXT : KIND_BINARY; break;
        case KIND_TEXT:
            if (isFolder)
                kind = KIND_FOLDER;
            else if (!IsTextFile(paths[0]))
                kind = KIND_BINARY;
            break;
        case KIND_BINARY:
            if (isFolder) kind = KIND_FOLDER;
            break;
        case KIND_FOLDER:
            if (!isFolder) paths[0] = HoldingFolder(paths[0]);
            break;
        default: break;
    }
}

CommandLineSettings CommandLineSettings::Of(const CTextCompareOptions& text,
                                            const CFolderCompareOptions& folder) {
    return {[&text]() -> const CTextCompareOptions& { return text; },
            [&folder]() -> const CFolderCompareOptions& { return folder; }};
}

std::unique_ptr<CCompareParams> CCommandLine::BuildRequest() const {
    std::unique_ptr<CCompareParams> request;
    switch (kind) {
        case KIND_TEXT: {
            auto text = std::make_unique<CTextCompareParams>(m_settingsRules);
            if (textRules != 0) text->rules = textRules;
            text->lineFilter = lineFilter;
            request = std::move(text);
            break;
        }
        case KIND_BINARY: request = std::make_unique<CBinaryCompareParams>(); break;
        case KIND_FOLDER: {
            auto folder = std::make_unique<CFolderCompareParams>(m_settingsMethods);
            if (folderMethods != 0) folder->methods = folderMethods;
            folder->options = folderOptions;
            folder->filters = filters;
            request = std::move(folder);
            break;
        }
        default: request = std::make_unique<CCompareParams>(); break;
    }
    // With one path only the left side is filled.
    for (int i = 0; i < pathCount && i < 2; ++i) {
        request->sides[i].path = paths[i];
        request->sides[i].flags = readOnly[i] ? SIDE_READ_ONLY : 0;
    }
    return request;
}

}  // namespace corvatine
