// Files opened from a folder comparison may be edited and saved, and saving
// writes through a symbolic link to the file it names. A link below a
// compared root can lead anywhere; such a file is saved only when the file it
// finally names lies inside the compared roots, or inside the working tree of
// git difftool --dir-diff, whose tree of the working side is made of links
// into it.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

// The folders a file opened from the comparison of the two roots may be
// written in through links: the roots and, when the program runs under git
// difftool --dir-diff (GIT_DIFFTOOL_DIRDIFF set, the comparison of two
// folders), the working tree GIT_WORK_TREE names.
std::vector<std::string> LinkTargetFolders(const std::string& leftRoot, const std::string& rightRoot);

// Whether saving to path would write outside every folder of allowed: the
// path, or a folder on the way to it, is a symbolic link that leads out of
// them (or cannot be followed).
bool WritesOutsideThroughLinks(const std::string& path, const std::vector<std::string>& allowed);

}  // namespace corvatine
