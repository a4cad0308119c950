#include "foldercompare/ArchiveEntries.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "fileio/Bom.h"
#include "fileio/ContentType.h"
#include "foldercompare/Filters.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "request/CompareMethods.h"
#include "textcompare/TextFileCompare.h"

namespace corvatine {

namespace {

// Content is read in blocks of this size (the largest entry is never held
// whole, except by the text method, which needs it).
constexpr size_t kStreamBlock = 256 * 1024;

// What one pass over an archive found of an entry's content.
struct ENTRYDIGEST {
    bool done = false;
    uint32_t crc = 0;
    int8_t type = FILE_CONTENT_UNKNOWN;
    int encodingKind = ENCODING_CODEPAGE;
    int error = 0;
};

// The content results of the pairs between an archive and one other side.
struct PAIRRESULT {
    int content = CONTENT_NOT_COMPARED;
    int errors[2] = {0, 0};  // driver, partner
};
struct PAIRTABLE {
    std::weak_ptr<CArchive> partner;       // for an archive partner: the one compared
    std::map<int, PAIRRESULT> byPosition;  // by the driver's data position
};

// What is done once per archive, kept with it (CArchive::WorkData).
struct ARCHIVEWORK {
    bool digested = false;
    std::vector<ENTRYDIGEST> digests;  // by position
    std::map<std::string, PAIRTABLE> pairs;
};

ARCHIVEWORK& Work(const CArchive& archive) {
    std::shared_ptr<void>& data = archive.WorkData();
    if (!data) data = std::make_shared<ARCHIVEWORK>();
    return *static_cast<ARCHIVEWORK*>(data.get());
}

// Reads until the buffer is full or the stream ends.
int64_t ReadFull(CContentStream& stream, unsigned char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const int64_t n = stream.Read(buffer + done, size - done);
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

class CMemoryStream final : public CContentStream {
public:
    explicit CMemoryStream(std::string bytes) : m_bytes(std::move(bytes)) {}
    int64_t Read(void* buffer, size_t size) override {
        const size_t n = std::min(size, m_bytes.size() - m_at);
        std::memcpy(buffer, m_bytes.data() + m_at, n);
        m_at += n;
        return static_cast<int64_t>(n);
    }
    int Error() const override { return 0; }

private:
    std::string m_bytes;
    size_t m_at = 0;
};

class CFileStream final : public CContentStream {
public:
    int Open(const std::string& path) {
        if (m_file.OpenRegular(path)) return 0;
        m_error = m_file.LastError() == EINVAL ? kReadErrorNotRegular : m_file.LastError();
        return m_error;
    }
    int64_t Read(void* buffer, size_t size) override {
        const int64_t n = m_file.Read(buffer, size);
        if (n < 0) m_error = m_file.LastError();
        return n;
    }
    int Error() const override { return m_error; }

private:
    platform::InputFile m_file;
    int m_error = 0;
};

// Computes CRC-32 and content type of a stream as the file methods do.
ENTRYDIGEST DigestStream(CContentStream& stream) {
    ENTRYDIGEST digest;
    digest.done = true;
    const std::unique_ptr<unsigned char[]> block(new unsigned char[kStreamBlock]);
    uLong crc = ::crc32(0L, Z_NULL, 0);
    bool first = true, zero = false;
    for (;;) {
        const int64_t n = ReadFull(stream, block.get(), kStreamBlock);
        if (n < 0) {
            digest.error = stream.Error() != 0 ? stream.Error() : kArchiveErrorDamaged;
            digest.type = FILE_CONTENT_UNKNOWN;
            return digest;
        }
        const size_t got = static_cast<size_t>(n);
        if (first) {
            BomInfo bom;
            if (DetectBom(block.get(), got, bom) && bom.kind != ENCODING_CODEPAGE)
                digest.encodingKind = bom.kind;
            first = false;
        }
        if (!zero && std::memchr(block.get(), 0, got) != nullptr) zero = true;
        crc = ::crc32(crc, block.get(), static_cast<uInt>(got));
        if (got < kStreamBlock) break;
    }
    digest.crc = static_cast<uint32_t>(crc);
    digest.type = digest.encodingKind != ENCODING_CODEPAGE ? FILE_CONTENT_TEXT
                  : zero                                   ? FILE_CONTENT_BINARY
                                                           : FILE_CONTENT_TEXT;
    return digest;
}

// One pass over the archive for the CRC and type of every entry. Called
// with the work lock held.
void DigestAll(const CArchive& archive, ARCHIVEWORK& work) {
    const std::vector<ARCHIVEENTRY>& entries = archive.Entries();
    work.digests.assign(entries.size(), ENTRYDIGEST());
    work.digested = true;
    int error = 0;
    std::unique_ptr<CArchiveCursor> cursor = archive.NewCursor(error);
    for (const ARCHIVEENTRY& entry : entries) {
        ENTRYDIGEST& digest = work.digests[static_cast<size_t>(entry.position)];
        if (entry.kind == ArchiveEntryKind::Link) {
            CMemoryStream stream(entry.linkTarget);
            digest = DigestStream(stream);
            continue;
        }
        if (entry.kind != ArchiveEntryKind::File) continue;
        if (entry.dataPosition != entry.position) {
            // A hard link: the data of an earlier entry, digested already.
            if (entry.dataPosition >= 0) {
                digest = work.digests[static_cast<size_t>(entry.dataPosition)];
            } else {
                digest.done = true;
                digest.error = kArchiveErrorNotFile;
            }
            continue;
        }
        if (cursor && !cursor->MoveTo(entry.position)) error = cursor->Error();
        if (!cursor || error != 0) {
            digest.done = true;
            digest.error = error != 0 ? error : kArchiveErrorDamaged;
            continue;
        }
        digest = DigestStream(*cursor);
        if (cursor->Error() != 0) error = cursor->Error();
    }
}

const ENTRYDIGEST& DigestOf(const ARCHIVEPLACE& place, int position) {
    std::lock_guard<std::mutex> hold(place.archive->WorkLock());
    ARCHIVEWORK& work = Work(*place.archive);
    if (!work.digested) DigestAll(*place.archive, work);
    return work.digests[static_cast<size_t>(position)];
}

FILETIME EntryTime(const ARCHIVEENTRY& entry) {
    if (entry.seconds == 0 && entry.nanoseconds == 0) return 0;
    return platform::FileTimeFromUnix(entry.seconds, entry.nanoseconds);
}

uint32_t EntryAttributes(const ARCHIVEENTRY& entry, std::string_view name) {
    uint32_t attributes = 0;
    switch (entry.kind) {
        case ArchiveEntryKind::Folder: attributes |= FILE_ATTRIBUTE_DIRECTORY; break;
        case ArchiveEntryKind::Link: attributes |= FILE_ATTRIBUTE_REPARSE_POINT; break;
        case ArchiveEntryKind::Other: attributes |= FILE_ATTRIBUTE_SYSTEM; break;
        case ArchiveEntryKind::File: break;
    }
    if (entry.kind != ArchiveEntryKind::Link && (entry.mode & 0200) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!name.empty() && name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

FINDDATA NodeFindData(const CArchive& archive, int node) {
    const CArchive::NODE& here = archive.Nodes()[static_cast<size_t>(node)];
    FINDDATA data;
    data.name = here.name;
    if (here.entry >= 0) {
        const ARCHIVEENTRY& entry = archive.Entries()[static_cast<size_t>(here.entry)];
        data.attributes = EntryAttributes(entry, here.name);
        data.lastWriteTime = EntryTime(entry);
        if (!here.folder) {
            data.sizeHigh = static_cast<uint32_t>(entry.size >> 32);
            data.sizeLow = static_cast<uint32_t>(entry.size);
        }
    }
    if (here.folder) data.attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return data;
}

// The path of a node below the archive's root.
std::string NodePath(const CArchive& archive, int node) {
    const CArchive::NODE& here = archive.Nodes()[static_cast<size_t>(node)];
    if (here.entry >= 0) return archive.Entries()[static_cast<size_t>(here.entry)].path;
    return std::string();
}

// An entry's content as a stream opened on its own (from the start of its archive).
std::unique_ptr<CContentStream> OpenSide(CFolderItem& side, int& error) {
    error = 0;
    if (const ARCHIVEPLACE* place = side.ArchivePlace()) {
        const CArchive::NODE& node = place->archive->Nodes()[static_cast<size_t>(place->node)];
        const ARCHIVEENTRY& entry = place->archive->Entries()[static_cast<size_t>(node.entry)];
        if (entry.kind == ArchiveEntryKind::Link) return std::make_unique<CMemoryStream>(entry.linkTarget);
        if (entry.kind != ArchiveEntryKind::File || entry.dataPosition < 0) {
            error = kArchiveErrorNotFile;
            return nullptr;
        }
        return place->archive->OpenEntry(entry.dataPosition, error);
    }
    auto file = std::make_unique<CFileStream>();
    error = file->Open(side.GetFullPath());
    if (error != 0) return nullptr;
    return file;
}

// Reads a stream whole, at most limit bytes.
int ReadWhole(CContentStream& stream, std::string& bytes, uint64_t limit) {
    bytes.clear();
    const std::unique_ptr<unsigned char[]> block(new unsigned char[kStreamBlock]);
    for (;;) {
        const int64_t n = stream.Read(block.get(), kStreamBlock);
        if (n < 0) return stream.Error() != 0 ? stream.Error() : kArchiveErrorDamaged;
        if (n == 0) return 0;
        if (bytes.size() + static_cast<uint64_t>(n) > limit) return kArchiveErrorTooLarge;
        bytes.append(reinterpret_cast<const char*>(block.get()), static_cast<size_t>(n));
    }
}

// The comparison of two streams by the method; sizes as declared.
struct STREAMPAIR {
    CContentStream* streams[2];
    uint64_t sizes[2];
    std::string names[2];
};

PAIRRESULT CompareStreams(const STREAMPAIR& pair, uint32_t method, const FILECOMPAREOPTIONS& options,
                          uint64_t memoryLimit) {
    PAIRRESULT result;
    if (method == METHOD_TEXT) {
        std::string bytes[2];
        for (int side = 0; side < 2; ++side)
            result.errors[side] = ReadWhole(*pair.streams[side], bytes[side], memoryLimit);
        if (result.errors[0] != 0 || result.errors[1] != 0) {
            result.content = CONTENT_ERROR;
            return result;
        }
        const int text = CompareTextBytes(pair.names[0], bytes[0], pair.names[1], bytes[1], options.textRules,
                                          options.lineFilter);
        if (text == TEXT_FILES_NOT_TEXT)
            result.content = bytes[0] == bytes[1] ? CONTENT_EQUAL : CONTENT_DIFFERENT;
        else
            result.content = text == TEXT_FILES_NOT_COMPARED ? CONTENT_ERROR : text;
        if (result.content == CONTENT_ERROR) result.errors[0] = kArchiveErrorDamaged;
        return result;
    }
    if (pair.sizes[0] != pair.sizes[1]) {
        result.content = CONTENT_DIFFERENT;
        return result;
    }
    const std::unique_ptr<unsigned char[]> blocks[2] = {
        std::unique_ptr<unsigned char[]>(new unsigned char[kStreamBlock]),
        std::unique_ptr<unsigned char[]>(new unsigned char[kStreamBlock])};
    for (;;) {
        int64_t got[2];
        for (int side = 0; side < 2; ++side) {
            got[side] = ReadFull(*pair.streams[side], blocks[side].get(), kStreamBlock);
            if (got[side] < 0)
                result.errors[side] =
                    pair.streams[side]->Error() != 0 ? pair.streams[side]->Error() : kArchiveErrorDamaged;
        }
        if (result.errors[0] != 0 || result.errors[1] != 0) {
            result.content = CONTENT_ERROR;
            return result;
        }
        if (got[0] != got[1]) {
            // One ended before the size its header declared.
            result.errors[got[0] < got[1] ? 0 : 1] = kArchiveErrorDamaged;
            result.content = CONTENT_ERROR;
            return result;
        }
        if (std::memcmp(blocks[0].get(), blocks[1].get(), static_cast<size_t>(got[0])) != 0) {
            result.content = CONTENT_DIFFERENT;
            return result;
        }
        if (static_cast<size_t>(got[0]) < kStreamBlock) {
            result.content = CONTENT_EQUAL;
            return result;
        }
    }
}

// One job of a pass: a driver entry and its partner.
struct PAIRJOB {
    const ARCHIVEENTRY* driver;
    const ARCHIVEENTRY* partner;  // an archive partner's entry
    std::string partnerPath;      // a folder partner's file
};

// Compares every entry of the driver archive with its namesake on the
// partner side (an archive, or the folder base), in the driver's order,
// reading both archives from their starts; pairs the partner archive holds
// in another order wait for another pass.
void ComparePairsInOrder(const CArchive& driver, const CArchive* partner, const std::string& base,
                         uint32_t method, const FILECOMPAREOPTIONS& options, PAIRTABLE& table) {
    std::vector<PAIRJOB> jobs;
    for (const ARCHIVEENTRY& entry : driver.Entries()) {
        if (entry.kind != ArchiveEntryKind::File && entry.kind != ArchiveEntryKind::Link) continue;
        const int node = driver.FindNode(entry.path);
        if (node < 0 || driver.Nodes()[static_cast<size_t>(node)].entry != entry.position)
            continue;  // replaced
        PAIRJOB job{&entry, nullptr, std::string()};
        if (partner != nullptr) {
            const int other = partner->FindNode(entry.path);
            if (other < 0 || partner->Nodes()[static_cast<size_t>(other)].folder) continue;
            job.partner =
                &partner->Entries()[static_cast<size_t>(partner->Nodes()[static_cast<size_t>(other)].entry)];
            if (job.partner->kind != ArchiveEntryKind::File && job.partner->kind != ArchiveEntryKind::Link)
                continue;
        } else {
            job.partnerPath = platform::JoinPath(base, entry.path);
        }
        jobs.push_back(std::move(job));
    }
    // Where each side's content lies: -1 for a link (in memory, no cursor).
    const auto dataAt = [](const ARCHIVEENTRY* entry) {
        return entry == nullptr || entry->kind == ArchiveEntryKind::Link ? -1 : entry->dataPosition;
    };
    std::stable_sort(jobs.begin(), jobs.end(),
                     [&](const PAIRJOB& a, const PAIRJOB& b) { return dataAt(a.driver) < dataAt(b.driver); });
    const uint64_t limit = driver.Limits().maxInMemory;
    while (!jobs.empty()) {
        int error = 0;
        std::unique_ptr<CArchiveCursor> cursors[2] = {
            driver.NewCursor(error), partner != nullptr ? partner->NewCursor(error) : nullptr};
        int reached[2] = {-1, -1};
        std::vector<PAIRJOB> later;
        for (PAIRJOB& job : jobs) {
            const int at[2] = {dataAt(job.driver), dataAt(job.partner)};
            PAIRRESULT& result = table.byPosition[job.driver->position];
            // A hard link whose entry is missing has no content.
            const bool missing[2] = {
                job.driver->kind == ArchiveEntryKind::File && at[0] < 0,
                partner != nullptr && job.partner->kind == ArchiveEntryKind::File && at[1] < 0};
            if (missing[0] || missing[1]) {
                result.content = CONTENT_ERROR;
                for (int side = 0; side < 2; ++side)
                    if (missing[side]) result.errors[side] = kArchiveErrorNotFile;
                continue;
            }
            if ((at[0] >= 0 && at[0] <= reached[0]) || (at[1] >= 0 && at[1] <= reached[1])) {
                later.push_back(job);
                continue;
            }
            std::unique_ptr<CContentStream> own[2];
            CContentStream* streams[2] = {nullptr, nullptr};
            const ARCHIVEENTRY* entries[2] = {job.driver, job.partner};
            for (int side = 0; side < 2; ++side) {
                if (side == 1 && partner == nullptr) {
                    auto file = std::make_unique<CFileStream>();
                    result.errors[1] = file->Open(job.partnerPath);
                    own[1] = std::move(file);
                    streams[1] = own[1].get();
                    continue;
                }
                if (at[side] < 0) {
                    own[side] = std::make_unique<CMemoryStream>(entries[side]->linkTarget);
                    streams[side] = own[side].get();
                    continue;
                }
                CArchiveCursor* cursor = cursors[side].get();
                if (cursor == nullptr || !cursor->MoveTo(at[side])) {
                    result.errors[side] = cursor == nullptr      ? kArchiveErrorDamaged
                                          : cursor->Error() != 0 ? cursor->Error()
                                                                 : kArchiveErrorDamaged;
                    continue;
                }
                reached[side] = at[side];
                streams[side] = cursor;
            }
            if (result.errors[0] != 0 || result.errors[1] != 0) {
                result.content = CONTENT_ERROR;
                continue;
            }
            STREAMPAIR pair;
            pair.streams[0] = streams[0];
            pair.streams[1] = streams[1];
            pair.sizes[0] = job.driver->size;
            pair.sizes[1] = partner != nullptr ? job.partner->size : 0;
            if (partner == nullptr) {
                FINDDATA data;
                pair.sizes[1] = platform::FindEntry(job.partnerPath, data) ? data.Size() : 0;
            }
            pair.names[0] = job.driver->path;
            pair.names[1] = job.driver->path;
            result = CompareStreams(pair, method, options, limit);
        }
        if (later.size() == jobs.size()) break;  // cannot happen: each pass takes its first job
        jobs = std::move(later);
    }
}

// The result of one pair, from its driver archive's table for this partner
// and method (made at the first pair asked for).
bool LookUpPair(CFolderItem& driverSide, CFolderItem& partnerSide, uint32_t method,
                const FILECOMPAREOPTIONS& options, PAIRRESULT& result) {
    const ARCHIVEPLACE& place = *driverSide.ArchivePlace();
    const CArchive& driver = *place.archive;
    const std::string inside = NodePath(driver, place.node);
    if (inside.empty()) return false;
    const ARCHIVEPLACE* other = partnerSide.ArchivePlace();
    std::string base;
    if (other != nullptr) {
        if (NodePath(*other->archive, other->node) != inside) return false;
    } else {
        const std::string full = partnerSide.GetFullPath();
        if (full.size() <= inside.size() + 1 ||
            full.compare(full.size() - inside.size(), inside.size(), inside) != 0 ||
            full[full.size() - inside.size() - 1] != '/')
            return false;
        base = full.substr(0, full.size() - inside.size() - 1);
    }
    const ARCHIVEENTRY& entry =
        driver.Entries()[static_cast<size_t>(driver.Nodes()[static_cast<size_t>(place.node)].entry)];
    std::string key =
        std::to_string(method) + '\n' + std::to_string(options.textRules) + '\n' + options.lineFilter + '\n' +
        (other != nullptr ? "archive:" + std::to_string(reinterpret_cast<uintptr_t>(other->archive.get()))
                          : "folder:" + base);
    std::lock_guard<std::mutex> hold(driver.WorkLock());
    ARCHIVEWORK& work = Work(driver);
    auto found = work.pairs.find(key);
    if (found != work.pairs.end() && other != nullptr && found->second.partner.lock() != other->archive) {
        work.pairs.erase(found);  // an archive that went, whose address came back
        found = work.pairs.end();
    }
    if (found == work.pairs.end()) {
        PAIRTABLE& table = work.pairs[key];
        if (other != nullptr) table.partner = other->archive;
        // The partner's listing is read, never changed: its lock is not taken.
        ComparePairsInOrder(driver, other != nullptr ? other->archive.get() : nullptr, base, method, options,
                            table);
        found = work.pairs.find(key);
    }
    const auto pair = found->second.byPosition.find(entry.position);
    if (pair == found->second.byPosition.end()) return false;
    result = pair->second;
    return true;
}

}  // namespace

std::string ArchiveReadOnlyMessage(const std::string& path) {
    return path + ": lies inside an archive, which is read-only here: nothing in it is changed or extracted";
}

bool LiesInArchive(const CFolderItem& entry) {
    return dynamic_cast<const CArchiveFolder*>(&entry) != nullptr ||
           dynamic_cast<const CArchiveFile*>(&entry) != nullptr;
}

CArchiveFolder::CArchiveFolder(std::shared_ptr<CArchive> archive, int node) : m_opened(true) {
    m_place.archive = std::move(archive);
    m_place.node = node;
}

CArchiveFolder::CArchiveFolder(std::shared_ptr<CArchive> holder, int position, bool nested)
    : m_parentArchive(nested ? std::move(holder) : nullptr), m_position(position) {}

void CArchiveFolder::FillFromEntry(const ARCHIVEENTRY* entry) {
    if (entry != nullptr) {
        attributes = EntryAttributes(*entry, path.view()) & ~FILE_ATTRIBUTE_REPARSE_POINT;
        lastWriteTime = EntryTime(*entry);
    }
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
    attributes &= ~FILE_ATTRIBUTE_REPARSE_POINT;
    size = 0;
    valid |= FILE_VALID_INFO;
}

int CArchiveFolder::EnsureOpen() const {
    if (m_opened) return m_openError;
    m_opened = true;
    int error = 0;
    std::shared_ptr<CArchive> archive = m_parentArchive ? m_parentArchive->OpenNested(m_position, error)
                                                        : CArchive::OpenFile(GetFullPath(), error);
    if (!archive) {
        m_openError = error != 0 ? error : kArchiveErrorDamaged;
        return m_openError;
    }
    m_place.archive = std::move(archive);
    m_place.node = 0;
    return 0;
}

bool CArchiveFolder::Refresh(const std::string& newPath) {
    Reset();
    path = newPath;
    if (m_place.archive && m_place.node != 0) {
        const int entry = m_place.archive->Nodes()[static_cast<size_t>(m_place.node)].entry;
        FillFromEntry(entry >= 0 ? &m_place.archive->Entries()[static_cast<size_t>(entry)] : nullptr);
        return true;
    }
    if (m_parentArchive) {
        FillFromEntry(&m_parentArchive->Entries()[static_cast<size_t>(m_position)]);
        return true;
    }
    // An archive file: its own information, as a folder.
    FINDDATA data;
    if (platform::FindEntry(GetFullPath(), data)) FillFromFindData(data);
    FillFromEntry(nullptr);
    return true;
}

bool CArchiveFolder::Refresh() {
    const std::string kept = path.str();
    return Refresh(kept);
}

bool CArchiveFolder::Scan(bool filesOnly) {
    ClearChildren();
    m_scanned = true;
    readError = 0;
    if (const int error = EnsureOpen(); error != 0) {
        readError = static_cast<int16_t>(error);
        return false;
    }
    const CArchive& archive = *m_place.archive;
    // A listing that broke off is not the archive's content: nothing of it
    // may pass for one-sided.
    if (archive.ListError() != 0) {
        readError = static_cast<int16_t>(archive.ListError());
        return false;
    }
    for (const int node : archive.Nodes()[static_cast<size_t>(m_place.node)].children) {
        const CArchive::NODE& here = archive.Nodes()[static_cast<size_t>(node)];
        const ARCHIVEENTRY* entry =
            here.entry >= 0 ? &archive.Entries()[static_cast<size_t>(here.entry)] : nullptr;
        std::unique_ptr<CFolderItem> child;
        if (here.folder) {
            if (filesOnly) continue;
            child = std::make_unique<CArchiveFolder>(m_place.archive, node);
        } else if (openArchives && entry != nullptr && entry->kind == ArchiveEntryKind::File &&
                   CArchive::IsArchiveName(here.name)) {
            child = std::make_unique<CArchiveFolder>(m_place.archive, entry->position, true);
        } else {
            child = std::make_unique<CArchiveFile>(m_place.archive, node);
        }
        child->path = here.name;
        child->kind = 1;
        child->separator = '/';
        if (auto* folder = dynamic_cast<CArchiveFolder*>(child.get())) {
            folder->FillFromEntry(entry);
            folder->openArchives = openArchives;
        } else {
            static_cast<CArchiveFile&>(*child).FillFromEntry(*entry);
        }
        AddChild(std::move(child));
    }
    return true;
}

bool CArchiveFolder::HasVisibleContent(const CComboFilters& filter, int* error) const {
    if (error != nullptr) *error = 0;
    const int failure = EnsureOpen();
    if (failure == 0 && m_place.archive->ListError() == 0) {
        for (const int node : m_place.archive->Nodes()[static_cast<size_t>(m_place.node)].children)
            if (!corvatine::IsExcluded(filter, NodeFindData(*m_place.archive, node))) return true;
        return false;
    }
    if (error != nullptr) *error = failure != 0 ? failure : m_place.archive->ListError();
    return false;
}

CArchiveFile::CArchiveFile(std::shared_ptr<CArchive> archive, int node) {
    m_place.archive = std::move(archive);
    m_place.node = node;
}

const ARCHIVEENTRY& CArchiveFile::Entry() const {
    const int entry = m_place.archive->Nodes()[static_cast<size_t>(m_place.node)].entry;
    return m_place.archive->Entries()[static_cast<size_t>(entry)];
}

void CArchiveFile::FillFromEntry(const ARCHIVEENTRY& entry) {
    attributes = EntryAttributes(entry, path.view());
    lastWriteTime = EntryTime(entry);
    size = entry.size;
    valid |= FILE_VALID_INFO;
}

bool CArchiveFile::Refresh(const std::string& newPath) {
    Reset();
    path = newPath;
    FillFromEntry(Entry());
    return true;
}

bool CArchiveFile::Refresh() {
    const std::string kept = path.str();
    return Refresh(kept);
}

int CArchiveFile::DetermineContentType(bool force) {
    if ((valid & FILE_VALID_CONTENT_TYPE) && !force) return contentType;
    const ARCHIVEENTRY& entry = Entry();
    if (entry.kind == ArchiveEntryKind::Other) {
        contentType = FILE_CONTENT_UNKNOWN;
    } else {
        const ENTRYDIGEST& digest = DigestOf(m_place, entry.position);
        contentType = digest.type;
        if (digest.error != 0) readError = static_cast<int16_t>(digest.error);
        SetEncodingClass(digest.encodingKind == ENCODING_UTF8      ? 1
                         : digest.encodingKind == ENCODING_UCS2_BE ? 3
                         : digest.encodingKind == ENCODING_UCS2_LE ? 4
                                                                   : 0);
    }
    valid |= FILE_VALID_CONTENT_TYPE;
    return contentType;
}

uint32_t CArchiveFile::ComputeCRC(bool force, CCrcReceiver* receiver, uint64_t worker) {
    if ((valid & FILE_VALID_CRC) && !force) return GetCRCValue();
    if (receiver != nullptr) receiver->Post(kCrcStartMessage, 0, 100);
    const ARCHIVEENTRY& entry = Entry();
    uint32_t crc = 0;
    if (entry.kind == ArchiveEntryKind::Other) {
        readError = kReadErrorNotRegular;
    } else {
        const ENTRYDIGEST& digest = DigestOf(m_place, entry.position);
        crc = digest.error != 0 ? 0 : digest.crc;
        if (digest.error != 0) readError = static_cast<int16_t>(digest.error);
    }
    SetCRCValue(crc);
    valid |= FILE_VALID_CRC;
    if (receiver != nullptr) receiver->Post(kCrcResultMessage, worker, crc);
    return crc;
}

bool CArchiveFile::ReadVersion(bool force) {
    // Version resources are read from files on disk only.
    if ((valid & FILE_VALID_VERSION) && !force) return HasFileVersion();
    SetFileVersion(0, 0);
    valid |= FILE_VALID_VERSION;
    return false;
}

int CompareArchivePair(CFolderItem& left, CFolderItem& right, uint32_t method,
                       const FILECOMPAREOPTIONS& options, int errors[2]) {
    errors[0] = errors[1] = 0;
    for (CFolderItem* side : {&left, &right})
        if (side->ArchivePlace() != nullptr && side->AttributeTest(FILE_ATTRIBUTE_SYSTEM)) {
            errors[side == &left ? 0 : 1] = kReadErrorNotRegular;
            return CONTENT_ERROR;
        }
    const bool leftDrives = left.ArchivePlace() != nullptr;
    CFolderItem& driver = leftDrives ? left : right;
    CFolderItem& partner = leftDrives ? right : left;
    PAIRRESULT result;
    if (!LookUpPair(driver, partner, method, options, result)) {
        // Not at the same place below both roots: each read on its own.
        int failures[2] = {0, 0};
        std::unique_ptr<CContentStream> streams[2] = {OpenSide(driver, failures[0]),
                                                      OpenSide(partner, failures[1])};
        if (failures[0] != 0 || failures[1] != 0) {
            result.content = CONTENT_ERROR;
            result.errors[0] = failures[0];
            result.errors[1] = failures[1];
        } else {
            STREAMPAIR pair;
            pair.streams[0] = streams[0].get();
            pair.streams[1] = streams[1].get();
            pair.sizes[0] = driver.GetSize();
            pair.sizes[1] = partner.GetSize();
            pair.names[0] = driver.GetName();
            pair.names[1] = partner.GetName();
            result =
                CompareStreams(pair, method, options, driver.ArchivePlace()->archive->Limits().maxInMemory);
        }
    }
    errors[leftDrives ? 0 : 1] = result.errors[0];
    errors[leftDrives ? 1 : 0] = result.errors[1];
    return result.content;
}

std::unique_ptr<CFolder> OpenArchiveRoot(const std::string& path, int& error) {
    error = 0;
    int typeError = 0;
    const platform::FileType type = platform::GetFileType(path, &typeError);
    const bool file = type == platform::FileType::Regular && CArchive::IsArchiveName(path);
    const bool through = type == platform::FileType::Missing && typeError == ENOTDIR;
    if (!file && !through) return nullptr;
    std::string rest;
    std::shared_ptr<CArchive> archive = CArchive::OpenPath(path, rest, error, true);
    if (!archive) {
        if (error == ENOENT && through) error = ENOTDIR;
        return nullptr;
    }
    const int node = archive->FindNode(rest);
    if (node < 0 || !archive->Nodes()[static_cast<size_t>(node)].folder) {
        error = node < 0 ? ENOENT : ENOTDIR;
        return nullptr;
    }
    auto root = std::make_unique<CArchiveFolder>(std::move(archive), node);
    root->Refresh(path);
    return root;
}

}  // namespace corvatine
