// The character encodings offered to the user.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

struct ENCODINGCHOICE {
    std::string label;  // "UNI16_LE", "UNI16_BE", "UTF-8", or a code page list name
    int kind;           // 1 to 3, or -1 for a code page
    int codePage;       // -1 for a Unicode kind
};

// "UNI16_LE", "UNI16_BE", "UTF-8", then every entry of the code page list.
std::vector<ENCODINGCHOICE> GetEncodingChoices();

// The choice selected first for a file of this encoding: its Unicode kind,
// else its code page, else (code page -1) the working code page; -1 when
// the list holds none of them.
int InitialEncodingChoice(const std::vector<ENCODINGCHOICE>& choices, int kind, int codePage);

// The choice named by a label or a code page number ("UTF-8", "1252"); -1
// when there is none.
int FindEncodingChoice(const std::vector<ENCODINGCHOICE>& choices, const std::string& name);

}  // namespace corvatine
