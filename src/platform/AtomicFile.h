// Replacing a file so that it is at every moment either the old file or the
// complete new one: the new bytes go to a temporary file in the target's
// folder, which is synced and then renamed over the target.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace corvatine::platform {

// How safe a replaced file is once the writer has committed it.
enum class Durability {
    // On the disk: the new contents are synced before the rename, and the
    // folder after it, so that even a power loss leaves the new file.
    Synced,
    // Renamed into place only once every byte was written, without waiting
    // for the disk: a crash of the program or a full disk leaves the old or
    // the new file, never a half one. A power loss may leave the old file, or
    // on a file system that does not write data before a rename, an empty
    // one. For files that are cheap to lose and written on every run.
    Renamed,
};

// Writes a file so that a failure never loses what it held, and so that the
// saved file keeps its owner, group, permission bits, hard links and symbolic
// links. Usually the new bytes go to a temporary file beside the target,
// which takes the target's owner and mode and is renamed over it once
// complete. A file with several hard links, or whose owner or group the
// temporary file cannot take, is written in place instead, after its old
// contents were copied to a temporary file in the same folder, from which
// they are put back should the write fail.
class CAtomicFileWriter {
public:
    CAtomicFileWriter() = default;
    ~CAtomicFileWriter();  // abandons an uncommitted file
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    // Prepares to write the target. A symbolic link is written through to
    // the file it names, even one that does not exist yet, unless the kernel
    // would refuse to follow it (see MayFollowLink). A new file takes
    // newFileMode (limited by the umask); a replaced one keeps its owner,
    // group, mode, access control lists and extended attributes (written in
    // place when the new file cannot take them). Refused: a target that is
    // not a regular file, one the user may not write or that has no write
    // permission at all (read-only), and, when expected is given and known,
    // a target that is no longer that file (changed or replaced by another
    // program; a missing target counts as changed). On failure error names
    // the file and the reason.
    [[nodiscard]] bool Open(const std::string& target, mode_t newFileMode, std::string& error,
                            const FILEIDENTITY* expected = nullptr);

    // Names the temporary file for attempt n (from 0) of attempts, before
    // Open: the first name that does not exist is created. Without it the
    // temporary file takes a random name beside the target.
    void NameTemporaries(std::function<std::string(int n)> names, int attempts) {
        m_temporaryNames = std::move(names);
        m_temporaryAttempts = attempts;
    }
    // The temporary name that could not be created when Open failed there
    // (with names given); else empty. EEXIST: every name was taken.
    const std::string& FailedTemporary() const { return m_failedTemporary; }

    // Synced unless set otherwise before Commit.
    void SetDurability(Durability durability) { m_durability = durability; }

    // Writes all bytes, retrying short and interrupted writes.
    [[nodiscard]] bool Write(const void* data, size_t size, std::string& error);

    // Syncs the new contents (as the durability asks) and puts them in the
    // target's place (checking
    // once more that the target was not changed meanwhile). After a failure
    // the target holds what it held before.
    [[nodiscard]] bool Commit(std::string& error);

    // Gives up: the target stays (or becomes again) as it was.
    void Abort();

    // The file that Commit replaces (the link's target for a symbolic link).
    const std::string& Target() const { return m_target; }
    // Whether the target is written in place rather than replaced.
    bool InPlace() const { return m_inPlace; }

    // The system call that failed last and its errno value; errno 0 for a
    // refusal of the writer's own (then Reason() says why).
    const char* FailedCall() const { return m_failedCall; }
    int LastErrno() const { return m_errno; }
    // Why the last call failed, without the file's name.
    const std::string& Reason() const { return m_reason; }

private:
    bool Fail(const char* call, int error, const std::string& what, const std::string& path,
              std::string& text);
    bool Refuse(const std::string& reason, std::string& text);
    bool IsUnchanged() const;
    bool OpenInPlace(std::string& error);
    bool RestoreInPlace();
    void RemoveBackup();

    int m_fd = -1;
    const char* m_failedCall = "";
    int m_errno = 0;
    std::string m_reason;
    std::string m_target;
    std::string m_tempPath;
    bool m_inPlace = false;
    bool m_touched = false;    // in place: the target's bytes were changed
    std::string m_backupPath;  // in place: the old contents
    int64_t m_written = 0;
    FILEIDENTITY m_expected;
    std::function<std::string(int n)> m_temporaryNames;
    int m_temporaryAttempts = 0;
    std::string m_failedTemporary;
    Durability m_durability = Durability::Synced;
};

// Whether a symbolic link (linkStatus from lstat) may be followed to write
// through it: not when it lies in a sticky folder that everyone may write
// and belongs to neither the user nor the folder's owner, as the kernel's
// fs.protected_symlinks refuses (here whatever that setting), since another
// user could have planted it to turn a write onto a file of theirs choosing.
bool MayFollowLink(const std::string& link, const struct stat& linkStatus);

// Follows symbolic links to the file they finally name, which need not
// exist. False with errno set when a link cannot be read or there are too
// many; refused (errno EACCES) for a link that may not be followed.
bool ResolveLinks(const std::string& path, std::string& resolved, bool& refused);

// Why a write through such a link is refused.
inline constexpr const char* kProtectedLinkReason =
    "it is a symbolic link in a sticky folder that everyone may write, owned by neither you nor the "
    "folder's owner, which is not followed";

// Replaces the file at path with bytes through CAtomicFileWriter.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode,
                                       std::string& error, Durability durability = Durability::Synced);

// Writes the whole of the file at from through an open writer (not
// committed). False with error set, naming the file that failed.
[[nodiscard]] bool CopyFileContents(const std::string& from, CAtomicFileWriter& writer, std::string& error);
// Copies the file at from to the path to through CAtomicFileWriter; a new
// file takes the permission bits of from.
[[nodiscard]] bool CopyFile(const std::string& from, const std::string& to, std::string& error);

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
