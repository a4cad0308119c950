// The freedesktop.org Trash: deleting with "allow undo" moves the entry whole
// into the Trash of its volume, with an info file that says where it came
// from and when, so that a file manager can put it back. When no Trash can be
// used, nothing is deleted: there is never a fall-back to a real delete.
#pragma once

#include <sys/types.h>

#include <string>

namespace corvatine::platform {

// A Trash folder, which holds files/ and info/.
struct TRASHDIR {
    std::string path;
    // The top folder of the volume for a Trash there, to which the info
    // files' paths are relative; empty for the home Trash.
    std::string topdir;
};

// The home Trash: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash ($HOME);
// empty when neither variable is set.
std::string HomeTrashPath();

// The top folder of the volume that holds path (an existing absolute path):
// the last folder upward still on the same device and the same mount (a bind
// mount is a volume of its own: nothing can be renamed out of it).
std::string VolumeTopFolder(const std::string& path);

// The Trash of user uid on the volume whose top folder is topdir:
// $topdir/.Trash/$uid when $topdir/.Trash is a folder (not a link) with the
// sticky bit and $uid can be made or used there; else $topdir/.Trash-$uid,
// created with mode 0700 when missing, which must be a folder (not a link)
// owned by uid. Its files/ and info/ are created. False with error naming the
// folder and the reason when neither can be used.
[[nodiscard]] bool OpenTopdirTrash(const std::string& topdir, uid_t uid, TRASHDIR& trash, std::string& error);

// The Trash for an entry at the absolute path on device: the home Trash when
// the entry is on the same device and mount as it (the Trash is created when
// missing), else the Trash of the entry's volume. False with error when it cannot be
// used; no other Trash is tried then.
[[nodiscard]] bool FindTrashFor(const std::string& path, dev_t device, TRASHDIR& trash, std::string& error);

// The original path as an info file's Path= keeps it: the bytes with
// everything but letters, digits, "/" and -_.!~*'() escaped as %XX.
std::string EncodeTrashPath(const std::string& path);

// Moves the entry name of the open folder dir, whose absolute path is path,
// into the trash: first info/NAME.trashinfo is created (NAME is the entry's
// name, or "name.2", "name.3" ... when taken), then the entry is renamed to
// files/NAME; when that fails the info file is removed again. The entry is
// never copied and never deleted. name receives NAME.
[[nodiscard]] bool MoveIntoTrashFolder(int dir, const std::string& name, const std::string& path,
                                       const TRASHDIR& trash, std::string& trashedName, std::string& error);

// Finds the Trash for the entry name of the open folder dir (absolute path
// path, which is not followed when it is a link) and moves it there.
[[nodiscard]] bool MoveIntoTrash(int dir, const std::string& name, const std::string& path,
                                 std::string& error);

// The same for an entry named by its absolute path; the folders leading to it
// are followed when they are links, the entry itself is not.
[[nodiscard]] bool MoveToTrash(const std::string& path, std::string& error);

}  // namespace corvatine::platform
