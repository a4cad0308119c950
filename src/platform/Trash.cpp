#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/FullTransfer.h"
#include "platform/LocalTime.h"
#include "platform/Path.h"

namespace corvatine::platform {

namespace {

// How many names ("name", "name.2", ...) are tried before giving up.
constexpr int kNameAttempts = 10000;
constexpr std::string_view kInfoSuffix = ".trashinfo";

class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::string Failure(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + ErrorText(error);
}

// A folder below dir that is a real folder (not a link) owned by uid,
// created with mode 0700 when missing. False with error set.
bool OwnFolderAt(int dir, const std::string& name, const std::string& path, uid_t uid, std::string& error) {
    if (::mkdirat(dir, name.c_str(), 0700) != 0 && errno != EEXIST) {
        error = Failure("cannot create the folder", path, errno);
        return false;
    }
    struct stat st;
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = Failure("cannot examine", path, errno);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        error = "'" + path + "' is a symbolic link; not followed";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = "cannot use " + path + ": it is not a folder";
        return false;
    }
    if (st.st_uid != uid) {
        error = "cannot use " + path + ": it belongs to another user";
        return false;
    }
    return true;
}

// files/ and info/ of a Trash folder. The home Trash may be a link the user
// made; a volume's Trash may not.
bool MakeTrashFolders(const std::string& path, uid_t uid, bool followLink, std::string& error) {
    CFd trash(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
    if (!trash.IsOpen()) {
        error = Failure("cannot open", path, errno);
        return false;
    }
    return OwnFolderAt(trash.Get(), "files", JoinPath(path, "files"), uid, error) &&
           OwnFolderAt(trash.Get(), "info", JoinPath(path, "info"), uid, error);
}

// Where an entry lives: its device and, where the system tells, the mount
// (a bind mount of a folder is another mount of the same device, and a rename
// from one mount to another fails even on one device). mount 0: not known.
struct PLACE {
    dev_t device = 0;
    uint64_t mount = 0;

    bool Same(const PLACE& other) const {
        return device == other.device && (mount == 0 || other.mount == 0 || mount == other.mount);
    }
};

bool PlaceOf(const std::string& path, bool follow, PLACE& place) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), follow ? 0 : AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_MNT_ID,
                &info) != 0)
        return false;
    place.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    place.mount = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : 0;
    return true;
}

// The place of a path, or of the nearest folder above it that exists.
bool PlaceOfNearest(std::string path, PLACE& place) {
    while (!path.empty()) {
        if (PlaceOf(path, true, place)) return true;
        const std::string parent = PathParentFolder(path);
        if (parent == path) break;
        path = parent;
    }
    return false;
}

// The name shortened (at a character boundary of UTF-8) so that it, the
// suffix and ".trashinfo" fit the system's limit on a name.
std::string FittingName(const std::string& name, const std::string& suffix) {
    const size_t room = NAME_MAX - kInfoSuffix.size() - suffix.size();
    if (name.size() <= room) return name + suffix;
    size_t end = room;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end) + suffix;
}

bool WriteAll(int fd, const std::string& bytes) {
    return TransferFully(TransferKind::Write, bytes.size(), [&](size_t done, size_t rest) {
               return ::write(fd, bytes.data() + done, rest);
           }) >= 0;
}

// renameat2 with RENAME_NOREPLACE, or a look first where the file system lacks it.
bool RenameNoReplace(int fromDir, const std::string& from, int toDir, const std::string& to) {
    if (::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    struct stat st;
    if (::fstatat(toDir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0;
}

}  // namespace

std::string HomeTrashPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return JoinPath(data, "Trash");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return JoinPath(home, ".local/share/Trash");
    return {};
}

std::string VolumeTopFolder(const std::string& path) {
    PLACE place;
    if (!PlaceOf(path, true, place)) return {};
    std::string current = path;
    for (;;) {
        const std::string parent = PathParentFolder(current);
        PLACE up;
        if (parent.empty() || parent == current || !PlaceOf(parent, true, up) || !up.Same(place))
            return current;
        current = parent;
    }
}

bool OpenTopdirTrash(const std::string& topdir, uid_t uid, TRASHDIR& trash, std::string& error) {
    CFd top(::open(topdir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!top.IsOpen()) {
        error = Failure("cannot open", topdir, errno);
        return false;
    }
    const std::string uidText = std::to_string(uid);
    // The shared .Trash, only when the administrator made it for this: a real
    // folder with the sticky bit, so that users cannot take each other's.
    struct stat st;
    if (::fstatat(top.Get(), ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX) != 0) {
        CFd shared(::openat(top.Get(), ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        const std::string path = JoinPath(JoinPath(topdir, ".Trash"), uidText);
        std::string ignored;
        if (shared.IsOpen() && OwnFolderAt(shared.Get(), uidText, path, uid, ignored) &&
            MakeTrashFolders(path, uid, false, ignored)) {
            trash = {path, topdir};
            return true;
        }
    }
    const std::string name = ".Trash-" + uidText;
    const std::string path = JoinPath(topdir, name);
    if (!OwnFolderAt(top.Get(), name, path, uid, error) || !MakeTrashFolders(path, uid, false, error))
        return false;
    trash = {path, topdir};
    return true;
}

bool FindTrashFor(const std::string& path, dev_t device, TRASHDIR& trash, std::string& error) {
    const std::string home = HomeTrashPath();
    PLACE entry;
    (void)PlaceOf(path, false, entry);  // the mount, when it can be told
    entry.device = device;
    PLACE homePlace;
    if (!home.empty() && PlaceOfNearest(home, homePlace) && homePlace.Same(entry)) {
        if (!MakeFolders(home, 0700, error)) return false;
        if (!MakeTrashFolders(home, ::geteuid(), true, error)) return false;
        trash = {home, {}};
        return true;
    }
    const std::string topdir = VolumeTopFolder(PathParentFolder(path));
    if (topdir.empty()) {
        error = Failure("cannot find the volume of", path, errno);
        return false;
    }
    return OpenTopdirTrash(topdir, ::geteuid(), trash, error);
}

std::string EncodeTrashPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string_view("/-_.!~*'()").find(c) != std::string_view::npos;
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

bool MoveIntoTrashFolder(int dir, const std::string& name, const std::string& path, const TRASHDIR& trash,
                         std::string& trashedName, std::string& error) {
    const std::string prefix = "cannot move " + path + " to the Trash: ";
    CFd files(::open(JoinPath(trash.path, "files").c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    CFd info(::open(JoinPath(trash.path, "info").c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!files.IsOpen() || !info.IsOpen()) {
        error = prefix + Failure("cannot open", trash.path, errno);
        return false;
    }
    // A volume's Trash keeps paths relative to the volume's top folder, so
    // that they stay right wherever the volume is mounted next.
    std::string origin = path;
    if (!trash.topdir.empty()) {
        const std::string top = trash.topdir == "/" ? std::string("/") : trash.topdir + "/";
        if (origin.compare(0, top.size(), top) == 0) origin = origin.substr(top.size());
    }
    const std::string text = "[Trash Info]\nPath=" + EncodeTrashPath(origin) +
                             "\nDeletionDate=" + FormatLocalTime(std::time(nullptr), "%Y-%m-%dT%H:%M:%S") +
                             "\n";
    for (int n = 1; n <= kNameAttempts; ++n) {
        const std::string candidate = FittingName(name, n == 1 ? std::string() : "." + std::to_string(n));
        const std::string infoName = candidate + std::string(kInfoSuffix);
        CFd fd(::openat(info.Get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0600));
        if (!fd.IsOpen()) {
            if (errno == EEXIST) continue;
            error =
                prefix + Failure("cannot create", JoinPath(JoinPath(trash.path, "info"), infoName), errno);
            return false;
        }
        if (!WriteAll(fd.Get(), text) || ::fsync(fd.Get()) != 0 || ::close(fd.Release()) != 0) {
            error = prefix + Failure("cannot write", JoinPath(JoinPath(trash.path, "info"), infoName), errno);
            ::unlinkat(info.Get(), infoName.c_str(), 0);
            return false;
        }
        if (RenameNoReplace(dir, name, files.Get(), candidate)) {
            trashedName = candidate;
            return true;
        }
        const int failure = errno;
        ::unlinkat(info.Get(), infoName.c_str(), 0);
        if (failure == EEXIST) continue;  // a file without its info file holds the name
        error = prefix + ErrorText(failure);
        return false;
    }
    error = prefix + "no free name in " + JoinPath(trash.path, "files");
    return false;
}

bool MoveIntoTrash(int dir, const std::string& name, const std::string& path, std::string& error) {
    struct stat st;
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        error = "cannot move " + path + " to the Trash: " + ErrorText(errno);
        return false;
    }
    TRASHDIR trash;
    std::string reason;
    if (!FindTrashFor(path, st.st_dev, trash, reason)) {
        error = "cannot move " + path + " to the Trash: " + reason;
        return false;
    }
    std::string trashedName;
    return MoveIntoTrashFolder(dir, name, path, trash, trashedName, error);
}

bool MoveToTrash(const std::string& path, std::string& error) {
    const std::string parent = PathParentFolder(path);
    const std::string name = PathFileName(path);
    CFd dir(OpenPath(parent.empty() ? std::string(".") : parent, O_PATH | O_DIRECTORY | O_CLOEXEC));
    char* real = dir.IsOpen() ? ::realpath(parent.empty() ? "." : parent.c_str(), nullptr) : nullptr;
    if (real == nullptr) {
        error = "cannot move " + path + " to the Trash: " + ErrorText(errno);
        return false;
    }
    const std::string realPath = JoinPath(real, name);
    std::free(real);
    return MoveIntoTrash(dir.Get(), name, realPath, error);
}

}  // namespace corvatine::platform
