#include "fileio/Archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/File.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

// Bytes handed to libarchive at once, from the disk file or from the entry
// of the archive that holds this one.
constexpr size_t kReadBlock = 64 * 1024;

// Name endings of the formats read as folders, in lower case.
constexpr std::string_view kArchiveEndings[] = {
    ".tar",     ".tar.gz", ".tgz",     ".tar.bz2",  ".tbz2",  ".tbz",  ".tar.xz", ".txz",
    ".tar.zst", ".tzst",   ".tar.lz4", ".tar.lzma", ".tar.z", ".zip",  ".jar",    ".war",
    ".ear",     ".7z",     ".cpio",    ".ar",       ".deb",   ".udeb", ".ipk",    ".apk"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsDebianName(std::string_view name) {
    const std::string lower = Lower(name);
    return EndsWith(lower, ".deb") || EndsWith(lower, ".udeb");
}

// The path of an entry below the archive's root, as an extraction would
// place it: no leading '/' or "../", no "." parts, ".." resolved. Empty for
// the root itself.
std::string CleanEntryPath(std::string_view raw) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= raw.size()) {
        size_t end = raw.find('/', start);
        if (end == std::string_view::npos) end = raw.size();
        const std::string_view part = raw.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string_view part : parts) {
        if (!path.empty()) path += '/';
        path += part;
    }
    return path;
}

// Why libarchive gave up: its errno value when it has one that says more
// than "the file is bad".
int ArchiveFailure(struct archive* archive) {
    const int number = archive_errno(archive);
    if (number == ENOMEM || number == EACCES || number == EIO || number == ENOENT || number == EISDIR)
        return number;
    const char* text = archive_error_string(archive);
    if (text != nullptr &&
        (std::strstr(text, "ncrypt") != nullptr || std::strstr(text, "assphrase") != nullptr))
        return kArchiveErrorEncrypted;
    return kArchiveErrorDamaged;
}

void SupportFormats(struct archive* archive) {
    archive_read_support_filter_all(archive);
    archive_read_support_format_tar(archive);
    archive_read_support_format_gnutar(archive);
    archive_read_support_format_zip(archive);
    archive_read_support_format_7zip(archive);
    archive_read_support_format_cpio(archive);
    archive_read_support_format_ar(archive);
}

}  // namespace

std::string ArchiveErrorText(int error) {
    switch (error) {
        case kArchiveErrorDamaged: return "the archive is damaged, truncated or of an unknown format";
        case kArchiveErrorExpansion: return "the archive expands too far (a decompression bomb?)";
        case kArchiveErrorTooMany: return "the archive holds too many entries";
        case kArchiveErrorTooLarge: return "the entry is too large to be read into memory";
        case kArchiveErrorEncrypted: return "the archive's data is encrypted";
        case kArchiveErrorNesting: return "archives are nested too deep";
        case kArchiveErrorNotFile: return "no such file in the archive";
        default: return std::string();
    }
}

bool CArchive::IsArchiveName(std::string_view name) {
    const std::string lower = Lower(platform::PathFileName(name));
    for (const std::string_view ending : kArchiveEndings)
        if (EndsWith(lower, ending)) return true;
    return false;
}

CArchive::~CArchive() = default;

bool CArchive::StartsAsArchive(const std::string& path) {
    if (!IsArchiveName(path) || platform::GetFileType(path) != platform::FileType::Regular) return false;
    std::shared_ptr<CArchive> probe(new CArchive);
    probe->m_filePath = path;
    int error = 0;
    std::unique_ptr<CArchiveCursor> cursor = probe->NewCursor(error);
    if (!cursor) return false;
    return cursor->Next() || cursor->Error() == 0;
}

std::shared_ptr<CArchive> CArchive::OpenFile(const std::string& path, int& error,
                                             const ARCHIVELIMITS& limits) {
    error = 0;
    const platform::FileType type = platform::GetFileType(path, &error);
    if (type != platform::FileType::Regular) {
        if (error == 0) error = type == platform::FileType::Folder ? EISDIR : kArchiveErrorDamaged;
        return nullptr;
    }
    std::shared_ptr<CArchive> archive(new CArchive);
    archive->m_filePath = path;
    archive->m_displayPath = path;
    archive->m_limits = limits;
    if (!archive->List(error)) return nullptr;
    if (!IsDebianName(path)) return archive;
    // A Debian package is an ar archive whose data member holds the files.
    for (const ARCHIVEENTRY& entry : archive->m_entries)
        if (entry.path.rfind("data.tar", 0) == 0 && entry.kind == ArchiveEntryKind::File) {
            std::shared_ptr<CArchive> data = archive->OpenNested(entry.position, error);
            if (data) data->m_displayPath = path;
            return data;
        }
    error = archive->m_listError != 0 ? archive->m_listError : kArchiveErrorDamaged;
    return nullptr;
}

std::shared_ptr<CArchive> CArchive::OpenNested(int position, int& error) {
    error = 0;
    if (position < 0 || position >= static_cast<int>(m_entries.size()) ||
        m_entries[static_cast<size_t>(position)].kind != ArchiveEntryKind::File) {
        error = kArchiveErrorNotFile;
        return nullptr;
    }
    if (m_depth + 1 >= m_limits.maxNesting) {
        error = kArchiveErrorNesting;
        return nullptr;
    }
    const ARCHIVEENTRY& entry = m_entries[static_cast<size_t>(position)];
    std::shared_ptr<CArchive> nested(new CArchive);
    nested->m_parent = shared_from_this();
    nested->m_parentPosition = entry.dataPosition;
    nested->m_depth = m_depth + 1;
    nested->m_displayPath = platform::JoinPath(m_displayPath, entry.path);
    nested->m_limits = m_limits;
    // Zip and 7z read their directory at the end: such an archive inside
    // another is held in memory, within the limit, so that it can seek.
    const std::string lower = Lower(platform::PathFileName(entry.path));
    for (const std::string_view ending : {".7z", ".zip", ".jar", ".war", ".ear"})
        if (EndsWith(lower, ending) && entry.size <= m_limits.maxInMemory) nested->m_inMemory = true;
    if (!nested->List(error)) return nullptr;
    return nested;
}

bool CArchive::IsInsideArchive(const std::string& path) {
    std::string prefix = path;
    for (;;) {
        const std::string parent = platform::PathParentFolder(prefix);
        if (parent.empty() || parent == prefix) return false;
        prefix = parent;
        if (IsArchiveName(prefix) && platform::GetFileType(prefix) == platform::FileType::Regular)
            return true;
        if (platform::GetFileType(prefix) != platform::FileType::Missing) return false;
    }
}

std::shared_ptr<CArchive> CArchive::OpenPath(const std::string& path, std::string& rest, int& error,
                                             bool intoLast, const ARCHIVELIMITS& limits) {
    rest.clear();
    error = ENOENT;
    // The longest prefix that exists on disk must be an archive file.
    std::string file = path;
    while (platform::GetFileType(file) == platform::FileType::Missing) {
        const std::string parent = platform::PathParentFolder(file);
        if (parent.empty() || parent == file) return nullptr;
        file = parent;
    }
    if (platform::GetFileType(file) != platform::FileType::Regular || !IsArchiveName(file)) return nullptr;
    rest = file.size() < path.size() ? path.substr(file.size() + 1) : std::string();
    std::shared_ptr<CArchive> archive = OpenFile(file, error, limits);
    // Further archives on the way are entries of this one.
    while (archive && !rest.empty()) {
        std::string inner = CleanEntryPath(rest);
        size_t cut = inner.size();
        int node = -1;
        for (;;) {
            node = archive->FindNode(inner.substr(0, cut));
            if (node >= 0) break;
            const size_t slash = inner.rfind('/', cut - 1);
            if (slash == std::string::npos || cut == 0) break;
            cut = slash;
        }
        if (node < 0) {
            rest = inner;
            return archive;
        }
        const NODE& found = archive->m_nodes[static_cast<size_t>(node)];
        if (found.folder || (cut == inner.size() && !intoLast) || !IsArchiveName(found.name)) {
            rest = inner;
            return archive;
        }
        std::shared_ptr<CArchive> nested = archive->OpenNested(found.entry, error);
        if (!nested) return nullptr;
        archive = std::move(nested);
        rest = cut < inner.size() ? inner.substr(cut + 1) : std::string();
    }
    return archive;
}

bool CArchive::ReadPath(const std::string& path, std::string& bytes, int& error,
                        const ARCHIVELIMITS& limits) {
    bytes.clear();
    std::string rest;
    const std::shared_ptr<CArchive> archive = OpenPath(path, rest, error, false, limits);
    if (!archive) return false;
    const int node = rest.empty() ? -1 : archive->FindNode(rest);
    if (node < 0 || archive->m_nodes[static_cast<size_t>(node)].folder) {
        error = rest.empty() ? EISDIR : kArchiveErrorNotFile;
        return false;
    }
    const ARCHIVEENTRY& entry =
        archive->m_entries[static_cast<size_t>(archive->m_nodes[static_cast<size_t>(node)].entry)];
    if (entry.kind == ArchiveEntryKind::Link) {
        bytes = entry.linkTarget;
        return true;
    }
    if (entry.kind != ArchiveEntryKind::File || entry.dataPosition < 0) {
        error = kArchiveErrorNotFile;
        return false;
    }
    return archive->ReadEntry(entry.dataPosition, bytes, error);
}

int CArchive::FindNode(std::string_view path) const {
    int node = 0;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        const int next = FindChild(node, part);
        if (next < 0) return -1;
        node = next;
    }
    return node;
}

int CArchive::FindChild(int node, std::string_view name) const {
    const auto found = m_childIndex.find(std::to_string(node) + '/' + std::string(name));
    return found == m_childIndex.end() ? -1 : found->second;
}

void CArchive::AddToTree(int position) {
    const ARCHIVEENTRY& entry = m_entries[static_cast<size_t>(position)];
    int node = 0;
    size_t start = 0;
    const std::string& path = entry.path;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        const bool last = end == std::string::npos;
        if (last) end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        int next = FindChild(node, name);
        if (next < 0) {
            next = static_cast<int>(m_nodes.size());
            m_nodes.push_back(NODE{name, -1, true, {}});
            m_nodes[static_cast<size_t>(node)].children.push_back(next);
            m_childIndex.emplace(std::to_string(node) + '/' + name, next);
        }
        NODE& here = m_nodes[static_cast<size_t>(next)];
        if (last) {
            // A later header of the same path replaces the earlier one; a
            // folder keeps what is below it.
            here.entry = position;
            here.folder = entry.kind == ArchiveEntryKind::Folder || (!here.children.empty());
        } else if (!here.folder) {
            // A file in the way of entries below it: they win, as they would on disk.
            here.folder = true;
            here.entry = -1;
        }
        node = next;
    }
}

bool CArchive::List(int& error) {
    error = 0;
    m_entries.clear();
    m_nodes.assign(1, NODE{std::string(), -1, true, {}});
    m_childIndex.clear();
    std::unique_ptr<CArchiveCursor> cursor = NewCursor(error);
    if (!cursor) return false;
    while (cursor->Next()) {
        if (m_entries.size() >= m_limits.maxEntries) {
            m_listError = kArchiveErrorTooMany;
            break;
        }
        struct archive_entry* header = cursor->Header();
        ARCHIVEENTRY entry;
        entry.position = static_cast<int>(m_entries.size());
        entry.dataPosition = entry.position;
        const char* name = archive_entry_pathname(header);
        entry.path = CleanEntryPath(name != nullptr ? name : "");
        const mode_t type = archive_entry_filetype(header);
        entry.mode = static_cast<uint32_t>(archive_entry_perm(header));
        entry.seconds = archive_entry_mtime_is_set(header) ? archive_entry_mtime(header) : 0;
        entry.nanoseconds =
            archive_entry_mtime_is_set(header) ? static_cast<int32_t>(archive_entry_mtime_nsec(header)) : 0;
        const char* hardlink = archive_entry_hardlink(header);
        if (hardlink != nullptr) {
            // Shares the data of an earlier entry; found by its cleaned path.
            const std::string target = CleanEntryPath(hardlink);
            entry.kind = ArchiveEntryKind::File;
            entry.dataPosition = -1;
            // The latest entry of that path, as the tree holds it so far.
            const int node = FindNode(target);
            const int earlier = node > 0 ? m_nodes[static_cast<size_t>(node)].entry : -1;
            if (earlier >= 0 && m_entries[static_cast<size_t>(earlier)].kind == ArchiveEntryKind::File) {
                entry.dataPosition = m_entries[static_cast<size_t>(earlier)].dataPosition;
                entry.size = m_entries[static_cast<size_t>(earlier)].size;
            }
        } else if (type == AE_IFDIR) {
            entry.kind = ArchiveEntryKind::Folder;
        } else if (type == AE_IFLNK) {
            entry.kind = ArchiveEntryKind::Link;
            const char* target = archive_entry_symlink(header);
            entry.linkTarget = target != nullptr ? target : "";
            entry.size = entry.linkTarget.size();
        } else if (type == AE_IFREG || type == 0) {
            entry.kind = ArchiveEntryKind::File;
            entry.size = archive_entry_size_is_set(header) && archive_entry_size(header) > 0
                             ? static_cast<uint64_t>(archive_entry_size(header))
                             : 0;
        } else {
            entry.kind = ArchiveEntryKind::Other;
        }
        m_entries.push_back(std::move(entry));
        if (!m_entries.back().path.empty()) AddToTree(m_entries.back().position);
    }
    if (m_listError == 0) m_listError = cursor->Error();
    // Nothing listed from something that failed at once is no archive.
    if (m_entries.empty() && m_listError != 0) {
        error = m_listError;
        return false;
    }
    return true;
}

std::unique_ptr<CArchiveCursor> CArchive::NewCursor(int& error) const {
    std::unique_ptr<CArchiveCursor> cursor(new CArchiveCursor);
    if (!cursor->Start(*this)) {
        error = cursor->Error();
        return nullptr;
    }
    error = 0;
    return cursor;
}

std::unique_ptr<CContentStream> CArchive::OpenEntry(int position, int& error) const {
    std::unique_ptr<CArchiveCursor> cursor = NewCursor(error);
    if (!cursor) return nullptr;
    if (!cursor->MoveTo(position)) {
        error = cursor->Error();
        return nullptr;
    }
    return cursor;
}

bool CArchive::ReadEntry(int position, std::string& bytes, int& error) const {
    bytes.clear();
    if (position < 0 || position >= static_cast<int>(m_entries.size())) {
        error = kArchiveErrorNotFile;
        return false;
    }
    if (m_entries[static_cast<size_t>(position)].size > m_limits.maxInMemory) {
        error = kArchiveErrorTooLarge;
        return false;
    }
    std::unique_ptr<CContentStream> stream = OpenEntry(position, error);
    if (!stream) return false;
    char block[kReadBlock];
    for (;;) {
        const int64_t n = stream->Read(block, sizeof block);
        if (n < 0) {
            error = stream->Error();
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        // The declared size may lie: memory is bounded by the limit, not the header.
        if (bytes.size() + static_cast<size_t>(n) > m_limits.maxInMemory) {
            error = kArchiveErrorTooLarge;
            bytes.clear();
            return false;
        }
        bytes.append(block, static_cast<size_t>(n));
    }
    error = 0;
    return true;
}

CArchiveCursor::~CArchiveCursor() {
    if (m_archive != nullptr) archive_read_free(m_archive);
    if (m_fd >= 0) ::close(m_fd);
}

bool CArchiveCursor::Start(const CArchive& archive) {
    m_limits = archive.m_limits;
    m_archive = archive_read_new();
    if (m_archive == nullptr) return Fail(ENOMEM) != 0 && false;
    SupportFormats(m_archive);
    m_block = std::make_unique<unsigned char[]>(kReadBlock);
    if (archive.m_parent) {
        int error = 0;
        std::unique_ptr<CArchiveCursor> source = archive.m_parent->NewCursor(error);
        if (!source) return Fail(error) != 0 && false;
        if (!source->MoveTo(archive.m_parentPosition)) return Fail(source->Error()) != 0 && false;
        m_source = std::move(source);
        m_root = m_source->m_root;
        if (archive.m_inMemory) {
            // Formats that read their directory at the end need to seek: the
            // entry is held in memory, as large as it is and no larger than
            // the limit.
            m_memory.reserve(static_cast<size_t>(std::min<uint64_t>(
                archive.m_parent->m_entries[static_cast<size_t>(archive.m_parentPosition)].size,
                m_limits.maxInMemory)));
            for (;;) {
                const int64_t n = m_source->Read(m_block.get(), kReadBlock);
                if (n < 0) return Fail(m_source->Error()) != 0 && false;
                if (n == 0) break;
                if (m_memory.size() + static_cast<uint64_t>(n) > m_limits.maxInMemory)
                    return Fail(kArchiveErrorTooLarge) != 0 && false;
                m_memory.append(reinterpret_cast<const char*>(m_block.get()), static_cast<size_t>(n));
            }
            m_memoryBacked = true;
            archive_read_set_seek_callback(m_archive, &CArchiveCursor::SeekCallback);
            archive_read_set_skip_callback(m_archive, &CArchiveCursor::SkipCallback);
        }
    } else {
        m_root = this;
        m_fd = platform::OpenPath(archive.m_filePath, O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) return Fail(errno) != 0 && false;
        // Seeking lets zip read its directory and 7z its header, and skips
        // the data of a plain tar's entries without reading it.
        archive_read_set_seek_callback(m_archive, &CArchiveCursor::SeekCallback);
        archive_read_set_skip_callback(m_archive, &CArchiveCursor::SkipCallback);
    }
    archive_read_set_read_callback(m_archive, &CArchiveCursor::ReadCallback);
    archive_read_set_callback_data(m_archive, this);
    if (archive_read_open1(m_archive) != ARCHIVE_OK) {
        // The source's own failure says more than libarchive's.
        if (m_source && m_source->Error() != 0) return Fail(m_source->Error()) != 0 && false;
        return Fail(ArchiveFailure(m_archive)) != 0 && false;
    }
    return true;
}

int CArchiveCursor::Fail(int error) {
    if (m_error == 0) m_error = error != 0 ? error : kArchiveErrorDamaged;
    return m_error;
}

la_ssize_t CArchiveCursor::ReadCallback(struct archive* archive, void* self, const void** buffer) {
    auto* cursor = static_cast<CArchiveCursor*>(self);
    *buffer = cursor->m_block.get();
    // Checked as the input is asked for: a bomb is stopped while libarchive
    // decompresses, also while it passes over an entry's data.
    if (!cursor->CheckExpansion()) {
        archive_set_error(archive, EFBIG, "expands too far");
        return -1;
    }
    int64_t n;
    if (cursor->m_memoryBacked) {
        n = static_cast<int64_t>(std::min(kReadBlock, cursor->m_memory.size() - cursor->m_memoryAt));
        *buffer = cursor->m_memory.data() + cursor->m_memoryAt;
        cursor->m_memoryAt += static_cast<size_t>(n);
    } else if (cursor->m_source) {
        n = cursor->m_source->Read(cursor->m_block.get(), kReadBlock);
        if (n < 0) {
            archive_set_error(archive, EIO, "the containing archive cannot be read");
            return -1;
        }
    } else {
        do n = ::read(cursor->m_fd, cursor->m_block.get(), kReadBlock);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            cursor->Fail(errno);
            archive_set_error(archive, errno, "read error");
            return -1;
        }
        cursor->m_diskBytes += static_cast<uint64_t>(n);
    }
    return static_cast<la_ssize_t>(n);
}

la_int64_t CArchiveCursor::SeekCallback(struct archive*, void* self, la_int64_t offset, int whence) {
    auto* cursor = static_cast<CArchiveCursor*>(self);
    if (cursor->m_memoryBacked) {
        const int64_t size = static_cast<int64_t>(cursor->m_memory.size());
        const int64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? static_cast<int64_t>(cursor->m_memoryAt)
                                                  : size;
        const int64_t to = base + offset;
        if (to < 0 || to > size) return ARCHIVE_FATAL;
        cursor->m_memoryAt = static_cast<size_t>(to);
        return to;
    }
    const off_t at = ::lseek(cursor->m_fd, static_cast<off_t>(offset), whence);
    return at < 0 ? ARCHIVE_FATAL : static_cast<la_int64_t>(at);
}

la_int64_t CArchiveCursor::SkipCallback(struct archive*, void* self, la_int64_t request) {
    auto* cursor = static_cast<CArchiveCursor*>(self);
    if (cursor->m_memoryBacked) {
        const size_t step = static_cast<size_t>(
            std::min<int64_t>(request, static_cast<int64_t>(cursor->m_memory.size() - cursor->m_memoryAt)));
        cursor->m_memoryAt += step;
        return static_cast<la_int64_t>(step);
    }
    const off_t here = ::lseek(cursor->m_fd, 0, SEEK_CUR);
    if (here < 0) return 0;
    const off_t end = ::lseek(cursor->m_fd, 0, SEEK_END);
    const off_t to = std::min<off_t>(end, here + static_cast<off_t>(request));
    if (end < 0 || ::lseek(cursor->m_fd, to, SEEK_SET) < 0) return 0;
    return static_cast<la_int64_t>(to - here);
}

uint64_t CArchiveCursor::DiskBytes() const {
    // Bytes passed over by seeking count as read: they were there to be read.
    if (m_root->m_fd >= 0) {
        const off_t here = ::lseek(m_root->m_fd, 0, SEEK_CUR);
        if (here > 0) return std::max<uint64_t>(m_root->m_diskBytes, static_cast<uint64_t>(here));
    }
    return m_root->m_diskBytes;
}

bool CArchiveCursor::CheckExpansion() {
    // What the format saw after decompression, or what was read of the
    // entries when the format decompresses (zip, 7z).
    const int64_t unpacked = archive_filter_bytes(m_archive, 0);
    const uint64_t produced =
        std::max<uint64_t>(m_produced, unpacked > 0 ? static_cast<uint64_t>(unpacked) : 0);
    if (produced <= m_limits.expansionSlack) return true;
    if (produced - m_limits.expansionSlack <= DiskBytes() * m_limits.maxExpansion) return true;
    Fail(kArchiveErrorExpansion);
    return false;
}

bool CArchiveCursor::Next() {
    if (m_error != 0) return false;
    const int result = archive_read_next_header(m_archive, &m_header);
    if (result == ARCHIVE_EOF) {
        m_header = nullptr;
        return false;
    }
    if (result < ARCHIVE_WARN) {
        m_header = nullptr;
        if (m_source && m_source->Error() != 0) Fail(m_source->Error());
        Fail(ArchiveFailure(m_archive));
        return false;
    }
    ++m_position;
    // Headers skipped over count too: a bomb of empty entries still expands.
    if (m_source) {
        if (m_source->Error() != 0) {
            Fail(m_source->Error());
            return false;
        }
    }
    if (!CheckExpansion()) return false;
    return true;
}

bool CArchiveCursor::MoveTo(int position) {
    if (position < m_position) return Fail(EINVAL) != 0 && false;
    while (m_position < position)
        if (!Next()) {
            if (m_error == 0) Fail(kArchiveErrorDamaged);
            return false;
        }
    return m_error == 0;
}

int64_t CArchiveCursor::Read(void* buffer, size_t size) {
    if (m_error != 0) return -1;
    if (m_header == nullptr) return 0;
    const la_ssize_t n = archive_read_data(m_archive, buffer, size);
    if (n < 0) {
        if (m_source && m_source->Error() != 0) Fail(m_source->Error());
        Fail(ArchiveFailure(m_archive));
        return -1;
    }
    m_produced += static_cast<uint64_t>(n);
    if (!CheckExpansion()) return -1;
    return n;
}

}  // namespace corvatine
