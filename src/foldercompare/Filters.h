// The folder comparison's filters: whether a scanned entry, or an entry as an
// enumeration reports it (whose content is not read), is excluded by the
// filter records of a request.
#pragma once

#include <string_view>

#include "request/FilterRecords.h"

namespace corvatine {

class CFileInfoEx;
namespace platform {
struct FINDDATA;
}

// The name test of both filters: excluded when the include list is neither
// empty nor "*" and no include pattern matches, or when an exclude pattern
// matches. Lists are ";"-separated; empty pieces are skipped, blanks belong
// to the patterns, case is ignored.
bool IsNameExcluded(std::string_view include, std::string_view exclude, std::string_view name);
// True when some pattern of the list matches the whole name.
bool MatchesPatternList(std::string_view list, std::string_view name);

// A folder is never excluded by a file filter. A file is excluded by its
// name, then its last write time (bounds inclusive), its size (bounds
// inclusive), its attributes, and last its content type (an unknown type is
// excluded whenever any type is, except that of a file that cannot be read,
// which stays in to be told); the entry's content type may be determined
// (and is cached there, with its readError). The enumeration form makes the
// same tests without the content type.
bool IsExcluded(const CFileFilters& filter, CFileInfoEx& entry);
bool IsExcluded(const CFileFilters& filter, const platform::FINDDATA& data);
// A file is never excluded by a folder filter; a folder by its name or its
// attributes.
bool IsExcluded(const CFolderFilters& filter, CFileInfoEx& entry);
bool IsExcluded(const CFolderFilters& filter, const platform::FINDDATA& data);
// Entries with the directory attribute go to the folder filter, all others to
// the file filter.
bool IsExcluded(const CComboFilters& filter, CFileInfoEx& entry);
bool IsExcluded(const CComboFilters& filter, const platform::FINDDATA& data);

}  // namespace corvatine
