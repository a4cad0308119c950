#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
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

CAtomicFileWriter::~CAtomicFileWriter() { Abort(); }

bool CAtomicFileWriter::Fail(const char* call, int error, const std::string& what, const std::string& path,
                             std::string& text) {
    m_failedCall = call;
    m_errno = error;
    text = Failure(what, path, error);
    Abort();
    return false;
}

bool CAtomicFileWriter::Open(const std::string& target, mode_t newFileMode, std::string& error) {
    Abort();
    m_target = target;
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved) != nullptr) m_target = resolved;
    }

    const std::string folder = PathParentFolder(m_target);
    std::string pattern = JoinPath(folder, "." + PathFileName(m_target) + ".XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = SysCalls().mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
        return Fail("mkostemp", errno, "cannot create a temporary file in", folder.empty() ? "." : folder,
                    error);
    m_tempPath = name.data();

    const mode_t mode =
        ::stat(m_target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (newFileMode & ~CurrentUmask() & 07777);
    if (::fchmod(m_fd, mode) != 0)
        return Fail("fchmod", errno, "cannot set the permissions of", m_tempPath, error);
    return true;
}

bool CAtomicFileWriter::Write(const void* data, size_t size, std::string& error) {
    const char* bytes = static_cast<const char*>(data);
    if (TransferFully(TransferKind::Write, size, [&](size_t done, size_t rest) {
            return SysCalls().write(m_fd, bytes + done, rest);
        }) >= 0)
        return true;
    return Fail("write", errno, "cannot write", m_target, error);
}

bool CAtomicFileWriter::Commit(std::string& error) {
    if (m_fd < 0) return Fail("write", EBADF, "cannot write", m_target, error);
    if (SysCalls().fsync(m_fd) != 0) return Fail("fsync", errno, "cannot write", m_target, error);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return Fail("close", errno, "cannot write", m_target, error);
    if (SysCalls().rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return Fail("rename", errno, "cannot replace", m_target, error);
    m_tempPath.clear();
    SyncFolder(PathParentFolder(m_target));
    return true;
}

void CAtomicFileWriter::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode,
                         std::string& error) {
    CAtomicFileWriter writer;
    return writer.Open(path, newFileMode, error) && writer.Write(bytes.data(), bytes.size(), error) &&
           writer.Commit(error);
}

namespace {

FILEIDENTITY IdentityOfStat(const struct stat& st) {
    FILEIDENTITY identity;
    identity.exists = true;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.size = st.st_size;
    identity.modifiedSeconds = st.st_mtim.tv_sec;
    identity.modifiedNanoseconds = st.st_mtim.tv_nsec;
    identity.changedSeconds = st.st_ctim.tv_sec;
    identity.changedNanoseconds = st.st_ctim.tv_nsec;
    return identity;
}

}  // namespace

FILEIDENTITY FileIdentityOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? IdentityOfStat(st) : FILEIDENTITY{};
}

bool ReadWholeFile(const std::string& path, std::string& bytes, bool& missing, std::string& error,
                   size_t maximum, FILEIDENTITY* identity) {
    missing = false;
    bytes.clear();
    if (identity != nullptr) *identity = FILEIDENTITY{};
    InputFile file;
    if (!file.OpenRegular(path)) {
        missing = file.LastError() == ENOENT;
        error = file.LastError() == EINVAL ? "cannot read " + path + ": not a regular file"
                                           : Failure("cannot open", path, file.LastError());
        return false;
    }
    struct stat st;
    if (::fstat(file.Descriptor(), &st) == 0) {
        if (identity != nullptr) *identity = IdentityOfStat(st);
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
