// Checks a table of keyword sets: fixed size, case rule, the words each is
// known by, and no word twice.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "editor/SyntaxKeywords.h"

namespace corvatine::test {

struct KEYWORDSETCASE {
    const char* name;
    const CKeywordSet& (*set)();
    size_t size;
    bool caseSensitive;
    std::vector<std::string_view> mustHold;
};

inline void CheckKeywordSets(const std::vector<KEYWORDSETCASE>& cases) {
    for (const KEYWORDSETCASE& c : cases) {
        SCOPED_TRACE(c.name);
        const CKeywordSet& set = c.set();
        EXPECT_EQ(set.Size(), c.size);
        EXPECT_EQ(set.IsCaseSensitive(), c.caseSensitive);
        for (std::string_view word : c.mustHold) EXPECT_TRUE(set.Contains(word)) << word;
        std::set<std::string> seen;
        for (std::string_view word : set.Words()) {
            EXPECT_FALSE(word.empty());
            std::string key(word);
            if (!c.caseSensitive)
                for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            EXPECT_TRUE(seen.insert(key).second) << "twice: " << word;
            EXPECT_TRUE(set.Contains(word)) << word;
            // The word in the other case matches exactly when the set ignores
            // case (or holds that spelling too).
            std::string flipped(word);
            for (char& ch : flipped) {
                const auto u = static_cast<unsigned char>(ch);
                ch = static_cast<char>(std::isupper(u) ? std::tolower(u) : std::toupper(u));
            }
            if (flipped == word) continue;
            bool listed = false;
            for (std::string_view other : set.Words()) listed = listed || other == flipped;
            EXPECT_EQ(set.Contains(flipped), !c.caseSensitive || listed) << flipped;
        }
    }
}

}  // namespace corvatine::test
