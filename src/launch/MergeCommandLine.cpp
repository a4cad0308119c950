#include "launch/MergeCommandLine.h"

namespace corvatine {

bool IsMergeCommand(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") return false;
        if (argument == "--merge") return true;
    }
    return false;
}

bool TakeMergePaths(const std::vector<std::string>& arguments, MERGEREQUEST& request, std::string& error) {
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            error = "'" + argument + "' does not apply to a three-way merge";
            return false;
        }
        paths.push_back(argument);
    }
    if (paths.size() != 3) {
        error = "--merge needs three files: BASE OURS THEIRS (" + std::to_string(paths.size()) + " given)";
        return false;
    }
    for (size_t i = 0; i < 3; ++i) request.paths[i] = paths[i];
    return true;
}

bool ParseMergeCommand(const std::vector<std::string>& arguments, MERGECOMMAND& command, std::string& error) {
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument == "--") {
            optionsEnded = true;
            rest.push_back(argument);
            continue;
        }
        const auto value = [&](const char* word, std::string& out) {
            const std::string prefix = std::string(word) + "=";
            if (argument.compare(0, prefix.size(), prefix) != 0) return false;
            out = argument.substr(prefix.size());
            return true;
        };
        std::string text;
        if (argument == "--merge") continue;
        if (argument == "--diff3") {
            command.request.diff3 = true;
        } else if (argument == "--auto") {
            command.autoSave = true;
        } else if (value("--output", text)) {
            if (text.empty()) {
                error = "option '--output' needs a file name: --output=FILE";
                return false;
            }
            command.output = text;
        } else if (value("--label", text)) {
            if (command.request.labels.size() == 3) {
                error = "option '--label' is given at most three times: OURS, BASE, THEIRS";
                return false;
            }
            command.request.labels.push_back(text);
        } else if (value("--rules", text)) {
            command.request.rules = text;
        } else {
            rest.push_back(argument);
        }
    }
    return TakeMergePaths(rest, command.request, error);
}

}  // namespace corvatine
