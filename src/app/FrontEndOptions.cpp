#include "app/FrontEndOptions.h"

#include <ostream>

namespace corvatine {

namespace {

struct WORD {
    const char* name;
    bool takesValue;
    bool valueOptional = false;
};

constexpr WORD kWords[] = {
    {"help", false},         {"version", false},     {"print-request", false}, {"format", true},
    {"encoding", true},      {"line-endings", true}, {"save-as", true},        {"width", true},
    {"color", true},         {"context", true},      {"report", true},         {"copy", true},
    {"save", false},         {"yes", false},         {"quiet", false},         {"info", false},
    {"show", true},          {"find", true},         {"watch", false},         {"save-comparison", true},
    {"recent", false, true},
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
        const WORD* word = nullptr;
        for (const WORD& w : kWords)
            if (name == w.name) word = &w;
        if (word == nullptr) {
            rest.push_back(argument);  // perhaps "--compare": the command line decides
            continue;
        }
        if (!word->valueOptional && word->takesValue != hasValue) {
            error = word->takesValue ? "option '--" + name + "' needs a value: --" + name + "=..."
                                     : "option '--" + name + "' takes no value";
            return false;
        }
        if (name == "help")
            help = true;
        else if (name == "version")
            version = true;
        else if (name == "print-request")
            printRequest = true;
        else if (name == "format")
            format = value;
        else if (name == "encoding")
            encoding = value;
        else if (name == "line-endings")
            lineEndings = value;
        else if (name == "save-as") {
            saveAs = value;
            hasSaveAs = true;
        } else if (name == "width" || name == "context") {
            if (!ParseCount(value, name == "width" ? width : context) || (name == "width" && width < 20)) {
                error = "invalid value '" + value + "' for '--" + name + "'" +
                        (name == "width" ? ": a number of columns, at least 20" : ": a number of lines");
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
        else if (name == "find") {
            find = value;
            hasFind = true;
        } else if (name == "watch")
            watch = true;
        else if (name == "save-comparison") {
            if (value.empty()) {
                error = "option '--save-comparison' needs a file name: --save-comparison=FILE";
                return false;
            }
            saveComparison = value;
        } else if (name == "recent") {
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

int Trouble(std::ostream& err, const std::string& message) {
    err << "corvatine: " << message << "\n";
    return EXIT_TROUBLE;
}

}  // namespace corvatine
