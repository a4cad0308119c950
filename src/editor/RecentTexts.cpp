#include "editor/RecentTexts.h"

#include <algorithm>

namespace corvatine {

void CRecentTexts::Add(const std::string& text) {
    if (text.empty()) return;
    const auto found = std::find(m_items.begin(), m_items.end(), text);
    if (found != m_items.end()) m_items.erase(found);
    m_items.insert(m_items.begin(), text);
    if (static_cast<int>(m_items.size()) > m_limit) m_items.resize(static_cast<size_t>(m_limit));
}

}  // namespace corvatine
