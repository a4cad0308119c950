#include "app/FrontEndOptions.h"

namespace corvatine {

namespace {

struct WORD {
    const char* name;
    bool takesValue;
};

constexpr WORD kWords[] = {
    {"help", false},    {"version", false},     {"print-request", false}, {"format", true},
    {"encoding", true}, {"line-endings", true}, {"save-as", true},
};

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
        if (word->takesValue != hasValue) {
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
        }
    }
    arguments = std::move(rest);
    return true;
}

}  // namespace corvatine
