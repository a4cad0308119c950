#include "launch/CompareToChosen.h"

#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace corvatine {

bool NamesCompareToChosen(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") return false;
        if (argument == kCompareToChosenWord) return true;
    }
    return false;
}

bool ParseCompareToChosen(const std::vector<std::string>& arguments, CHOSENCOMPARISON& parsed,
                          std::string& error) {
    const std::string word = kCompareToChosenWord;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded) {
            paths.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == word) {
            continue;
        } else if (argument.rfind(word + "=", 0) == 0) {
            error = "option '" + word + "' takes no value: " + word + " PATH";
            return false;
        } else if (argument.size() > 1 && argument[0] == '-') {
            // Nothing else applies: the file manager names only the item.
            error = "'" + argument + "' does not apply to " + word + ", which takes one file or folder";
            return false;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 1) {
        error = paths.empty() ? word + " needs the file or folder to compare: " + word + " PATH"
                              : word + " takes one file or folder, not " + std::to_string(paths.size());
        return false;
    }
    int lookUp = 0;
    const platform::FileType type = platform::GetFileType(paths[0], &lookUp);
    if (type == platform::FileType::Missing) {
        error = "cannot open '" + paths[0] + "': " + platform::ErrorText(lookUp);
        return false;
    }
    if (type != platform::FileType::Regular && type != platform::FileType::Folder) {
        error = "cannot compare '" + paths[0] + "': it is neither a file nor a folder";
        return false;
    }
    parsed.path = platform::AbsolutePath(paths[0]);
    parsed.folder = type == platform::FileType::Folder;
    return true;
}

}  // namespace corvatine
