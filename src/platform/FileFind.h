// Reading file-system entries: one entry by its path, or every entry of a
// folder, with the attributes, size and times that the folder comparison
// keeps for each.
//
// Attributes follow the Windows bits of FileAttributes.h: read-only when the
// owner lacks write permission, hidden when the name starts with ".", system
// for devices, fifos and sockets, directory, and 0x400 for a symbolic link.
// A link is reported with its target's type, size and times (so a link to a
// folder is a folder); a dangling link is reported as itself.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace corvatine::platform {

// 100-nanosecond units since 1601-01-01 UTC.
using FILETIME = uint64_t;

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr int64_t kFileTimeEpochSeconds = 11644473600;

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
// Whole seconds since 1970 (rounded down).
int64_t FileTimeToUnixSeconds(FILETIME time);

// What an enumeration reports for one entry.
struct FINDDATA {
    uint32_t attributes = 0;
    FILETIME creationTime = 0;  // birth time where the file system keeps one, else the change time
    FILETIME lastAccessTime = 0;
    FILETIME lastWriteTime = 0;
    uint32_t sizeHigh = 0;  // 0 for folders
    uint32_t sizeLow = 0;
    std::string name;
    // The identity of the entry (of its target, for a link), so that a link
    // back to a containing folder can be told from a new folder.
    uint64_t device = 0;
    uint64_t inode = 0;

    uint64_t Size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }
};

// Reads the entry a path (of any length) names; its name is the last
// component. False when there is no such entry or it cannot be looked at;
// error then holds the errno value.
[[nodiscard]] bool FindEntry(const std::string& path, FINDDATA& data, int* error = nullptr);

// The same for the entry name in the open folder dirFd. False with errno set.
[[nodiscard]] bool FindEntryAt(int dirFd, const std::string& name, FINDDATA& data);

// Enumerates the entries of one folder, "." and ".." included (as folders
// without times: they are not looked up). The folder's path may be of any
// length, and each entry is looked up relative to the open folder.
class CFileFindEx {
public:
    CFileFindEx() = default;
    ~CFileFindEx() { Close(); }
    CFileFindEx(const CFileFindEx&) = delete;
    CFileFindEx& operator=(const CFileFindEx&) = delete;

    // Starts enumerating the folder. Only names the pattern matches are
    // reported; "*" and "*.*" match every name, as they do on the system the
    // comparison files come from. False when the folder cannot be read;
    // Error() then says why.
    [[nodiscard]] bool FindFile(const std::string& folder, std::string_view pattern = "*");
    // Moves to the next entry; false when there is none left, or when the
    // folder cannot be read further: then Error() says why. An entry that
    // was removed after it was listed is passed over; one that cannot be
    // looked at ends the enumeration with an error, never silently.
    [[nodiscard]] bool FindNextFile();
    void Close();
    // The errno value of the last failure to open or read the folder or to
    // look at an entry; 0 while nothing failed.
    int Error() const { return m_error; }

    const FINDDATA& Data() const { return m_data; }
    const std::string& GetFileName() const { return m_data.name; }
    std::string GetFilePath() const;
    bool IsDots() const { return m_data.name == "." || m_data.name == ".."; }
    bool IsDirectory() const;

    // The folder's path joined with a name; a root ("/") is not doubled.
    static std::string SearchPath(const std::string& folder, std::string_view name);

private:
    DIR* m_dir = nullptr;
    std::string m_folder;
    std::string m_pattern;
    FINDDATA m_data;
    int m_error = 0;
};

}  // namespace corvatine::platform
