#include "platform/FileOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>
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
// Bytes one copy_file_range call may move: small enough that a cancel is
// seen within a moment on a slow disk.
constexpr size_t kCopyChunk = size_t{64} << 20;
constexpr size_t kReadBlock = 65536;
// Folder descriptors a delete holds open at most, however deep the tree.
constexpr size_t kMaxOpenFolders = 32;
// Paths longer than this are shortened in messages.
constexpr size_t kShortPathLimit = 240;
constexpr std::string_view kTemporaryPrefix = ".corvatine-";
// Threads that sync the folders a run changed, one more for each so many folders.
constexpr size_t kSyncThreads = 8;
constexpr size_t kFoldersPerSyncThread = 16;
constexpr size_t kTemporaryRandom = 6;

std::string Quoted(const std::string& path) { return "'" + ShortPath(path) + "'"; }
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
bool OpenChildFolder(int dir, const std::string& name, const std::function<std::string()>& pathOf,
                     bool create, CFd& fd, std::string& error, int* code) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int child = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0) {
            fd.Reset(child);
            return true;
        }
        const int failure = errno;
        if (failure == ENOENT && create) {
            if (::mkdirat(dir, name.c_str(), 0777) == 0 || errno == EEXIST) continue;
            const int reason = errno;
            if (code != nullptr) *code = reason;
            error = "cannot create folder " + ShortPath(pathOf()) + ": " + ErrorText(reason);
            return false;
        }
        struct stat st;
        if ((failure == ELOOP || failure == ENOTDIR) && StatNoFollow(dir, name, st) && S_ISLNK(st.st_mode)) {
            if (code != nullptr) *code = ELOOP;
            error = LinkRefused(pathOf());
            return false;
        }
        if (code != nullptr) *code = failure;
        error = "cannot open " + ShortPath(pathOf()) + ": " + ErrorText(failure);
        return false;
    }
    if (code != nullptr) *code = ENOENT;
    error = "cannot open " + ShortPath(pathOf()) + ": " + ErrorText(ENOENT);
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
    for (size_t i = 0; i < count; ++i) {
        // The path for a message is built only when one is needed: a tree may
        // be thousands of levels deep.
        const auto pathOf = [&] {
            std::string path = root;
            for (size_t j = 0; j <= i; ++j) path = JoinPath(path, parts[j]);
            return path;
        };
        CFd child;
        if (!OpenChildFolder(fd.Get(), parts[i], pathOf, create, child, error, code)) return false;
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
    walk.path = entry.FullPath();
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

// The source's permission bits for a copy the caller owns: set-user and
// set-group ids only when the copy keeps the source's owner and group.
mode_t CopiedMode(const struct stat& st) {
    // The process's ids, asked once: a run copies thousands of files.
    static const uid_t user = ::geteuid();
    static const gid_t group = ::getegid();
    mode_t mode = st.st_mode & 07777;
    if (st.st_uid != user) mode &= ~S_ISUID;
    if (st.st_gid != group) mode &= ~S_ISGID;
    return mode;
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

// Whether what is there now is what the scan saw (both existing).
bool SameAsScanned(const EXPECTEDENTRY& expected, const FINDDATA& now) {
    // A folder's time changes with what is added to it, and a link's size
    // and time are those of what it names, which this run may have replaced:
    // both are told by their kind.
    const EntryKind kind = EntryKindOf(now.attributes);
    if (kind != expected.kind) return false;
    return kind == EntryKind::Folder || kind == EntryKind::Link ||
           (now.Size() == expected.size && now.lastWriteTime == expected.lastWriteTime);
}

// Whether the entry is now what the scan saw. False with error set when it
// is not (or cannot be looked at); refused names what is not done
// ("copied", "replaced", "deleted").
bool StillAsScanned(const EXPECTEDENTRY& expected, int dir, const std::string& name, const std::string& path,
                    const char* refused, std::string& error) {
    if (!expected.check) return true;
    FINDDATA now;
    const bool exists = FindEntryAt(dir, name, now);
    if (!exists && errno != ENOENT) {
        error = "cannot examine " + ShortPath(path) + ": " + ErrorText(errno);
        return false;
    }
    const bool same = exists == expected.exists && (!exists || SameAsScanned(expected, now));
    if (!same) error = Quoted(path) + " was changed since it was compared; not " + refused;
    return same;
}

// Syncs an open folder so that the names changed in it last, or leaves that
// to the run's list of touched folders.
void FolderChanged(int dir, const std::string& path, CTouchedFolders* touched) {
    if (touched != nullptr) {
        touched->Add(path);
        return;
    }
    CFd folder(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen()) (void)SysCalls().fsync(folder.Get());
}

// Moves the bytes of [offset, end) with copy_file_range where the file
// systems allow it, else by reading and writing. False with errno set
// (ECANCELED when cancelled).
bool CopyRange(int from, int to, off_t offset, off_t end, bool& rangeCopy, const std::atomic<bool>* cancel) {
    std::vector<char> block;
    while (offset < end) {
        if (cancel != nullptr && cancel->load()) {
            errno = ECANCELED;
            return false;
        }
        const size_t want =
            static_cast<size_t>(std::min<off_t>(end - offset, static_cast<off_t>(kCopyChunk)));
        if (rangeCopy) {
            off_t in = offset, out = offset;
            const ssize_t n = SysCalls().copyFileRange(from, &in, to, &out, want, 0);
            if (n > 0) {
                offset += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) {  // the file shrank meanwhile
                errno = EIO;
                return false;
            }
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EPERM && errno != ETXTBSY)
                return false;
            rangeCopy = false;
        }
        if (block.empty()) block.resize(kReadBlock);
        const size_t piece = std::min(want, block.size());
        const int64_t n = TransferFully(TransferKind::Read, piece, [&](size_t done, size_t rest) {
            return ::pread(from, block.data() + done, rest, offset + static_cast<off_t>(done));
        });
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        const off_t at = offset;
        if (TransferFully(TransferKind::Write, static_cast<size_t>(n), [&](size_t done, size_t rest) {
                if (::lseek(to, at + static_cast<off_t>(done), SEEK_SET) < 0) return static_cast<ssize_t>(-1);
                return SysCalls().write(to, block.data() + done, rest);
            }) < 0)
            return false;
        offset += n;
    }
    return true;
}

// Copies a file of size bytes (blocks of 512 bytes allocated) with its holes
// kept as holes: only the ranges that hold data are moved, and the size is
// set last. A file with as many blocks as bytes has no hole and is copied
// whole. False with errno set.
bool CopyBytes(int from, int to, off_t size, blkcnt_t blocks, const std::atomic<bool>* cancel) {
    bool rangeCopy = true;
    if (blocks * 512 >= size) return CopyRange(from, to, 0, size, rangeCopy, cancel);
    off_t offset = 0;
    while (offset < size) {
        off_t data = ::lseek(from, offset, SEEK_DATA);
        off_t hole = size;
        if (data < 0) {
            if (errno == ENXIO) break;  // nothing but a hole up to the end
            if (errno != EINVAL && errno != EOPNOTSUPP) return false;
            data = offset;  // the file system cannot tell: all of it is data
        } else {
            hole = ::lseek(from, data, SEEK_HOLE);
            if (hole < 0 || hole > size) hole = size;
        }
        if (data >= size) break;
        if (!CopyRange(from, to, data, hole, rangeCopy, cancel)) return false;
        offset = hole;
    }
    return ::ftruncate(to, size) == 0;  // a hole at the end
}

struct COPYJOB {
    const COPYOPTIONS& options;
    const EXPECTEDENTRY* target;  // checked right before the top entry is put in place
};

bool CopyAt(int srcDir, const std::string& name, const std::string& srcPath, int dstDir,
            const std::string& dstName, const std::string& dstPath, const COPYJOB& job, bool contents,
            std::string& error);

// Puts a finished temporary in the target's place, checking once more that
// the target was not changed meanwhile; the temporary goes on failure.
bool PutInPlace(int dstDir, const std::string& temporary, const std::string& name, const std::string& dstPath,
                const COPYJOB& job, std::string& error) {
    if (job.target != nullptr && !StillAsScanned(*job.target, dstDir, name, dstPath, "replaced", error)) {
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    if (::renameat(dstDir, temporary.c_str(), dstDir, name.c_str()) != 0) {
        error = "cannot replace " + ShortPath(dstPath) + ": " + ErrorText(errno);
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    FolderChanged(dstDir, PathParentFolder(dstPath), job.options.touched);
    return true;
}

// Copies a regular file to a fresh temporary name in dstDir, locked while it
// is written (so that a later run can tell an abandoned one). temporary
// receives the name. False with error set; nothing is left behind then.
bool CopyFileToTemporary(int srcDir, const std::string& name, const std::string& srcPath,
                         const struct stat& source, int dstDir, const std::string& dstName,
                         const std::string& dstPath, const COPYJOB& job, std::string& temporary,
                         std::string& error) {
    CFd in(::openat(srcDir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!in.IsOpen() || ::fstat(in.Get(), &st) != 0) {
        error = "cannot read " + ShortPath(srcPath) + ": " + ErrorText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_ino != source.st_ino) {
        error = "cannot copy " + ShortPath(srcPath) + ": it was replaced while it was copied";
        return false;
    }
    CFd out;
    for (int attempt = 0; attempt < kTemporaryAttempts && !out.IsOpen(); ++attempt) {
        temporary = TemporaryCopyName(dstName);
        out.Reset(
            ::openat(dstDir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.IsOpen() && errno != EEXIST) break;
    }
    if (!out.IsOpen()) {
        error = "cannot create a file in " + ShortPath(PathParentFolder(dstPath)) + ": " + ErrorText(errno);
        return false;
    }
    (void)::flock(out.Get(), LOCK_EX | LOCK_NB);
    const auto fail = [&](const std::string& what) {
        const int reason = errno;
        error = what + ": " + (reason == ECANCELED ? std::string("cancelled") : ErrorText(reason));
        out.Reset();
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    };
    if (!CopyBytes(in.Get(), out.Get(), st.st_size, st.st_blocks, job.options.cancel))
        return fail("cannot copy " + ShortPath(srcPath) + " to " + ShortPath(dstPath));
    if (::fchmod(out.Get(), CopiedMode(st)) != 0)
        return fail("cannot set the permissions of " + ShortPath(dstPath));
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.Get(), times) != 0) return fail("cannot set the times of " + ShortPath(dstPath));
    if (::close(out.Release()) != 0) {
        error = "cannot write " + ShortPath(dstPath) + ": " + ErrorText(errno);
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    return true;
}

// Makes a link with the source link's text (and times) under a fresh
// temporary name in dstDir.
bool CopyLinkToTemporary(int srcDir, const std::string& name, const std::string& srcPath,
                         const struct stat& st, int dstDir, const std::string& dstName,
                         const std::string& dstPath, std::string& temporary, std::string& error) {
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1);
    ssize_t n;
    while ((n = ::readlinkat(srcDir, name.c_str(), buffer.data(), buffer.size())) >= 0 &&
           static_cast<size_t>(n) == buffer.size())
        buffer.resize(buffer.size() * 2);  // the link grew meanwhile
    if (n < 0) {
        error = "cannot read the link " + ShortPath(srcPath) + ": " + ErrorText(errno);
        return false;
    }
    const std::string text(buffer.data(), static_cast<size_t>(n));
    int result = -1;
    for (int attempt = 0; attempt < kTemporaryAttempts && result != 0; ++attempt) {
        temporary = TemporaryCopyName(dstName);
        result = ::symlinkat(text.c_str(), dstDir, temporary.c_str());
        if (result != 0 && errno != EEXIST) break;
    }
    if (result != 0) {
        error = "cannot create a link in " + ShortPath(PathParentFolder(dstPath)) + ": " + ErrorText(errno);
        return false;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(dstDir, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        error = "cannot set the times of " + ShortPath(dstPath) + ": " + ErrorText(errno);
        ::unlinkat(dstDir, temporary.c_str(), 0);
        return false;
    }
    return true;
}

// One folder on the way down a delete.
struct DELETEFRAME {
    std::string name;  // in the folder of the frame before it (the first: in the caller's folder)
    CFd fd;            // O_PATH while open: only the deepest few are held
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<std::string> names;  // the folder's entries, as listed
    size_t next = 0;
    std::unique_ptr<CScannedFolder> ownScan;
    const CScannedFolder* scan = nullptr;  // what the scan saw inside; null: not checked
    bool kept = false;                     // something inside stays, and so does the folder
};

// The path of an entry of the deepest frame (or of that frame with an empty
// name), for a message only.
std::string FramePath(const std::string& top, const std::vector<DELETEFRAME>& frames,
                      const std::string& name) {
    std::string path = top;
    for (size_t i = 1; i < frames.size(); ++i) path = JoinPath(path, frames[i].name);
    return name.empty() ? path : JoinPath(path, name);
}

// Deletes (remove) or only checks (not remove) a folder tree, depth first:
// the folder part of DeleteTreeAt. Iterative, so that neither the stack nor
// the descriptors grow with the depth of the tree; a folder left behind on
// the way up is reopened through ".." only when it is still the folder that
// was walked down (device, inode).
class CTreeDelete {
public:
    CTreeDelete(int dir, const std::string& path, bool remove, CTouchedFolders* touched, std::string& error)
        : m_dir(dir), m_path(path), m_remove(remove), m_touched(touched), m_error(error) {}

    // Walks the folder name of dir, checked against below (null: not checked).
    bool Run(const std::string& name, const CScannedFolder* below);

private:
    // What handling one entry leads to.
    enum class Step {
        kNext,       // on with the next entry
        kStop,       // a check found an entry that stays: the walk ends there
        kFailed,     // m_error says why
        kUnchanged,  // the entry is as the scan saw it (CheckScanned only)
    };

    bool Descend(int parent, const std::string& child, const CScannedFolder* scan,
                 std::unique_ptr<CScannedFolder> ownScan);
    Step VisitNext(DELETEFRAME& frame);
    Step CheckScanned(DELETEFRAME& frame, const std::string& child, std::unique_ptr<CScannedFolder>& inside);
    bool Ascend();
    bool ReopenParent(const DELETEFRAME& done);
    bool RemoveFolder(int parent, DELETEFRAME& done);
    void Keep(DELETEFRAME& frame, const std::string& child, const char* reason);
    bool Outcome();

    const int m_dir;
    const std::string& m_path;
    const bool m_remove;
    CTouchedFolders* const m_touched;
    std::string& m_error;
    std::vector<DELETEFRAME> m_frames;
    // The first entry that stays, and why: the message names it.
    std::string m_keptPath, m_keptReason;
};

bool CTreeDelete::Run(const std::string& name, const CScannedFolder* below) {
    if (!Descend(m_dir, name, below, nullptr)) return false;
    while (!m_frames.empty()) {
        DELETEFRAME& frame = m_frames.back();
        if (frame.next < frame.names.size()) {
            const Step step = VisitNext(frame);
            if (step == Step::kFailed) return false;
            if (step == Step::kStop) break;
            continue;
        }
        if (!Ascend()) return false;
    }
    return Outcome();
}

// Opens the folder child of parent (the deepest frame's folder, or dir) as a
// new frame with its entries listed; only the deepest kMaxOpenFolders frames
// keep their descriptors.
bool CTreeDelete::Descend(int parent, const std::string& child, const CScannedFolder* scan,
                          std::unique_ptr<CScannedFolder> ownScan) {
    DELETEFRAME frame;
    frame.name = child;
    frame.fd.Reset(::openat(parent, child.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat here;
    if (!frame.fd.IsOpen() || ::fstat(frame.fd.Get(), &here) != 0 ||
        !ListNames(frame.fd.Get(), frame.names)) {
        const int reason = errno;
        m_error = "cannot read folder " +
                  ShortPath(FramePath(m_path, m_frames, m_frames.empty() ? "" : child)) + ": " +
                  ErrorText(reason);
        return false;
    }
    frame.device = here.st_dev;
    frame.inode = here.st_ino;
    frame.ownScan = std::move(ownScan);
    frame.scan = frame.ownScan ? frame.ownScan.get() : scan;
    m_frames.push_back(std::move(frame));
    if (m_frames.size() > kMaxOpenFolders) m_frames[m_frames.size() - 1 - kMaxOpenFolders].fd.Reset();
    return true;
}

// The next entry of the deepest folder, frame: checked against the scan,
// then deleted (checked only, when not removing), or descended into when it
// is a folder. An entry gone meanwhile is passed over.
CTreeDelete::Step CTreeDelete::VisitNext(DELETEFRAME& frame) {
    const std::string child = frame.names[frame.next++];
    std::unique_ptr<CScannedFolder> inside;
    if (frame.scan != nullptr) {
        const Step checked = CheckScanned(frame, child, inside);
        if (checked != Step::kUnchanged) return checked;
    }
    struct stat entry;
    if (!StatNoFollow(frame.fd.Get(), child, entry)) {
        if (errno == ENOENT) return Step::kNext;
        m_error = "cannot delete " + ShortPath(FramePath(m_path, m_frames, child)) + ": " + ErrorText(errno);
        return Step::kFailed;
    }
    if (S_ISDIR(entry.st_mode)) {
        // Descend adds a frame, which frame may no longer refer to after.
        const CScannedFolder* scan = frame.scan != nullptr ? inside.get() : nullptr;
        return Descend(frame.fd.Get(), child, scan, std::move(inside)) ? Step::kNext : Step::kFailed;
    }
    if (m_remove && ::unlinkat(frame.fd.Get(), child.c_str(), 0) != 0) {
        m_error = "cannot delete " + ShortPath(FramePath(m_path, m_frames, child)) + ": " + ErrorText(errno);
        return Step::kFailed;
    }
    return Step::kNext;
}

// Whether the entry child of frame is still what the scan saw (inside gets
// the scan of a folder's contents). One the scan did not see, or that has
// changed, stays; a delete goes on with the rest, a check stops there.
CTreeDelete::Step CTreeDelete::CheckScanned(DELETEFRAME& frame, const std::string& child,
                                            std::unique_ptr<CScannedFolder>& inside) {
    EXPECTEDENTRY seen;
    if (!frame.scan->Find(child, seen, inside)) {
        Keep(frame, child, "it was not there when the folders were compared");
        return m_remove ? Step::kNext : Step::kStop;
    }
    FINDDATA now;
    if (!FindEntryAt(frame.fd.Get(), child, now)) {
        if (errno == ENOENT) return Step::kNext;  // gone meanwhile
        m_error = "cannot examine " + ShortPath(FramePath(m_path, m_frames, child)) + ": " + ErrorText(errno);
        return Step::kFailed;
    }
    if (!SameAsScanned(seen, now)) {
        Keep(frame, child, "it was changed since it was compared");
        return m_remove ? Step::kNext : Step::kStop;
    }
    return Step::kUnchanged;
}

// Every entry of the deepest folder is done: up one level, removing that
// folder unless something inside it stays (then its parent stays too).
bool CTreeDelete::Ascend() {
    DELETEFRAME done = std::move(m_frames.back());
    m_frames.pop_back();
    int parent = m_dir;
    if (!m_frames.empty()) {
        if (!ReopenParent(done)) return false;
        parent = m_frames.back().fd.Get();
    }
    done.fd.Reset();
    if (done.kept) {
        if (!m_frames.empty()) m_frames.back().kept = true;
        return true;
    }
    if (!m_remove) return true;
    return RemoveFolder(parent, done);
}

// Opens the parent of done again through ".." when its descriptor was
// closed on the way down, refusing a folder that is not the one walked down.
bool CTreeDelete::ReopenParent(const DELETEFRAME& done) {
    DELETEFRAME& up = m_frames.back();
    if (up.fd.IsOpen()) return true;
    up.fd.Reset(::openat(done.fd.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat again;
    if (!up.fd.IsOpen() || ::fstat(up.fd.Get(), &again) != 0 || again.st_dev != up.device ||
        again.st_ino != up.inode) {
        m_error = "cannot delete " + ShortPath(FramePath(m_path, m_frames, "")) +
                  ": it was moved while it was being deleted";
        return false;
    }
    return true;
}

// Removes the emptied folder done from parent; one that entries were added
// to meanwhile stays, and is reported.
bool CTreeDelete::RemoveFolder(int parent, DELETEFRAME& done) {
    if (::unlinkat(parent, done.name.c_str(), AT_REMOVEDIR) == 0) return true;
    if (errno != ENOTEMPTY && errno != EEXIST) {
        m_frames.push_back(std::move(done));  // for the path
        m_error = "cannot delete " + ShortPath(FramePath(m_path, m_frames, "")) + ": " + ErrorText(errno);
        return false;
    }
    if (m_frames.empty()) {
        m_keptPath = m_path;
        m_keptReason = "entries were added to it meanwhile";
    } else {
        Keep(m_frames.back(), done.name, "entries were added to it meanwhile");
    }
    return true;
}

// Marks frame as staying because of its entry child; the first such entry
// is the one the message names.
void CTreeDelete::Keep(DELETEFRAME& frame, const std::string& child, const char* reason) {
    frame.kept = true;
    if (m_keptPath.empty()) {
        m_keptPath = FramePath(m_path, m_frames, child);
        m_keptReason = reason;
    }
}

// The walk's result: true when nothing stayed; the parent folder is recorded
// as changed whenever a delete ran.
bool CTreeDelete::Outcome() {
    if (!m_keptPath.empty()) {
        m_error =
            (m_remove ? "kept " : "not moved to the Trash: ") + Quoted(m_keptPath) + ": " + m_keptReason;
        if (m_remove && m_keptPath != m_path) m_error += "; " + Quoted(m_path) + " was not deleted whole";
        if (m_remove) FolderChanged(m_dir, PathParentFolder(m_path), m_touched);
        return false;
    }
    if (m_remove) FolderChanged(m_dir, PathParentFolder(m_path), m_touched);
    return true;
}

// Deletes (remove) or only checks (not remove, before a move to the Trash)
// the entry name of the open folder dir, whose path is path: see DeleteEntry.
// A folder is walked by CTreeDelete.
bool DeleteTreeAt(int dir, const std::string& name, const std::string& path, const EXPECTEDENTRY& expected,
                  const CScannedFolder* below, bool remove, CTouchedFolders* touched, std::string& error) {
    const char* refused = remove ? "deleted" : "moved to the Trash";
    if (!StillAsScanned(expected, dir, name, path, refused, error)) return false;
    struct stat st;
    if (!StatNoFollow(dir, name, st)) {
        error = "cannot delete " + ShortPath(path) + ": " + ErrorText(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (!remove) return true;
        if (::unlinkat(dir, name.c_str(), 0) != 0) {
            error = "cannot delete " + ShortPath(path) + ": " + ErrorText(errno);
            return false;
        }
        FolderChanged(dir, PathParentFolder(path), touched);
        return true;
    }
    if (!remove && below == nullptr) return true;  // nothing known below to check it against
    CTreeDelete tree(dir, path, remove, touched, error);
    return tree.Run(name, below);
}

// The absolute path, links resolved, of the entry name of the open folder
// dir: what the Trash records as its origin.
bool RealPathAt(int dir, const std::string& name, std::string& real, std::string& error) {
    char* resolved = ::realpath(("/proc/self/fd/" + std::to_string(dir)).c_str(), nullptr);
    if (resolved == nullptr) {
        error = "cannot find where " + ShortPath(name) + " is: " + ErrorText(errno);
        return false;
    }
    real = JoinPath(resolved, name);
    std::free(resolved);
    return true;
}

// Moves the entry name of dir to the Trash after checking it as a delete
// would.
bool TrashEntryAt(int dir, const std::string& name, const std::string& path, const EXPECTEDENTRY& expected,
                  const CScannedFolder* below, CTouchedFolders* touched, std::string& error) {
    if (!DeleteTreeAt(dir, name, path, expected, below, false, nullptr, error)) return false;
    std::string real;
    if (!RealPathAt(dir, name, real, error) || !MoveIntoTrash(dir, name, real, error)) return false;
    FolderChanged(dir, PathParentFolder(path), touched);
    return true;
}

// Copies the contents of the folder name of srcDir (unless only the folder is
// asked for) into the folder dstName of dstDir, then gives that folder the
// source's mode and times.
bool FillFolder(int srcDir, const std::string& name, const std::string& srcPath, const struct stat& st,
                int dstDir, const std::string& dstName, const std::string& dstPath, const COPYJOB& job,
                bool contents, std::string& error) {
    if (!contents) return SetFolderModeAndTimes(dstDir, dstName, dstPath, st, error);
    CFd from(::openat(srcDir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> names;
    if (!from.IsOpen() || !ListNames(from.Get(), names)) {
        error = "cannot read folder " + ShortPath(srcPath) + ": " + ErrorText(errno);
        return false;
    }
    CFd to;
    if (!OpenChildFolder(
            dstDir, dstName, [&] { return dstPath; }, false, to, error, nullptr))
        return false;
    std::string firstError;
    const COPYJOB childJob{job.options, nullptr};
    for (const std::string& child : names) {
        if (job.options.cancel != nullptr && job.options.cancel->load()) {
            error = "copying " + ShortPath(srcPath) + " was cancelled";
            return false;
        }
        std::string childError;
        if (!CopyAt(from.Get(), child, JoinPath(srcPath, child), to.Get(), child, JoinPath(dstPath, child),
                    childJob, true, childError) &&
            firstError.empty())
            firstError = childError;
    }
    if (!SetFolderModeAndTimes(dstDir, dstName, dstPath, st, error)) return false;
    if (!firstError.empty()) {
        error = firstError;
        return false;
    }
    return true;
}

bool CopyFolderAt(int srcDir, const std::string& name, const std::string& srcPath, const struct stat& st,
                  int dstDir, const std::string& dstName, const std::string& dstPath, bool targetExists,
                  const COPYJOB& job, bool contents, std::string& error) {
    if (!targetExists) {
        // Owner-only until it is filled, so that even a read-only source
        // folder can be filled; its own mode comes last.
        if (::mkdirat(dstDir, dstName.c_str(), 0700) != 0) {
            error = "cannot create folder " + ShortPath(dstPath) + ": " + ErrorText(errno);
            return false;
        }
        FolderChanged(dstDir, PathParentFolder(dstPath), job.options.touched);
    } else if (!contents) {
        return true;
    }
    return FillFolder(srcDir, name, srcPath, st, dstDir, dstName, dstPath, job, contents, error);
}

// Puts a copy of the source in the place of an entry of another kind: the
// copy is made under a temporary name, the entry in the way deleted (or moved
// to the Trash) as the scan saw it, then the copy renamed into its place.
bool ReplaceOtherKind(int srcDir, const std::string& name, const std::string& srcPath, const struct stat& st,
                      int dstDir, const std::string& dstName, const std::string& dstPath, const COPYJOB& job,
                      bool contents, std::string& error) {
    std::string temporary;
    CFd lock;
    if (S_ISDIR(st.st_mode)) {
        int made = -1;
        for (int attempt = 0; attempt < kTemporaryAttempts && made != 0; ++attempt) {
            temporary = TemporaryCopyName(dstName);
            made = ::mkdirat(dstDir, temporary.c_str(), 0700);
            if (made != 0 && errno != EEXIST) break;
        }
        if (made != 0) {
            error =
                "cannot create folder in " + ShortPath(PathParentFolder(dstPath)) + ": " + ErrorText(errno);
            return false;
        }
        lock.Reset(::openat(dstDir, temporary.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (lock.IsOpen()) (void)::flock(lock.Get(), LOCK_EX | LOCK_NB);
        if (!FillFolder(srcDir, name, srcPath, st, dstDir, temporary, dstPath, job, contents, error)) {
            std::string ignored;
            (void)DeleteTreeAt(dstDir, temporary, dstPath, EXPECTEDENTRY(), nullptr, true, nullptr, ignored);
            return false;
        }
    } else if (S_ISLNK(st.st_mode)) {
        if (!CopyLinkToTemporary(srcDir, name, srcPath, st, dstDir, dstName, dstPath, temporary, error))
            return false;
    } else if (!CopyFileToTemporary(srcDir, name, srcPath, st, dstDir, dstName, dstPath, job, temporary,
                                    error)) {
        return false;
    }
    const auto dropCopy = [&] {
        std::string ignored;
        (void)DeleteTreeAt(dstDir, temporary, dstPath, EXPECTEDENTRY(), nullptr, true, nullptr, ignored);
    };
    std::string reason;
    const bool gone = job.options.replaceToTrash
                          ? TrashEntryAt(dstDir, dstName, dstPath, job.options.target,
                                         job.options.replacedBelow, job.options.touched, reason)
                          : DeleteTreeAt(dstDir, dstName, dstPath, job.options.target,
                                         job.options.replacedBelow, true, job.options.touched, reason);
    if (!gone) {
        dropCopy();
        error =
            "cannot replace " + ShortPath(dstPath) + " by a copy of " + ShortPath(srcPath) + ": " + reason;
        return false;
    }
    if (!RenameNoReplace(dstDir, temporary, dstName)) {
        const int failure = errno;
        dropCopy();
        error = "cannot put the copy of " + ShortPath(srcPath) + " in place of " + ShortPath(dstPath) + ": " +
                ErrorText(failure);
        return false;
    }
    FolderChanged(dstDir, PathParentFolder(dstPath), job.options.touched);
    return true;
}

bool CopyAt(int srcDir, const std::string& name, const std::string& srcPath, int dstDir,
            const std::string& dstName, const std::string& dstPath, const COPYJOB& job, bool contents,
            std::string& error) {
    struct stat st;
    if (!StatNoFollow(srcDir, name, st)) {
        error = "cannot copy " + ShortPath(srcPath) + ": " + ErrorText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) {
        error = "cannot copy " + ShortPath(srcPath) + ": not a regular file";
        return false;
    }
    struct stat old;
    const bool targetExists = StatNoFollow(dstDir, dstName, old);
    if (!targetExists && errno != ENOENT) {
        error = "cannot examine " + ShortPath(dstPath) + ": " + ErrorText(errno);
        return false;
    }
    if (targetExists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode) && !S_ISDIR(old.st_mode)) {
        error = "cannot replace " + ShortPath(dstPath) + ": not a regular file";
        return false;
    }
    // A folder goes where a folder is or nothing is; a file or link where a
    // file, a link or nothing is.
    const bool otherKind = targetExists && S_ISDIR(st.st_mode) != S_ISDIR(old.st_mode);
    if (otherKind) {
        if (job.target != nullptr && job.options.replaceOtherKind)
            return ReplaceOtherKind(srcDir, name, srcPath, st, dstDir, dstName, dstPath, job, contents,
                                    error);
        if (S_ISLNK(old.st_mode))
            error = LinkRefused(dstPath);
        else
            error = "cannot copy " + ShortPath(srcPath) + " to " + ShortPath(dstPath) + ": a " +
                    (S_ISDIR(old.st_mode) ? "folder" : "file") + " of that name is in the way";
        return false;
    }
    if (S_ISDIR(st.st_mode))
        return CopyFolderAt(srcDir, name, srcPath, st, dstDir, dstName, dstPath, targetExists, job, contents,
                            error);
    std::string temporary;
    if (S_ISLNK(st.st_mode)) {
        if (!CopyLinkToTemporary(srcDir, name, srcPath, st, dstDir, dstName, dstPath, temporary, error))
            return false;
    } else if (!CopyFileToTemporary(srcDir, name, srcPath, st, dstDir, dstName, dstPath, job, temporary,
                                    error)) {
        return false;
    }
    return PutInPlace(dstDir, temporary, dstName, dstPath, job, error);
}

// Whether the folder path names, or the nearest folder above it that exists,
// is the folder (device, inode) or lies inside it: a folder created there
// would lie inside it too.
bool WouldBeInside(std::string path, dev_t device, ino_t inode) {
    for (;;) {
        CFd folder(OpenPath(path.empty() ? std::string(".") : path, O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (folder.IsOpen()) return IsSameOrBelow(folder.Get(), device, inode);
        if (errno != ENOENT) return false;
        const std::string parent = PathParentFolder(path);
        if (parent == path || parent.empty()) return false;
        path = parent;
    }
}

// The source's folder, the target folder (created when missing), and the
// checks both operations share. verb names the operation in messages.
bool PrepareTransfer(const TREEPATH& source, const TREEPATH& targetFolder, const COPYOPTIONS& options,
                     const char* verb, const char* refused, WALK& from, CFd& to, std::string& dstPath,
                     std::string& error) {
    if (!WalkToEntryBelowRoot(source, verb, from, error)) return false;
    struct stat st;
    if (!StatNoFollow(from.Dir(), from.name, st)) {
        error = "cannot " + std::string(verb) + " " + ShortPath(from.path) + ": " + ErrorText(errno);
        return false;
    }
    if (!StillAsScanned(options.source, from.Dir(), from.name, from.path, refused, error)) return false;
    // Checked before the target folder is made, so that nothing is left behind.
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) {
        error = "cannot " + std::string(verb) + " " + ShortPath(from.path) + ": not a regular file";
        return false;
    }
    std::vector<std::string> parts;
    if (!SplitRelative(targetFolder.relative, parts)) {
        error = Quoted(targetFolder.FullPath()) + " is not a path below " + targetFolder.root;
        return false;
    }
    if (S_ISDIR(st.st_mode) && WouldBeInside(targetFolder.FullPath(), st.st_dev, st.st_ino)) {
        error = "cannot " + std::string(verb) + " " + ShortPath(from.path) + " into " +
                ShortPath(targetFolder.FullPath()) + ": a folder cannot go into itself";
        return false;
    }
    if (!OpenFolderBelow(targetFolder.root, parts, parts.size(), true, to, error)) return false;
    dstPath = JoinPath(targetFolder.FullPath(), from.name);
    // Made meanwhile through a link: checked again where it now is.
    if (S_ISDIR(st.st_mode) && IsSameOrBelow(to.Get(), st.st_dev, st.st_ino)) {
        error = "cannot " + std::string(verb) + " " + ShortPath(from.path) + " into " +
                ShortPath(targetFolder.FullPath()) + ": a folder cannot go into itself";
        return false;
    }
    return StillAsScanned(options.target, to.Get(), from.name, dstPath, "replaced", error);
}

}  // namespace

EntryKind EntryKindOf(uint32_t attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::Folder;
    if (attributes & FILE_ATTRIBUTE_SYSTEM) return EntryKind::Other;
    return EntryKind::File;
}

void CTouchedFolders::Add(const std::string& folderPath) { m_folders.insert(folderPath); }

bool CTouchedFolders::Sync(std::string& error) {
    const std::vector<std::string> folders(m_folders.begin(), m_folders.end());
    m_folders.clear();
    // Several at once: the disk then takes their flushes together.
    std::atomic<size_t> next{0};
    std::mutex mutex;
    bool synced = true;
    const auto work = [&] {
        for (size_t i = next++; i < folders.size(); i = next++) {
            const std::string& path = folders[i];
            // Any folder of that path is one this process changed or one that
            // took its place; syncing changes nothing, so a link may be followed.
            CFd folder(OpenPath(path.empty() ? std::string(".") : path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!folder.IsOpen()) {
                if (errno == ENOENT) continue;  // deleted later in the run
            } else if (SysCalls().fsync(folder.Get()) == 0 || errno == EINVAL) {
                continue;
            }
            const int failure = errno;
            const std::lock_guard<std::mutex> lock(mutex);
            if (synced) error = "cannot sync " + ShortPath(path) + ": " + ErrorText(failure);
            synced = false;
        }
    };
    std::vector<std::thread> helpers;
    const size_t count = std::min(kSyncThreads, folders.size() / kFoldersPerSyncThread);
    for (size_t i = 1; i < count; ++i) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return synced;
}

std::string TREEPATH::FullPath() const { return relative.empty() ? root : JoinPath(root, relative); }

std::string TemporaryCopyName(const std::string& name) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    // Random once per process, then a fresh value each time without a system
    // call (splitmix64 over a counter): O_EXCL keeps a name taken meanwhile
    // from being used.
    static const uint64_t seed = [] {
        uint64_t value = 0;
        if (::getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value))
            value = static_cast<uint64_t>(::getpid()) * 0x9E3779B97F4A7C15u ^
                    static_cast<uint64_t>(::time(nullptr));
        return value;
    }();
    static std::atomic<uint64_t> counter{0};
    uint64_t value = seed + 0x9E3779B97F4A7C15u * (counter.fetch_add(1) + 1);
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    value ^= value >> 31;
    std::string prefix(kTemporaryPrefix);
    for (size_t i = 0; i < kTemporaryRandom; ++i, value /= sizeof kChars - 1)
        prefix += kChars[value % (sizeof kChars - 1)];
    prefix += '.';
    return prefix + name.substr(0, NAME_MAX - prefix.size());
}

bool IsTemporaryCopyName(std::string_view name) {
    if (name.size() < kTemporaryPrefix.size() + kTemporaryRandom + 2 ||
        name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix)
        return false;
    for (size_t i = 0; i < kTemporaryRandom; ++i) {
        const char c = name[kTemporaryPrefix.size() + i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
    return name[kTemporaryPrefix.size() + kTemporaryRandom] == '.';
}

bool IsLeftoverCopy(const TREEPATH& entry) {
    WALK walk;
    std::string error;
    if (!WalkToEntry(entry, false, walk, error) || walk.isRoot || !IsTemporaryCopyName(walk.name))
        return false;
    struct stat st;
    if (!StatNoFollow(walk.Dir(), walk.name, st)) return false;
    if (S_ISLNK(st.st_mode)) return true;  // a link is made and renamed in one moment
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return false;
    CFd fd(
        ::openat(walk.Dir(), walk.name.c_str(),
                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (S_ISDIR(st.st_mode) ? O_DIRECTORY : 0)));
    // A run still writing it holds its lock.
    return fd.IsOpen() && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

bool FolderContains(const std::string& outer, const std::string& inner) {
    struct stat st;
    if (::stat(outer.empty() ? "." : outer.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    CFd folder(OpenPath(inner.empty() ? std::string(".") : inner, O_PATH | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && IsSameOrBelow(folder.Get(), st.st_dev, st.st_ino);
}

std::string ShortPath(const std::string& path) {
    if (path.size() <= kShortPathLimit) return path;
    // The start and the end, cut at character boundaries of UTF-8.
    size_t head = kShortPathLimit / 3;
    while (head > 0 && (static_cast<unsigned char>(path[head]) & 0xC0) == 0x80) --head;
    size_t tail = path.size() - (kShortPathLimit - head - 5);
    while (tail < path.size() && (static_cast<unsigned char>(path[tail]) & 0xC0) == 0x80) ++tail;
    return path.substr(0, head) + "/.../" + path.substr(tail);
}

bool CopyEntryInto(const TREEPATH& source, const TREEPATH& targetFolder, const COPYOPTIONS& options,
                   std::string& error) {
    WALK from;
    CFd to;
    std::string dstPath;
    if (!PrepareTransfer(source, targetFolder, options, "copy", "copied", from, to, dstPath, error))
        return false;
    const COPYJOB job{options, &options.target};
    return CopyAt(from.Dir(), from.name, from.path, to.Get(), from.name, dstPath, job,
                  !options.emptyFolderOnly, error);
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
        error = "cannot move " + ShortPath(from.path) + ": " + ErrorText(errno);
        return false;
    }
    const bool targetExists = StatNoFollow(to.Get(), from.name, old);
    if (targetExists) {
        if (S_ISDIR(st.st_mode) && S_ISLNK(old.st_mode)) {
            error = LinkRefused(dstPath);
            return false;
        }
        if (S_ISDIR(st.st_mode) != S_ISDIR(old.st_mode)) {
            error = "cannot move " + ShortPath(from.path) + " to " + ShortPath(dstPath) + ": a " +
                    (S_ISDIR(old.st_mode) ? "folder" : "file") + " of that name is in the way";
            return false;
        }
        if (!S_ISDIR(old.st_mode) && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
            error = "cannot replace " + ShortPath(dstPath) + ": not a regular file";
            return false;
        }
    }
    if (::renameat(from.Dir(), from.name.c_str(), to.Get(), from.name.c_str()) == 0) {
        FolderChanged(to.Get(), PathParentFolder(dstPath), options.touched);
        FolderChanged(from.Dir(), PathParentFolder(from.path), options.touched);
        return true;
    }
    if (errno != EXDEV && errno != ENOTEMPTY && errno != EEXIST) {
        error = "cannot move " + ShortPath(from.path) + " to " + ShortPath(dstPath) + ": " + ErrorText(errno);
        return false;
    }
    const COPYJOB job{options, &options.target};
    if (!CopyAt(from.Dir(), from.name, from.path, to.Get(), from.name, dstPath, job, true, error))
        return false;
    // Copies are not synced one by one: the source is the only copy on disk
    // until the target's file system has written them.
    CFd written(::openat(to.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!written.IsOpen() || SysCalls().syncfs(written.Get()) != 0) {
        error = "cannot move " + ShortPath(from.path) + ": the copy " + ShortPath(dstPath) +
                " could not be written to disk: " + ErrorText(errno) + "; the source is kept";
        return false;
    }
    return DeleteTreeAt(from.Dir(), from.name, from.path, EXPECTEDENTRY(), nullptr, true, options.touched,
                        error);
}

bool DeleteEntry(const TREEPATH& entry, const DELETEOPTIONS& options, std::string& error) {
    WALK walk;
    if (!WalkToEntryBelowRoot(entry, "delete", walk, error)) return false;
    if (options.toTrash)
        return TrashEntryAt(walk.Dir(), walk.name, walk.path, options.expected, options.below,
                            options.touched, error);
    return DeleteTreeAt(walk.Dir(), walk.name, walk.path, options.expected, options.below, true,
                        options.touched, error);
}

bool ReadLinkBelow(const TREEPATH& entry, std::string& text, FILETIME& lastWriteTime, int* error) {
    WALK walk;
    std::string message;
    int code = 0;
    if (!WalkToEntry(entry, false, walk, message, &code)) {
        if (error != nullptr) *error = code;
        return false;
    }
    struct stat st;
    if (!(walk.isRoot ? ::lstat(walk.name.c_str(), &st) == 0 : StatNoFollow(walk.Dir(), walk.name, st))) {
        if (error != nullptr) *error = errno;
        return false;
    }
    if (!S_ISLNK(st.st_mode)) {
        if (error != nullptr) *error = EINVAL;
        return false;
    }
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1);
    ssize_t n;
    while ((n = ::readlinkat(walk.Dir(), walk.name.c_str(), buffer.data(), buffer.size())) >= 0 &&
           static_cast<size_t>(n) == buffer.size())
        buffer.resize(buffer.size() * 2);
    if (n < 0) {
        if (error != nullptr) *error = errno;
        return false;
    }
    text.assign(buffer.data(), static_cast<size_t>(n));
    lastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return true;
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
            const std::string temporary = TemporaryCopyName(walk.name);
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
