#include <cerrno>

#include "foldercompare/FileInfo.h"
#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

// What the scan saw of a file, so that one changed since is not replaced.
// Folders change their times whenever an entry is added: they are not checked.
platform::EXPECTEDENTRY Expected(const CFileInfo* seen) {
    platform::EXPECTEDENTRY expected;
    if (seen != nullptr && (seen->attributes & FILE_ATTRIBUTE_DIRECTORY)) return expected;
    expected.check = true;
    expected.exists = seen != nullptr;
    if (seen != nullptr) {
        expected.size = seen->size;
        expected.lastWriteTime = seen->lastWriteTime;
    }
    return expected;
}

platform::COPYOPTIONS CopyOptions(const CFileInfo& source, const CFileInfo* replaced, bool emptyFolderOnly) {
    platform::COPYOPTIONS options;
    options.emptyFolderOnly = emptyFolderOnly;
    options.source = Expected(&source);
    // Copying a folder merges into what is there.
    if (!(source.attributes & FILE_ATTRIBUTE_DIRECTORY)) options.target = Expected(replaced);
    return options;
}

}  // namespace

platform::TREEPATH CFileObject::GetTreePath() const {
    return {platform::PathParentFolder(GetFullPath()), GetName()};
}

int CFileObject::CopyToFolder(const platform::TREEPATH& folder, uint32_t /*flags*/, bool emptyFolderOnly,
                              const CFileInfo* replaced, std::string& error) const {
    return platform::CopyEntryInto(GetTreePath(), folder, CopyOptions(*this, replaced, emptyFolderOnly),
                                   error)
               ? 0
               : -1;
}

int CFileObject::MoveToFolder(const platform::TREEPATH& folder, uint32_t /*flags*/, const CFileInfo* replaced,
                              std::string& error) const {
    return platform::MoveEntryInto(GetTreePath(), folder, CopyOptions(*this, replaced, false), error) ? 0
                                                                                                      : -1;
}

int CFileObject::Delete(uint32_t flags, std::string& error) const {
    return platform::DeleteEntry(GetTreePath(), (flags & platform::FOF_ALLOWUNDO) != 0, error) ? 0 : -1;
}

int CFileObject::Rename(const std::string& newName, std::string& error) {
    if (!platform::RenameEntry(GetTreePath(), newName, error)) return -1;
    // An entry in a folder keeps its name as its path; a root its full path.
    if (path.view().find('/') == std::string_view::npos)
        path = newName;
    else
        path = platform::JoinPath(platform::PathParentFolder(path.str()), newName);
    return 0;
}

int CFileObject::CreateSubfolder(const std::string& name, std::string& error) const {
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDriveRoot()) {
        error = "'" + GetFullPath() + "' is not a folder";
        return -1;
    }
    return platform::CreateFolderBelow(GetTreePath(), name, error);
}

int CFileObject::SetLastWriteTime(FILETIME time, std::string& error) {
    if (!platform::SetLastWriteTime(GetTreePath(), time, error)) return -1;
    lastWriteTime = time;
    return 0;
}

int CFileObject::SetAttributes(uint32_t newAttributes, std::string& error) {
    if (!platform::SetEntryAttributes(GetTreePath(), attributes, newAttributes, error)) return -1;
    attributes = newAttributes;
    return 0;
}

}  // namespace corvatine
