// The changes of a version-control working copy as the clients report them in
// their machine-readable forms (git status --porcelain=v2 -z, hg status
// --print0 --copies, svn status --xml), read into one model: each changed
// entry with its status, its path below the working copy's root and, for a
// rename or copy, where it came from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvatine::vcs {

enum class VcsKind { Git, Mercurial, Subversion };

// "git", "hg", "svn": the client's program and the name printed.
const char* VcsProgram(VcsKind kind);
// "Git", "Mercurial", "Subversion".
const char* VcsName(VcsKind kind);

// The status of a changed entry; the letter is what the headless view prints.
enum ChangeStatus : char {
    CHANGE_MODIFIED = 'M',
    CHANGE_TYPE = 'T',  // a file became a link or something else, or the reverse
    CHANGE_ADDED = 'A',
    CHANGE_DELETED = 'D',
    CHANGE_RENAMED = 'R',
    CHANGE_COPIED = 'C',
    CHANGE_UNTRACKED = '?',
    CHANGE_CONFLICTED = 'U',
};

// Every status in the order the filters list them.
inline constexpr ChangeStatus kChangeStatuses[] = {CHANGE_MODIFIED,  CHANGE_TYPE,      CHANGE_ADDED,
                                                   CHANGE_DELETED,   CHANGE_RENAMED,   CHANGE_COPIED,
                                                   CHANGE_UNTRACKED, CHANGE_CONFLICTED};

// "modified", "type changed", "added" ...
const char* ChangeStatusName(ChangeStatus status);
// The bit of a status in a filter mask.
uint32_t StatusBit(ChangeStatus status);
inline constexpr uint32_t kAllStatuses = 0xFF;

struct VCSCHANGE {
    ChangeStatus status = CHANGE_MODIFIED;
    std::string path;          // below the root, '/'-separated
    std::string originalPath;  // renamed or copied: the path it came from; else empty
    // Git: the index against HEAD and the working tree against the index, as
    // porcelain letters ('.' unchanged); ' ' for the other clients.
    char staged = ' ';
    char unstaged = ' ';
    bool submodule = false;  // git: a submodule, whose versions are commits
    // Git, a conflict: the stages the index holds (0x1 base, 0x2 ours,
    // 0x4 theirs); a side that added or deleted the file has none.
    uint8_t stages = 0;
};

// Readers of the clients' outputs. Each fills changes in the order the
// client gives them and returns false, with error saying what is malformed,
// for output that is not of the form expected (changes then holds what was
// read before).
[[nodiscard]] bool ParseGitStatus(std::string_view output, std::vector<VCSCHANGE>& changes,
                                  std::string& error);
// hg status --print0 --copies: "S path" records, a copy's source in a record
// of its own that starts with two blanks. A copy whose source was removed is a
// rename; a missing file ('!') and a removed one are deleted.
[[nodiscard]] bool ParseHgStatus(std::string_view output, std::vector<VCSCHANGE>& changes,
                                 std::string& error);
// hg resolve --list -Tjson: the paths still unresolved become conflicted
// (added when status did not list them).
[[nodiscard]] bool ApplyHgUnresolved(std::string_view json, std::vector<VCSCHANGE>& changes,
                                     std::string& error);
// svn status --xml: the deleted half of a move is folded into the rename of
// its other half; conflicts of text, properties or tree are conflicted.
[[nodiscard]] bool ParseSvnStatus(std::string_view xml, std::vector<VCSCHANGE>& changes, std::string& error);

// Sorts by path, byte by byte (the order every client lists in).
void SortChanges(std::vector<VCSCHANGE>& changes);

// One line per change: "M path", "R old -> new", "? path" ...; control
// characters in paths escaped.
std::string ChangeLine(const VCSCHANGE& change);
std::string DumpChanges(const std::vector<VCSCHANGE>& changes);

}  // namespace corvatine::vcs
