#include "fileio/ContentType.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "fileio/Bom.h"
#include "platform/File.h"

namespace corvatine {

namespace {

// How much of a regular file is read at once (kept below the size from
// which the heap maps memory of its own).
constexpr size_t kRegularFileRead = 64 * 1024;

int DetermineType(const std::string& path, size_t blockSize, int* encodingKind, int& error) {
    const platform::FileType type = platform::GetFileType(path, &error);
    if (type != platform::FileType::Regular && type != platform::FileType::CharacterDevice)
        return CONTENT_TYPE_UNKNOWN;

    platform::InputFile file;
    if (!file.Open(path, type == platform::FileType::CharacterDevice)) {
        error = file.LastError();
        return CONTENT_TYPE_UNKNOWN;
    }

    if (blockSize < 3) blockSize = 3;
    // A regular file gives whole blocks up to its end, so reading many
    // blocks at once finds the same zero bytes and the same end with fewer
    // calls (a whole file is read to find it text). A device keeps the block.
    if (type == platform::FileType::Regular) blockSize *= std::max<size_t>(1, kRegularFileRead / blockSize);
    // Not cleared: only what a read fills is looked at.
    const std::unique_ptr<unsigned char[]> block = std::make_unique_for_overwrite<unsigned char[]>(blockSize);
    bool first = true;
    for (;;) {
        const int64_t n = file.Read(block.get(), blockSize);
        if (n < 0) {
            error = file.LastError();
            return CONTENT_TYPE_UNKNOWN;
        }
        const size_t got = static_cast<size_t>(n);
        if (first) {
            BomInfo bom;
            if (DetectBom(block.get(), got, bom) && bom.kind != ENCODING_CODEPAGE) {
                if (encodingKind != nullptr) *encodingKind = bom.kind;
                return CONTENT_TYPE_TEXT;
            }
            first = false;
        }
        if (std::memchr(block.get(), 0, got) != nullptr) return CONTENT_TYPE_BINARY;
        if (got < blockSize) return CONTENT_TYPE_TEXT;
    }
}

}  // namespace

int DetermineContentType(const std::string& path, size_t blockSize, int* encodingKind, int* error) {
    if (encodingKind != nullptr) *encodingKind = ENCODING_CODEPAGE;
    int failure = 0;
    const int type = DetermineType(path, blockSize, encodingKind, failure);
    if (error != nullptr) *error = failure;
    return type;
}

}  // namespace corvatine
