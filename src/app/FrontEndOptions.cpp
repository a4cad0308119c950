#include "app/FrontEndOptions.h"

#include <cerrno>
#include <cstdlib>

#include "platform/Output.h"

namespace corvatine {

namespace {

// Bits of the runs a word does something for.
enum RunBits : unsigned {
    RUN_TEXT = 1u << static_cast<int>(RunKind::TextComparison),
    RUN_BINARY = 1u << static_cast<int>(RunKind::BinaryComparison),
    RUN_FOLDER = 1u << static_cast<int>(RunKind::FolderComparison),
    RUN_EDIT = 1u << static_cast<int>(RunKind::TextEditing),
    RUN_HEX = 1u << static_cast<int>(RunKind::HexEditing),
    RUN_FIND = 1u << static_cast<int>(RunKind::FindInFiles),
    RUN_MERGE = 1u << static_cast<int>(RunKind::Merge),
    RUN_COMPARE = RUN_TEXT | RUN_BINARY | RUN_FOLDER,
    RUN_ANY = RUN_COMPARE | RUN_EDIT | RUN_HEX | RUN_FIND | RUN_MERGE,
    // A folder comparison that also synchronises, changes the trees by
    // --op, or deletes by --op.
    RUN_FOLDER_SYNC = 1u << 8,
    RUN_FOLDER_OPS = 1u << 9,
    RUN_FOLDER_DELETE = 1u << 10,
};

// A whole decimal number from 0 to 100000.
bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6) return false;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n > 100000) return false;
    value = n;
    return true;
}

// Takes a word's value into the options; false with error when the value is
// not one the word takes.
using TakeValue = bool (*)(FRONTENDOPTIONS& options, const std::string& name, const std::string& value,
                           bool hasValue, std::string& error);

template <bool FRONTENDOPTIONS::*Flag>
bool SetFlag(FRONTENDOPTIONS& options, const std::string&, const std::string&, bool, std::string&) {
    options.*Flag = true;
    return true;
}

template <std::string FRONTENDOPTIONS::*Text>
bool SetText(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool, std::string&) {
    options.*Text = value;
    return true;
}

// The text, and that it was given (an empty text counts).
template <std::string FRONTENDOPTIONS::*Text, bool FRONTENDOPTIONS::*Given>
bool SetGivenText(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
                  std::string&) {
    options.*Text = value;
    options.*Given = true;
    return true;
}

template <std::vector<std::string> FRONTENDOPTIONS::*List>
bool AddToList(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool, std::string&) {
    (options.*List).push_back(value);
    return true;
}

// A file name, which cannot be empty; with Given, also that it was given.
template <std::string FRONTENDOPTIONS::*Text, bool FRONTENDOPTIONS::*Given = nullptr>
bool SetFileName(FRONTENDOPTIONS& options, const std::string& name, const std::string& value, bool,
                 std::string& error) {
    if (value.empty()) {
        error = "option '--" + name + "' needs a file name: --" + name + "=FILE";
        return false;
    }
    options.*Text = value;
    if constexpr (Given != nullptr) options.*Given = true;
    return true;
}

bool SetEncodings(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
                  std::string& error) {
    return ParseEncodingNames(value, options.encodings, error);
}

bool SetLineNumbers(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
                    std::string& error) {
    if (value != "on" && value != "off") {
        error = "invalid value '" + value + "' for '--line-numbers': on or off";
        return false;
    }
    options.lineNumbers = value;
    return true;
}

bool SetWidth(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
              std::string& error) {
    if (!ParseCount(value, options.width) || options.width < 20) {
        error = "invalid value '" + value + "' for '--width': a number of columns from 20 to 100000";
        return false;
    }
    return true;
}

bool SetContext(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
                std::string& error) {
    if (!ParseCount(value, options.context)) {
        error = "invalid value '" + value + "' for '--context': a number of lines from 0 to 100000";
        return false;
    }
    return true;
}

bool SetColor(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
              std::string& error) {
    if (value != "auto" && value != "always" && value != "never") {
        error = "invalid value '" + value + "' for '--color': auto, always or never";
        return false;
    }
    options.color = value;
    return true;
}

bool SetMaxDelete(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
                  std::string& error) {
    char* end = nullptr;
    errno = 0;
    const long n =
        value.empty() || value[0] < '0' || value[0] > '9' ? -1 : std::strtol(value.c_str(), &end, 10);
    if (n < 0 || errno != 0 || *end != '\0') {
        error = "invalid value '" + value + "' for '--max-delete': a number of files from 0";
        return false;
    }
    options.maxDelete = n;
    return true;
}

bool AddOperation(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
                  std::string& error) {
    if (value.empty()) {
        error = "option '--op' needs an operation: --op=KIND:...";
        return false;
    }
    options.operations.push_back(value);
    return true;
}

bool AddLabel(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool,
              std::string& error) {
    if (options.labels.size() == 3) {
        error = "option '--label' is given at most three times: OURS, BASE, THEIRS";
        return false;
    }
    options.labels.push_back(value);
    return true;
}

bool SetRecent(FRONTENDOPTIONS& options, const std::string&, const std::string& value, bool hasValue,
               std::string& error) {
    options.recent = true;
    options.recentEntry = 0;
    if (hasValue && (!ParseCount(value, options.recentEntry) || options.recentEntry < 1)) {
        error = "invalid value '" + value + "' for '--recent': an entry number from 1";
        return false;
    }
    return true;
}

using O = FRONTENDOPTIONS;

// An option word: whether it takes a value (or, valueOptional, may), the
// runs it does something for, and how its value is taken.
struct OptionWord {
    const char* name;
    bool takesValue;
    unsigned runs;
    TakeValue take;
    bool valueOptional = false;
    // Where in a folder comparison a word applies, when not everywhere.
    const char* folderNote = nullptr;
};

// The words that run something of their own (help, --info, --recent ...)
// count as applying to every run.
constexpr OptionWord kWords[] = {
    {"help", false, RUN_ANY, SetFlag<&O::help>},
    {"version", false, RUN_ANY, SetFlag<&O::version>},
    {"print-request", false, RUN_ANY, SetFlag<&O::printRequest>},
    {"format", true, RUN_ANY, SetText<&O::format>},
    {"merge", false, RUN_MERGE, SetFlag<&O::merge>},
    {"output", true, RUN_MERGE, SetFileName<&O::output, &O::hasOutput>},
    {"diff3", false, RUN_MERGE, SetFlag<&O::diff3>},
    {"label", true, RUN_MERGE, AddLabel},
    {"auto", false, RUN_MERGE, SetFlag<&O::autoMerge>},
    {"rules", true, RUN_MERGE, SetText<&O::rules>},
    {"encoding", true, RUN_TEXT | RUN_EDIT, SetEncodings},
    {"line-endings", true, RUN_EDIT, SetText<&O::lineEndings>},
    {"save-as", true, RUN_EDIT, SetGivenText<&O::saveAs, &O::hasSaveAs>},
    {"export", true, RUN_EDIT, SetFileName<&O::exportTo>},
    {"line-numbers", true, RUN_EDIT, SetLineNumbers},
    {"width", true, RUN_TEXT, SetWidth},
    {"color", true, RUN_TEXT, SetColor},
    {"context", true, RUN_TEXT, SetContext},
    {"report", true, RUN_TEXT | RUN_FOLDER, SetText<&O::report>},
    {"copy", true, RUN_TEXT, SetText<&O::copy>},
    {"save", false, RUN_TEXT | RUN_EDIT, SetFlag<&O::save>},
    {"yes", false, (RUN_ANY & ~RUN_FOLDER) | RUN_FOLDER_SYNC, SetFlag<&O::yes>, false, "only --sync asks"},
    {"quiet", false, RUN_ANY, SetFlag<&O::quiet>},
    {"info", false, RUN_ANY, SetFlag<&O::info>},
    {"show", true, RUN_FOLDER, SetText<&O::show>},
    {"archives", true, RUN_FOLDER, SetText<&O::archives>},
    {"sync", true, RUN_FOLDER, SetText<&O::sync>},
    {"dry-run", false, RUN_FOLDER_SYNC | RUN_FOLDER_OPS, SetFlag<&O::dryRun>, false,
     "it applies only with --sync or --op"},
    {"trash", false, RUN_FOLDER_SYNC | RUN_FOLDER_DELETE, SetFlag<&O::trash>, false,
     "it applies only with --sync or --op=delete"},
    {"max-delete", true, RUN_FOLDER_SYNC | RUN_FOLDER_DELETE, SetMaxDelete, false,
     "it applies only with --sync or --op=delete"},
    {"op", true, RUN_FOLDER, AddOperation},
    {"find", true, RUN_HEX, SetGivenText<&O::find, &O::hasFind>},
    {"search", true, RUN_EDIT, SetGivenText<&O::search, &O::hasSearch>},
    {"replace", true, RUN_EDIT, SetGivenText<&O::replace, &O::hasReplace>},
    {"regex", false, RUN_EDIT | RUN_FIND, SetFlag<&O::regex>},
    {"match-case", false, RUN_EDIT | RUN_FIND, SetFlag<&O::matchCase>},
    {"whole-word", false, RUN_EDIT, SetFlag<&O::wholeWord>},
    {"up", false, RUN_EDIT, SetFlag<&O::up>},
    {"watch", false, RUN_TEXT | RUN_BINARY, SetFlag<&O::watch>},
    {"save-comparison", true, RUN_COMPARE, SetFileName<&O::saveComparison>},
    {"recent", false, RUN_ANY, SetRecent, true},
    {"find-in-files", true, RUN_FIND, SetGivenText<&O::findInFiles, &O::hasFindInFiles>},
    {"types", true, RUN_FIND, SetGivenText<&O::types, &O::hasTypes>},
    {"subfolders", false, RUN_FIND, SetFlag<&O::subfolders>},
    {"shell-menu", true, RUN_ANY, SetGivenText<&O::shellMenu, &O::hasShellMenu>},
    {"integrate", true, RUN_ANY, AddToList<&O::integrate>},
    {"unintegrate", true, RUN_ANY, AddToList<&O::unintegrate>},
    {"integration-status", false, RUN_ANY, SetFlag<&O::integrationStatus>},
    {"vcs", false, RUN_ANY, SetFlag<&O::vcs>},
    {"compare-to-chosen", false, RUN_ANY, SetFlag<&O::compareToChosen>},
};

const OptionWord* FindWord(const std::string& name) {
    for (const OptionWord& w : kWords)
        if (name == w.name) return &w;
    return nullptr;
}

}  // namespace

bool FRONTENDOPTIONS::Extract(std::vector<std::string>& arguments, std::string& error) {
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") optionsEnded = true;
        if (optionsEnded || argument.size() <= 2 || argument.compare(0, 2, "--") != 0) {
            rest.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? argument.substr(equals + 1) : std::string();
        const OptionWord* word = FindWord(name);
        if (word == nullptr) {
            rest.push_back(argument);  // perhaps "--compare": the command line decides
            continue;
        }
        if (!word->valueOptional && word->takesValue != hasValue) {
            error = word->takesValue ? "option '--" + name + "' needs a value: --" + name + "=..."
                                     : "option '--" + name + "' takes no value";
            return false;
        }
        given.push_back(name);
        if (!word->take(*this, name, value, hasValue, error)) return false;
    }
    arguments = std::move(rest);
    return true;
}

std::string FRONTENDOPTIONS::FirstInapplicable(const std::vector<RunKind>& runs) const {
    unsigned bits = 0;
    for (const RunKind run : runs) bits |= 1u << static_cast<int>(run);
    if (bits & RUN_FOLDER) {
        if (!sync.empty()) bits |= RUN_FOLDER_SYNC;
        if (!operations.empty()) bits |= RUN_FOLDER_OPS;
        for (const std::string& operation : operations)
            if (operation.compare(0, 7, "delete:") == 0) bits |= RUN_FOLDER_DELETE;
    }
    for (const std::string& name : given)
        if ((FindWord(name)->runs & bits) == 0) return "--" + name;
    return std::string();
}

int FRONTENDOPTIONS::CheckApplicable(RunKind run, platform::COutput& err) const {
    const std::string word = FirstInapplicable(run);
    if (word.empty()) return EXIT_SAME;
    std::string message = "'" + word + "' does not apply to " + RunKindText(run);
    if (const OptionWord* found = FindWord(word.substr(2));
        run == RunKind::FolderComparison && found != nullptr && found->folderNote != nullptr)
        message += std::string(": ") + found->folderNote;
    return Trouble(err, message);
}

const char* RunKindText(RunKind run) {
    switch (run) {
        case RunKind::TextComparison: return "a text comparison";
        case RunKind::BinaryComparison: return "a binary comparison";
        case RunKind::FolderComparison: return "a folder comparison";
        case RunKind::TextEditing: return "editing a text file";
        case RunKind::HexEditing: return "editing a binary file";
        case RunKind::FindInFiles: return "a search in files";
        case RunKind::Merge: return "a three-way merge";
    }
    return "";
}

int Trouble(platform::COutput& err, const std::string& message) {
    err << "corvatine: " << message << "\n";
    return EXIT_TROUBLE;
}

}  // namespace corvatine
