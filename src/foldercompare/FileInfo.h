// One file-system entry of a folder comparison side: what the methods, the
// filters, the views and the report know of it. CFileInfo holds the basic
// information read by an enumeration; CFileInfoEx adds what is read from the
// content only when asked for (version, text or binary, CRC-32).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "foldercompare/EntryName.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/FileFind.h"
#include "platform/FileOperations.h"

namespace corvatine {

using platform::FILETIME;
using platform::FINDDATA;

enum FileState : uint32_t {
    FILE_STATE_NOT_FOUND = 0x1,  // the last refresh found no such entry
    FILE_STATE_10 = 0x10,        // set after reset; kept for the views
    FILE_STATE_20 = 0x20,        // set after reset; kept for the views
    FILE_STATE_HAS_CHILDREN = 0x100000,
    FILE_STATE_EXCLUDED = 0x200000,  // excluded by the active filter
    // A folder reached through a symbolic link that leads back to one of its
    // own containing folders: it is never scanned, so a tree cannot loop.
    FILE_STATE_LINK_LOOP = 0x400000,
};

inline constexpr uint32_t kFileStateAfterReset = FILE_STATE_10 | FILE_STATE_20;

// Reasons for CFileInfo::readError beside errno values (which are positive).
inline constexpr int kReadErrorNotRegular = -1;  // a fifo, socket or device: its content is not read
inline constexpr int kReadErrorChanged = -2;     // it ended early while it was being read

// The text of a read error: the system's message for an errno value, or
// what a kReadError code stands for.
std::string ReadErrorText(int error);

enum FileValid : uint32_t {
    FILE_VALID_INFO = 0x1,
    FILE_VALID_VERSION = 0x100,
    FILE_VALID_CONTENT_TYPE = 0x200,
    FILE_VALID_CRC = 0x800,
};

// Indexes of the program's own small icon list, until a desktop shell can
// tell its icons.
enum FileIcon : int { FILE_ICON_FILE = 0, FILE_ICON_FOLDER = 1, FILE_ICON_LINK = 2, FILE_ICON_MISSING = 3 };

// The fields are laid out for a folder comparison that holds one entry per
// file on each side (72 bytes for a CFolderItem): narrow types, the name in
// 16 bytes, and what a scan does not need looked up when asked for (the
// creation and last access times; a file's identity, see CFolder) or kept
// aside while it is known (the version resource).
class CFileInfo {
public:
    uint64_t size = 0;  // 0 for folders
    // The creation and last access times are not kept: they are read from
    // the file system when asked for (GetCreationFileTime and the others).
    FILETIME lastWriteTime = 0;
    uint32_t attributes = 0;
    uint32_t state = kFileStateAfterReset;
    CEntryName path;  // a root's full path; an entry in a scanned folder: its name
    uint16_t valid = 0;
    // Why the entry could not be read since its last refresh or scan: the
    // listing of a folder, or the content of a file for a detail or a
    // comparison method. An errno value or one of the kReadError codes; 0
    // while nothing failed. Cleared by a reset; never copied to a twin.
    int16_t readError = 0;
    char separator = '/';  // joins a containing folder's path and the name

    CFileInfo() = default;
    virtual ~CFileInfo() = default;
    CFileInfo(const CFileInfo&) = default;
    CFileInfo& operator=(const CFileInfo&) = default;

    virtual void Reset();
    // Reset, keep the path, read the entry. False, with the not-found state,
    // when there is no such entry. A root ("/") is not read: it stays reset.
    virtual bool Refresh(const std::string& newPath);
    virtual bool Refresh();
    virtual void FillFromFindData(const FINDDATA& data);
    virtual uint64_t GetSize() const { return size; }
    virtual std::string GetName() const;
    virtual std::string GetFullPath() const { return path.str(); }
    virtual std::string GetBaseName() const;
    virtual std::string GetExtension() const;
    virtual std::string GetURL() const { return "file://" + GetFullPath(); }
    virtual std::string GetContainingFolder() const;
    virtual bool IsDots() const;
    // Calendar times in whole seconds since 1970, and the raw times.
    virtual int64_t GetLastWriteTime() const;
    virtual FILETIME GetLastWriteFileTime() const { return lastWriteTime; }
    virtual int64_t GetLastAccessTime() const;
    // Read now from the entry's path; 0 when it was never read (a reset
    // entry, a root "/") or is gone.
    virtual FILETIME GetLastAccessFileTime() const;
    virtual int64_t GetCreationTime() const;
    virtual FILETIME GetCreationFileTime() const;
    virtual bool Exists() const { return (state & FILE_STATE_NOT_FOUND) == 0; }
    virtual bool IsState10() const { return (state & FILE_STATE_10) != 0; }
    virtual bool IsState20() const { return (state & FILE_STATE_20) != 0; }
    // "----" with R, A, S, H in their places.
    virtual std::string GetAttributeText(bool lowerCase = false) const;
    // Empty for a folder; the size with the locale's digit grouping.
    virtual std::string GetSizeText() const;
    virtual std::string GetLastWriteTimeText() const { return GetTimeText(lastWriteTime); }
    virtual std::string GetLastAccessTimeText() const { return GetTimeText(GetLastAccessFileTime()); }
    virtual std::string GetCreationTimeText() const { return GetTimeText(GetCreationFileTime()); }
    virtual int GetIconIndex() const;
    virtual void CopyFrom(const CFileInfo& other);
    virtual bool AttributeTest(uint32_t bits) const { return (attributes & bits) != 0; }
    virtual bool StateTest(uint32_t bits) const { return (state & bits) != 0; }
    // "%Y-%m-%d %H:%M:%S" of the local time; empty for a time of 0, which no
    // entry has (a root's fields stay 0).
    virtual std::string GetTimeText(FILETIME time) const;

    bool IsDriveRoot() const { return path == "/"; }

private:
    // What FindEntry reads of the entry now; false, leaving data empty, for
    // an entry that was never read or is gone.
    bool LookUp(FINDDATA& data) const;
};

// Content types of CFileInfoEx.
enum FileContentType : int { FILE_CONTENT_UNKNOWN = -1, FILE_CONTENT_TEXT = 1, FILE_CONTENT_BINARY = 2 };

// The encoding classes held in bits 12 to 14 of the encoding word, set when
// the content type is determined: 1 UTF-8, 3 UTF-16 big-endian and 4 UTF-16
// little-endian by their byte-order mark; 2 (4-byte units) is never found.
inline constexpr uint32_t kEncodingClassShift = 12;
inline constexpr uint32_t kEncodingClassMask = 0x7000;

// The CRC is computed over reads of at most this size (smaller for small
// files). Any size gives the same CRC; 256 KiB reads measured 1.4 times
// faster than 4096-byte ones on a cached 200 MB file.
inline constexpr size_t kCrcBlockSize = 256 * 1024;

// What the CRC computation reports when it is given a receiver.
inline constexpr int kCrcStartMessage = 1030;     // progress range 0 to 100
inline constexpr int kCrcProgressMessage = 1026;  // percentage read so far
inline constexpr int kCrcResultMessage = 1455;    // the CRC, to the receiver's owner

class CCrcReceiver {
public:
    virtual ~CCrcReceiver() = default;
    virtual void Post(int message, uint64_t wParam, int64_t lParam) = 0;
};

class CFileInfoEx : public CFileInfo {
public:
    // The file version is kept aside (see GetFileVersion): few files have one.
    int8_t contentType = FILE_CONTENT_UNKNOWN;

    CFileInfoEx() = default;
    CFileInfoEx(const CFileInfoEx& other);
    CFileInfoEx& operator=(const CFileInfoEx& other);
    ~CFileInfoEx() override;

    void Reset() override;
    std::string GetAttributeText(bool lowerCase = false) const override;

    // Computed on first request and cached.
    int GetContentType();
    uint32_t GetCRC();
    // The CRC as computed, all ones until then (and for a CRC of all ones).
    uint32_t GetCRCValue() const { return m_crc; }
    void SetCRCValue(uint32_t crc) { m_crc = crc; }
    void GetFileVersion(uint32_t& ms, uint32_t& ls) const;
    // The two words as one number, the most significant word high: 0 for none.
    uint64_t GetFileVersionValue() const;
    void SetFileVersion(uint32_t ms, uint32_t ls);
    bool HasFileVersion() const { return m_versionAside; }
    // Bits 12 to 14 of the first word hold the encoding class; the others
    // are 0.
    uint32_t GetEncodingWord(int index) const {
        return index == 0 ? static_cast<uint32_t>(m_encodingClass) << kEncodingClassShift : 0;
    }
    void SetEncodingClass(int encodingClass);
    int GetEncodingClass() const { return m_encodingClass; }
    // "%d,%d,%d,%d" of the four 16-bit parts.
    std::string GetVersionText() const;
    // Hexadecimal without leading zeros; empty while not computed.
    std::string GetCRCText(bool lowerCase = false) const;
    // Each reads only when not yet valid, or always when forced (an entry
    // inside an archive reads its archive's stream instead of a file).
    virtual bool ReadVersion(bool force = false);
    virtual int DetermineContentType(bool force = false);
    // 0 for a folder, a missing file or one that cannot be read; for the
    // last two readError tells why, as it does when the content type or the
    // version cannot be read. With a receiver the start, each block's
    // progress and the result are posted.
    virtual uint32_t ComputeCRC(bool force = false, CCrcReceiver* receiver = nullptr, uint64_t worker = 0);
    void CopyFrom(const CFileInfo& other) override;

private:
    void SetFileVersionValue(uint64_t value);

    // One byte: the encoding class, and whether a non-zero file version is
    // stored aside for this entry.
    uint8_t m_encodingClass : 3 = 0;
    bool m_versionAside : 1 = false;
    // Kept here, not aside: a comparison by CRC computes one for every file,
    // and a table of them made that method slower.
    uint32_t m_crc = 0xFFFFFFFFu;
};

// An entry that the folder comparison's file operations change. Each
// operation addresses the entry below its compared root (GetTreePath), so
// that nothing is changed through a symbolic link below a root, and returns
// 0 on success, non-zero on failure with error naming the path and reason.
// What the file operations of a run pass to each entry beside its own
// arguments.
struct ENTRYOPEXTRAS {
    platform::CTouchedFolders* touched = nullptr;  // the run syncs these folders at its end
    const std::atomic<bool>* cancel = nullptr;     // stops a copy between entries and chunks
    // Copy: an entry of another kind in the target's place (replaced) is
    // replaced, checked against what the scan saw inside it (replacedBelow).
    bool replaceOtherKind = false;
    const platform::CScannedFolder* replacedBelow = nullptr;
    // Delete: what the scan saw inside the folder deleted; what is not there,
    // or is otherwise now, is kept.
    const platform::CScannedFolder* below = nullptr;
};

// What the scan saw of an entry, for the operations that must not overwrite
// or delete it once it changed.
platform::EXPECTEDENTRY ExpectedEntry(const CFileInfo& seen);

class CFileObject : public CFileInfoEx {
public:
    // The root the entry belongs to and its path below it; an entry outside a
    // tree: its containing folder and its name.
    virtual platform::TREEPATH GetTreePath() const;

    // Copies the entry (a folder with its contents unless emptyFolderOnly)
    // into the folder, which is created when missing. replaced is what the
    // scan saw at the target (null: nothing); a source or target that
    // changed on disk since is not overwritten.
    int CopyToFolder(const platform::TREEPATH& folder, uint32_t flags, bool emptyFolderOnly,
                     const CFileInfo* replaced, std::string& error, const ENTRYOPEXTRAS& extras = {}) const;
    int MoveToFolder(const platform::TREEPATH& folder, uint32_t flags, const CFileInfo* replaced,
                     std::string& error, const ENTRYOPEXTRAS& extras = {}) const;
    // With FOF_ALLOWUNDO the entry goes to the Trash of its volume. An entry
    // changed since the scan is not deleted.
    int Delete(uint32_t flags, std::string& error, const ENTRYOPEXTRAS& extras = {}) const;
    // Renames the entry in its folder; on success the entry holds the new
    // name.
    int Rename(const std::string& newName, std::string& error);
    // Folders only: 1 when the subfolder already existed, 0 when it was
    // created, -1 on failure.
    int CreateSubfolder(const std::string& name, std::string& error) const;
    // Sets only the last write time (UTC); on success the entry holds it.
    int SetLastWriteTime(FILETIME time, std::string& error);
    // Sets the whole attribute word; on success the entry holds it.
    int SetAttributes(uint32_t newAttributes, std::string& error);
    // Whether the entry is a symbolic link (whatever it names).
    bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

// Standard CRC-32 of a file, read in blocks; 0 when it cannot be opened or
// read, and then error, when given, tells why (kReadErrorNotRegular for
// anything but a regular file); it is 0 after a successful read. With a
// receiver the messages above are posted.
// With scannedSize (not negative: the size a scan saw of a regular file) the
// file is not looked at again before it is read; only when the bytes read
// are not that many is it checked to be still a regular file.
uint32_t ComputeFileCrc(const std::string& path, CCrcReceiver* receiver = nullptr, uint64_t worker = 0,
                        int* error = nullptr, int64_t scannedSize = -1);

// Opens a file for reading its content. Without a scanned size (negative) it
// must be a regular file (else kReadErrorNotRegular); with one it is taken to
// be one (see CheckStillRegular). 0, or the reason it cannot be read.
int OpenContent(platform::InputFile& file, const std::string& path, int64_t scannedSize);
// For a file opened with a scanned size whose reading disagreed with it (a
// read failed, or it gave another number of bytes): kReadErrorNotRegular
// when it is no longer a regular file, else 0.
int CheckStillRegular(const platform::InputFile& file);
// The size a scan saw of an entry when it was a regular file (not a link to
// anything else, a device, fifo or socket): the argument for OpenContent; -1
// otherwise.
int64_t ScannedRegularSize(const CFileInfo& entry);

}  // namespace corvatine
