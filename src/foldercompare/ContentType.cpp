#include "foldercompare/ContentType.h"

#include <cstring>
#include <vector>

#include "fileio/Bom.h"
#include "platform/File.h"

namespace corvatine {

namespace {

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
    std::vector<unsigned char> block(blockSize);
    bool first = true;
    for (;;) {
        const int64_t n = file.Read(block.data(), block.size());
        if (n < 0) {
            error = file.LastError();
            return CONTENT_TYPE_UNKNOWN;
        }
        const size_t got = static_cast<size_t>(n);
        if (first) {
            BomInfo bom;
            if (DetectBom(block.data(), got, bom) && bom.kind != ENCODING_CODEPAGE) {
                if (encodingKind != nullptr) *encodingKind = bom.kind;
                return CONTENT_TYPE_TEXT;
            }
            first = false;
        }
        if (std::memchr(block.data(), 0, got) != nullptr) return CONTENT_TYPE_BINARY;
        if (got < block.size()) return CONTENT_TYPE_TEXT;
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
