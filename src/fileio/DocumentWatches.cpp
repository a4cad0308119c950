#include "fileio/DocumentWatches.h"

#include "platform/Path.h"

namespace corvatine {

CDocumentWatches::~CDocumentWatches() {
    UnwatchAll();
    platform::UserInterfaceQueue().Discard(this);
}

void CDocumentWatches::Watch(const std::string& path) {
    if (!m_enabled || path.empty() || m_ids.count(path) != 0 || !platform::PathExists(path)) return;
    const uint32_t id = m_watch.AddWatch(path, nullptr, this);
    if (id == 0) return;
    m_watch.SetTag(id, 0);
    m_ids[path] = id;
}

void CDocumentWatches::Unwatch(const std::string& path) {
    const auto it = m_ids.find(path);
    if (it == m_ids.end()) return;
    m_watch.RemoveWatch(it->second);
    m_ids.erase(it);
}

void CDocumentWatches::UnwatchAll() {
    for (const auto& [path, id] : m_ids) m_watch.RemoveWatch(id);
    m_ids.clear();
}

void CDocumentWatches::Suspend(const std::string& path) {
    if (m_ids.count(path) == 0) return;
    Unwatch(path);
    ++m_suspended[path];
}

void CDocumentWatches::Resume(const std::string& path) {
    const auto it = m_suspended.find(path);
    if (it == m_suspended.end()) return;
    if (--it->second == 0) m_suspended.erase(it);
    Watch(path);
}

void CDocumentWatches::OnFileChanged(const std::string& path) {
    if (m_ids.count(path) != 0 && onChanged) onChanged(path);
}

}  // namespace corvatine
