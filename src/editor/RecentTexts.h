// The history of a find or replace box: the texts entered, most recent
// first, each once.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

class CRecentTexts {
public:
    static constexpr int kDefaultLimit = 16;

    explicit CRecentTexts(int limit = kDefaultLimit) : m_limit(limit) {}

    // Puts the text first, removing an equal one further down and the
    // oldest beyond the limit; an empty text is not kept.
    void Add(const std::string& text);
    const std::vector<std::string>& Items() const { return m_items; }
    void Clear() { m_items.clear(); }

private:
    int m_limit;
    std::vector<std::string> m_items;
};

}  // namespace corvatine
