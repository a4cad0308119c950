// Path helpers for '/'-separated Linux paths.
//
// Everything here is lexical except the functions that say they look at the
// file system (PathExists, NameExists, IsFolder, ProgramPath, ProgramFolder).
#pragma once

#include <string>
#include <string_view>

namespace corvatine::platform {

// Joins a folder and a name with one '/'; never doubles a separator. An empty
// folder yields the name unchanged, an empty name yields the folder.
std::string JoinPath(std::string_view folder, std::string_view name);

// Splits a path into its containing folder and its last component, ignoring
// trailing separators: "a/b/" gives ("a", "b"), "/x" gives ("/", "x"),
// "x" gives ("", "x"), "/" gives ("", "/").
void SplitPath(std::string_view path, std::string& folder, std::string& name);

// The last component (see SplitPath).
std::string PathFileName(std::string_view path);

// The containing folder: the path without its last component; empty when the
// path has no containing folder ("a.txt", "/", "").
std::string PathParentFolder(std::string_view path);

// The extension of the last component: from its last dot, dot included; empty
// when the name has no dot. A leading dot counts (".profile" is an extension).
std::string PathExtension(std::string_view path);

// Lexical normal form: repeated separators collapsed, "." components dropped,
// no trailing separator (except for "/" itself). ".." is kept, because
// "a/b/.." is not "a" when b is a symbolic link. "" stays "", "./" becomes ".".
std::string NormalizePath(std::string_view path);

// Two paths name the same file-system path: byte-for-byte equal after
// NormalizePath. Linux file systems are case-sensitive.
bool PathsEqual(std::string_view a, std::string_view b);

// The path made absolute against the current folder, in normal form; an
// absolute or empty path is only normalised.
std::string AbsolutePath(std::string_view path);

// True when the path names an existing entry, following symbolic links.
bool PathExists(const std::string& path);

// True when an entry of that name exists, a dangling symbolic link included.
bool NameExists(const std::string& path);

// True when the path names an existing folder, following symbolic links.
bool IsFolder(const std::string& path);

// The absolute path of the running program (from /proc/self/exe); empty when
// it cannot be read.
std::string ProgramPath();

// The folder that holds the running program; empty when it cannot be read.
std::string ProgramFolder();

}  // namespace corvatine::platform
