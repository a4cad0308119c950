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

struct WORD {
    const char* name;
    bool takesValue;
    unsigned runs;
    bool valueOptional = false;
    // Where in a folder comparison a word applies, when not everywhere.
    const char* folderNote = nullptr;
};

// The words that run something of their own (help, --info, --recent ...)
// count as applying to every run.
constexpr WORD kWords[] = {
    {"help", false, RUN_ANY},
    {"version", false, RUN_ANY},
    {"print-request", false, RUN_ANY},
    {"format", true, RUN_ANY},
    {"merge", false, RUN_MERGE},
    {"output", true, RUN_MERGE},
    {"diff3", false, RUN_MERGE},
    {"label", true, RUN_MERGE},
    {"auto", false, RUN_MERGE},
    {"rules", true, RUN_MERGE},
    {"encoding", true, RUN_TEXT | RUN_EDIT},
    {"line-endings", true, RUN_EDIT},
    {"save-as", true, RUN_EDIT},
    {"export", true, RUN_EDIT},
    {"line-numbers", true, RUN_EDIT},
    {"width", true, RUN_TEXT},
    {"color", true, RUN_TEXT},
    {"context", true, RUN_TEXT},
    {"report", true, RUN_TEXT | RUN_FOLDER},
    {"copy", true, RUN_TEXT},
    {"save", false, RUN_TEXT | RUN_EDIT},
    {"yes", false, (RUN_ANY & ~RUN_FOLDER) | RUN_FOLDER_SYNC, false, "only --sync asks"},
    {"quiet", false, RUN_ANY},
    {"info", false, RUN_ANY},
    {"show", true, RUN_FOLDER},
    {"archives", true, RUN_FOLDER},
    {"sync", true, RUN_FOLDER},
    {"dry-run", false, RUN_FOLDER_SYNC | RUN_FOLDER_OPS, false, "it applies only with --sync or --op"},
    {"trash", false, RUN_FOLDER_SYNC | RUN_FOLDER_DELETE, false,
     "it applies only with --sync or --op=delete"},
    {"max-delete", true, RUN_FOLDER_SYNC | RUN_FOLDER_DELETE, false,
     "it applies only with --sync or --op=delete"},
    {"op", true, RUN_FOLDER},
    {"find", true, RUN_HEX},
    {"search", true, RUN_EDIT},
    {"replace", true, RUN_EDIT},
    {"regex", false, RUN_EDIT | RUN_FIND},
    {"match-case", false, RUN_EDIT | RUN_FIND},
    {"whole-word", false, RUN_EDIT},
    {"up", false, RUN_EDIT},
    {"watch", false, RUN_TEXT | RUN_BINARY},
    {"save-comparison", true, RUN_COMPARE},
    {"recent", false, RUN_ANY, true},
    {"find-in-files", true, RUN_FIND},
    {"types", true, RUN_FIND},
    {"subfolders", false, RUN_FIND},
    {"shell-menu", true, RUN_ANY},
    {"integrate", true, RUN_ANY},
    {"unintegrate", true, RUN_ANY},
    {"integration-status", false, RUN_ANY},
    {"vcs", false, RUN_ANY},
    {"compare-to-chosen", false, RUN_ANY},
};

const WORD* FindWord(const std::string& name) {
    for (const WORD& w : kWords)
        if (name == w.name) return &w;
    return nullptr;
}

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
        const WORD* word = FindWord(name);
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
        if (name == "help")
            help = true;
        else if (name == "version")
            version = true;
        else if (name == "print-request")
            printRequest = true;
        else if (name == "format")
            format = value;
        else if (name == "encoding") {
            if (!ParseEncodingNames(value, encodings, error)) return false;
        } else if (name == "line-endings")
            lineEndings = value;
        else if (name == "save-as") {
            saveAs = value;
            hasSaveAs = true;
        } else if (name == "export") {
            if (value.empty()) {
                error = "option '--export' needs a file name: --export=FILE";
                return false;
            }
            exportTo = value;
        } else if (name == "line-numbers") {
            if (value != "on" && value != "off") {
                error = "invalid value '" + value + "' for '--line-numbers': on or off";
                return false;
            }
            lineNumbers = value;
        } else if (name == "width" || name == "context") {
            if (!ParseCount(value, name == "width" ? width : context) || (name == "width" && width < 20)) {
                error = "invalid value '" + value + "' for '--" + name + "'" +
                        (name == "width" ? ": a number of columns from 20 to 100000"
                                         : ": a number of lines from 0 to 100000");
                return false;
            }
        } else if (name == "color") {
            if (value != "auto" && value != "always" && value != "never") {
                error = "invalid value '" + value + "' for '--color': auto, always or never";
                return false;
            }
            color = value;
        } else if (name == "report")
            report = value;
        else if (name == "copy")
            copy = value;
        else if (name == "save")
            save = true;
        else if (name == "yes")
            yes = true;
        else if (name == "quiet")
            quiet = true;
        else if (name == "info")
            info = true;
        else if (name == "show")
            show = value;
        else if (name == "archives")
            archives = value;
        else if (name == "sync")
            sync = value;
        else if (name == "dry-run")
            dryRun = true;
        else if (name == "trash")
            trash = true;
        else if (name == "max-delete") {
            char* end = nullptr;
            errno = 0;
            const long n =
                value.empty() || value[0] < '0' || value[0] > '9' ? -1 : std::strtol(value.c_str(), &end, 10);
            if (n < 0 || errno != 0 || *end != '\0') {
                error = "invalid value '" + value + "' for '--max-delete': a number of files from 0";
                return false;
            }
            maxDelete = n;
        } else if (name == "op") {
            if (value.empty()) {
                error = "option '--op' needs an operation: --op=KIND:...";
                return false;
            }
            operations.push_back(value);
        } else if (name == "find") {
            find = value;
            hasFind = true;
        } else if (name == "search") {
            search = value;
            hasSearch = true;
        } else if (name == "replace") {
            replace = value;
            hasReplace = true;
        } else if (name == "regex")
            regex = true;
        else if (name == "match-case")
            matchCase = true;
        else if (name == "whole-word")
            wholeWord = true;
        else if (name == "up")
            up = true;
        else if (name == "watch")
            watch = true;
        else if (name == "save-comparison") {
            if (value.empty()) {
                error = "option '--save-comparison' needs a file name: --save-comparison=FILE";
                return false;
            }
            saveComparison = value;
        } else if (name == "find-in-files") {
            findInFiles = value;
            hasFindInFiles = true;
        } else if (name == "types") {
            types = value;
            hasTypes = true;
        } else if (name == "subfolders")
            subfolders = true;
        else if (name == "shell-menu") {
            shellMenu = value;
            hasShellMenu = true;
        } else if (name == "integrate")
            integrate.push_back(value);
        else if (name == "unintegrate")
            unintegrate.push_back(value);
        else if (name == "integration-status")
            integrationStatus = true;
        else if (name == "merge")
            merge = true;
        else if (name == "output") {
            if (value.empty()) {
                error = "option '--output' needs a file name: --output=FILE";
                return false;
            }
            output = value;
            hasOutput = true;
        } else if (name == "diff3")
            diff3 = true;
        else if (name == "label") {
            if (labels.size() == 3) {
                error = "option '--label' is given at most three times: OURS, BASE, THEIRS";
                return false;
            }
            labels.push_back(value);
        } else if (name == "auto")
            autoMerge = true;
        else if (name == "rules")
            rules = value;
        else if (name == "vcs")
            vcs = true;
        else if (name == "compare-to-chosen")
            compareToChosen = true;
        else if (name == "recent") {
            recent = true;
            recentEntry = 0;
            if (hasValue && (!ParseCount(value, recentEntry) || recentEntry < 1)) {
                error = "invalid value '" + value + "' for '--recent': an entry number from 1";
                return false;
            }
        }
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
    if (const WORD* found = FindWord(word.substr(2));
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
