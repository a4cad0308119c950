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

// How an encoding is named to the user: "UTF-8", "UTF-8 with BOM",
// "UTF-16 LE", "UTF-16 BE", or the code page's character set ("ISO-8859-1",
// "CP1252"; its number when it has no name here).
std::string EncodingName(int kind, int codePage);

// How a buffer's line endings are named: "LF", "CRLF" or "CR" by style, or
// "Mixed" when the text had more than one kind; "None" when it had none.
std::string LineEndingsName(int style, int crlf, int lf, int cr);
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
