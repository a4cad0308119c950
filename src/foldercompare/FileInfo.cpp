#include "foldercompare/FileInfo.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "fileio/Archive.h"
#include "fileio/Bom.h"
#include "fileio/ContentType.h"
#include "foldercompare/FileVersion.h"
#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"
#include "platform/Locale.h"
#include "platform/Path.h"

namespace corvatine {

void CFileInfo::Reset() {
    size = 0;
    lastWriteTime = 0;
    attributes = 0;
    state = kFileStateAfterReset;
    valid = 0;
    readError = 0;
}

bool CFileInfo::Refresh(const std::string& newPath) {
    Reset();
    path = newPath;
    if (IsDriveRoot()) return true;
    FINDDATA data;
    if (!platform::FindEntry(GetFullPath(), data)) {
        state = FILE_STATE_NOT_FOUND;
        return false;
    }
    FillFromFindData(data);
    return true;
}

bool CFileInfo::Refresh() {
    const std::string kept = path.str();
    return Refresh(kept);
}

void CFileInfo::FillFromFindData(const FINDDATA& data) {
    attributes = data.attributes;
    size = (data.attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : data.Size();
    lastWriteTime = data.lastWriteTime;
    valid = FILE_VALID_INFO;
}

std::string CFileInfo::GetName() const { return platform::PathFileName(GetFullPath()); }

std::string CFileInfo::GetBaseName() const {
    const std::string name = GetName();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string CFileInfo::GetExtension() const { return platform::PathExtension(GetName()); }

std::string CFileInfo::GetContainingFolder() const { return platform::PathParentFolder(GetFullPath()); }

bool CFileInfo::IsDots() const {
    if (!AttributeTest(FILE_ATTRIBUTE_DIRECTORY)) return false;
    const std::string name = GetName();
    return name == "." || name == "..";
}

int64_t CFileInfo::GetLastWriteTime() const { return platform::FileTimeToUnixSeconds(lastWriteTime); }
int64_t CFileInfo::GetLastAccessTime() const {
    return platform::FileTimeToUnixSeconds(GetLastAccessFileTime());
}
int64_t CFileInfo::GetCreationTime() const { return platform::FileTimeToUnixSeconds(GetCreationFileTime()); }

bool CFileInfo::LookUp(FINDDATA& data) const {
    data = FINDDATA();
    if (!(valid & FILE_VALID_INFO) || IsDriveRoot()) return false;
    return platform::FindEntry(GetFullPath(), data);
}

FILETIME CFileInfo::GetLastAccessFileTime() const {
    FINDDATA data;
    return LookUp(data) ? data.lastAccessTime : 0;
}

FILETIME CFileInfo::GetCreationFileTime() const {
    FINDDATA data;
    return LookUp(data) ? data.creationTime : 0;
}

std::string CFileInfo::GetAttributeText(bool lowerCase) const {
    std::string text = "----";
    if (attributes & FILE_ATTRIBUTE_READONLY) text[0] = 'R';
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) text[1] = 'A';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) text[2] = 'S';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) text[3] = 'H';
    if (lowerCase)
        for (char& c : text)
            if (c != '-') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string CFileInfo::GetSizeText() const {
    if (AttributeTest(FILE_ATTRIBUTE_DIRECTORY)) return std::string();
    return platform::FormatGroupedNumber(GetSize());
}

int CFileInfo::GetIconIndex() const {
    if (!Exists()) return FILE_ICON_MISSING;
    if (AttributeTest(FILE_ATTRIBUTE_DIRECTORY)) return FILE_ICON_FOLDER;
    if (AttributeTest(FILE_ATTRIBUTE_REPARSE_POINT)) return FILE_ICON_LINK;
    return FILE_ICON_FILE;
}

void CFileInfo::CopyFrom(const CFileInfo& other) {
    path = other.path;
    size = other.size;
    lastWriteTime = other.lastWriteTime;
    attributes = other.attributes;
    state = other.state;
    valid = other.valid;
    separator = other.separator;
}

std::string CFileInfo::GetTimeText(FILETIME time) const {
    if (time == 0) return std::string();
    return platform::FormatLocalTime(platform::FileTimeToUnixSeconds(time), "%Y-%m-%d %H:%M:%S");
}

namespace {

// The file versions of the entries that have one, by entry. Entries live on
// several threads (a comparison reads versions on its helpers). Never
// destroyed: entries may outlive the statics.
struct VERSIONTABLE {
    std::mutex lock;
    std::unordered_map<const void*, uint64_t> versions;
};

VERSIONTABLE& Versions() {
    static VERSIONTABLE* const table = new VERSIONTABLE;
    return *table;
}

}  // namespace

CFileInfoEx::CFileInfoEx(const CFileInfoEx& other)
    : CFileInfo(other),
      contentType(other.contentType),
      m_encodingClass(other.m_encodingClass),
      m_crc(other.m_crc) {
    SetFileVersionValue(other.GetFileVersionValue());
}

CFileInfoEx& CFileInfoEx::operator=(const CFileInfoEx& other) {
    if (this == &other) return *this;
    CFileInfo::operator=(other);
    contentType = other.contentType;
    m_encodingClass = other.m_encodingClass;
    m_crc = other.m_crc;
    SetFileVersionValue(other.GetFileVersionValue());
    return *this;
}

CFileInfoEx::~CFileInfoEx() { SetFileVersionValue(0); }

uint64_t CFileInfoEx::GetFileVersionValue() const {
    if (!m_versionAside) return 0;
    VERSIONTABLE& table = Versions();
    const std::lock_guard<std::mutex> hold(table.lock);
    const auto found = table.versions.find(this);
    return found != table.versions.end() ? found->second : 0;
}

void CFileInfoEx::SetFileVersionValue(uint64_t value) {
    if (value == 0 && !m_versionAside) return;
    VERSIONTABLE& table = Versions();
    const std::lock_guard<std::mutex> hold(table.lock);
    if (value != 0)
        table.versions[this] = value;
    else
        table.versions.erase(this);
    m_versionAside = value != 0;
}

void CFileInfoEx::GetFileVersion(uint32_t& ms, uint32_t& ls) const {
    const uint64_t value = GetFileVersionValue();
    ms = static_cast<uint32_t>(value >> 32);
    ls = static_cast<uint32_t>(value);
}

void CFileInfoEx::SetFileVersion(uint32_t ms, uint32_t ls) {
    SetFileVersionValue((static_cast<uint64_t>(ms) << 32) | ls);
}

void CFileInfoEx::Reset() {
    CFileInfo::Reset();
    SetFileVersionValue(0);
    contentType = FILE_CONTENT_UNKNOWN;
    m_crc = 0xFFFFFFFFu;
    m_encodingClass = 0;
}

std::string CFileInfoEx::GetAttributeText(bool lowerCase) const {
    std::string text = CFileInfo::GetAttributeText(lowerCase);
    switch (GetEncodingClass()) {
        case 1: text += '8'; break;
        case 2: text += '4'; break;
        case 3: text += lowerCase ? 'b' : 'B'; break;
        case 4: text += lowerCase ? 'l' : 'L'; break;
        default: break;
    }
    return text;
}

void CFileInfoEx::SetEncodingClass(int encodingClass) {
    m_encodingClass = static_cast<uint8_t>(static_cast<uint32_t>(encodingClass) &
                                           (kEncodingClassMask >> kEncodingClassShift));
}

int CFileInfoEx::GetContentType() { return DetermineContentType(false); }

uint32_t CFileInfoEx::GetCRC() { return ComputeCRC(false); }

std::string CFileInfoEx::GetVersionText() const {
    uint32_t fileVersionMS, fileVersionLS;
    GetFileVersion(fileVersionMS, fileVersionLS);
    char text[48];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u", fileVersionMS >> 16, fileVersionMS & 0xFFFF,
                  fileVersionLS >> 16, fileVersionLS & 0xFFFF);
    return text;
}

std::string CFileInfoEx::GetCRCText(bool lowerCase) const {
    const uint32_t crc = GetCRCValue();
    if (crc == 0xFFFFFFFFu && !(valid & FILE_VALID_CRC)) return std::string();
    char text[16];
    std::snprintf(text, sizeof text, lowerCase ? "%x" : "%X", crc);
    return text;
}

bool CFileInfoEx::ReadVersion(bool force) {
    if ((valid & FILE_VALID_VERSION) && !force) return HasFileVersion();
    SetFileVersion(0, 0);
    valid |= FILE_VALID_VERSION;
    if (AttributeTest(FILE_ATTRIBUTE_DIRECTORY)) return false;
    CFileVersion version;
    int error = 0;
    const bool found = version.Read(GetFullPath(), &error);
    if (error != 0) readError = error;
    if (!found || !version.hasFixedInfo) return false;
    SetFileVersion(version.fixedInfo.dwFileVersionMS, version.fixedInfo.dwFileVersionLS);
    return true;
}

int CFileInfoEx::DetermineContentType(bool force) {
    if ((valid & FILE_VALID_CONTENT_TYPE) && !force) return contentType;
    const std::string full = GetFullPath();
    int kind = ENCODING_CODEPAGE;
    int error = 0;
    contentType = full.empty() ? FILE_CONTENT_UNKNOWN
                               : corvatine::DetermineContentType(full, kContentTypeBlockSize, &kind, &error);
    if (error != 0) readError = error;
    // The encoding class the attribute text shows: the byte-order mark found.
    SetEncodingClass(kind == ENCODING_UTF8      ? 1
                     : kind == ENCODING_UCS2_BE ? 3
                     : kind == ENCODING_UCS2_LE ? 4
                                                : 0);
    valid |= FILE_VALID_CONTENT_TYPE;
    return contentType;
}

uint32_t CFileInfoEx::ComputeCRC(bool force, CCrcReceiver* receiver, uint64_t worker) {
    if ((valid & FILE_VALID_CRC) && !force) return GetCRCValue();
    int error = 0;
    const uint32_t crc =
        AttributeTest(FILE_ATTRIBUTE_DIRECTORY)
            ? 0
            : ComputeFileCrc(GetFullPath(), receiver, worker, &error, ScannedRegularSize(*this));
    SetCRCValue(crc);
    if (error != 0) readError = error;
    valid |= FILE_VALID_CRC;
    return crc;
}

void CFileInfoEx::CopyFrom(const CFileInfo& other) {
    CFileInfo::CopyFrom(other);
    if (const auto* ex = dynamic_cast<const CFileInfoEx*>(&other)) {
        SetFileVersionValue(ex->GetFileVersionValue());
        contentType = ex->contentType;
        m_crc = ex->m_crc;
        m_encodingClass = ex->m_encodingClass;
    }
}

int OpenContent(platform::InputFile& file, const std::string& path, int64_t scannedSize) {
    const bool opened = scannedSize >= 0 ? file.Open(path, true) : file.OpenRegular(path);
    if (opened) return 0;
    return file.LastError() == EINVAL && scannedSize < 0 ? kReadErrorNotRegular : file.LastError();
}

int CheckStillRegular(const platform::InputFile& file) {
    struct stat info {};
    if (::fstat(file.Descriptor(), &info) != 0) return errno;
    return S_ISREG(info.st_mode) ? 0 : kReadErrorNotRegular;
}

int64_t ScannedRegularSize(const CFileInfo& entry) {
    if (!(entry.valid & FILE_VALID_INFO) || entry.readError != 0 ||
        entry.AttributeTest(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM))
        return -1;
    return static_cast<int64_t>(entry.size);
}

uint32_t ComputeFileCrc(const std::string& path, CCrcReceiver* receiver, uint64_t worker, int* error,
                        int64_t scannedSize) {
    uint32_t result = 0;
    platform::InputFile file;
    int failure = OpenContent(file, path, scannedSize);
    if (failure == 0) {
        uint64_t total = static_cast<uint64_t>(scannedSize);
        if (scannedSize < 0) {
            struct stat info {};
            total = ::fstat(file.Descriptor(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
        }
        if (receiver != nullptr) receiver->Post(kCrcStartMessage, 0, 100);
        // No larger than the file needs: a folder comparison reads many small files.
        const size_t bufferSize = static_cast<size_t>(std::clamp<uint64_t>(total + 1, 4096, kCrcBlockSize));
        const std::unique_ptr<unsigned char[]> buffer(new unsigned char[bufferSize]);
        uLong value = ::crc32(0L, Z_NULL, 0);
        uint64_t done = 0;
        bool failed = false;
        for (;;) {
            const int64_t n = file.Read(buffer.get(), bufferSize);
            if (n < 0) {
                failed = true;
                failure = file.LastError();
                break;
            }
            if (n == 0) break;
            value = ::crc32(value, buffer.get(), static_cast<uInt>(n));
            done += static_cast<uint64_t>(n);
            if (receiver != nullptr)
                receiver->Post(kCrcProgressMessage,
                               total > 0 ? std::min<uint64_t>(done * 100 / total, 100) : 100, 0);
            if (static_cast<size_t>(n) < bufferSize) break;
            // More than the scan saw: a regular file that grew is read on;
            // anything else might never end.
            if (scannedSize >= 0 && done > total) {
                if (const int changed = CheckStillRegular(file); changed != 0) {
                    failed = true;
                    failure = changed;
                    break;
                }
                scannedSize = -1;
            }
        }
        // Fewer bytes than the scan saw, or a failed read, may mean that
        // something else took the file's place.
        if (scannedSize >= 0 && (failed || done != total))
            if (const int changed = CheckStillRegular(file); changed != 0) {
                failed = true;
                failure = changed;
            }
        result = failed ? 0 : static_cast<uint32_t>(value);
    }
    if (receiver != nullptr) receiver->Post(kCrcResultMessage, worker, result);
    if (error != nullptr) *error = failure;
    return result;
}

std::string ReadErrorText(int error) {
    switch (error) {
        case kReadErrorNotRegular: return "not a regular file";
        case kReadErrorChanged: return "it changed while it was read";
        default: {
            std::string archive = ArchiveErrorText(error);
            return archive.empty() ? platform::ErrorText(error) : archive;
        }
    }
}

}  // namespace corvatine
