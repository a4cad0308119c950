#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/File.h"
#include "platform/FullTransfer.h"
#include "platform/Path.h"
#include "platform/SysCalls.h"

namespace corvatine::platform {

std::string ErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}

namespace {

std::string Failure(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + ErrorText(error);
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems cannot sync a folder; the rename is done either way.
    (void)SysCalls().fsync(fd);
    ::close(fd);
}

}  // namespace

bool MayFollowLink(const std::string& link, const struct stat& linkStatus) {
    // As the kernel's fs.protected_symlinks: in a sticky folder that everyone
    // may write, only links of the follower or of the folder's owner.
    struct stat folder;
    const std::string parent = PathParentFolder(link);
    if (::stat(parent.empty() ? "." : parent.c_str(), &folder) != 0) return true;
    const bool open = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !open || linkStatus.st_uid == ::geteuid() || linkStatus.st_uid == folder.st_uid;
}

bool ResolveLinks(const std::string& path, std::string& resolved, bool& refused) {
    constexpr int kMaxLinks = 40;  // as the kernel's own limit
    refused = false;
    resolved = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st;
        if (::lstat(resolved.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        if (!MayFollowLink(resolved, st)) {
            refused = true;
            errno = EACCES;
            return false;
        }
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(resolved.c_str(), buffer.data(), buffer.size());
        if (n <= 0) {
            if (n == 0) errno = ENOENT;  // a link to nothing names no file
            return false;
        }
        if (static_cast<size_t>(n) == buffer.size()) {  // the link grew meanwhile: look again
            --hop;
            continue;
        }
        const std::string link(buffer.data(), static_cast<size_t>(n));
        resolved = link.front() == '/' ? link : JoinPath(PathParentFolder(resolved), link);
    }
    errno = ELOOP;
    return false;
}

namespace {

// A temporary file beside path ("." + its name + six random characters).
int MakeTemporaryBeside(const std::string& path, std::string& tempPath) {
    const std::string pattern = JoinPath(PathParentFolder(path), "." + PathFileName(path) + ".XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = SysCalls().mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) tempPath = name.data();
    return fd;
}

// Gives the open file to every extended attribute of the file at from (its
// access control lists among them); false with errno set when one cannot
// be given. A file system without attributes has none to give.
bool CopyExtendedAttributes(const std::string& from, int to) {
    std::vector<char> names;
    for (;;) {
        const ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
        if (size < 0) return errno == ENOTSUP;
        if (size == 0) return true;
        names.resize(static_cast<size_t>(size));
        const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<size_t>(got));
            break;
        }
        if (errno != ERANGE) return false;  // ERANGE: the list grew meanwhile
    }
    std::vector<char> value;
    for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        ssize_t got;
        for (;;) {
            const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
            if (size < 0) return errno == ENODATA;  // ENODATA: removed meanwhile
            value.resize(static_cast<size_t>(size));
            got = ::getxattr(from.c_str(), name, value.data(), value.size());
            if (got >= 0 || errno != ERANGE) break;
        }
        if (got < 0) return false;
        if (::fsetxattr(to, name, value.data(), static_cast<size_t>(got), 0) != 0) return false;
    }
    return true;
}

// Copies everything from one open file to another; false with errno set.
bool CopyContents(int from, int to) {
    char block[65536];
    for (;;) {
        const int64_t n = TransferFully(TransferKind::Read, sizeof block, [&](size_t done, size_t rest) {
            return ::read(from, block + done, rest);
        });
        if (n < 0) return false;
        if (TransferFully(TransferKind::Write, static_cast<size_t>(n), [&](size_t done, size_t rest) {
                return SysCalls().write(to, block + done, rest);
            }) < 0)
            return false;
        if (static_cast<size_t>(n) < sizeof block) return true;
    }
}

}  // namespace

CAtomicFileWriter::~CAtomicFileWriter() { Abort(); }

bool CAtomicFileWriter::Fail(const char* call, int error, const std::string& what, const std::string& path,
                             std::string& text) {
    m_failedCall = call;
    m_errno = error;
    m_reason = ErrorText(error);
    text = Failure(what, path, error);
    Abort();
    if (!m_backupPath.empty()) {
        m_reason += "; its old contents are kept in " + m_backupPath;
        text += "; its old contents are kept in " + m_backupPath;
    }
    return false;
}

bool CAtomicFileWriter::Refuse(const std::string& reason, std::string& text) {
    m_failedCall = "";
    m_errno = 0;
    m_reason = reason;
    text = "cannot write " + m_target + ": " + reason;
    Abort();
    return false;
}

bool CAtomicFileWriter::IsUnchanged() const {
    FILEIDENTITY now;
    return GetFileIdentity(m_target, now) && now == m_expected;
}

bool CAtomicFileWriter::Open(const std::string& target, mode_t newFileMode, std::string& error,
                             const FILEIDENTITY* expected) {
    Abort();
    m_backupPath.clear();  // old contents kept after a failure are the user's now
    m_failedTemporary.clear();
    m_inPlace = m_touched = false;
    m_written = 0;
    m_expected = expected != nullptr ? *expected : FILEIDENTITY();
    m_target = target;
    bool refused = false;
    if (!ResolveLinks(target, m_target, refused)) {
        if (refused) {
            m_target = target;
            return Refuse(kProtectedLinkReason, error);
        }
        return Fail("readlink", errno, "cannot follow the link", target, error);
    }

    struct stat st;
    const bool exists = ::stat(m_target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return Fail("stat", errno, "cannot examine", m_target, error);
    if (m_expected.IsKnown() && !IsUnchanged())
        return Refuse("it was changed by another program since it was read", error);
    if (exists) {
        if (S_ISDIR(st.st_mode)) return Refuse("it is a folder", error);
        if (!S_ISREG(st.st_mode)) return Refuse("it is not a regular file", error);
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Refuse("it is read-only", error);
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0)
            return Fail("access", errno, "cannot write", m_target, error);
        // Replacing would split the file from its other names.
        if (st.st_nlink > 1) return OpenInPlace(error);
    }

    const std::string folder = PathParentFolder(m_target);
    if (!m_temporaryNames) {
        m_fd = MakeTemporaryBeside(m_target, m_tempPath);
    } else {
        // The first of the caller's names that is free, created exclusively.
        for (int n = 0; n < m_temporaryAttempts; ++n) {
            m_tempPath = m_temporaryNames(n);
            do {
                m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            } while (m_fd < 0 && errno == EINTR);
            if (m_fd >= 0 || errno != EEXIST) break;
        }
        if (m_fd < 0) {
            const int openError = errno;
            m_failedTemporary = m_tempPath;
            m_tempPath.clear();  // not ours to remove
            errno = openError;
        }
    }
    if (m_fd < 0)
        return Fail("mkostemp", errno, "cannot create a temporary file in", folder.empty() ? "." : folder,
                    error);
    if (exists && ::fchown(m_fd, st.st_uid, st.st_gid) != 0) {
        // Only the owner's own process (or root) can give the new file the
        // old one's owner and group; written in place, the file keeps them.
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return OpenInPlace(error);
    }
    // The mode after the owner: changing the owner clears set-user-ID bits.
    const mode_t mode = exists ? (st.st_mode & 07777) : (newFileMode & ~CurrentUmask() & 07777);
    if (::fchmod(m_fd, mode) != 0)
        return Fail("fchmod", errno, "cannot set the permissions of", m_tempPath, error);
    // The access control lists and other extended attributes after the mode,
    // which would otherwise change the list's mask. Those the new file cannot
    // take are kept by writing the file in place.
    if (exists && !CopyExtendedAttributes(m_target, m_fd)) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return OpenInPlace(error);
    }
    return true;
}

bool CAtomicFileWriter::OpenInPlace(std::string& error) {
    // The old contents go beside the file first (readable by its user only),
    // so that a failed write can put them back.
    const int backup = MakeTemporaryBeside(m_target, m_backupPath);
    if (backup < 0) {
        const std::string folder = PathParentFolder(m_target);
        return Fail("mkostemp", errno, "cannot create a temporary file in", folder.empty() ? "." : folder,
                    error);
    }
    InputFile old;
    const bool copied =
        old.Open(m_target) && CopyContents(old.Descriptor(), backup) && SysCalls().fsync(backup) == 0;
    const int copyError = old.IsOpen() ? errno : old.LastError();
    ::close(backup);
    if (!copied) {
        RemoveBackup();
        return Fail("read", copyError, "cannot keep the old contents of", m_target, error);
    }
    do {
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        const int openError = errno;
        RemoveBackup();
        return Fail("open", openError, "cannot write", m_target, error);
    }
    m_inPlace = true;
    return true;
}

bool CAtomicFileWriter::Write(const void* data, size_t size, std::string& error) {
    if (m_fd < 0) return Fail("write", EBADF, "cannot write", m_target, error);
    const char* bytes = static_cast<const char*>(data);
    m_touched = m_touched || size > 0;
    if (TransferFully(TransferKind::Write, size, [&](size_t done, size_t rest) {
            return SysCalls().write(m_fd, bytes + done, rest);
        }) >= 0) {
        m_written += static_cast<int64_t>(size);
        return true;
    }
    return Fail("write", errno, "cannot write", m_target, error);
}

bool CAtomicFileWriter::Commit(std::string& error) {
    if (m_fd < 0) return Fail("write", EBADF, "cannot write", m_target, error);
    if (m_inPlace) {
        m_touched = true;  // truncating changes the file too
        if (::ftruncate(m_fd, static_cast<off_t>(m_written)) != 0)
            return Fail("ftruncate", errno, "cannot write", m_target, error);
    }
    const bool synced = m_durability == Durability::Synced;
    if (synced && SysCalls().fsync(m_fd) != 0) return Fail("fsync", errno, "cannot write", m_target, error);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return Fail("close", errno, "cannot write", m_target, error);
    if (m_inPlace) {
        RemoveBackup();
        m_inPlace = m_touched = false;
        return true;
    }
    if (m_expected.IsKnown() && !IsUnchanged())
        return Refuse("it was changed by another program since it was read", error);
    if (SysCalls().rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return Fail("rename", errno, "cannot replace", m_target, error);
    m_tempPath.clear();
    if (synced) SyncFolder(PathParentFolder(m_target));
    return true;
}

bool CAtomicFileWriter::RestoreInPlace() {
    InputFile backup;
    struct stat st;
    if (!backup.Open(m_backupPath) || ::fstat(backup.Descriptor(), &st) != 0) return false;
    int fd;
    do {
        fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    // Over the new bytes, then cut to size: never more room than the file
    // had, should the disk be full.
    const bool restored = CopyContents(backup.Descriptor(), fd) && ::ftruncate(fd, st.st_size) == 0 &&
                          SysCalls().fsync(fd) == 0;
    return ::close(fd) == 0 && restored;
}

void CAtomicFileWriter::RemoveBackup() {
    if (m_backupPath.empty()) return;
    ::unlink(m_backupPath.c_str());
    m_backupPath.clear();
}

void CAtomicFileWriter::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_inPlace) {
        // Untouched, or put back as it was: the old contents are no longer needed.
        if (!m_touched || RestoreInPlace()) RemoveBackup();
        m_inPlace = m_touched = false;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

bool CopyFileContents(const std::string& from, CAtomicFileWriter& writer, std::string& error) {
    InputFile source;
    if (!source.Open(from)) {
        error = Failure("cannot open", from, source.LastError());
        return false;
    }
    std::vector<char> block(1 << 16);
    for (;;) {
        const int64_t n = source.Read(block.data(), block.size());
        if (n < 0) {
            error = Failure("cannot read", from, source.LastError());
            return false;
        }
        if (!writer.Write(block.data(), static_cast<size_t>(n), error)) return false;
        if (static_cast<size_t>(n) < block.size()) return true;
    }
}

bool CopyFile(const std::string& from, const std::string& to, std::string& error) {
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) {
        error = Failure("cannot open", from, errno);
        return false;
    }
    CAtomicFileWriter writer;
    return writer.Open(to, st.st_mode & 07777, error) && CopyFileContents(from, writer, error) &&
           writer.Commit(error);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode,
                         std::string& error, Durability durability) {
    CAtomicFileWriter writer;
    writer.SetDurability(durability);
    return writer.Open(path, newFileMode, error) && writer.Write(bytes.data(), bytes.size(), error) &&
           writer.Commit(error);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, bool& missing, std::string& error,
                   size_t maximum, FILEIDENTITY* identity) {
    missing = false;
    bytes.clear();
    if (identity != nullptr) *identity = FILEIDENTITY();
    InputFile file;
    if (!file.OpenRegular(path)) {
        missing = file.LastError() == ENOENT;
        error = file.LastError() == EINVAL ? "cannot read " + path + ": not a regular file"
                                           : Failure("cannot open", path, file.LastError());
        return false;
    }
    struct stat st;
    if (::fstat(file.Descriptor(), &st) == 0) {
        if (identity != nullptr) (void)GetFileIdentity(file.Descriptor(), *identity);
        // One allocation for the usual case of a file that does not grow.
        if (st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= maximum)
            bytes.reserve(static_cast<size_t>(st.st_size));
    }
    char block[65536];
    for (;;) {
        const int64_t n = file.Read(block, sizeof block);
        if (n < 0) {
            error = Failure("cannot read", path, file.LastError());
            bytes.clear();
            return false;
        }
        bytes.append(block, static_cast<size_t>(n));
        if (bytes.size() > maximum) {
            error = "cannot read " + path + ": larger than " + std::to_string(maximum) + " bytes";
            bytes.clear();
            return false;
        }
        if (static_cast<size_t>(n) < sizeof block) return true;
    }
}

std::string KeepAside(const std::string& path, std::string& error) {
    std::string aside = path + ".bad";
    for (int n = 1;; ++n) {
        // Never onto a file kept earlier, even when two programs do this at once.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
        if (errno == EINVAL || errno == ENOSYS) {
            // The file system cannot refuse to replace: look first.
            if (!NameExists(aside)) {
                if (::rename(path.c_str(), aside.c_str()) == 0) return aside;
                break;
            }
        } else if (errno != EEXIST) {
            break;
        }
        aside = path + ".bad." + std::to_string(n);
    }
    error = "cannot move " + path + " to " + aside + ": " + ErrorText(errno);
    return std::string();
}

bool MakeFolders(const std::string& path, mode_t mode, std::string& error) {
    if (path.empty() || IsFolder(path)) return true;
    const std::string parent = PathParentFolder(path);
    if (!parent.empty() && parent != path && !MakeFolders(parent, mode, error)) return false;
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        error = Failure("cannot create the folder", path, errno);
        return false;
    }
    return true;
}

}  // namespace corvatine::platform
