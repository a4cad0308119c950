// Replacing a file so that it is at every moment either the old file or the
// complete new one: the new bytes go to a temporary file in the target's
// folder, which is synced and then renamed over the target.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvatine::platform {

class CAtomicFileWriter {
public:
    CAtomicFileWriter() = default;
    ~CAtomicFileWriter();  // abandons an uncommitted file
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    // Creates the temporary file beside the target. A target that is a
    // symbolic link is written through to the file it names. The new file
    // takes the permission bits of the existing target, else newFileMode
    // (limited by the umask). On failure error names the file and the reason.
    [[nodiscard]] bool Open(const std::string& target, mode_t newFileMode, std::string& error);

    // Writes all bytes, retrying short and interrupted writes.
    [[nodiscard]] bool Write(const void* data, size_t size, std::string& error);

    // Syncs the temporary file, renames it over the target and syncs the
    // folder. After a failure the target is untouched and the temporary file
    // is gone.
    [[nodiscard]] bool Commit(std::string& error);

    // Removes the temporary file; the target stays as it was.
    void Abort();

    // The file that Commit replaces (the link's target for a symbolic link).
    const std::string& Target() const { return m_target; }

    // The system call that failed last and its errno value.
    const char* FailedCall() const { return m_failedCall; }
    int LastErrno() const { return m_errno; }

private:
    bool Fail(const char* call, int error, const std::string& what, const std::string& path,
              std::string& text);

    int m_fd = -1;
    const char* m_failedCall = "";
    int m_errno = 0;
    std::string m_target;
    std::string m_tempPath;
};

// Replaces the file at path with bytes through CAtomicFileWriter.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode,
                                       std::string& error);

// What tells one state of a file from another: replacing it (a new inode) or
// writing it (size, modification or change time) changes at least one field.
struct FILEIDENTITY {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    long changedNanoseconds = 0;
    bool operator==(const FILEIDENTITY&) const = default;
};

// The identity of the file at path now (following links); exists is false
// when it cannot be examined.
FILEIDENTITY FileIdentityOf(const std::string& path);

// Reads a whole regular file of at most maximum bytes. False with error set
// (naming the file) when it cannot be opened or read, is not a regular file (a
// fifo or a device would hold the reader) or is larger; missing is then true
// when the file does not exist. When identity is given it is set to the
// identity of the file that was read (exists false when none was).
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::string& bytes, bool& missing,
                                 std::string& error, size_t maximum = SIZE_MAX,
                                 FILEIDENTITY* identity = nullptr);

// Moves a damaged file aside so that nothing replaces it unseen: to
// "<path>.bad", or "<path>.bad.1", ".bad.2" ... when that is taken; a file
// kept aside earlier is never overwritten. Returns the new name, or an empty
// string with error naming both files and the reason.
std::string KeepAside(const std::string& path, std::string& error);

// Creates a folder and its missing parents with the given mode.
[[nodiscard]] bool MakeFolders(const std::string& path, mode_t mode, std::string& error);

// The system's text for an errno value.
std::string ErrorText(int error);

}  // namespace corvatine::platform
