// Entries of a folder comparison that lie inside archives: an archive is a
// folder whose children come from its listing, and whose files are read as
// streams. Nothing is extracted to disk, and nothing inside can be changed.
//
// Archives are read from their start, so the content methods read each
// archive in as few passes as they can: CRC-32 and the content type of every
// entry in one pass, and the binary and text methods for every pair between
// an archive and the other side in the archive's order (a further pass only
// for the pairs whose order the other side's archive does not share).
#pragma once

#include <memory>
#include <string>

#include "fileio/Archive.h"
#include "foldercompare/FileCompare.h"
#include "foldercompare/FolderItem.h"

namespace corvatine {

// What the file operations say for an entry inside an archive.
std::string ArchiveReadOnlyMessage(const std::string& path);

// Whether an entry is an archive read as a folder, or lies inside one.
bool LiesInArchive(const CFolderItem& entry);

// An archive, or a folder inside one. It is listed when first scanned: an
// archive found by a folder scan costs nothing until it is opened.
class CArchiveFolder : public CFolder {
public:
    // A node of an open archive.
    CArchiveFolder(std::shared_ptr<CArchive> archive, int node);
    // An archive not listed yet: the disk file the entry names (no parent
    // archive), or an entry of holder at position.
    CArchiveFolder(std::shared_ptr<CArchive> holder, int position, bool nested);

    const ARCHIVEPLACE* ArchivePlace() const override { return m_place.archive ? &m_place : nullptr; }
    bool IsArchiveRoot() const { return m_place.node == 0; }
    bool Refresh(const std::string& newPath) override;
    bool Refresh() override;
    bool Scan(bool filesOnly = false) override;
    bool HasVisibleContent(const CComboFilters& filter, int* error = nullptr) const override;
    // The folder's information from its header (null: a folder no header
    // names, or an archive file, whose own information it keeps).
    void FillFromEntry(const ARCHIVEENTRY* entry);

private:
    // Lists the archive when it was not listed yet: 0, or why it cannot be.
    int EnsureOpen() const;

    mutable ARCHIVEPLACE m_place;
    std::shared_ptr<CArchive> m_parentArchive;  // unopened: the archive that holds this one
    int m_position = -1;                        // and its entry there
    mutable bool m_opened = false;
    mutable int m_openError = 0;
};

// A file (or link, or other entry) inside an archive.
class CArchiveFile : public CFolderItem {
public:
    CArchiveFile(std::shared_ptr<CArchive> archive, int node);

    const ARCHIVEPLACE* ArchivePlace() const override { return &m_place; }
    bool Refresh(const std::string& newPath) override;
    bool Refresh() override;
    int DetermineContentType(bool force = false) override;
    uint32_t ComputeCRC(bool force = false, CCrcReceiver* receiver = nullptr, uint64_t worker = 0) override;
    bool ReadVersion(bool force = false) override;
    void FillFromEntry(const ARCHIVEENTRY& entry);
    const ARCHIVEENTRY& Entry() const;

private:
    ARCHIVEPLACE m_place;
};

// The binary (METHOD_BINARY) or text (METHOD_TEXT) method on a pair of which
// at least one side lies inside an archive: the content result, and each
// side's read error in errors (0 for a side that was read).
int CompareArchivePair(CFolderItem& left, CFolderItem& right, uint32_t method,
                       const FILECOMPAREOPTIONS& options, int errors[2]);

// The root entry of a comparison side whose path is an archive, or runs
// into one: null, with error, when the path names no archive that can be
// read; null with error 0 when the path is no archive path at all.
std::unique_ptr<CFolder> OpenArchiveRoot(const std::string& path, int& error);

}  // namespace corvatine
