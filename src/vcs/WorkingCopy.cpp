#include "vcs/WorkingCopy.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/Trash.h"

namespace corvatine::vcs {

namespace {

// What the clients are run with: git and hg address the working copy by the
// folder they run in, not by variables a caller (git difftool) may have set;
// hg without the user's settings of its output; nobody takes a lock a
// concurrent command of the user's would trip over.
std::vector<std::string> ClientEnvironment(VcsKind kind) {
    switch (kind) {
        case VcsKind::Git:
            return {"GIT_DIR", "GIT_WORK_TREE", "GIT_INDEX_FILE", "GIT_PREFIX", "GIT_OPTIONAL_LOCKS=0"};
        case VcsKind::Mercurial: return {"HGPLAIN=1"};
        case VcsKind::Subversion: return {};
    }
    return {};
}

// The client's complaint for a message: its standard error trimmed, else
// its exit status.
std::string ClientReason(const platform::PROCESSRESULT& result) {
    std::string text = result.err;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (const size_t newline = text.rfind('\n'); newline != std::string::npos && text.size() > 400)
        text = text.substr(newline + 1);
    if (text.empty()) text = "it ended with exit status " + std::to_string(result.exitStatus);
    return text;
}

// hg's patterns take a path literally, relative to the root, with "path:".
std::string HgPath(const std::string& path) { return "path:" + path; }
// svn reads what follows the last '@' as a revision; a trailing '@' ends that.
std::string SvnPath(const std::string& path) { return path + "@"; }

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*) {
    return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
}

}  // namespace

const char* VersionName(Version version) {
    switch (version) {
        case Version::Committed: return "committed";
        case Version::Index: return "index";
        case Version::Base: return "base";
        case Version::Ours: return "ours";
        case Version::Theirs: return "theirs";
    }
    return "";
}

FindResult FindWorkingCopy(const std::string& folder, WORKINGCOPY& copy, std::string& error) {
    const std::string start = platform::AbsolutePath(folder);
    if (!platform::IsFolder(start)) {
        error = "'" + folder + "' is no folder";
        return FindResult::Trouble;
    }
    std::string at = start;
    for (;;) {
        struct Marker {
            const char* name;
            VcsKind kind;
        };
        for (const Marker marker : {Marker{".git", VcsKind::Git}, Marker{".hg", VcsKind::Mercurial},
                                    Marker{".svn", VcsKind::Subversion}}) {
            const std::string path = platform::JoinPath(at, marker.name);
            // A .git file points to the repository of a linked work tree.
            if (marker.kind == VcsKind::Git ? !platform::PathExists(path) : !platform::IsFolder(path))
                continue;
            copy.kind = marker.kind;
            const char* program = VcsProgram(marker.kind);
            if (platform::FindProgram(program).empty()) {
                error = "'" + folder + "' is in a " + VcsName(marker.kind) + " working copy ('" + at +
                        "'), but " + program + " is not installed";
                return FindResult::ClientMissing;
            }
            if (marker.kind == VcsKind::Mercurial) {
                copy.root = at;
                return FindResult::Found;
            }
            platform::PROCESSOPTIONS options;
            options.workingFolder = start;
            options.environment = ClientEnvironment(marker.kind);
            platform::PROCESSRESULT result;
            const std::vector<std::string> arguments =
                marker.kind == VcsKind::Git ? std::vector<std::string>{"rev-parse", "--show-toplevel"}
                                            : std::vector<std::string>{"info", "--show-item", "wc-root", "."};
            if (!platform::RunProgramAndWait(program, arguments, options, result, error))
                return FindResult::Trouble;
            // Inside .git, or a folder svn does not count as versioned.
            if (result.exitStatus != 0) return FindResult::None;
            std::string root = result.out;
            while (!root.empty() && (root.back() == '\n' || root.back() == '\r')) root.pop_back();
            if (root.empty() || root[0] != '/') return FindResult::None;
            copy.root = platform::NormalizePath(root);
            return FindResult::Found;
        }
        if (at == "/") return FindResult::None;
        at = platform::PathParentFolder(at);
        if (at.empty()) return FindResult::None;
    }
}

std::string CWorkingCopy::FullPath(const std::string& path) const { return platform::JoinPath(Root(), path); }

bool CWorkingCopy::Run(const std::vector<std::string>& arguments, std::string& out, std::string& error,
                       int outputFd) const {
    platform::PROCESSOPTIONS options;
    options.workingFolder = Root();
    options.environment = ClientEnvironment(Kind());
    options.outputFd = outputFd;
    platform::PROCESSRESULT result;
    const char* program = VcsProgram(Kind());
    if (!platform::RunProgramAndWait(program, arguments, options, result, error)) return false;
    if (result.exitStatus != 0) {
        error =
            std::string(program) + " " + arguments.front() + " in '" + Root() + "': " + ClientReason(result);
        return false;
    }
    out = std::move(result.out);
    return true;
}

bool CWorkingCopy::ReadStatus(std::vector<VCSCHANGE>& changes, std::string& error) const {
    changes.clear();
    std::string out;
    switch (Kind()) {
        case VcsKind::Git:
            if (!Run({"status", "--porcelain=v2", "-z", "--untracked-files=all"}, out, error)) return false;
            if (!ParseGitStatus(out, changes, error)) return false;
            break;
        case VcsKind::Mercurial:
            if (!Run({"status", "--print0", "--copies"}, out, error)) return false;
            if (!ParseHgStatus(out, changes, error)) return false;
            if (!Run({"resolve", "--list", "-Tjson"}, out, error)) return false;
            if (!ApplyHgUnresolved(out, changes, error)) return false;
            break;
        case VcsKind::Subversion:
            if (!Run({"status", "--xml"}, out, error)) return false;
            if (!ParseSvnStatus(out, changes, error)) return false;
            break;
    }
    SortChanges(changes);
    return true;
}

bool CWorkingCopy::HasVersion(const VCSCHANGE& change, Version version) const {
    if (change.submodule) return false;
    const bool conflicted = change.status == CHANGE_CONFLICTED;
    switch (version) {
        case Version::Committed:
            if (conflicted && Kind() == VcsKind::Git) return (change.stages & 0x2) != 0;
            return change.status != CHANGE_ADDED && change.status != CHANGE_UNTRACKED &&
                   (change.status != CHANGE_COPIED || !change.originalPath.empty());
        case Version::Index:
            return Kind() == VcsKind::Git && !conflicted && change.status != CHANGE_UNTRACKED &&
                   change.unstaged != 'D' && change.staged != 'D';
        case Version::Base:
        case Version::Ours:
        case Version::Theirs: {
            if (!conflicted) return false;
            if (Kind() == VcsKind::Git)
                return (change.stages & (version == Version::Base   ? 0x1
                                         : version == Version::Ours ? 0x2
                                                                    : 0x4)) != 0;
            return Kind() == VcsKind::Mercurial;
        }
    }
    return false;
}

bool CWorkingCopy::FetchVersion(const VCSCHANGE& change, Version version, const std::string& target,
                                std::string& error) const {
    const std::string& source =
        version == Version::Committed && !change.originalPath.empty() ? change.originalPath : change.path;
    std::vector<std::string> arguments;
    switch (Kind()) {
        case VcsKind::Git: {
            const char* revision = version == Version::Committed ? "HEAD:"
                                   : version == Version::Index   ? ":0:"
                                   : version == Version::Base    ? ":1:"
                                   : version == Version::Ours    ? ":2:"
                                                                 : ":3:";
            arguments = {"cat-file", "--filters", revision + source};
            break;
        }
        case VcsKind::Mercurial: {
            const char* revision = version == Version::Committed || version == Version::Ours ? "."
                                   : version == Version::Theirs                              ? "p2()"
                                   : version == Version::Base ? "ancestor(p1(), p2())"
                                                              : nullptr;
            if (revision == nullptr) {
                error = "Mercurial keeps no index";
                return false;
            }
            arguments = {"cat", "--decode", "-r", revision, "--", HgPath(source)};
            break;
        }
        case VcsKind::Subversion:
            if (version != Version::Committed) {
                error = std::string("Subversion keeps no ") + VersionName(version) + " version";
                return false;
            }
            arguments = {"cat", "-r", "BASE", "--", SvnPath(source)};
            break;
    }
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = "cannot create '" + target + "': " + platform::ErrorText(errno);
        return false;
    }
    std::string out;
    const bool ran = Run(arguments, out, error, fd);
    const bool closed = ::close(fd) == 0;
    if (ran && !closed) error = "cannot write '" + target + "': " + platform::ErrorText(errno);
    if (!ran || !closed) {
        error =
            "cannot get the " + std::string(VersionName(version)) + " version of '" + source + "': " + error;
        return false;
    }
    return true;
}

bool CWorkingCopy::CanRevert(const VCSCHANGE& change) {
    return change.status != CHANGE_UNTRACKED && change.status != CHANGE_CONFLICTED && !change.submodule;
}

std::vector<std::string> CWorkingCopy::FilesRevertReplaces(const VCSCHANGE& change) const {
    std::vector<std::string> files;
    // An added or copied file stays as it is; everything else that is there
    // is replaced by the committed version, or (a rename's new name) left
    // behind untracked.
    if (change.status == CHANGE_ADDED || change.status == CHANGE_COPIED || change.status == CHANGE_DELETED)
        return files;
    const std::string path = FullPath(change.path);
    if (platform::NameExists(path) && !platform::IsFolder(path)) files.push_back(path);
    return files;
}

bool CWorkingCopy::Revert(const VCSCHANGE& change, bool toTrash, std::string& error,
                          bool* trashFailed) const {
    if (trashFailed != nullptr) *trashFailed = false;
    if (!CanRevert(change)) {
        error =
            "'" + change.path + "' is " + ChangeStatusName(change.status) + ": there is nothing to revert";
        return false;
    }
    if (toTrash) {
        for (const std::string& file : FilesRevertReplaces(change)) {
            std::string reason;
            if (!platform::MoveToTrash(file, reason)) {
                error = "cannot move '" + file + "' to the Trash: " + reason;
                if (trashFailed != nullptr) *trashFailed = true;
                return false;
            }
        }
    }
    std::string out;
    switch (Kind()) {
        case VcsKind::Git:
            if (change.status == CHANGE_ADDED || change.status == CHANGE_COPIED ||
                change.status == CHANGE_RENAMED)
                if (!Run({"rm", "--cached", "--quiet", "--", change.path}, out, error)) return false;
            if (change.status == CHANGE_RENAMED)
                return Run({"checkout", "HEAD", "--", change.originalPath}, out, error);
            if (change.status == CHANGE_ADDED || change.status == CHANGE_COPIED) return true;
            return Run({"checkout", "HEAD", "--", change.path}, out, error);
        case VcsKind::Mercurial: {
            std::vector<std::string> arguments = {"revert", "--no-backup", "--", HgPath(change.path)};
            if (change.status == CHANGE_RENAMED) arguments.push_back(HgPath(change.originalPath));
            return Run(arguments, out, error);
        }
        case VcsKind::Subversion: {
            std::vector<std::string> arguments = {"revert", "--", SvnPath(change.path)};
            if (change.status == CHANGE_RENAMED) arguments.push_back(SvnPath(change.originalPath));
            return Run(arguments, out, error);
        }
    }
    return false;
}

CVersionFiles::~CVersionFiles() {
    if (m_folder.empty()) return;
    // The versions are read-only; their folders are not.
    ::nftw(m_folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool CVersionFiles::MakeFolder(std::string& error) {
    if (!m_folder.empty()) return true;
    std::string base;
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] == '/' && platform::IsFolder(value)) {
            base = value;
            break;
        }
    }
    if (base.empty()) base = "/tmp";
    std::string pattern = platform::JoinPath(base, "corvatine-vcs-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a folder in '" + base + "': " + platform::ErrorText(errno);
        return false;
    }
    m_folder = pattern;
    return true;
}

bool CVersionFiles::NewFileFolder(const char* label, std::string& folder, std::string& error) {
    if (!MakeFolder(error)) return false;
    folder = platform::JoinPath(m_folder, std::to_string(++m_count) + "-" + label);
    if (::mkdir(folder.c_str(), 0700) != 0) {
        error = "cannot create '" + folder + "': " + platform::ErrorText(errno);
        return false;
    }
    return true;
}

namespace {

bool MakeReadOnly(const std::string& path, std::string& error) {
    if (::chmod(path.c_str(), 0400) == 0) return true;
    error = "cannot make '" + path + "' read-only: " + platform::ErrorText(errno);
    return false;
}

}  // namespace

bool CVersionFiles::Fetch(const CWorkingCopy& copy, const VCSCHANGE& change, Version version,
                          std::string& path, std::string& error) {
    const std::string& named =
        version == Version::Committed && !change.originalPath.empty() ? change.originalPath : change.path;
    if (!copy.HasVersion(change, version)) return Empty(named, path, error);
    std::string folder;
    if (!NewFileFolder(VersionName(version), folder, error)) return false;
    path = platform::JoinPath(folder, platform::PathFileName(named));
    return copy.FetchVersion(change, version, path, error) && MakeReadOnly(path, error);
}

bool CVersionFiles::Empty(const std::string& name, std::string& path, std::string& error) {
    std::string folder;
    if (!NewFileFolder("none", folder, error)) return false;
    path = platform::JoinPath(folder, platform::PathFileName(name));
    return platform::WriteFileAtomically(path, std::string_view(), 0600, error,
                                         platform::Durability::Renamed) &&
           MakeReadOnly(path, error);
}

}  // namespace corvatine::vcs
