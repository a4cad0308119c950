// "--compare-to-chosen PATH": the program itself asks which file or folder
// PATH is compared with, as a file manager's "Compare To..." wants, so that
// no dialog program beside it is needed. The window asks; the headless front
// end can only say why it does not.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

inline constexpr const char* kCompareToChosenWord = "--compare-to-chosen";

// Whether the word is given before a lone "--".
bool NamesCompareToChosen(const std::vector<std::string>& arguments);

struct CHOSENCOMPARISON {
    std::string path;  // absolute, in normal form
    bool folder = false;
};

// The one file or folder the word takes, from arguments that hold the word,
// that path and at most a "--" before it. False with error saying what is
// wrong: another option, a value given to the word, no path or more than
// one, a path that names nothing or neither a file nor a folder.
[[nodiscard]] bool ParseCompareToChosen(const std::vector<std::string>& arguments, CHOSENCOMPARISON& parsed,
                                        std::string& error);

}  // namespace corvatine
