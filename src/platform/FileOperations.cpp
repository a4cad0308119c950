#include "platform/FileOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/FullTransfer.h"
#include "platform/Path.h"
#include "platform/SysCalls.h"
#include "platform/Trash.h"

namespace corvatine::platform {

namespace {

// A descriptor closed when the object goes.
class CFd {
public:
    CFd() = default;
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Reset(); }
    CFd(CFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CFd& operator=(CFd&& other) noexcept {
        if (this != &other) {
            Reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }
    void Reset(int fd = -1) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

constexpr int kTemporaryAttempts = 100;
// Bytes one copy_file_range call may move.
constexpr size_t kCopyChunk = size_t{1} << 30;
constexpr size_t kReadBlock = 65536;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }
std::string LinkRefused(const std::string& path) {
    return Quoted(path) + " is a symbolic link; not followed";
}

// Splits the relative path into its components; "" and "." are dropped.
// False for "..", which could lead out of the root.
bool SplitRelative(const std::string& relative, std::vector<std::string>& parts) {
    parts.clear();
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        std::string part = relative.substr(start, end - start);
        if (part == "..") return false;
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        start = end + 1;
    }
    return true;
}

bool ValidName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool StatNoFollow(int dir, const std::string& name, struct stat& st) {
    return ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// The umask, read without changing it (other threads may be creating files).
mode_t CurrentUmask() {
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The open folder that holds an entry, and the entry's name in it. For the
// root itself the folder is the current one and the name the root's path, so
// that the root is reached following links as the user named it.
struct WALK {
    CFd folder;
    std::string name;
    std::string path;  // the entry's full path, for messages
    bool isRoot = false;

    int Dir() const { return isRoot ? AT_FDCWD : folder.Get(); }
};

// Opens the folder name below dir (a path of path), never following a link;
// with create, a missing folder is made (mode 0777 less the umask). The
// descriptor is O_PATH: enough to walk on and to address entries below it.
bool OpenChildFolder(int dir, const std::string& name, const std::string& path, bool create, CFd& fd,
                     std::string& error, int* code) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int child = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0) {
            fd.Reset(child);
            return true;
        }
        const int failure = errno;
        if (failure == ENOENT && create) {
            if (::mkdirat(dir, name.c_str(), 0777) == 0 || errno == EEXIST) continue;
            if (code != nullptr) *code = errno;
            error = "cannot create folder " + path + ": " + ErrorText(errno);
            return false;
        }
        struct stat st;
        if ((failure == ELOOP || failure == ENOTDIR) && StatNoFollow(dir, name, st) && S_ISLNK(st.st_mode)) {
            if (code != nullptr) *code = ELOOP;
            error = LinkRefused(path);
            return false;
        }
        if (code != nullptr) *code = failure;
        error = "cannot open " + path + ": " + ErrorText(failure);
        return false;
    }
    if (code != nullptr) *code = ENOENT;
    error = "cannot open " + path + ": " + ErrorText(ENOENT);
    return false;
}

// Opens the root (following links) and the folders of parts[0, count) below it.
bool OpenFolderBelow(const std::string& root, const std::vector<std::string>& parts, size_t count,
                     bool create, CFd& fd, std::string& error, int* code = nullptr) {
    const std::string rootPath = root.empty() ? std::string(".") : root;
    if (create && !IsFolder(rootPath) && !MakeFolders(rootPath, 0777, error)) {
        if (code != nullptr) *code = errno;
        return false;
    }
    fd.Reset(OpenPath(rootPath, O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        if (code != nullptr) *code = errno;
        error = "cannot open " + rootPath + ": " + ErrorText(errno);
        return false;
    }
    std::string path = root;
    for (size_t i = 0; i < count; ++i) {
        path = JoinPath(path, parts[i]);
        CFd child;
        if (!OpenChildFolder(fd.Get(), parts[i], path, create, child, error, code)) return false;
        fd = std::move(child);
    }
    return true;
}

// Walks to the folder holding the entry.
bool WalkToEntry(const TREEPATH& entry, bool create, WALK& walk, std::string& error, int* code = nullptr) {
    std::vector<std::string> parts;
    if (!SplitRelative(entry.relative, parts)) {
        if (code != nullptr) *code = EINVAL;
        error = Quoted(entry.FullPath()) + " is not a path below " + entry.root;
        return false;
    }
    walk.path = entry.root;
    for (const std::string& part : parts) walk.path = JoinPath(walk.path, part);
    if (parts.empty()) {
        walk.isRoot = true;
        walk.name = entry.root.empty() ? std::string(".") : entry.root;
        walk.path = walk.name;
        return true;
    }
    walk.isRoot = false;
    walk.name = parts.back();
    return OpenFolderBelow(entry.root, parts, parts.size() - 1, create, walk.folder, error, code);
}

// Walks to an entry below the root (not the root itself), for the operations
// that take the entry away from its folder.
bool WalkToEntryBelowRoot(const TREEPATH& entry, const char* verb, WALK& walk, std::string& error) {
    if (!WalkToEntry(entry, false, walk, error)) return false;
    if (walk.isRoot) {
        error = "cannot " + std::string(verb) + " " + walk.path + ": it is a compared folder itself";
        return false;
    }
    return true;
}

// Whether the entry is still as the scan saw it. False with error set when it
// is not (or cannot be looked at); what is "copied" or "replaced" names the
// operation that is refused.
bool StillAsScanned(const EXPECTEDENTRY& expected, int dir, const std::string& name, const std::string& path,
                    const char* refused, std::string& error) {
    if (!expected.check) return true;
    FINDDATA now;
    const bool exists = FindEntryAt(dir, name, now);
    if (!exists && errno != ENOENT) {
        error = "cannot examine " + path + ": " + ErrorText(errno);
        return false;
    }
    bool same = exists == expected.exists;
    if (same && exists) {
        if (now.attributes & FILE_ATTRIBUTE_DIRECTORY)
            same = expected.size == 0;
        else
            same = now.Size() == expected.size && now.lastWriteTime == expected.lastWriteTime;
    }
    if (!same) error = Quoted(path) + " was changed since it was compared; not " + refused;
    return same;
}

struct timespec ToTimespec(FILETIME time) {
    constexpr uint64_t kPerSecond = 10000000;
    struct timespec t {};
    t.tv_sec = static_cast<time_t>(static_cast<int64_t>(time / kPerSecond) - kFileTimeEpochSeconds);
    t.tv_nsec = static_cast<long>((time % kPerSecond) * 100);
    return t;
}

// Changes the mode of an entry that is not a symbolic link, without
// following one should it have been put there meanwhile.
bool ChmodNoFollow(int dir, const std::string& name, mode_t mode) {
    if (::fchmodat(dir, name.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return true;
    if (errno != ENOTSUP && errno != ENOSYS) return false;
    struct stat st;
    if (!StatNoFollow(dir, name, st)) return false;
    if (S_ISLNK(st.st_mode)) {
        errno = ENOTSUP;
        return false;
    }
    return ::fchmodat(dir, name.c_str(), mode, 0) == 0;
}

// A fresh temporary name beside name: "." + name + "." + six random
// characters, shortened to fit the system's limit on a name.
std::string TemporaryName(const std::string& name) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6];
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        static unsigned counter = 0;
        const unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        for (size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(seed >> (i * 5));
    }
    std::string suffix = ".";
    for (unsigned char byte : random) suffix += kChars[byte % (sizeof kChars - 1)];
    const size_t room = NAME_MAX - 1 - suffix.size();
    return "." + name.substr(0, room) + suffix;
}

// Moves the file's bytes, with copy_file_range where the file systems allow
// it, else by reading and writing. False with errno set.
bool CopyBytes(int from, int to) {
    bool first = true;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, kCopyChunk, 0);
        if (n > 0) {
            first = false;
            continue;
        }
        if (n == 0) return true;
        if (errno == EINTR) continue;
        if (first && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                      errno == EPERM || errno == ETXTBSY))
            break;
        return false;
    }
    std::vector<char> block(kReadBlock);
    for (;;) {
        const int64_t n = TransferFully(TransferKind::Read, block.size(), [&](size_t done, size_t rest) {
            return ::read(from, block.data() + done, rest);
        });
        if (n < 0) return false;
        if (TransferFully(TransferKind::Write, static_cast<size_t>(n), [&](size_t done, size_t rest) {
                return SysCalls().write(to, block.data() + done, rest);
            }) < 0)
            return false;
        if (static_cast<size_t>(n) < block.size()) return true;
    }
}

// The source's permission bits for a copy the caller owns: set-user and
// set-group ids only when the copy keeps the source's owner and group.
mode_t CopiedMode(const struct stat& st) {
    mode_t mode = st.st_mode & 07777;
    if (st.st_uid != ::geteuid()) mode &= ~S_ISUID;
    if (st.st_gid != ::getegid()) mode &= ~S_ISGID;
    return mode;
}

struct COPYJOB {
    const COPYOPTIONS& options;
    const EXPECTEDENTRY* target;  // checked right before the top entry is put in place
};

bool CopyAt(int srcDir, const std::string& name, const std::string& srcPath, int dstDir,
            const std::string& dstPath, const COPYJOB& job, bool contents, std::string& error);

// Puts a finished temporary in the target's place, checking once more that
// the target was not changed meanwhile; the temporary goes on failure.
bool PutInPlace(int dstDir, const std::string& temporary, const std::string& name, const std::string& dstPath,
                const COPYJOB& job, std::string& error) {
    if (job.target != nullptr && !StillAsScanned(*job.target, dstDir, name, dstPath, "replaced", error)) {
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    if (::renameat(dstDir, temporary.c_str(), dstDir, name.c_str()) != 0) {
        error = "cannot replace " + dstPath + ": " + ErrorText(errno);
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    return true;
}

bool CopyFileAt(int srcDir, const std::string& name, const std::string& srcPath, const struct stat& source,
                int dstDir, const std::string& dstPath, bool replacing, const COPYJOB& job,
                std::string& error) {
    CFd in(::openat(srcDir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!in.IsOpen() || ::fstat(in.Get(), &st) != 0) {
        error = "cannot read " + srcPath + ": " + ErrorText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_ino != source.st_ino) {
        error = "cannot copy " + srcPath + ": it was replaced while it was copied";
        return false;
    }
    std::string temporary;
    CFd out;
    for (int attempt = 0; attempt < kTemporaryAttempts && !out.IsOpen(); ++attempt) {
        temporary = TemporaryName(name);
        out.Reset(
            ::openat(dstDir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.IsOpen() && errno != EEXIST) break;
    }
    if (!out.IsOpen()) {
        error = "cannot create a file in " + PathParentFolder(dstPath) + ": " + ErrorText(errno);
        return false;
    }
    const auto fail = [&](const std::string& what) {
        error = what + ": " + ErrorText(errno);
        out.Reset();
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    };
    if (!CopyBytes(in.Get(), out.Get())) return fail("cannot copy " + srcPath + " to " + dstPath);
    if (::fchmod(out.Get(), CopiedMode(st)) != 0) return fail("cannot set the permissions of " + dstPath);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.Get(), times) != 0) return fail("cannot set the times of " + dstPath);
    // The old contents must not be lost to a crash between the rename and the
    // write-back of the new ones.
    if (replacing && SysCalls().fsync(out.Get()) != 0) return fail("cannot write " + dstPath);
    if (::close(out.Release()) != 0) {
        error = "cannot write " + dstPath + ": " + ErrorText(errno);
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    return PutInPlace(dstDir, temporary, name, dstPath, job, error);
}

bool CopyLinkAt(int srcDir, const std::string& name, const std::string& srcPath, const struct stat& st,
                int dstDir, const std::string& dstPath, const COPYJOB& job, std::string& error) {
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1);
    ssize_t n;
    while ((n = ::readlinkat(srcDir, name.c_str(), buffer.data(), buffer.size())) >= 0 &&
           static_cast<size_t>(n) == buffer.size())
        buffer.resize(buffer.size() * 2);  // the link grew meanwhile
    if (n < 0) {
        error = "cannot read the link " + srcPath + ": " + ErrorText(errno);
        return false;
    }
    const std::string text(buffer.data(), static_cast<size_t>(n));
    std::string temporary;
    int result = -1;
    for (int attempt = 0; attempt < kTemporaryAttempts && result != 0; ++attempt) {
        temporary = TemporaryName(name);
        result = ::symlinkat(text.c_str(), dstDir, temporary.c_str());
        if (result != 0 && errno != EEXIST) break;
    }
    if (result != 0) {
        error = "cannot create a link in " + PathParentFolder(dstPath) + ": " + ErrorText(errno);
        return false;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(dstDir, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        error = "cannot set the times of " + dstPath + ": " + ErrorText(errno);
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    return PutInPlace(dstDir, temporary, name, dstPath, job, error);
}

// The names in an open folder, "." and ".." left out. False with errno set.
bool ListNames(int folder, std::vector<std::string>& names) {
    names.clear();
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const int failure = errno;
        ::close(fd);
        errno = failure;
        return false;
    }
    for (;;) {
        errno = 0;
        const struct dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    const int failure = errno;
    ::closedir(dir);
    errno = failure;
    return failure == 0;
}

bool SetFolderModeAndTimes(int dstDir, const std::string& name, const std::string& dstPath,
                           const struct stat& st, std::string& error) {
    if (!ChmodNoFollow(dstDir, name, CopiedMode(st))) {
        error = "cannot set the permissions of " + dstPath + ": " + ErrorText(errno);
        return false;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(dstDir, name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        error = "cannot set the times of " + dstPath + ": " + ErrorText(errno);
        return false;
    }
    return true;
}

bool CopyFolderAt(int srcDir, const std::string& name, const std::string& srcPath, const struct stat& st,
                  int dstDir, const std::string& dstPath, bool targetExists, const COPYJOB& job,
                  bool contents, std::string& error) {
    if (!targetExists) {
        // Owner-only until it is filled, so that even a read-only source
        // folder can be filled; its own mode comes last.
        if (::mkdirat(dstDir, name.c_str(), 0700) != 0) {
            error = "cannot create folder " + dstPath + ": " + ErrorText(errno);
            return false;
        }
    } else if (!contents) {
        return true;
    }
    if (!contents) return SetFolderModeAndTimes(dstDir, name, dstPath, st, error);

    CFd from(::openat(srcDir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> names;
    if (!from.IsOpen() || !ListNames(from.Get(), names)) {
        error = "cannot read folder " + srcPath + ": " + ErrorText(errno);
        return false;
    }
    CFd to;
    if (!OpenChildFolder(dstDir, name, dstPath, false, to, error, nullptr)) return false;
    std::string firstError;
    const COPYJOB childJob{job.options, nullptr};
    for (const std::string& child : names) {
        if (job.options.cancel != nullptr && job.options.cancel->load()) {
            error = "copying " + srcPath + " was cancelled";
            return false;
        }
        std::string childError;
        if (!CopyAt(from.Get(), child, JoinPath(srcPath, child), to.Get(), JoinPath(dstPath, child), childJob,
                    true, childError) &&
            firstError.empty())
            firstError = childError;
    }
    if (!SetFolderModeAndTimes(dstDir, name, dstPath, st, error)) return false;
    if (!firstError.empty()) {
        error = firstError;
        return false;
    }
    return true;
}

bool CopyAt(int srcDir, const std::string& name, const std::string& srcPath, int dstDir,
            const std::string& dstPath, const COPYJOB& job, bool contents, std::string& error) {
    struct stat st;
    if (!StatNoFollow(srcDir, name, st)) {
        error = "cannot copy " + srcPath + ": " + ErrorText(errno);
        return false;
    }
    struct stat old;
    const bool targetExists = StatNoFollow(dstDir, name, old);
    if (!targetExists && errno != ENOENT) {
        error = "cannot examine " + dstPath + ": " + ErrorText(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        if (targetExists && S_ISLNK(old.st_mode)) {
            error = LinkRefused(dstPath);
            return false;
        }
        if (targetExists && !S_ISDIR(old.st_mode)) {
            error = "cannot copy " + srcPath + " to " + dstPath + ": a file of that name is in the way";
            return false;
        }
        return CopyFolderAt(srcDir, name, srcPath, st, dstDir, dstPath, targetExists, job, contents, error);
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        error = "cannot copy " + srcPath + ": not a regular file";
        return false;
    }
    if (targetExists && S_ISDIR(old.st_mode)) {
        error = "cannot copy " + srcPath + " to " + dstPath + ": a folder of that name is in the way";
        return false;
    }
    if (targetExists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
        error = "cannot replace " + dstPath + ": not a regular file";
        return false;
    }
    if (S_ISLNK(st.st_mode)) return CopyLinkAt(srcDir, name, srcPath, st, dstDir, dstPath, job, error);
    return CopyFileAt(srcDir, name, srcPath, st, dstDir, dstPath, targetExists, job, error);
}

// Whether the open folder is the folder (device, inode) or lies below it,
// found by walking up through "..". A copy of a folder into itself would grow
// without end.
bool IsSameOrBelow(int folder, dev_t device, ino_t inode) {
    CFd current(::openat(folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 0; current.IsOpen() && depth < 4096; ++depth) {
        struct stat st;
        if (::fstat(current.Get(), &st) != 0) return false;
        if (st.st_dev == device && st.st_ino == inode) return true;
        CFd parent(::openat(current.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat up;
        if (!parent.IsOpen() || ::fstat(parent.Get(), &up) != 0) return false;
        if (up.st_dev == st.st_dev && up.st_ino == st.st_ino) return false;  // the top
        current = std::move(parent);
    }
    return false;
}

// The source's folder, the target folder (created when missing), and the
// checks both operations share. verb names the operation in messages.
bool PrepareTransfer(const TREEPATH& source, const TREEPATH& targetFolder, const COPYOPTIONS& options,
                     const char* verb, const char* refused, WALK& from, CFd& to, std::string& dstPath,
                     std::string& error) {
    if (!WalkToEntryBelowRoot(source, verb, from, error)) return false;
    struct stat st;
    if (!StatNoFollow(from.Dir(), from.name, st)) {
        error = "cannot " + std::string(verb) + " " + from.path + ": " + ErrorText(errno);
        return false;
    }
    if (!StillAsScanned(options.source, from.Dir(), from.name, from.path, refused, error)) return false;
    // Checked before the target folder is made, so that nothing is left behind.
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) {
        error = "cannot " + std::string(verb) + " " + from.path + ": not a regular file";
        return false;
    }
    std::vector<std::string> parts;
    if (!SplitRelative(targetFolder.relative, parts)) {
        error = Quoted(targetFolder.FullPath()) + " is not a path below " + targetFolder.root;
        return false;
    }
    if (!OpenFolderBelow(targetFolder.root, parts, parts.size(), true, to, error)) return false;
    dstPath = JoinPath(targetFolder.FullPath(), from.name);
    if (S_ISDIR(st.st_mode) && IsSameOrBelow(to.Get(), st.st_dev, st.st_ino)) {
        error = "cannot " + std::string(verb) + " " + from.path + " into " + targetFolder.FullPath() +
                ": a folder cannot go into itself";
        return false;
    }
    return StillAsScanned(options.target, to.Get(), from.name, dstPath, "replaced", error);
}

bool DeleteAt(int dir, const std::string& name, const std::string& path, std::string& error) {
    struct stat st;
    if (!StatNoFollow(dir, name, st)) {
        error = "cannot delete " + path + ": " + ErrorText(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(dir, name.c_str(), 0) == 0) return true;
        error = "cannot delete " + path + ": " + ErrorText(errno);
        return false;
    }
    CFd folder(::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> names;
    if (!folder.IsOpen() || !ListNames(folder.Get(), names)) {
        error = "cannot read folder " + path + ": " + ErrorText(errno);
        return false;
    }
    for (const std::string& child : names)
        if (!DeleteAt(folder.Get(), child, JoinPath(path, child), error)) return false;
    folder.Reset();
    if (::unlinkat(dir, name.c_str(), AT_REMOVEDIR) == 0) return true;
    error = "cannot delete " + path + ": " + ErrorText(errno);
    return false;
}

// renameat2 with RENAME_NOREPLACE; where the file system lacks it, a hard
// link (which fails when the name is taken) or, for a folder, a look first.
bool RenameNoReplace(int dir, const std::string& from, const std::string& to) {
    if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    struct stat st;
    if (!StatNoFollow(dir, from, st)) return false;
    if (!S_ISDIR(st.st_mode)) {
        if (::linkat(dir, from.c_str(), dir, to.c_str(), 0) == 0) {
            ::unlinkat(dir, from.c_str(), 0);
            return true;
        }
        if (errno != EPERM && errno != EOPNOTSUPP) return false;
    }
    struct stat other;
    if (StatNoFollow(dir, to, other)) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(dir, from.c_str(), dir, to.c_str()) == 0;
}

}  // namespace

std::string TREEPATH::FullPath() const { return relative.empty() ? root : JoinPath(root, relative); }

bool CopyEntryInto(const TREEPATH& source, const TREEPATH& targetFolder, const COPYOPTIONS& options,
                   std::string& error) {
    WALK from;
    CFd to;
    std::string dstPath;
    if (!PrepareTransfer(source, targetFolder, options, "copy", "copied", from, to, dstPath, error))
        return false;
    const COPYJOB job{options, &options.target};
    return CopyAt(from.Dir(), from.name, from.path, to.Get(), dstPath, job, !options.emptyFolderOnly, error);
}

bool MoveEntryInto(const TREEPATH& source, const TREEPATH& targetFolder, const COPYOPTIONS& options,
                   std::string& error) {
    WALK from;
    CFd to;
    std::string dstPath;
    if (!PrepareTransfer(source, targetFolder, options, "move", "moved", from, to, dstPath, error))
        return false;
    struct stat st, old;
    if (!StatNoFollow(from.Dir(), from.name, st)) {
        error = "cannot move " + from.path + ": " + ErrorText(errno);
        return false;
    }
    const bool targetExists = StatNoFollow(to.Get(), from.name, old);
    if (targetExists) {
        if (S_ISDIR(st.st_mode) && S_ISLNK(old.st_mode)) {
            error = LinkRefused(dstPath);
            return false;
        }
        if (S_ISDIR(st.st_mode) != S_ISDIR(old.st_mode)) {
            error = "cannot move " + from.path + " to " + dstPath + ": a " +
                    (S_ISDIR(old.st_mode) ? "folder" : "file") + " of that name is in the way";
            return false;
        }
        if (!S_ISDIR(old.st_mode) && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
            error = "cannot replace " + dstPath + ": not a regular file";
            return false;
        }
    }
    if (::renameat(from.Dir(), from.name.c_str(), to.Get(), from.name.c_str()) == 0) return true;
    if (errno != EXDEV && errno != ENOTEMPTY && errno != EEXIST) {
        error = "cannot move " + from.path + " to " + dstPath + ": " + ErrorText(errno);
        return false;
    }
    const COPYJOB job{options, &options.target};
    if (!CopyAt(from.Dir(), from.name, from.path, to.Get(), dstPath, job, true, error)) return false;
    return DeleteAt(from.Dir(), from.name, from.path, error);
}

bool DeleteEntry(const TREEPATH& entry, bool toTrash, std::string& error) {
    WALK walk;
    if (!WalkToEntryBelowRoot(entry, "delete", walk, error)) return false;
    if (!toTrash) return DeleteAt(walk.Dir(), walk.name, walk.path, error);
    // The Trash records where the entry was: its real path, the root's links resolved.
    char* real = ::realpath(entry.root.empty() ? "." : entry.root.c_str(), nullptr);
    if (real == nullptr) {
        error = "cannot find " + entry.root + ": " + ErrorText(errno);
        return false;
    }
    std::string realPath = real;
    std::free(real);
    std::vector<std::string> parts;
    (void)SplitRelative(entry.relative, parts);  // checked by the walk
    for (const std::string& part : parts) realPath = JoinPath(realPath, part);
    return MoveIntoTrash(walk.Dir(), walk.name, realPath, error);
}

bool RenameEntry(const TREEPATH& entry, const std::string& newName, std::string& error) {
    WALK walk;
    if (!WalkToEntryBelowRoot(entry, "rename", walk, error)) return false;
    if (!ValidName(newName)) {
        error = "cannot rename " + walk.path + " to " + Quoted(newName) + ": not a valid name";
        return false;
    }
    const int dir = walk.Dir();
    if (newName == walk.name) return true;
    if (RenameNoReplace(dir, walk.name, newName)) return true;
    int failure = errno;
    struct stat st, other;
    // A file system that ignores case finds the entry itself under the new
    // name: go through a temporary name.
    if (failure == EEXIST && StatNoFollow(dir, walk.name, st) && StatNoFollow(dir, newName, other) &&
        st.st_dev == other.st_dev && st.st_ino == other.st_ino && (S_ISDIR(st.st_mode) || st.st_nlink == 1)) {
        for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
            const std::string temporary = TemporaryName(walk.name);
            if (!RenameNoReplace(dir, walk.name, temporary)) {
                if (errno == EEXIST) continue;
                failure = errno;
                break;
            }
            if (RenameNoReplace(dir, temporary, newName)) return true;
            failure = errno;
            (void)::renameat(dir, temporary.c_str(), dir, walk.name.c_str());
            break;
        }
    }
    error = "cannot rename " + walk.path + " to " + Quoted(newName) + ": " + ErrorText(failure);
    return false;
}

int CreateFolderBelow(const TREEPATH& folder, const std::string& name, std::string& error) {
    const std::string path = JoinPath(folder.FullPath(), name);
    if (!ValidName(name)) {
        error = "cannot create folder " + path + ": not a valid name";
        return -1;
    }
    std::vector<std::string> parts;
    if (!SplitRelative(folder.relative, parts)) {
        error = Quoted(folder.FullPath()) + " is not a path below " + folder.root;
        return -1;
    }
    CFd fd;
    if (!OpenFolderBelow(folder.root, parts, parts.size(), true, fd, error)) return -1;
    if (::mkdirat(fd.Get(), name.c_str(), 0777) == 0) return 0;
    const int failure = errno;
    struct stat st;
    if (failure == EEXIST && StatNoFollow(fd.Get(), name, st)) {
        if (S_ISDIR(st.st_mode)) return 1;
        error = S_ISLNK(st.st_mode) ? LinkRefused(path)
                                    : "cannot create folder " + path + ": a file of that name exists";
        return -1;
    }
    error = "cannot create folder " + path + ": " + ErrorText(failure);
    return -1;
}

bool SetLastWriteTime(const TREEPATH& entry, FILETIME time, std::string& error) {
    WALK walk;
    if (!WalkToEntry(entry, false, walk, error)) return false;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = ToTimespec(time);
    if (::utimensat(walk.Dir(), walk.name.c_str(), times, walk.isRoot ? 0 : AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    error = "cannot set the time of " + walk.path + ": " + ErrorText(errno);
    return false;
}

bool SetEntryAttributes(const TREEPATH& entry, uint32_t oldAttributes, uint32_t newAttributes,
                        std::string& error) {
    const uint32_t changed = oldAttributes ^ newAttributes;
    WALK walk;
    if (!WalkToEntry(entry, false, walk, error)) return false;
    if (changed & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
        error = "cannot set the attributes of " + walk.path + ": the " +
                ((changed & FILE_ATTRIBUTE_HIDDEN) ? "hidden" : "system") +
                " attribute cannot be changed on this system";
        return false;
    }
    if ((changed & FILE_ATTRIBUTE_READONLY) == 0) return true;
    struct stat st;
    const int found = walk.isRoot ? ::stat(walk.name.c_str(), &st)
                                  : ::fstatat(walk.Dir(), walk.name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    if (found != 0) {
        error = "cannot set the attributes of " + walk.path + ": " + ErrorText(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        error =
            "cannot set the attributes of " + walk.path + ": a symbolic link has no permissions of its own";
        return false;
    }
    mode_t mode = st.st_mode & 07777;
    if (newAttributes & FILE_ATTRIBUTE_READONLY) {
        mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode_t restored = 0;
        if (mode & S_IRGRP) restored |= S_IWGRP;
        if (mode & S_IROTH) restored |= S_IWOTH;
        mode |= S_IWUSR | (restored & ~CurrentUmask());
    }
    const bool done =
        walk.isRoot ? ::chmod(walk.name.c_str(), mode) == 0 : ChmodNoFollow(walk.Dir(), walk.name, mode);
    if (done) return true;
    error = "cannot set the attributes of " + walk.path + ": " + ErrorText(errno);
    return false;
}

bool FindEntryBelow(const TREEPATH& entry, FINDDATA& data, int* error) {
    data = FINDDATA();
    WALK walk;
    std::string text;
    int code = 0;
    if (!WalkToEntry(entry, false, walk, text, &code)) {
        if (error != nullptr) *error = code;
        return false;
    }
    if (walk.isRoot) return FindEntry(walk.name, data, error);
    if (!FindEntryAt(walk.Dir(), walk.name, data)) {
        if (error != nullptr) *error = errno;
        return false;
    }
    return true;
}

}  // namespace corvatine::platform
