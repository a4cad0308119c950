#include "request/CompareParams.h"

#include <cstdio>
#include <string>
#include <utility>

#include "platform/LocalTime.h"
#include "platform/Path.h"
#include "request/CommandLineWords.h"
#include "request/CompareMethods.h"
#include "request/TextRuleWord.h"

namespace corvatine {

namespace {

constexpr const char* kProgramName = "corvatine";

std::string SideTitle(const std::string& path) {
    return path.empty() ? std::string("Untitled") : platform::PathFileName(path);
}

// Adds one item to a "|"-separated list.
void AddItem(std::string& list, const std::string& item) {
    if (!list.empty()) list += '|';
    list += item;
}

// A group such as `/r:"ias|icc"`, only when the list is not empty.
void AddGroup(std::vector<COMMANDPART>& parts, bool abbreviated, const char* shortOption,
              const char* longOption, const std::string& list) {
    if (!list.empty()) parts.push_back({abbreviated ? shortOption : longOption, list, true});
}

std::string WordList(uint32_t bits, const cmdline::WORDBIT* words, size_t count, bool abbreviated,
                     char separator) {
    std::string list;
    for (size_t i = 0; i < count; ++i) {
        if ((bits & words[i].bit) == 0) continue;
        if (!list.empty()) list += separator;
        list += abbreviated ? words[i].shortWord : words[i].longWord;
    }
    return list;
}

std::string AttributeLetters(uint32_t attributes) {
    std::string letters;
    for (const auto& a : cmdline::kAttributeLetters)
        if (attributes & a.bit) letters += a.letter;
    return letters;
}

// Dates are written as month, day and year: "01-15-2007".
std::string CommandLineDate(int64_t time) {
    int year = 0, month = 0, day = 0;
    if (!platform::LocalDate(time, year, month, day)) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", month, day, year);
    return text;
}

std::string FilterItem(const cmdline::FILTERKEY& key, bool abbreviated, const std::string& value) {
    return std::string(abbreviated ? key.shortKey : key.longKey) + value;
}

bool IsIncludeAll(const std::string& pattern) { return pattern.empty() || pattern == "*"; }

}  // namespace

// ---- CCompareParams ----

std::string CCompareParams::GetTitle() const {
    return SideTitle(sides[0].path) + " : " + SideTitle(sides[1].path);
}

void CCompareParams::SwapSides() { std::swap(sides[0], sides[1]); }

bool CCompareParams::SamePaths(const CCompareParams& other, bool allowSwapped) const {
    if (platform::PathsEqual(sides[0].path, other.sides[0].path) &&
        platform::PathsEqual(sides[1].path, other.sides[1].path))
        return true;
    return allowSwapped && platform::PathsEqual(sides[0].path, other.sides[1].path) &&
           platform::PathsEqual(sides[1].path, other.sides[0].path);
}

void CCompareParams::CopyFrom(const CCompareParams& other) {
    sides[0] = other.sides[0];
    sides[1] = other.sides[1];
}

bool CCompareParams::Equals(const CCompareParams& other) const {
    if (kind != other.kind) return false;
    for (int i = 0; i < 2; ++i) {
        if (sides[i].flags != other.sides[i].flags) return false;
        if (!platform::PathsEqual(sides[i].path, other.sides[i].path)) return false;
    }
    return true;
}

std::string CCompareParams::GetCommandLine(bool fullPath, bool abbreviated) const {
    const std::vector<COMMANDPART> parts = CommandParts(abbreviated);
    if (parts.empty()) return std::string();
    std::string line =
        fullPath ? '"' + platform::JoinPath(platform::ProgramFolder(), kProgramName) + '"' : kProgramName;
    for (const COMMANDPART& part : parts) {
        line += ' ';
        line += part.option;
        line += part.quoted ? '"' + part.value + '"' : part.value;
    }
    return line;
}

std::vector<std::string> CCompareParams::GetArguments(bool abbreviated) const {
    std::vector<std::string> arguments;
    for (const COMMANDPART& part : CommandParts(abbreviated)) arguments.push_back(part.option + part.value);
    return arguments;
}

std::vector<COMMANDPART> CCompareParams::CommandParts(bool) const { return {}; }

std::unique_ptr<CCompareParams> CCompareParams::Clone() const {
    return std::make_unique<CCompareParams>(*this);
}

std::vector<COMMANDPART> CCompareParams::StartParts(bool abbreviated) const {
    std::vector<COMMANDPART> parts;
    parts.push_back({abbreviated ? "-c" : "-compare", "", false});
    switch (kind) {
        case COMPARE_TEXT: parts.push_back({abbreviated ? "/t:t" : "/type:text", "", false}); break;
        case COMPARE_BINARY: parts.push_back({abbreviated ? "/t:b" : "/type:binary", "", false}); break;
        case COMPARE_FOLDER: parts.push_back({abbreviated ? "/t:f" : "/type:folder", "", false}); break;
        default: break;
    }

    for (const COMPARESIDE& side : sides)
        if (!side.path.empty()) parts.push_back({"", side.path, true});

    std::string readOnly;
    if (sides[0].flags & SIDE_READ_ONLY) AddItem(readOnly, "1");
    if (sides[1].flags & SIDE_READ_ONLY) AddItem(readOnly, "2");
    AddGroup(parts, abbreviated, "/ro:", "/readonly:", readOnly);
    return parts;
}

// ---- CTextCompareParams ----

CTextCompareParams::CTextCompareParams() : CTextCompareParams(kDefaultTextRules) {}

CTextCompareParams::CTextCompareParams(uint32_t defaultRules)
    : CCompareParams(COMPARE_TEXT), rules(defaultRules) {}

void CTextCompareParams::SwapSides() {
    CCompareParams::SwapSides();
    std::swap(codePages[0], codePages[1]);
}

void CTextCompareParams::CopyFrom(const CCompareParams& other) {
    CCompareParams::CopyFrom(other);
    if (const auto* text = dynamic_cast<const CTextCompareParams*>(&other)) {
        rules = text->rules;
        lineFilter = text->lineFilter;
        codePages[0] = text->codePages[0];
        codePages[1] = text->codePages[1];
    }
}

bool CTextCompareParams::Equals(const CCompareParams& other) const {
    const auto* text = dynamic_cast<const CTextCompareParams*>(&other);
    return text != nullptr && CCompareParams::Equals(other) && rules == text->rules &&
           lineFilter == text->lineFilter && codePages[0] == text->codePages[0] &&
           codePages[1] == text->codePages[1];
}

std::vector<COMMANDPART> CTextCompareParams::CommandParts(bool abbreviated) const {
    std::vector<COMMANDPART> parts = StartParts(abbreviated);
    AddGroup(parts, abbreviated, "/r:", "/rule:",
             WordList(rules, cmdline::kRuleWords, std::size(cmdline::kRuleWords), abbreviated, '|'));
    if (!lineFilter.empty())
        parts.push_back({abbreviated ? "/lf:re=" : "/linefilter:regexp=", lineFilter, true});
    // The front end's option, as the program reads it.
    if (codePages[0] != CODEPAGE_DETECT || codePages[1] != CODEPAGE_DETECT) {
        const auto name = [](int32_t codePage) {
            return codePage == CODEPAGE_DETECT ? std::string("auto") : std::to_string(codePage);
        };
        parts.push_back({"--encoding=",
                         codePages[0] == codePages[1] ? name(codePages[0])
                                                      : name(codePages[0]) + "," + name(codePages[1]),
                         false});
    }
    return parts;
}

std::unique_ptr<CCompareParams> CTextCompareParams::Clone() const {
    return std::make_unique<CTextCompareParams>(*this);
}

// ---- CBinaryCompareParams ----

std::vector<COMMANDPART> CBinaryCompareParams::CommandParts(bool abbreviated) const {
    return StartParts(abbreviated);
}

std::unique_ptr<CCompareParams> CBinaryCompareParams::Clone() const {
    return std::make_unique<CBinaryCompareParams>(*this);
}

// ---- CFolderCompareParams ----

CFolderCompareParams::CFolderCompareParams() : CFolderCompareParams(kDefaultCompareMethods) {}

CFolderCompareParams::CFolderCompareParams(uint32_t defaultMethods)
    : CCompareParams(COMPARE_FOLDER), methods(defaultMethods) {}

void CFolderCompareParams::CopyFrom(const CCompareParams& other) {
    CCompareParams::CopyFrom(other);
    if (const auto* folder = dynamic_cast<const CFolderCompareParams*>(&other)) {
        methods = folder->methods;
        options = folder->options;
        filters = folder->filters;
    }
}

bool CFolderCompareParams::Equals(const CCompareParams& other) const {
    const auto* folder = dynamic_cast<const CFolderCompareParams*>(&other);
    return folder != nullptr && CCompareParams::Equals(other) && methods == folder->methods &&
           options == folder->options && filters.Equals(folder->filters);
}

std::vector<COMMANDPART> CFolderCompareParams::CommandParts(bool abbreviated) const {
    std::vector<COMMANDPART> parts = StartParts(abbreviated);
    AddGroup(parts, abbreviated, "/m:", "/method:",
             WordList(methods, cmdline::kMethodWords, std::size(cmdline::kMethodWords), abbreviated, '|'));

    const CFileFilters& file = filters.fileFilters;
    std::string fileItems;
    if (!IsIncludeAll(file.nameInclude))
        AddItem(fileItems, FilterItem(cmdline::kNameIncludeKey, abbreviated, file.nameInclude));
    if (!file.nameExclude.empty())
        AddItem(fileItems, FilterItem(cmdline::kNameExcludeKey, abbreviated, file.nameExclude));
    if (file.timeFrom != 0)
        AddItem(fileItems, FilterItem(cmdline::kTimeFromKey, abbreviated, CommandLineDate(file.timeFrom)));
    if (file.timeTo != 0)
        AddItem(fileItems, FilterItem(cmdline::kTimeToKey, abbreviated, CommandLineDate(file.timeTo)));
    if (file.sizeMin != 0)
        AddItem(fileItems, FilterItem(cmdline::kSizeMinKey, abbreviated, std::to_string(file.sizeMin)));
    if (file.sizeMax != 0)
        AddItem(fileItems, FilterItem(cmdline::kSizeMaxKey, abbreviated, std::to_string(file.sizeMax)));
    if (const std::string letters = AttributeLetters(file.attributesExclude); !letters.empty())
        AddItem(fileItems, FilterItem(cmdline::kAttributesExcludeKey, abbreviated, letters));
    if (const std::string types =
            WordList(file.typeExclude, cmdline::kTypeWords, std::size(cmdline::kTypeWords), abbreviated, ';');
        !types.empty())
        AddItem(fileItems, FilterItem(cmdline::kTypeExcludeKey, abbreviated, types));
    AddGroup(parts, abbreviated, "/ff:", "/filefilter:", fileItems);

    const CFolderFilters& folder = filters.folderFilters;
    std::string folderItems;
    if (!IsIncludeAll(folder.nameInclude))
        AddItem(folderItems, FilterItem(cmdline::kNameIncludeKey, abbreviated, folder.nameInclude));
    if (!folder.nameExclude.empty())
        AddItem(folderItems, FilterItem(cmdline::kNameExcludeKey, abbreviated, folder.nameExclude));
    if (const std::string letters = AttributeLetters(folder.attributesExclude); !letters.empty())
        AddItem(folderItems, FilterItem(cmdline::kAttributesExcludeKey, abbreviated, letters));
    AddGroup(parts, abbreviated, "/df:", "/folderfilter:", folderItems);

    if (options & FOLDER_OPTION_AUTO_SCAN)
        AddGroup(parts, abbreviated,
                 "/o:", "/option:", abbreviated ? cmdline::kAutoScanShort : cmdline::kAutoScanLong);
    return parts;
}

std::unique_ptr<CCompareParams> CFolderCompareParams::Clone() const {
    return std::make_unique<CFolderCompareParams>(*this);
}

std::unique_ptr<CCompareParams> CreateCompareParams(int32_t kind) {
    return CreateCompareParams(kind, {kDefaultTextRules, kDefaultCompareMethods});
}

std::unique_ptr<CCompareParams> CreateCompareParams(int32_t kind, const RequestDefaults& defaults) {
    switch (kind) {
        case COMPARE_TEXT: return std::make_unique<CTextCompareParams>(defaults.textRules);
        case COMPARE_BINARY: return std::make_unique<CBinaryCompareParams>();
        case COMPARE_FOLDER: return std::make_unique<CFolderCompareParams>(defaults.methods);
        default: return std::make_unique<CCompareParams>();
    }
}

}  // namespace corvatine
