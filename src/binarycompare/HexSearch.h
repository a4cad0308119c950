// Searching a hex buffer for bytes or text, and the go-to texts of the hex
// views.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "binarycompare/HexEditContext.h"
#include "platform/Messages.h"

namespace corvatine {

// The character set a text search looks for.
enum HexSearchCharset : int {
    SEARCH_CODEPAGE = 0,  // the process code page
    SEARCH_UNICODE = 1,   // UTF-16 little-endian
    SEARCH_EBCDIC = 2,    // EBCDIC (code page 37)
};

struct HEXSEARCH {
    std::vector<uint8_t> pattern;
    bool text = false;
    bool caseInsensitive = false;
    int charset = SEARCH_CODEPAGE;
};

// The largest pattern the windows can hold.
inline constexpr int64_t kMaxSearchPattern = 32767;

// Reads the find box: "=text" case-sensitively, "~text" without case (two or
// more characters), else hexadecimal digits paired from the left (other
// characters skipped). False with the message shown when there is nothing
// to search for.
bool ParseHexSearch(const std::string& text, int charset, HEXSEARCH& search, platform::CMessages& messages);

// Finds the pattern from start forwards (a match at start or after) or
// backwards (a match beginning before start). Returns its offset, or -1 with
// the message shown. escapePressed is asked at the check points; when it says
// yes and the user confirms, the search is aborted.
int64_t FindInBuffer(CHexEditContext& buffer, const HEXSEARCH& search, int64_t start, bool forward,
                     platform::CMessages& messages, const std::function<bool()>& escapePressed = nullptr);

// The go-to dialog: "(0 - %#I64X)" or lower case of the content size, the
// address in each box, and the question for an address beyond the content
// (true: jump to the end instead).
std::string GoToRangeText(int64_t size, bool upperCase);
std::string GoToHexText(int64_t address, bool upperCase);
std::string GoToDecimalText(int64_t address);
bool ConfirmJumpToEnd(int64_t address, platform::CMessages& messages);

}  // namespace corvatine
