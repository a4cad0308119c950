#include "ui/FileChangeGate.h"

#include <algorithm>
#include <utility>

namespace corvatine::ui {

CFileChangeGate::CFileChangeGate(std::function<void(const std::string&)> handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Flush(); });
}

void CFileChangeGate::Changed(const std::string& path) {
    if (std::find(m_pending.begin(), m_pending.end(), path) == m_pending.end()) m_pending.push_back(path);
    // Each notice puts the telling off: a save's writes come as several.
    if (!m_handling) m_timer.start(kSettleMilliseconds);
}

void CFileChangeGate::Flush() {
    if (m_handling) return;
    m_handling = true;
    while (!m_pending.empty()) {
        const std::string path = m_pending.front();
        m_pending.erase(m_pending.begin());
        m_handler(path);
        // What changed in that file while it was being dealt with was dealt with.
        m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), path), m_pending.end());
    }
    m_handling = false;
}

}  // namespace corvatine::ui
