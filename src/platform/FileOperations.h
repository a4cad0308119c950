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
#include <string>

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

// What the caller saw of an entry when it scanned it, so that a file changed
// since is not overwritten. check false: no check. exists false: the caller
// saw no entry there. size/lastWriteTime as the scan reported them (stat
// following links, as FindEntry does). A folder is checked only for being
// there: its time changes with every entry added below it.
struct EXPECTEDENTRY {
    bool check = false;
    bool exists = false;
    uint64_t size = 0;
    FILETIME lastWriteTime = 0;
};

struct COPYOPTIONS {
    bool emptyFolderOnly = false;  // a folder: create only the folder (or succeed when it exists)
    EXPECTEDENTRY source;          // refuse when the source changed since the scan
    EXPECTEDENTRY target;          // refuse to replace a target that changed since the scan
    const std::atomic<bool>* cancel = nullptr;  // optional; tested between the entries of a folder copy
};

// Copies the entry at source into the folder targetFolder under the same name
// (the last component of source.relative); targetFolder and its missing
// parents are created (mode 0777 less the umask).
// - A regular file is written to a fresh temporary name in the target folder,
//   takes the source's permission bits and access and modification times, is
//   synced when it replaces a file, and is then renamed into place. On failure
//   the temporary is removed and the target is as it was. A target that is a
//   symbolic link is replaced (never written through).
// - A symbolic link is copied as a link with the same target text.
// - A folder is created (an existing one is merged into) and, unless
//   emptyFolderOnly, every entry below it copied the same way (links as
//   links); its mode and times are set last. Entries that fail do not stop
//   the others; the first failure is reported.
// - A folder in the way of a file, a file or link in the way of a folder, and
//   a fifo, socket or device as the source are errors; nothing is changed.
[[nodiscard]] bool CopyEntryInto(const TREEPATH& source, const TREEPATH& targetFolder,
                                 const COPYOPTIONS& options, std::string& error);

// Moves the entry into targetFolder (created when missing) under its name by
// renaming it, replacing an existing file. Across file systems, or onto an
// existing folder that is not empty, the entry is copied (with contents)
// and the source deleted only when the copy fully succeeded. The same checks
// as CopyEntryInto apply.
[[nodiscard]] bool MoveEntryInto(const TREEPATH& source, const TREEPATH& targetFolder,
                                 const COPYOPTIONS& options, std::string& error);

// Deletes the entry: a file or link is unlinked (a link, never its target), a
// folder with everything below it, never following a link. The first entry
// that cannot be deleted stops the delete. With toTrash the entry is moved
// whole to the freedesktop.org Trash of its volume instead (Trash.h); when no
// Trash can be used there, nothing is deleted.
[[nodiscard]] bool DeleteEntry(const TREEPATH& entry, bool toTrash, std::string& error);

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

}  // namespace corvatine::platform
