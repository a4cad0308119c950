#include "foldercompare/FileCompare.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/File.h"
#include "request/CompareMethods.h"
#include "textcompare/TextFileCompare.h"

namespace corvatine {

namespace {

void CompareBinary(CFolderItem& left, CFolderItem& right, PAIROUTCOME& outcome) {
    outcome.content =
        CompareFilesBinary(left.GetFullPath(), right.GetFullPath(), left.GetSize(), right.GetSize());
}

void CompareText(CFolderItem& left, CFolderItem& right, const FILECOMPAREOPTIONS& options,
                 PAIROUTCOME& outcome) {
    if (left.GetContentType() != FILE_CONTENT_TEXT || right.GetContentType() != FILE_CONTENT_TEXT) {
        CompareBinary(left, right, outcome);
        return;
    }
    const int result =
        CompareTextFiles(left.GetFullPath(), right.GetFullPath(), options.textRules, options.lineFilter);
    if (result == TEXT_FILES_NOT_TEXT)
        CompareBinary(left, right, outcome);
    else
        outcome.content = result;
}

void CompareCrc(CFolderItem& left, CFolderItem& right, PAIROUTCOME& outcome) {
    outcome.difference &= ~DIFFERENCE_CRC;
    if (left.GetCRC() == right.GetCRC()) {
        outcome.content = CONTENT_EQUAL;
    } else {
        outcome.content = CONTENT_DIFFERENT;
        outcome.difference |= DIFFERENCE_CRC;
    }
}

}  // namespace

int CompareLastWriteTimes(const CFileInfo& left, const CFileInfo& right, int tolerance) {
    if (tolerance > 0) {
        const int64_t a = left.GetLastWriteTime();
        const int64_t b = right.GetLastWriteTime();
        if (a == b) return 0;
        const int64_t distance = a > b ? a - b : b - a;
        if (distance <= tolerance) return 0;
        return a > b ? 1 : -1;
    }
    const FILETIME a = left.GetLastWriteFileTime();
    const FILETIME b = right.GetLastWriteFileTime();
    return a == b ? 0 : a > b ? 1 : -1;
}

uint32_t ComparePair(CFolderItem& left, CFolderItem& right, uint32_t methods,
                     const FILECOMPAREOPTIONS& options, PAIROUTCOME& outcome) {
    outcome = PAIROUTCOME();
    const bool folders = left.IsFolder() || right.IsFolder();
    const bool folderProperties = !(folders && options.ignoreFolderDifferences);
    const int tolerance = options.smallTimeToIgnore < 0 ? 2 : options.smallTimeToIgnore;

    if ((methods & METHOD_TIME) && folderProperties && CompareLastWriteTimes(left, right, tolerance) != 0)
        outcome.difference |= DIFFERENCE_TIME;
    if ((methods & METHOD_ATTRIBUTES) && folderProperties && left.attributes != right.attributes)
        outcome.difference |= DIFFERENCE_ATTRIBUTES;
    if (folders) return outcome.difference;

    if ((methods & METHOD_TYPE) && left.GetContentType() != right.GetContentType())
        outcome.difference |= DIFFERENCE_TYPE;
    if ((methods & METHOD_SIZE) && left.GetSize() != right.GetSize()) outcome.difference |= DIFFERENCE_SIZE;
    if (methods & METHOD_VERSION) {
        left.ReadVersion();
        right.ReadVersion();
        if (left.fileVersionMS != right.fileVersionMS || left.fileVersionLS != right.fileVersionLS)
            outcome.difference |= DIFFERENCE_VERSION;
    }
    if (methods & METHOD_CRC) CompareCrc(left, right, outcome);
    if (methods & METHOD_BINARY) CompareBinary(left, right, outcome);
    if (methods & METHOD_TEXT) CompareText(left, right, options, outcome);
    return outcome.difference;
}

int CompareContents(CFolderItem& left, CFolderItem& right, uint32_t method, const FILECOMPAREOPTIONS& options,
                    PAIROUTCOME& outcome) {
    switch (method) {
        case METHOD_CRC: CompareCrc(left, right, outcome); break;
        case METHOD_BINARY: CompareBinary(left, right, outcome); break;
        case METHOD_TEXT: CompareText(left, right, options, outcome); break;
        default: return -1;
    }
    return outcome.content;
}

int CompareFilesBinary(const std::string& left, const std::string& right, uint64_t leftSize,
                       uint64_t rightSize) {
    if (leftSize != rightSize) return CONTENT_DIFFERENT;
    platform::InputFile files[2];
    if (!files[0].OpenRegular(left) || !files[1].OpenRegular(right)) return CONTENT_ERROR;
    // No larger than the files need: a folder comparison reads many small files.
    const size_t size =
        static_cast<size_t>(std::clamp<uint64_t>(leftSize + 1, 4096, kBinaryCompareBlockSize));
    const std::unique_ptr<unsigned char[]> blocks[2] = {
        std::unique_ptr<unsigned char[]>(new unsigned char[size]),
        std::unique_ptr<unsigned char[]>(new unsigned char[size])};
    for (;;) {
        const int64_t a = files[0].Read(blocks[0].get(), size);
        const int64_t b = files[1].Read(blocks[1].get(), size);
        if (a < 0 || b < 0 || a != b) return CONTENT_ERROR;
        if (std::memcmp(blocks[0].get(), blocks[1].get(), static_cast<size_t>(a)) != 0)
            return CONTENT_DIFFERENT;
        if (static_cast<size_t>(a) < size) return CONTENT_EQUAL;
    }
}

}  // namespace corvatine
