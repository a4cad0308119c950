// An exclusive lock between programs, taken with flock on a lock file, so that
// two runs never read, merge and replace the same settings file at once.
#pragma once

#include <string>

namespace corvatine::platform {

// The lock file that guards the settings files of a folder (registry.reg,
// classes.reg, MRU.cmp): every run takes it around reading, merging and
// replacing one of them.
inline constexpr const char* kSettingsLockFile = "settings.lock";

// The lock file of the settings files in folder.
std::string SettingsLockPath(const std::string& folder);

class CFileLock {
public:
    CFileLock() = default;
    ~CFileLock() { Unlock(); }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Waits until the lock on the file at path is held, creating the file
    // (mode 0600) when it is missing; an existing file that cannot be opened
    // for writing is locked through a read-only descriptor. Within one thread
    // locks of the same path nest: while the thread holds it, another Lock of
    // it succeeds at once and the lock is released with the outermost one.
    // Other threads and other programs wait. False, with error naming the file
    // and the reason, when the file can be neither created nor opened, or
    // cannot be locked; nothing is held then.
    [[nodiscard]] bool Lock(const std::string& path, std::string& error);

    // Releases the lock (the outermost Unlock of a nest releases the file).
    // Nothing happens when it is not held.
    void Unlock();

    bool IsLocked() const { return !m_path.empty(); }

private:
    std::string m_path;  // empty while nothing is held
};

}  // namespace corvatine::platform
