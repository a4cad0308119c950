// Archives read as trees of entries through libarchive: tar (plain or
// compressed), zip and jar, 7z, cpio, ar and the data member of a Debian
// package. Entries are read as streams, one pass at a time from the start of
// the archive; nothing is ever written to disk, and a hostile archive costs
// bounded memory and time (ARCHIVELIMITS).
//
// A path that runs through an archive names an entry inside it: in
// "/x/a.tar.xz/src/main.c" the file /x/a.tar.xz is the archive and
// "src/main.c" the entry. Archives inside archives nest the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct archive;
struct archive_entry;

namespace corvatine {

// Reasons an archive or an entry cannot be read, beside errno values (they
// share CFileInfo::readError's space, below its own codes).
inline constexpr int kArchiveErrorDamaged = -3;    // damaged, truncated, or not of a known format
inline constexpr int kArchiveErrorExpansion = -4;  // expands beyond the limit: a decompression bomb
inline constexpr int kArchiveErrorTooMany = -5;    // more entries than the limit
inline constexpr int kArchiveErrorTooLarge = -6;   // larger than what is read into memory
inline constexpr int kArchiveErrorEncrypted = -7;  // its data is encrypted
inline constexpr int kArchiveErrorNesting = -8;    // archives nested deeper than the limit
inline constexpr int kArchiveErrorNotFile = -9;    // the path names no file entry of the archive

// The text of one of the codes above, or an empty text for any other value.
std::string ArchiveErrorText(int error);

struct ARCHIVELIMITS {
    // A listing stops with kArchiveErrorTooMany beyond this many entries.
    size_t maxEntries = 1000000;
    // Reading stops with kArchiveErrorExpansion once the bytes it produced
    // exceed this many times the bytes taken from the disk file, plus the
    // slack: real archives of text stay far below, bombs far above.
    uint64_t maxExpansion = 500;
    uint64_t expansionSlack = uint64_t{64} << 20;
    // An entry read whole into memory (for a text comparison) may be at most
    // this large.
    uint64_t maxInMemory = uint64_t{512} << 20;
    // Archives inside archives, this many levels at most.
    int maxNesting = 8;
};

enum class ArchiveEntryKind : uint8_t { File, Folder, Link, Other };

struct ARCHIVEENTRY {
    // Below the archive's root, joined by '/': leading '/' and "../" parts
    // and "." parts are dropped, ".." inside is resolved, as tar does when
    // it extracts. Never empty for an entry in the tree.
    std::string path;
    ArchiveEntryKind kind = ArchiveEntryKind::File;
    uint64_t size = 0;  // as the header declares it; a symbolic link: its target's length
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
    uint32_t mode = 0;       // permission bits
    std::string linkTarget;  // a symbolic link's target, shown, never followed
    int position = 0;        // the entry's place among the archive's headers
    // Where the content is: its own header, or for a hard link the header of
    // the entry it shares its data with; -1 for no content (a link whose
    // entry is missing).
    int dataPosition = 0;
};

// A stream of bytes, read once from the start.
class CContentStream {
public:
    virtual ~CContentStream() = default;
    // Bytes read, 0 at the end, or -1 on failure: Error() then says why.
    virtual int64_t Read(void* buffer, size_t size) = 0;
    virtual int Error() const = 0;
};

class CArchiveCursor;

class CArchive : public std::enable_shared_from_this<CArchive> {
public:
    // Whether a file name is one of an archive format read here (by its
    // ending: .tar, .tar.gz, .tgz, .zip, .jar, .7z, .cpio, .ar, .deb ...).
    static bool IsArchiveName(std::string_view name);

    // Whether a file with an archive's name starts as one: its first header
    // (or its end, for an empty archive) can be read. Reads only that much.
    static bool StartsAsArchive(const std::string& path);

    // Lists the archive in a file. Null when it cannot be read at all (error
    // tells why: an errno value or a kArchiveError code). An archive damaged
    // part way keeps the entries listed before and tells why in ListError.
    static std::shared_ptr<CArchive> OpenFile(const std::string& path, int& error,
                                              const ARCHIVELIMITS& limits = ARCHIVELIMITS());
    // An entry of this archive that is itself an archive.
    std::shared_ptr<CArchive> OpenNested(int position, int& error);

    // The archive a path names, through as many archives as it runs through;
    // rest gets what follows it (empty when the path is the archive itself).
    // A last part that is an archive is opened too with intoLast. Null, with
    // error, when no part of the path is an archive that can be read (ENOENT
    // when the path runs through no archive at all).
    static std::shared_ptr<CArchive> OpenPath(const std::string& path, std::string& rest, int& error,
                                              bool intoLast = false,
                                              const ARCHIVELIMITS& limits = ARCHIVELIMITS());
    // Reads the file entry a path names into memory (at most
    // limits.maxInMemory bytes). False with error when the path runs through
    // no archive (ENOENT), names no file entry, or cannot be read.
    static bool ReadPath(const std::string& path, std::string& bytes, int& error,
                         const ARCHIVELIMITS& limits = ARCHIVELIMITS());
    // Whether a path runs through an archive (a part before the last is an
    // archive file): only its name and the file system are looked at.
    static bool IsInsideArchive(const std::string& path);

    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    // The path the user knows it by: the file's, or the containing archive's
    // joined with the entry's.
    const std::string& DisplayPath() const { return m_displayPath; }
    const ARCHIVELIMITS& Limits() const { return m_limits; }
    // Entries in header order (position is the index); later entries of the
    // same path replace earlier ones in the tree, as an extraction would.
    const std::vector<ARCHIVEENTRY>& Entries() const { return m_entries; }
    // 0, or why the listing stopped early.
    int ListError() const { return m_listError; }

    // The tree: node 0 is the root. Folders that no header names are made
    // for the entries below them.
    struct NODE {
        std::string name;
        int entry = -1;  // the header, -1 for a folder made for its entries (and the root)
        bool folder = false;
        std::vector<int> children;
    };
    const std::vector<NODE>& Nodes() const { return m_nodes; }
    // The node of a path below the root ("" is the root), or -1.
    int FindNode(std::string_view path) const;

    // A cursor from the start of the archive.
    std::unique_ptr<CArchiveCursor> NewCursor(int& error) const;
    // The content of one entry (its data position), read from the start of
    // the archive: for single use, not for every entry in turn.
    std::unique_ptr<CContentStream> OpenEntry(int position, int& error) const;
    // Reads an entry whole (at most limits.maxInMemory bytes).
    bool ReadEntry(int position, std::string& bytes, int& error) const;

    // Work on the whole archive that is done once and kept: the lock guards
    // it (see foldercompare's archive entries).
    std::mutex& WorkLock() const { return m_workLock; }
    std::shared_ptr<void>& WorkData() const { return m_workData; }

private:
    CArchive() = default;
    bool List(int& error);
    void AddToTree(int position);
    int FindChild(int node, std::string_view name) const;

    friend class CArchiveCursor;
    std::string m_filePath;                    // the disk file, for an archive that is one
    std::shared_ptr<const CArchive> m_parent;  // else the archive holding it,
    int m_parentPosition = -1;                 // at this entry
    int m_depth = 0;
    bool m_inMemory = false;  // an archive inside another, read from memory
    std::string m_displayPath;
    ARCHIVELIMITS m_limits;
    std::vector<ARCHIVEENTRY> m_entries;
    std::vector<NODE> m_nodes;
    // A node's child by name, keyed by the parent's index and the name: a
    // folder of a million entries is looked up without walking its list.
    std::unordered_map<std::string, int> m_childIndex;
    int m_listError = 0;
    mutable std::mutex m_workLock;
    mutable std::shared_ptr<void> m_workData;
};

// Reads an archive's headers in order, and the content of the one it stands
// on. Going back means a new cursor.
class CArchiveCursor : public CContentStream {
public:
    ~CArchiveCursor() override;
    CArchiveCursor(const CArchiveCursor&) = delete;
    CArchiveCursor& operator=(const CArchiveCursor&) = delete;

    // Moves on to the header at position (not before the current one). False
    // with Error() when the archive ends first or cannot be read.
    bool MoveTo(int position);
    // The header the cursor stands on, -1 before the first.
    int Position() const { return m_position; }
    // The content of the current entry.
    int64_t Read(void* buffer, size_t size) override;
    int Error() const override { return m_error; }
    // For a listing: moves to the next header; false at the end (Error() 0)
    // or on failure.
    bool Next();
    // The current header (valid until the next move).
    struct archive_entry* Header() const {
        return m_header;
    }

private:
    friend class CArchive;
    CArchiveCursor() = default;
    bool Start(const CArchive& archive);
    int Fail(int error);
    bool CheckExpansion();
    uint64_t DiskBytes() const;
    static long ReadCallback(struct archive*, void* self, const void** buffer);
    static int64_t SeekCallback(struct archive*, void* self, int64_t offset, int whence);
    static int64_t SkipCallback(struct archive*, void* self, int64_t request);

    struct archive* m_archive = nullptr;
    struct archive_entry* m_header = nullptr;
    const CArchiveCursor* m_root = nullptr;    // the cursor reading the disk file
    std::unique_ptr<CArchiveCursor> m_source;  // a nested archive: the cursor on its entry
    std::unique_ptr<unsigned char[]> m_block;  // what was handed to libarchive last
    std::string m_memory;                      // a nested archive held whole, where it must seek
    size_t m_memoryAt = 0;
    bool m_memoryBacked = false;
    int m_fd = -1;             // the disk file, for the cursor that reads it
    uint64_t m_diskBytes = 0;  // read from it so far
    ARCHIVELIMITS m_limits;
    uint64_t m_produced = 0;  // content bytes handed out
    int m_position = -1;
    int m_error = 0;
};

}  // namespace corvatine
