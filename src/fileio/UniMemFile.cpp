#include "fileio/UniMemFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fileio/Archive.h"
#include "fileio/ByteReadings.h"
#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "platform/MappedViews.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

constexpr unsigned char CR = '\r';
constexpr unsigned char LF = '\n';

bool WorkingIsUtf8() { return WorkingCodePage() == CP_UTF8; }

template <bool BigEndian>
char32_t Unit(const unsigned char* p) {
    return BigEndian ? static_cast<char32_t>((p[0] << 8) | p[1]) : static_cast<char32_t>(p[0] | (p[1] << 8));
}

// Converts UCS-2 characters into UTF-8 up to the first CR, LF, NUL or lone
// surrogate (which the caller handles one by one); a surrogate pair is one
// character. Returns where it stopped.
template <bool BigEndian>
const unsigned char* Ucs2ToUtf8Run(const unsigned char* p, const unsigned char* end, std::string& text) {
    char buffer[4096];
    size_t n = 0;
    while (end - p >= 2) {
        if (n + 4 > sizeof buffer) {
            text.append(buffer, n);
            n = 0;
        }
        const char32_t u = Unit<BigEndian>(p);
        if (u < 0x80) {
            if (u == CR || u == LF || u == 0) break;
            buffer[n++] = static_cast<char>(u);
            p += 2;
        } else if (u < 0x800) {
            buffer[n++] = static_cast<char>(0xC0 | (u >> 6));
            buffer[n++] = static_cast<char>(0x80 | (u & 0x3F));
            p += 2;
        } else if (u < 0xD800 || u > 0xDFFF) {
            buffer[n++] = static_cast<char>(0xE0 | (u >> 12));
            buffer[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            buffer[n++] = static_cast<char>(0x80 | (u & 0x3F));
            p += 2;
        } else {
            if (u > 0xDBFF || end - p < 4) break;
            const char32_t low = Unit<BigEndian>(p + 2);
            if (low < 0xDC00 || low > 0xDFFF) break;
            const char32_t c = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            buffer[n++] = static_cast<char>(0xF0 | (c >> 18));
            buffer[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            buffer[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
            p += 4;
        }
    }
    text.append(buffer, n);
    return p;
}

}  // namespace

struct UniMemFile::Converters {
    CCharsetConverter toWorking;    // from the file's code page
    CCharsetConverter fromWorking;  // back, as a save writes the line
    CCharsetConverter wideToWorking;
    int fileCodePage;
    int workingCodePage;
    std::unique_ptr<ByteReadings> bytes;  // for a single-byte file code page, once needed
    Converters(int fileCp, int workingCp)
        : toWorking(CharsetName(fileCp), CharsetName(workingCp)),
          fromWorking(CharsetName(workingCp), CharsetName(fileCp)),
          wideToWorking("UTF-32LE", CharsetName(workingCp)),
          fileCodePage(fileCp),
          workingCodePage(workingCp) {}
};

UniMemFile::UniMemFile(int64_t lineFeedBlock) : m_lineFeedBlock(lineFeedBlock > 0 ? lineFeedBlock : 1) {}

UniMemFile::~UniMemFile() { Close(); }

bool UniMemFile::OpenRead(const std::string& path) {
    Close();
    m_fullPath = path;
    m_filename = platform::PathFileName(path);
    m_lastError.Clear();

    m_fd = platform::OpenPath(path, O_RDONLY | O_CLOEXEC);  // a path of any length
    if (m_fd < 0 && errno == ENOTDIR) {
        const EntryOpen entry = OpenArchiveEntry(path);
        if (entry != EntryOpen::NoSuchEntry) return entry == EntryOpen::Opened;
        errno = ENOTDIR;
    }
    if (m_fd < 0) {
        LastError("open", errno);
        Close();
        return false;
    }
    struct stat st;
    if (::fstat(m_fd, &st) != 0) {
        LastError("fstat", errno);
        Close();
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        LastError("open", EISDIR);
        Close();
        return false;
    }
    if (!GetFileStatus(m_fd)) {
        Close();
        return false;
    }
    const bool regular = S_ISREG(st.st_mode);
    if (!(regular ? MapFile() : ReadUnmappable())) {
        Close();
        return false;
    }
    if (m_base != nullptr) {
        const auto size = static_cast<size_t>(m_filesize);
        // A file's view is registered while it is mapped, so that the file
        // cut short meanwhile is reported by name rather than as a crash.
        std::shared_ptr<platform::CMappedViewRecord> record;
        if (regular) record = std::make_shared<platform::CMappedViewRecord>(m_base, size, path);
        m_view = std::shared_ptr<void>(m_base, [size, record](void* view) mutable {
            record.reset();
            ::munmap(view, size);
        });
    }
    m_data = m_current = m_released = m_base;
    if (m_base != nullptr) ::madvise(m_base, static_cast<size_t>(m_filesize), MADV_SEQUENTIAL);
    m_lineno = 0;
    m_stats.Reset();
    return true;
}

UniMemFile::EntryOpen UniMemFile::OpenArchiveEntry(const std::string& path) {
    // A path through an archive: its entry, read into memory.
    std::string bytes;
    int error = 0;
    if (CArchive::ReadPath(path, bytes, error)) {
        const std::string name = m_filename;
        if (!OpenBytes(path, bytes)) return EntryOpen::Failed;
        m_fullPath = path;
        m_filename = name;
        return EntryOpen::Opened;
    }
    if (error == ENOENT) return EntryOpen::NoSuchEntry;
    const std::string text = ArchiveErrorText(error);
    if (text.empty())
        LastError("open", error);
    else
        LastErrorCustom(text);
    Close();
    return EntryOpen::Failed;
}

bool UniMemFile::MapFile() {
    if (m_filesize > kMaxFileSize) {
        LastErrorCustom("UniMemFile cannot handle files over 2 gigabytes");
        return false;
    }
    if (m_filesize == 0) return true;
    // Read at once: mapping page by page on first touch costs a fault each.
    void* view =
        ::mmap(nullptr, static_cast<size_t>(m_filesize), PROT_READ, MAP_PRIVATE | MAP_POPULATE, m_fd, 0);
    if (view == MAP_FAILED) {
        LastError("mmap", errno);
        return false;
    }
    m_base = static_cast<unsigned char*>(view);
    return true;
}

bool UniMemFile::ReadUnmappable() {
    // A pipe or a device has no size to map: its bytes are read into an
    // anonymous map instead, so that nothing it delivers is missed.
    std::string bytes;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(m_fd, block, sizeof block);
        if (n < 0) {
            if (errno == EINTR) continue;
            LastError("read", errno);
            return false;
        }
        if (n == 0) break;
        bytes.append(block, static_cast<size_t>(n));
        if (static_cast<int64_t>(bytes.size()) > kMaxFileSize) {
            LastErrorCustom("UniMemFile cannot handle files over 2 gigabytes");
            return false;
        }
    }
    m_filesize = static_cast<int64_t>(bytes.size());
    return MapCopy(bytes);
}

bool UniMemFile::MapCopy(std::string_view bytes) {
    if (bytes.empty()) return true;
    void* view = ::mmap(nullptr, bytes.size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (view == MAP_FAILED) {
        LastError("mmap", errno);
        return false;
    }
    std::memcpy(view, bytes.data(), bytes.size());
    m_base = static_cast<unsigned char*>(view);
    return true;
}

bool UniMemFile::OpenBytes(const std::string& name, std::string_view bytes) {
    Close();
    m_fullPath = name;
    m_filename = platform::PathFileName(name);
    m_lastError.Clear();
    if (static_cast<int64_t>(bytes.size()) > kMaxFileSize) {
        LastErrorCustom("UniMemFile cannot handle files over 2 gigabytes");
        return false;
    }
    m_filesize = static_cast<int64_t>(bytes.size());
    if (!MapCopy(bytes)) {
        Close();
        return false;
    }
    if (m_base != nullptr) {
        const auto size = bytes.size();
        m_view = std::shared_ptr<void>(m_base, [size](void* mapped) { ::munmap(mapped, size); });
    }
    m_inMemory = true;
    m_data = m_current = m_released = m_base;
    m_lineno = 0;
    m_stats.Reset();
    return true;
}

void UniMemFile::Close() {
    m_inMemory = false;
    m_view.reset();  // unmaps the view unless a share keeps it
    m_viewShared = false;
    m_base = nullptr;
    m_data = m_current = m_released = nullptr;
    m_lineBreaks = LineBreaks::Unknown;
    m_countedFrom = nullptr;
    m_asciiUpTo = nullptr;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    ResetState();
    SetEncodingKind(ENCODING_CODEPAGE);
    m_codePage = WorkingCodePage();
    m_converters.reset();
}

bool UniMemFile::DetectBom() {
    BomInfo bom;
    const bool found = corvatine::DetectBom(m_base, static_cast<size_t>(m_filesize), bom);
    SetEncodingKind(bom.kind);
    // Line feeds counted from the start are as many after a mark, which
    // holds none.
    if (m_countedFrom == m_current) m_countedFrom = m_base + bom.dataOffset;
    m_data = m_current = m_base + bom.dataOffset;
    m_readBom = true;
    return found;
}

DETECTEDENCODING UniMemFile::DetectEncoding(int codePage) {
    // Counted from the start, the bytes before m_asciiUpTo are known to be
    // ASCII: a file without a byte above 0x7F is not read twice.
    const size_t knownAscii =
        m_countedFrom != nullptr && m_countedFrom == m_base ? static_cast<size_t>(m_asciiUpTo - m_base) : 0;
    DETECTEDENCODING found =
        corvatine::DetectEncoding(m_base, static_cast<size_t>(m_filesize), codePage, knownAscii);
    DetectBom();
    if (found.kind == ENCODING_CODEPAGE)
        m_codePage = found.codePage;
    else
        found.codePage = m_codePage;
    return found;
}

std::shared_ptr<const void> UniMemFile::ShareView() {
    if (!m_view) return nullptr;
    m_viewShared = true;
    return m_view;
}

bool UniMemFile::ReadLine(std::string& text) {
    std::string ending;
    return ReadLine(text, ending);
}

bool UniMemFile::ReadLine(std::string& text, std::string& ending) {
    text.clear();
    ending.clear();
    m_lossyLineBytes.clear();
    m_otherForm = false;
    const unsigned char* start = m_current;
    const int32_t lossy = m_stats.nLossy;
    bool more;
    if (m_encoding == ENCODING_CODEPAGE)
        more = CodePagesEquivalent(m_codePage, WorkingCodePage()) ? ReadLineAsIs(text, ending)
                                                                  : ReadLineConverted(text, ending);
    else
        more = ReadLineUnicode(text, ending);
    if ((m_stats.nLossy != lossy || m_otherForm) && start != nullptr) {
        // Kept before the pages are given back. The ending's characters are
        // one unit each.
        const size_t endingBytes = ending.size() * static_cast<size_t>(m_charsize);
        m_lossyLineBytes.assign(reinterpret_cast<const char*>(start),
                                static_cast<size_t>(m_current - start) - endingBytes);
    }
    if (m_current - m_released >= kReleaseStep) ReleaseConsumed();
    return more;
}

void UniMemFile::ReleaseConsumed() {
    // Reading never goes back, so what lies behind it can be dropped.
    if (m_base == nullptr || m_viewShared) return;
    const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t from = reinterpret_cast<uintptr_t>(m_released);
    const uintptr_t to = reinterpret_cast<uintptr_t>(m_current) & ~(page - 1);
    if (to <= from) return;
    ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    m_released = reinterpret_cast<const unsigned char*>(to);
}

void UniMemFile::RecordNul(const unsigned char* at) {
    const int32_t offset = static_cast<int32_t>(at - m_base);
    if (m_stats.nNUL++ == 0) m_stats.firstNUL = offset;
    m_stats.lastNUL = offset;
}

// The line feed bytes of [p, p + n), counted in runs of a fixed length short
// enough for a byte-wide count: the compiler counts a run many bytes at a
// time. With ascii, the same pass finds how far the bytes are ASCII: the
// start of the first run that holds a byte above 0x7F, or the end.
static int64_t CountLineFeedBytes(const unsigned char* p, size_t n, const unsigned char** ascii = nullptr) {
    constexpr size_t kRun = 240;  // a multiple of every vector width, below 256
    int64_t count = 0;
    const unsigned char* asciiUpTo = nullptr;
    for (; n >= kRun; p += kRun, n -= kRun) {
        unsigned char partial = 0, bits = 0;
        for (size_t i = 0; i < kRun; ++i) {
            partial = static_cast<unsigned char>(partial + (p[i] == LF));
            bits = static_cast<unsigned char>(bits | p[i]);
        }
        count += partial;
        if ((bits & 0x80) != 0 && asciiUpTo == nullptr) asciiUpTo = p;
    }
    for (size_t i = 0; i < n; ++i) {
        count += p[i] == LF;
        if (p[i] >= 0x80 && asciiUpTo == nullptr) asciiUpTo = p + i;
    }
    if (ascii != nullptr) *ascii = asciiUpTo != nullptr ? asciiUpTo : p + n;
    return count;
}

int64_t UniMemFile::CountLineFeeds() const {
    if (m_current == nullptr) return 0;
    m_countedFrom = m_current;
    m_countedFeeds =
        CountLineFeedBytes(m_current, static_cast<size_t>(m_base + m_filesize - m_current), &m_asciiUpTo);
    return m_countedFeeds;
}

// The first CR, LF or NUL in [from, end), or end.
static const unsigned char* FindLineBreak(const unsigned char* from, const unsigned char* end) {
    // Line feeds first: the usual break, found a block at a time; then a CR
    // or NUL before it, in the line only.
    const void* lf = std::memchr(from, LF, static_cast<size_t>(end - from));
    const unsigned char* limit = lf != nullptr ? static_cast<const unsigned char*>(lf) : end;
    for (const unsigned char stop : {CR, static_cast<unsigned char>(0)})
        if (const void* at = std::memchr(from, stop, static_cast<size_t>(limit - from)))
            limit = static_cast<const unsigned char*>(at);
    return limit;
}

void UniMemFile::FindWhetherOnlyLineFeeds() {
    if (m_lineBreaks != LineBreaks::Unknown) return;
    // Most files break their lines with line feeds alone and hold no NUL:
    // two passes over the whole file then spare a search per line.
    const size_t rest = static_cast<size_t>(m_base + m_filesize - m_current);
    m_lineBreaks = std::memchr(m_current, CR, rest) == nullptr && std::memchr(m_current, 0, rest) == nullptr
                       ? LineBreaks::OnlyLineFeeds
                       : LineBreaks::Mixed;
}

bool UniMemFile::ReadLineFeedBlock(std::string_view& block, int64_t& lines) {
    if (m_current - m_released >= kReleaseStep) ReleaseConsumed();
    const unsigned char* end = m_base + m_filesize;
    if (m_current == nullptr || m_current >= end || !ReadsInPlace()) return false;
    FindWhetherOnlyLineFeeds();
    if (m_lineBreaks != LineBreaks::OnlyLineFeeds) return false;
    // The whole lines in the next block of bytes, or the one line that is
    // longer; an unterminated last line is left to ReadLineInPlace.
    const int64_t step = m_viewShared ? end - m_current : std::min<int64_t>(m_lineFeedBlock, end - m_current);
    const unsigned char* limit = m_current + step;
    const void* last = ::memrchr(m_current, LF, static_cast<size_t>(limit - m_current));
    if (last == nullptr) last = std::memchr(limit, LF, static_cast<size_t>(end - limit));
    if (last == nullptr) return false;
    const auto* stop = static_cast<const unsigned char*>(last) + 1;
    block = std::string_view(reinterpret_cast<const char*>(m_current), static_cast<size_t>(stop - m_current));
    // All the rest's line feeds, counted already from here: as many.
    lines = limit == end && m_countedFrom == m_current ? m_countedFeeds
                                                       : CountLineFeedBytes(m_current, block.size());
    m_stats.nLF += static_cast<int32_t>(lines);
    m_lineno += static_cast<int>(lines);
    m_current = stop;
    return true;
}

bool UniMemFile::NextLineAsIs(std::string_view& text, std::string_view& ending) {
    const unsigned char* end = m_base + m_filesize;
    if (m_current >= end) return false;
    FindWhetherOnlyLineFeeds();
    const unsigned char* p;
    if (m_lineBreaks == LineBreaks::OnlyLineFeeds) {
        p = static_cast<const unsigned char*>(
            std::memchr(m_current, LF, static_cast<size_t>(end - m_current)));
        if (p == nullptr) p = end;
    } else {
        p = FindLineBreak(m_current, end);
    }
    text = std::string_view(reinterpret_cast<const char*>(m_current), static_cast<size_t>(p - m_current));
    ending = std::string_view();
    if (p == end) {
        m_current = p;
        return true;
    }
    if (*p == 0) {
        RecordNul(p);
        m_current = p + 1;
        return true;
    }
    const size_t endingLength = *p == CR && p + 1 < end && p[1] == LF ? 2 : 1;
    ending = std::string_view(reinterpret_cast<const char*>(p), endingLength);
    if (endingLength == 2)
        ++m_stats.nCRLF;
    else
        ++(*p == CR ? m_stats.nCR : m_stats.nLF);
    m_current = p + endingLength;
    ++m_lineno;
    return true;
}

bool UniMemFile::ReadLineAsIs(std::string& text, std::string& ending) {
    std::string_view characters, end;
    if (!NextLineAsIs(characters, end)) return false;
    text.assign(characters);
    ending.assign(end);
    return true;
}

bool UniMemFile::ReadsInPlace() const {
    return m_encoding == ENCODING_CODEPAGE && CodePagesEquivalent(m_codePage, WorkingCodePage());
}

bool UniMemFile::ReadLineInPlace(std::string_view& text, std::string_view& ending) {
    // The pages of the lines handed out before are given back now, not
    // while the caller still reads the last one.
    if (m_current - m_released >= kReleaseStep) ReleaseConsumed();
    text = ending = std::string_view();
    return NextLineAsIs(text, ending);
}

void UniMemFile::AppendConverted(std::string& text, char32_t c) {
    if (c < 0x80 || WorkingIsUtf8()) {
        AppendUtf8(text, c);
        return;
    }
    if (!m_converters || m_converters->workingCodePage != WorkingCodePage())
        m_converters = std::make_unique<Converters>(m_codePage, WorkingCodePage());
    std::string wide;
    for (int i = 0; i < 4; ++i) wide += static_cast<char>((c >> (8 * i)) & 0xFF);
    m_converters->wideToWorking.Convert(wide, text, m_stats.nLossy);
}

bool UniMemFile::ReadLineUnicode(std::string& text, std::string& ending) {
    const unsigned char* end = m_base + m_filesize;
    if (end - m_current < m_charsize) {
        if (end > m_current) {
            // An odd byte after the last line of a UCS-2 file is no character.
            ++m_stats.nLossy;
            m_current = end;
        }
        return false;
    }
    const bool utf8 = m_encoding == ENCODING_UTF8;
    const bool bigEndian = m_encoding == ENCODING_UCS2_BE;
    const bool toUtf8 = WorkingIsUtf8();
    auto unitAt = [bigEndian](const unsigned char* p) -> char32_t {
        return bigEndian ? static_cast<char32_t>((p[0] << 8) | p[1])
                         : static_cast<char32_t>(p[0] | (p[1] << 8));
    };

    while (end - m_current >= m_charsize) {
        const unsigned char* at = m_current;
        char32_t c;
        int length;
        if (utf8) {
            // Plain ASCII runs are copied at once.
            const unsigned char* p = at;
            while (p < end && *p < 0x80 && *p != CR && *p != LF && *p != 0) ++p;
            if (p > at) {
                text.append(reinterpret_cast<const char*>(at), static_cast<size_t>(p - at));
                m_current = p;
                continue;
            }
            length = DecodeUtf8(at, static_cast<size_t>(end - at), c);
            if (length < 0) {
                // A sequence cut short by the end of the file: dropped, and the line ends.
                ++m_stats.nLossy;
                m_current = end;
                break;
            }
            if (length == 0) {
                ++m_stats.nLossy;
                text += '?';
                m_current = at + 1;
                continue;
            }
            if (length > 1 && toUtf8) {
                // A valid sequence is already the working code page's text.
                text.append(reinterpret_cast<const char*>(at), static_cast<size_t>(length));
                m_current = at + length;
                continue;
            }
        } else {
            if (toUtf8) {
                const unsigned char* p =
                    bigEndian ? Ucs2ToUtf8Run<true>(at, end, text) : Ucs2ToUtf8Run<false>(at, end, text);
                if (p > at) {
                    m_current = p;
                    continue;
                }
            }
            c = unitAt(at);
            length = 2;
            if (c >= 0xD800 && c <= 0xDBFF && end - at >= 4) {
                const char32_t low = unitAt(at + 2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    length = 4;
                }
            }
            if (c >= 0xD800 && c <= 0xDFFF) {
                // A lone surrogate stands for no character.
                ++m_stats.nLossy;
                text += '?';
                m_current = at + 2;
                continue;
            }
        }

        if (c == CR) {
            const unsigned char* next = at + length;
            const bool lf = utf8 ? (next < end && *next == LF) : (end - next >= 2 && unitAt(next) == LF);
            if (lf) {
                ending = "\r\n";
                ++m_stats.nCRLF;
                m_current = next + (utf8 ? 1 : 2);
            } else {
                ending = "\r";
                ++m_stats.nCR;
                m_current = next;
            }
            ++m_lineno;
            return true;
        }
        if (c == LF) {
            ending = "\n";
            ++m_stats.nLF;
            m_current = at + length;
            ++m_lineno;
            return true;
        }
        if (c == 0) {
            RecordNul(at);
            m_current = at + length;
            return true;
        }
        AppendConverted(text, c);
        m_current = at + length;
    }
    // An odd trailing byte of a UCS-2 file is not a character.
    if (!utf8 && end - m_current == 1) {
        ++m_stats.nLossy;
        m_current = end;
    }
    return true;
}

bool UniMemFile::ReadLineConverted(std::string& text, std::string& ending) {
    const unsigned char* end = m_base + m_filesize;
    if (m_current >= end) return false;
    const unsigned char* p = m_current;
    while (p < end && *p != CR && *p != LF) {
        if (*p == 0) RecordNul(p);
        ++p;
    }
    if (!m_converters || m_converters->fileCodePage != m_codePage ||
        m_converters->workingCodePage != WorkingCodePage())
        m_converters = std::make_unique<Converters>(m_codePage, WorkingCodePage());
    int lossy = 0;
    const std::string_view bytes(reinterpret_cast<const char*>(m_current),
                                 static_cast<size_t>(p - m_current));
    const size_t from = text.size();
    if (ConvertsBytewise(m_codePage)) {
        // A byte at a time from what each byte reads as: runs of bytes that
        // read as themselves are copied at once. A line with a byte that does
        // not read plainly goes through the converter below.
        if (!m_converters->bytes)
            m_converters->bytes = std::make_unique<ByteReadings>(
                ReadEachByte(m_converters->toWorking, m_converters->fromWorking));
        const ByteReadings& readings = *m_converters->bytes;
        bool plain = true, otherForm = false;
        for (const unsigned char* q = m_current; q < p;) {
            const unsigned char* run = q;
            while (q < p && readings.same[*q]) ++q;
            text.append(reinterpret_cast<const char*>(run), static_cast<size_t>(q - run));
            if (q == p) break;
            if (!readings.plain[*q]) {
                plain = false;
                break;
            }
            text += readings.text[*q];
            otherForm = otherForm || !readings.exact[*q];
            ++q;
        }
        if (plain) return EndConvertedLine(p, ending, otherForm);
        text.resize(from);
    }
    m_converters->toWorking.Convert(bytes, text, lossy);
    // A line break of the code page's own (EBCDIC has two) would break the
    // line in memory: it stands for no character of a line.
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            text[i] = '?';
            ++lossy;
        }
    }
    // Characters that would be written back as other bytes (a redundant
    // shift sequence, one of two codes of a character): the line keeps its
    // bytes, though its characters are exact.
    bool otherForm = false;
    if (lossy == 0 && ConvertsBytewise(m_codePage)) {
        if (!m_converters->bytes)
            m_converters->bytes = std::make_unique<ByteReadings>(
                ReadEachByte(m_converters->toWorking, m_converters->fromWorking));
        for (const char b : bytes) {
            if (!m_converters->bytes->exact[static_cast<unsigned char>(b)]) {
                otherForm = true;
                break;
            }
        }
    } else if (lossy == 0) {
        m_roundTrip.clear();
        int ignored = 0;
        m_converters->fromWorking.Convert(std::string_view(text).substr(from), m_roundTrip, ignored);
        otherForm = m_roundTrip != bytes;
    }
    if (lossy > 0) ++m_stats.nLossy;  // once per line
    return EndConvertedLine(p, ending, otherForm);
}

bool UniMemFile::EndConvertedLine(const unsigned char* p, std::string& ending, bool otherForm) {
    const unsigned char* end = m_base + m_filesize;
    m_otherForm = otherForm;
    if (p == end) {
        m_current = end;
        return false;
    }
    if (*p == CR && p + 1 < end && p[1] == LF) {
        ending = "\r\n";
        ++m_stats.nCRLF;
        m_current = p + 2;
    } else {
        ending.assign(1, static_cast<char>(*p));
        ++(*p == CR ? m_stats.nCR : m_stats.nLF);
        m_current = p + 1;
    }
    ++m_lineno;
    return true;
}

}  // namespace corvatine
