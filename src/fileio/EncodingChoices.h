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

// An encoding the user named: "auto" (kind -1, code page CP_DETECT), a
// Unicode label (kind 1 to 3, code page -1) or a code page (kind -1).
struct NAMEDENCODING {
    std::string name;
    int kind = -1;
    int codePage = -1;
};

// Encodings named in a list separated by commas ("28591", "auto,1252"),
// each "auto" or a name FindEncodingChoice knows. False, with error naming
// the first that is neither, for such a list or an empty name.
[[nodiscard]] bool ParseEncodingNames(const std::string& list, std::vector<NAMEDENCODING>& encodings,
                                      std::string& error);

// The code page a file without byte-order mark is read in for the encoding:
// its code page, 65001 for "UTF-8", CP_DETECT for "auto". False for UNI16_LE
// and UNI16_BE, which are read only through their mark.
[[nodiscard]] bool ReadingCodePage(const NAMEDENCODING& encoding, int& codePage);

}  // namespace corvatine
