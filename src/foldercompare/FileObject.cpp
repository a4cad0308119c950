#include <cerrno>

#include "foldercompare/FileInfo.h"
#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

platform::COPYOPTIONS CopyOptions(const CFileInfo& source, const CFileInfo* replaced, bool emptyFolderOnly,
                                  uint32_t flags, const ENTRYOPEXTRAS& extras) {
    platform::COPYOPTIONS options;
    options.emptyFolderOnly = emptyFolderOnly;
    options.source = ExpectedEntry(source);
    options.target = replaced != nullptr ? ExpectedEntry(*replaced) : platform::EXPECTEDENTRY{true, false};
    options.replaceOtherKind = extras.replaceOtherKind;
    options.replaceToTrash = (flags & platform::FOF_ALLOWUNDO) != 0;
    options.replacedBelow = extras.replacedBelow;
    options.cancel = extras.cancel;
    options.touched = extras.touched;
    return options;
}

}  // namespace

platform::EXPECTEDENTRY ExpectedEntry(const CFileInfo& seen) {
    platform::EXPECTEDENTRY expected;
    expected.check = true;
    expected.exists = true;
    expected.kind = platform::EntryKindOf(seen.attributes);
    expected.size = seen.size;
    expected.lastWriteTime = seen.lastWriteTime;
    return expected;
}

platform::TREEPATH CFileObject::GetTreePath() const {
    return {platform::PathParentFolder(GetFullPath()), GetName()};
}

int CFileObject::CopyToFolder(const platform::TREEPATH& folder, uint32_t flags, bool emptyFolderOnly,
                              const CFileInfo* replaced, std::string& error,
                              const ENTRYOPEXTRAS& extras) const {
    return platform::CopyEntryInto(GetTreePath(), folder,
                                   CopyOptions(*this, replaced, emptyFolderOnly, flags, extras), error)
               ? 0
               : -1;
}

int CFileObject::MoveToFolder(const platform::TREEPATH& folder, uint32_t flags, const CFileInfo* replaced,
                              std::string& error, const ENTRYOPEXTRAS& extras) const {
    return platform::MoveEntryInto(GetTreePath(), folder, CopyOptions(*this, replaced, false, flags, extras),
                                   error)
               ? 0
               : -1;
}

int CFileObject::Delete(uint32_t flags, std::string& error, const ENTRYOPEXTRAS& extras) const {
    platform::DELETEOPTIONS options;
    options.toTrash = (flags & platform::FOF_ALLOWUNDO) != 0;
    options.expected = ExpectedEntry(*this);
    options.below = extras.below;
    options.touched = extras.touched;
    return platform::DeleteEntry(GetTreePath(), options, error) ? 0 : -1;
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
