#include "platform/VersionResource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/File.h"

namespace corvatine::platform {

namespace {

constexpr uint32_t kResourceTypeVersion = 16;  // RT_VERSION
// A version block records its length in 16 bits.
constexpr uint32_t kMaxVersionBlock = 0xFFFF;
// More entries than this in one resource directory is no real image.
constexpr uint32_t kMaxDirectoryEntries = 4096;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads byte ranges of an image, refusing any range beyond its end.
class ImageFile {
public:
    // Only a regular file is read: other kinds have no version, and opening
    // a fifo could wait for a writer.
    bool Open(const std::string& path) {
        const FileType type = GetFileType(path, &m_error);
        if (type != FileType::Regular) return false;
        if (!m_file.Open(path)) {
            m_error = m_file.LastError();
            return false;
        }
        struct stat info {};
        if (::fstat(m_file.Descriptor(), &info) != 0) {
            m_error = errno;
            return false;
        }
        m_size = static_cast<uint64_t>(info.st_size);
        return true;
    }

    bool Read(uint64_t offset, size_t size, std::vector<uint8_t>& out) {
        if (offset > m_size || size > m_size - offset) return false;
        out.resize(size);
        if (!m_file.Seek(static_cast<int64_t>(offset))) {
            m_error = m_file.LastError();
            return false;
        }
        const int64_t read = m_file.Read(out.data(), size);
        if (read < 0) m_error = m_file.LastError();
        return read == static_cast<int64_t>(size);
    }

    // The errno value of a failure to look at, open or read the file; 0 when
    // nothing failed (an image that ends early is no image).
    int Error() const { return m_error; }

private:
    InputFile m_file;
    uint64_t m_size = 0;
    int m_error = 0;
};

struct SECTION {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawOffset;
};

bool RvaToOffset(const std::vector<SECTION>& sections, uint32_t rva, uint64_t& offset) {
    for (const SECTION& s : sections) {
        const uint32_t span = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
            const uint32_t within = rva - s.virtualAddress;
            if (within >= s.rawSize) return false;  // not backed by file data
            offset = static_cast<uint64_t>(s.rawOffset) + within;
            return true;
        }
    }
    return false;
}

// One entry of a resource directory at offset within the resource section:
// with type 0 the first entry, otherwise the entry with that numeric id.
// Returns the entry's OffsetToData word.
bool DirectoryEntry(ImageFile& image, uint64_t sectionOffset, uint32_t directory, uint32_t type,
                    uint32_t& target) {
    std::vector<uint8_t> header;
    if (!image.Read(sectionOffset + directory, 16, header)) return false;
    const uint32_t named = U16(&header[12]);
    const uint32_t ids = U16(&header[14]);
    const uint32_t count = named + ids;
    if (count == 0 || count > kMaxDirectoryEntries) return false;
    std::vector<uint8_t> entries;
    if (!image.Read(sectionOffset + directory + 16, static_cast<size_t>(count) * 8, entries)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t name = U32(&entries[i * 8]);
        if (type == 0 || (!(name & 0x80000000u) && name == type)) {
            target = U32(&entries[i * 8 + 4]);
            return true;
        }
    }
    return false;
}

bool ReadVersionBlock(ImageFile& image, const std::string& path, std::vector<uint8_t>& block) {
    std::vector<uint8_t> bytes;
    if (!image.Open(path) || !image.Read(0, 64, bytes) || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const uint32_t peOffset = U32(&bytes[0x3C]);
    if (!image.Read(peOffset, 24, bytes) || U32(&bytes[0]) != 0x00004550) return false;  // "PE\0\0"
    const uint32_t sectionCount = U16(&bytes[6]);
    const uint32_t optionalSize = U16(&bytes[20]);
    std::vector<uint8_t> optional;
    if (optionalSize < 2 || !image.Read(peOffset + 24ull, optionalSize, optional)) return false;

    size_t rvaCountAt = 0, directoriesAt = 0;
    switch (U16(&optional[0])) {
        case 0x10b: rvaCountAt = 92, directoriesAt = 96; break;    // PE32
        case 0x20b: rvaCountAt = 108, directoriesAt = 112; break;  // PE32+
        default: return false;
    }
    const size_t resourceAt = directoriesAt + 2 * 8;  // the resource table is directory 2
    if (optional.size() < resourceAt + 8 || U32(&optional[rvaCountAt]) < 3) return false;
    const uint32_t resourceRva = U32(&optional[resourceAt]);
    if (resourceRva == 0) return false;

    std::vector<uint8_t> table;
    if (!image.Read(peOffset + 24ull + optionalSize, static_cast<size_t>(sectionCount) * 40, table))
        return false;
    std::vector<SECTION> sections(sectionCount);
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint8_t* s = &table[i * 40];
        sections[i] = {U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)};
    }
    uint64_t sectionOffset = 0;
    if (!RvaToOffset(sections, resourceRva, sectionOffset)) return false;

    // Type, then name, then language: the first name and language of the
    // version type.
    uint32_t entry = 0;
    if (!DirectoryEntry(image, sectionOffset, 0, kResourceTypeVersion, entry) || !(entry & 0x80000000u))
        return false;
    if (!DirectoryEntry(image, sectionOffset, entry & 0x7FFFFFFFu, 0, entry) || !(entry & 0x80000000u))
        return false;
    if (!DirectoryEntry(image, sectionOffset, entry & 0x7FFFFFFFu, 0, entry) || (entry & 0x80000000u))
        return false;

    std::vector<uint8_t> data;
    if (!image.Read(sectionOffset + entry, 16, data)) return false;
    uint64_t offset = 0;
    const uint32_t size = std::min(U32(&data[4]), kMaxVersionBlock);
    if (size < 6 || !RvaToOffset(sections, U32(&data[0]), offset) || !image.Read(offset, size, block))
        return false;
    // The block's own length, where it is shorter than the resource.
    const uint32_t length = U16(&block[0]);
    if (length < 6) return false;
    if (length < block.size()) block.resize(length);
    return true;
}

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

// One node of the block: length, value length, type, key, value, children.
struct NODE {
    size_t end = 0;
    size_t valueStart = 0;
    size_t valueSize = 0;
    size_t childrenStart = 0;
    std::u16string key;
};

bool ParseNode(const std::vector<uint8_t>& block, size_t start, size_t limit, NODE& node) {
    if (start + 6 > limit) return false;
    const size_t length = U16(&block[start]);
    if (length < 6 || start + length > limit) return false;
    node.end = start + length;
    const size_t valueLength = U16(&block[start + 2]);
    const bool text = U16(&block[start + 4]) == 1;
    node.key.clear();
    size_t at = start + 6;
    for (;; at += 2) {
        if (at + 2 > node.end) return false;
        const char16_t c = static_cast<char16_t>(U16(&block[at]));
        if (c == 0) break;
        node.key.push_back(c);
    }
    node.valueStart = std::min(Align4(at + 2), node.end);
    // Text values count 16-bit words; some writers count bytes, so the
    // value never reaches past the node.
    node.valueSize = std::min(text ? valueLength * 2 : valueLength, node.end - node.valueStart);
    node.childrenStart = std::min(Align4(node.valueStart + node.valueSize), node.end);
    return true;
}

bool KeyEquals(const std::u16string& key, std::string_view name) {
    if (key.size() != name.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        char16_t a = key[i];
        char b = name[i];
        if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a - u'A' + u'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != static_cast<unsigned char>(b)) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

uint32_t GetFileVersionInfoSize(const std::string& path) {
    std::vector<uint8_t> block;
    ImageFile image;
    return ReadVersionBlock(image, path, block) ? static_cast<uint32_t>(block.size()) : 0;
}

bool GetFileVersionInfo(const std::string& path, std::vector<uint8_t>& block, int* error) {
    block.clear();
    ImageFile image;
    const bool found = ReadVersionBlock(image, path, block);
    if (error != nullptr) *error = found ? 0 : image.Error();
    if (!found) block.clear();
    return found;
}

bool VerQueryValue(const std::vector<uint8_t>& block, std::string_view subBlock,
                   std::vector<uint8_t>& value) {
    NODE node;
    if (!ParseNode(block, 0, block.size(), node)) return false;
    while (!subBlock.empty()) {
        const size_t skip = subBlock.find_first_not_of('\\');
        if (skip == std::string_view::npos) break;
        subBlock.remove_prefix(skip);
        const size_t end = subBlock.find('\\');
        const std::string_view name = subBlock.substr(0, end);
        subBlock.remove_prefix(end == std::string_view::npos ? subBlock.size() : end);

        bool found = false;
        NODE child;
        for (size_t at = node.childrenStart; at + 6 <= node.end; at = Align4(child.end)) {
            if (!ParseNode(block, at, node.end, child)) return false;
            if (KeyEquals(child.key, name)) {
                found = true;
                break;
            }
        }
        if (!found) return false;
        node = child;
    }
    if (node.valueSize == 0) return false;
    value.assign(block.begin() + static_cast<std::ptrdiff_t>(node.valueStart),
                 block.begin() + static_cast<std::ptrdiff_t>(node.valueStart + node.valueSize));
    return true;
}

bool VerQueryString(const std::vector<uint8_t>& block, std::string_view subBlock, std::string& value) {
    std::vector<uint8_t> bytes;
    if (!VerQueryValue(block, subBlock, bytes)) return false;
    value.clear();
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = U16(&bytes[i]);
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = U16(&bytes[i + 2]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // a lone surrogate
        AppendUtf8(value, c);
    }
    return true;
}

}  // namespace corvatine::platform
