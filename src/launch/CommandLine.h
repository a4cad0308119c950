// The program's command line: parsed into one record that start-up acts on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "request/CompareMethods.h"
#include "request/CompareParams.h"
#include "request/FilterRecords.h"
#include "request/TextRuleWord.h"

namespace corvatine {

class CFolderCompareOptions;
class CTextCompareOptions;

// What a command line takes the option classes it does not name from: the
// run's text and folder comparison settings, each asked for only when the
// completed record takes a class of it.
struct CommandLineSettings {
    std::function<const CTextCompareOptions&()> text;
    std::function<const CFolderCompareOptions&()> folder;

    // Settings that are at hand already.
    static CommandLineSettings Of(const CTextCompareOptions& text, const CFolderCompareOptions& folder);
};

class CCommandLine {
public:
    enum class Action : int {
        ACTION_NONE = 0,
        ACTION_OPEN = 1,
        ACTION_HELP = 2,
        ACTION_COMPARE = 3,
        ACTION_EDIT = 4,
    };
    using enum Action;
    enum class Kind : int {
        KIND_NONE = 0,
        KIND_TEXT = 1,
        KIND_BINARY = 2,
        KIND_FOLDER = 3,
    };
    using enum Kind;

    Action action = ACTION_NONE;
    Kind kind = KIND_NONE;
    Kind kindNamed = KIND_NONE;  // the kind the arguments named, before completion
    int pathCount = 0;
    std::string paths[2];       // as completion leaves them
    std::string namedPaths[2];  // as the arguments named them
    int readOnly[2] = {0, 0};
    uint32_t folderMethods = 0;
    uint32_t folderOptions = 0;
    CComboFilters filters;
    uint32_t textRules = 0;
    std::string lineFilter;
    // Cleared when an argument of the class is met; a class still flagged
    // after the last argument is filled from the run's settings when the
    // completed kind uses it: the text classes for text and folder
    // comparisons, the folder classes for folder comparisons.
    int takeMethods = 1;
    int takeOptions = 1;
    int takeRules = 1;
    int takeFilters = 1;
    int takeLineFilter = 1;

    // Parses the arguments that follow the program name, then completes the
    // record once. With no arguments nothing is parsed and nothing completed.
    //
    // An argument that starts with "-" is an option; "--" alone ends the
    // options; "--word" reads like "-word". An argument that starts with "/"
    // is an option only when it matches the option table and names no
    // existing entry, so absolute paths stay paths. Unknown options are
    // ignored, except "--word" forms, which are collected in
    // UnknownLongOptions() for the caller to reject.
    void Parse(const std::vector<std::string>& arguments, const CommandLineSettings& settings);

    // The "--word" arguments that matched no option, in order.
    const std::vector<std::string>& UnknownLongOptions() const { return m_unknownLongOptions; }
    // The paths after the second, which nothing takes.
    const std::vector<std::string>& ExtraPaths() const { return m_extraPaths; }

    // True when the option text (without its leading "-" or "/") matches an
    // entry of the option table.
    static bool MatchesOption(std::string_view option);

    // The comparison request that start-up builds for the compare action:
    // the record's kind, paths and read-only flags, and for text its non-zero
    // rules and its line filter, for folders its non-zero methods, options and
    // filters. A record without a kind yields the base request.
    std::unique_ptr<CCompareParams> BuildRequest() const;

private:
    void ApplyOption(std::string_view option);
    void AddPath(const std::string& path);
    void ApplyFileFilterItems(std::string_view list);
    void ApplyFolderFilterItems(std::string_view list);
    void Complete(const CommandLineSettings& settings);
    void CompleteAction();
    void CompleteTwoPaths();
    void CompleteOnePath();

    // The rules and methods of the settings, which a request keeps when the
    // record has none of its own.
    uint32_t m_settingsRules = kDefaultTextRules;
    uint32_t m_settingsMethods = kDefaultCompareMethods;
    std::vector<std::string> m_extraPaths;
    // Options of one kind of comparison given before a kind was named.
    std::vector<std::string> m_waitingForKind;
    std::vector<std::string> m_unknownLongOptions;
};

}  // namespace corvatine
