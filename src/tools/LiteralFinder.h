// Fast byte-wise searching of a block of text: a search string found
// anywhere in it, and its line feeds counted, without walking it byte by
// byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvatine {

// A byte string looked for in blocks of memory. Candidates are found 16
// positions at a time by the string's first and last bytes, and only where
// both fit is the rest compared. Without regard to case, ASCII letters match
// either case; every other byte matches only itself.
class CLiteralFinder {
public:
    CLiteralFinder(std::string_view needle, bool matchCase);

    // The offset in text of the first occurrence that starts at or after
    // from; npos when there is none. The empty string occurs at from.
    size_t Find(std::string_view text, size_t from = 0) const;

    size_t Size() const { return m_needle.size(); }
    const std::string& Needle() const { return m_needle; }

private:
    bool RestEquals(const char* at) const;

    std::string m_needle;  // in lower case when case does not matter
    bool m_matchCase;
};

// The number of line feeds in the bytes.
size_t CountLineFeeds(const char* data, size_t size);

// Removes every carriage return from the bytes in place; the new size.
size_t DropCarriageReturns(char* data, size_t size);

}  // namespace corvatine
