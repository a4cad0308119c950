// Copy, move, delete, rename, create-folder, set-time and set-attributes for
// the entries of a folder comparison, each addressed below one of the compared
// roots.
//
// Every operation walks from its root to the entry one component at a time
// through folder descriptors and never follows a symbolic link below the
// root, so nothing outside the compared trees is changed through a link. A
// file is replaced by renaming a complete copy over it, so it is at every
// moment the old or the new one; a file changed since it was scanned is not
// replaced. Failures are return values whose text names the path and the
// reason.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/FileFind.h"

namespace corvatine::platform {

// Flags of the shell's file operations that keep their meaning here.
enum FileOperationFlag : uint32_t { FOF_SILENT = 0x4, FOF_NOCONFIRMATION = 0x10, FOF_ALLOWUNDO = 0x40 };

// An entry addressed below one of the compared roots. root: the folder as the
// user named it (it may itself be reached through a link: the root is opened
// following links). relative: the path below the root, components separated
// by '/', "" for the root itself; ".." is refused. No component below the
// root is ever followed when it is a symbolic link: an operation that would
// have to go through one fails with an error that names the link
// ("'<full path>' is a symbolic link; not followed").
struct TREEPATH {
    std::string root;
    std::string relative;

    // The root and the relative path joined with one '/'.
    std::string FullPath() const;
};

// What an entry is, as the operations tell entries apart: a symbolic link is
// an entry of its own whatever it names (a dangling one too).
enum class EntryKind : uint8_t { File, Folder, Link, Other };

// The kind of an entry from its attribute word as FindEntry reports it.
EntryKind EntryKindOf(uint32_t attributes);

// What the caller saw of an entry when it scanned it, so that an entry
// changed since is neither overwritten nor deleted. check false: no check.
// exists false: the caller saw no entry there. kind, size and lastWriteTime
// as the scan reported them. A folder is checked for its kind only (its time
// changes with every entry added below it), and so is a link (FindEntry
// gives it the size and time of what it names).
struct EXPECTEDENTRY {
    bool check = false;
    bool exists = false;
    EntryKind kind = EntryKind::File;
    uint64_t size = 0;
    FILETIME lastWriteTime = 0;
};

// What a scan saw below a folder, for a delete that must take only that: an
// entry the scan did not see, or one changed since, is kept, and so are the
// folders above it.
class CScannedFolder {
public:
    virtual ~CScannedFolder() = default;
    // False when the scan saw no entry of that name. Else entry is what it
    // saw, and for a folder below is what it saw inside it (left null when
    // the scan did not read that folder: its contents are then not checked).
    virtual bool Find(const std::string& name, EXPECTEDENTRY& entry,
                      std::unique_ptr<CScannedFolder>& below) const = 0;
};

// The folders whose entries a run of operations changed. Each operation that
// is given one records the folders it changed instead of syncing them; Sync
// then makes every new name lasting with one fsync of each folder. Files
// themselves are not synced: a copy is complete under its temporary name
// before it is renamed into place, so a crash leaves the old entry or the
// new one, never a half-written file under the real name.
class CTouchedFolders {
public:
    void Add(const std::string& folderPath);
    // Syncs each folder recorded once and forgets them; false (error naming
    // the first folder that failed) when one could not be synced.
    [[nodiscard]] bool Sync(std::string& error);
    size_t Count() const { return m_folders.size(); }

private:
    std::set<std::string> m_folders;
};

struct COPYOPTIONS {
    bool emptyFolderOnly = false;  // a folder: create only the folder (or succeed when it exists)
    EXPECTEDENTRY source;          // refuse when the source changed since the scan
    EXPECTEDENTRY target;          // refuse to replace a target that changed since the scan
    // An entry of another kind in the target's place (a folder where a file
    // or link goes, a file or link where a folder goes) is replaced: the copy
    // is made under a temporary name first, then the entry in the way is
    // deleted as DeleteEntry deletes it (checked against target and
    // replacedBelow, to the Trash with replaceToTrash), then the copy is
    // renamed into its place. When the copy or the delete fails, the entry in
    // the way stays and the copy goes. Without it, such an entry is an error.
    bool replaceOtherKind = false;
    bool replaceToTrash = false;
    const CScannedFolder* replacedBelow = nullptr;
    const std::atomic<bool>* cancel =
        nullptr;                         // optional; tested between entries and between chunks of a file
    CTouchedFolders* touched = nullptr;  // optional; else the changed folder is synced at once
};

// Copies the entry at source into the folder targetFolder under the same name
// (the last component of source.relative); targetFolder and its missing
// parents are created (mode 0777 less the umask), unless it would lie inside
// the source folder, which is refused before anything is created.
// - A regular file is written to a fresh temporary name in the target folder
//   (TemporaryCopyName), its holes kept as holes, takes the source's
//   permission bits and access and modification times, and is then renamed
//   into place. On failure or when cancelled the temporary is removed and
//   the target is as it was. A target that is a symbolic link is replaced
//   (never written through).
// - A symbolic link is copied as a link with the same target text.
// - A folder is created (an existing one is merged into) and, unless
//   emptyFolderOnly, every entry below it copied the same way (links as
//   links); its mode and times are set last. Entries that fail do not stop
//   the others; the first failure is reported.
// - An entry of another kind in the way: see replaceOtherKind. A fifo,
//   socket or device as the source or the target is an error; nothing is
//   changed.
[[nodiscard]] bool CopyEntryInto(const TREEPATH& source, const TREEPATH& targetFolder,
                                 const COPYOPTIONS& options, std::string& error);

// Moves the entry into targetFolder (created when missing) under its name by
// renaming it, replacing an existing file. Across file systems, or onto an
// existing folder that is not empty, the entry is copied (with contents)
// and the source deleted only when the copy fully succeeded. The same checks
// as CopyEntryInto apply.
[[nodiscard]] bool MoveEntryInto(const TREEPATH& source, const TREEPATH& targetFolder,
                                 const COPYOPTIONS& options, std::string& error);

struct DELETEOPTIONS {
    // Move the entry whole to the freedesktop.org Trash of its volume
    // (Trash.h) instead; when no Trash can be used there, nothing is deleted.
    bool toTrash = false;
    EXPECTEDENTRY expected;                 // refuse when the entry changed since the scan
    const CScannedFolder* below = nullptr;  // a folder: what the scan saw inside it
    CTouchedFolders* touched = nullptr;     // optional; else the changed folder is synced at once
};

// Deletes the entry: a file or link is unlinked (a link, never its target), a
// folder with everything below it, never following a link, holding a bounded
// number of descriptors however deep it goes. With options.below, what the
// scan did not see there, or saw otherwise, is kept with the folders above
// it, the rest is deleted, and the delete fails naming the first entry kept.
// The first entry that cannot be deleted stops the delete. With toTrash the
// entry is checked the same way first and then moved whole. Messages shorten
// very long paths.
[[nodiscard]] bool DeleteEntry(const TREEPATH& entry, const DELETEOPTIONS& options, std::string& error);
[[nodiscard]] inline bool DeleteEntry(const TREEPATH& entry, bool toTrash, std::string& error) {
    DELETEOPTIONS options;
    options.toTrash = toTrash;
    return DeleteEntry(entry, options, error);
}

// Renames the entry within its folder to newName (no '/', not "", "." or
// ".."). Fails when another entry of that name exists. A rename that changes
// only the case of the name also works on a file system that ignores case.
[[nodiscard]] bool RenameEntry(const TREEPATH& entry, const std::string& newName, std::string& error);

// Creates folder/name (and any missing folders of folder). 0 created, 1 it
// already existed as a folder, -1 failure (error set; an entry of that name
// that is not a folder, a link included, is a failure).
[[nodiscard]] int CreateFolderBelow(const TREEPATH& folder, const std::string& name, std::string& error);

// Sets only the last write (modification) time, not following a final link.
[[nodiscard]] bool SetLastWriteTime(const TREEPATH& entry, FILETIME time, std::string& error);

// Applies the bits of the attribute word (FileAttributes.h) that differ
// between oldAttributes (the word the caller holds) and newAttributes.
// Read-only set clears every write bit; cleared, it restores the owner's write
// bit and the group's and others' where they may read and the umask allows.
// Hidden and system cannot change here (an error saying so); directory,
// archive and link bits are ignored. A symbolic link has no mode of its own:
// changing read-only on one is an error.
[[nodiscard]] bool SetEntryAttributes(const TREEPATH& entry, uint32_t oldAttributes, uint32_t newAttributes,
                                      std::string& error);

// Reads an entry as the scan does (a link followed for its data, with 0x400 in
// its attributes), through the walk that follows no link below the root. False
// when it cannot be read; error then holds the errno value (ELOOP when the
// walk would have to go through a link).
[[nodiscard]] bool FindEntryBelow(const TREEPATH& entry, FINDDATA& data, int* error = nullptr);

// What a symbolic link below a root holds: its target text and its own
// modification time. False (error the errno value, EINVAL when it is no
// link) when it cannot be read.
[[nodiscard]] bool ReadLinkBelow(const TREEPATH& entry, std::string& text, FILETIME& lastWriteTime,
                                 int* error = nullptr);

// The temporary names copies are made under: "." + "corvatine-" + six random
// letters or digits + "." + the name (shortened to the system's limit), a
// hidden entry beside the one it becomes.
std::string TemporaryCopyName(const std::string& name);
bool IsTemporaryCopyName(std::string_view name);

// Whether the entry name of the folder is a temporary copy that no run is
// still writing (one that was interrupted): a file or folder of such a name
// whose lock (held while it is written) can be taken, or a link of such a
// name.
bool IsLeftoverCopy(const TREEPATH& entry);

// Whether the folder inner is the folder outer or lies inside it (by device
// and inode, links on the way to either followed). False when either cannot
// be looked at.
bool FolderContains(const std::string& outer, const std::string& inner);

// A path short enough for a message: a long one keeps its start and end.
std::string ShortPath(const std::string& path);

}  // namespace corvatine::platform
