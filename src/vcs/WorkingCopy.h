// A working copy of git, Mercurial or Subversion, driven through the client's
// own program (no library of theirs): which working copy holds a folder, what
// has changed in it, the committed (or index, or conflict) version of a file,
// and reverting a file's changes.
#pragma once

#include <string>
#include <vector>

#include "vcs/VcsStatus.h"

namespace corvatine::vcs {

struct WORKINGCOPY {
    VcsKind kind = VcsKind::Git;
    std::string root;  // absolute, without a trailing '/'
};

enum class FindResult {
    Found,
    None,           // no working copy holds the folder
    ClientMissing,  // one does, but its client is not installed (error says which)
    Trouble,        // the folder cannot be read or the client failed (error says why)
};

// The working copy that holds folder: the nearest folder upward that has
// .git, .hg or .svn decides the kind, and the client names the root (git
// also for linked work trees; a folder inside .git is in none).
[[nodiscard]] FindResult FindWorkingCopy(const std::string& folder, WORKINGCOPY& copy, std::string& error);

// The versions of a file the clients keep.
enum class Version {
    Committed,  // git HEAD, hg ".", svn BASE
    Index,      // git's index (stage 0)
    Base,       // a conflict's common ancestor (git stage 1, hg the merge's ancestor)
    Ours,       // git stage 2, hg "."
    Theirs,     // git stage 3, hg the other parent
};
const char* VersionName(Version version);  // "HEAD", "index", "base", "ours", "theirs" ...

class CWorkingCopy {
public:
    explicit CWorkingCopy(WORKINGCOPY copy) : m_copy(std::move(copy)) {}

    VcsKind Kind() const { return m_copy.kind; }
    const std::string& Root() const { return m_copy.root; }
    // The working file of a path below the root.
    std::string FullPath(const std::string& path) const;

    // Every changed, untracked and conflicted entry, sorted by path; ignored
    // ones are left out. False with error (the client's message) on failure.
    [[nodiscard]] bool ReadStatus(std::vector<VCSCHANGE>& changes, std::string& error) const;

    // Whether the client keeps that version of the change's file: none
    // committed of an added or untracked file, no index but in git, the
    // conflict's three only of a conflicted file (base not when both sides
    // added it; in Subversion none: its conflicts show two sides).
    bool HasVersion(const VCSCHANGE& change, Version version) const;
    // Writes the version of the change's file (for a rename or copy, the
    // committed version of where it came from) into the file target, which is
    // created or emptied first, as the client checks files out (git's and
    // hg's filters applied). False with error naming the file and the
    // client's reason.
    [[nodiscard]] bool FetchVersion(const VCSCHANGE& change, Version version, const std::string& target,
                                    std::string& error) const;

    // Whether a revert applies: not to untracked, conflicted or submodule
    // entries.
    static bool CanRevert(const VCSCHANGE& change);
    // Undoes the change of one entry as the client does: a modified, deleted
    // or type-changed file is the committed version again, an added one is
    // no longer added (the file stays), a rename is undone. Before that the
    // working file whose bytes the revert replaces or leaves behind is moved
    // to the Trash when toTrash; when it cannot be, nothing is changed and
    // trashFailed is set. False with error naming the file and the reason.
    [[nodiscard]] bool Revert(const VCSCHANGE& change, bool toTrash, std::string& error,
                              bool* trashFailed = nullptr) const;
    // The working files that Revert moves to the Trash (full paths; those
    // that exist).
    std::vector<std::string> FilesRevertReplaces(const VCSCHANGE& change) const;

private:
    // Runs the client in the root; its output in out (or into outputFd).
    bool Run(const std::vector<std::string>& arguments, std::string& out, std::string& error,
             int outputFd = -1) const;

    WORKINGCOPY m_copy;
};

// A private folder for the versions fetched to compare (under
// $XDG_RUNTIME_DIR, else $TMPDIR or /tmp), removed with everything in it when
// the object goes away. Each version keeps its file's name, so that the
// editor knows its language, below a folder of its version.
class CVersionFiles {
public:
    CVersionFiles() = default;
    ~CVersionFiles();
    CVersionFiles(const CVersionFiles&) = delete;
    CVersionFiles& operator=(const CVersionFiles&) = delete;

    // Fetches the version into a fresh read-only file; path receives it.
    // With the version missing (HasVersion false) the file is made empty.
    [[nodiscard]] bool Fetch(const CWorkingCopy& copy, const VCSCHANGE& change, Version version,
                             std::string& path, std::string& error);
    // An empty read-only file of the name, standing for a side that has no
    // file (a deleted file's working side).
    [[nodiscard]] bool Empty(const std::string& name, std::string& path, std::string& error);
    const std::string& Folder() const { return m_folder; }

private:
    bool MakeFolder(std::string& error);
    // A fresh folder of its own for each file: the same file fetched again
    // (after a refresh) never meets a read-only file of before.
    bool NewFileFolder(const char* label, std::string& folder, std::string& error);

    std::string m_folder;
    int m_count = 0;
};

}  // namespace corvatine::vcs
