// The file watches of one document: one per shown file, suspended around the
// document's own loads and saves, and the changes they report.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/FileWatch.h"

namespace corvatine {

// Where the document tells the file watcher that it is about to write or
// reload a file itself, so that the change is not reported back to it.
class CFileWatchHooks {
public:
    virtual ~CFileWatchHooks() = default;
    virtual void Suspend(const std::string& path) { (void)path; }
    virtual void Resume(const std::string& path) { (void)path; }
};

class CDocumentWatches : public CFileWatchHooks, public platform::CFileChangeTarget {
public:
    // With enabled false (the "FileWatch" option off) nothing is ever watched.
    explicit CDocumentWatches(bool enabled, platform::CFileWatch& watch = platform::FileWatch())
        : m_enabled(enabled), m_watch(watch) {}
    ~CDocumentWatches() override;
    CDocumentWatches(const CDocumentWatches&) = delete;
    CDocumentWatches& operator=(const CDocumentWatches&) = delete;

    // Starts watching a path that exists; stops watching one.
    void Watch(const std::string& path);
    void Unwatch(const std::string& path);
    void UnwatchAll();
    bool IsWatched(const std::string& path) const { return m_ids.count(path) != 0; }

    // Around the document's own writes and reloads.
    void Suspend(const std::string& path) override;
    void Resume(const std::string& path) override;

    // Called with the path of a watched file that another program changed.
    std::function<void(const std::string&)> onChanged;

    void OnFileChanged(const std::string& path) override;

private:
    bool m_enabled;
    platform::CFileWatch& m_watch;
    std::map<std::string, uint32_t> m_ids;
    std::map<std::string, int> m_suspended;
};

}  // namespace corvatine
