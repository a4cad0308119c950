#include "foldercompare/FileCompare.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "foldercompare/ArchiveEntries.h"
#include "platform/File.h"
#include "request/CompareMethods.h"
#include "textcompare/TextFileCompare.h"

namespace corvatine {

namespace {

// The binary or text method on a pair with a side inside an archive.
void CompareInArchive(CFolderItem& left, CFolderItem& right, uint32_t method,
                      const FILECOMPAREOPTIONS& options, PAIROUTCOME& outcome) {
    int errors[2] = {0, 0};
    outcome.content = CompareArchivePair(left, right, method, options, errors);
    if (errors[0] != 0) left.readError = static_cast<int16_t>(errors[0]);
    if (errors[1] != 0) right.readError = static_cast<int16_t>(errors[1]);
}

void CompareBinary(CFolderItem& left, CFolderItem& right, PAIROUTCOME& outcome) {
    if (left.ArchivePlace() != nullptr || right.ArchivePlace() != nullptr) {
        CompareInArchive(left, right, METHOD_BINARY, FILECOMPAREOPTIONS(), outcome);
        return;
    }
    int errors[2] = {0, 0};
    const bool scanned = ScannedRegularSize(left) >= 0 && ScannedRegularSize(right) >= 0;
    outcome.content = CompareFilesBinary(left.GetFullPath(), right.GetFullPath(), left.GetSize(),
                                         right.GetSize(), errors, scanned);
    if (errors[0] != 0) left.readError = errors[0];
    if (errors[1] != 0) right.readError = errors[1];
}

// Why a file that the text method could not load cannot be read: what
// opening and reading it says now.
int ProbeReadError(const std::string& path) {
    platform::InputFile file;
    if (!file.OpenRegular(path)) return file.LastError() == EINVAL ? kReadErrorNotRegular : file.LastError();
    char byte;
    return file.Read(&byte, 1) < 0 ? file.LastError() : 0;
}

void CompareText(CFolderItem& left, CFolderItem& right, const FILECOMPAREOPTIONS& options,
                 PAIROUTCOME& outcome) {
    if (left.ArchivePlace() != nullptr || right.ArchivePlace() != nullptr) {
        CompareInArchive(left, right, METHOD_TEXT, options, outcome);
        return;
    }
    if (left.GetContentType() != FILE_CONTENT_TEXT || right.GetContentType() != FILE_CONTENT_TEXT) {
        CompareBinary(left, right, outcome);
        return;
    }
    const int result =
        CompareTextFiles(left.GetFullPath(), right.GetFullPath(), options.textRules, options.lineFilter);
    if (result == TEXT_FILES_NOT_TEXT) {
        CompareBinary(left, right, outcome);
        return;
    }
    outcome.content = result;
    if (result != CONTENT_ERROR) return;
    // Both were read as text a moment ago: one has gone, or changed.
    bool told = false;
    for (CFolderItem* side : {&left, &right}) {
        if (const int error = ProbeReadError(side->GetFullPath()); error != 0) {
            side->readError = error;
            told = true;
        }
    }
    if (!told) left.readError = kReadErrorChanged;
}

void CompareCrc(CFolderItem& left, CFolderItem& right, PAIROUTCOME& outcome) {
    outcome.difference &= ~DIFFERENCE_CRC;
    const uint32_t a = left.GetCRC();
    const uint32_t b = right.GetCRC();
    if (HasReadError(left, right)) {
        outcome.content = CONTENT_ERROR;  // an unreadable file has no CRC to compare
    } else if (a == b) {
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
        if (left.GetFileVersionValue() != right.GetFileVersionValue())
            outcome.difference |= DIFFERENCE_VERSION;
    }
    if (methods & METHOD_CRC) CompareCrc(left, right, outcome);
    if (methods & METHOD_BINARY) CompareBinary(left, right, outcome);
    if (methods & METHOD_TEXT) CompareText(left, right, options, outcome);
    // Whatever a later method found, a file that one method could not read
    // leaves the pair not compared.
    if (HasReadError(left, right)) outcome.content = CONTENT_ERROR;
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
    if (HasReadError(left, right)) outcome.content = CONTENT_ERROR;
    return outcome.content;
}

int CompareFilesBinary(const std::string& left, const std::string& right, uint64_t leftSize,
                       uint64_t rightSize, int* readErrors, bool scanned) {
    if (leftSize != rightSize) return CONTENT_DIFFERENT;
    platform::InputFile files[2];
    int errors[2] = {0, 0};
    const std::string* paths[2] = {&left, &right};
    const int64_t scannedSize = scanned ? static_cast<int64_t>(leftSize) : -1;
    // A file read without a second look that did not give what the scan saw
    // may be something else now: that is the reason to tell, if it is so.
    bool checkRegular = false;
    const auto finish = [&](int result) {
        if (checkRegular)
            for (int side = 0; side < 2; ++side)
                if (files[side].IsOpen())
                    if (const int error = CheckStillRegular(files[side]); error != 0) {
                        errors[side] = error;
                        result = CONTENT_ERROR;
                    }
        if (readErrors != nullptr) {
            readErrors[0] = errors[0];
            readErrors[1] = errors[1];
        }
        return result;
    };
    // Both are opened, so that each one that cannot be read is told.
    for (int side = 0; side < 2; ++side) errors[side] = OpenContent(files[side], *paths[side], scannedSize);
    if (errors[0] != 0 || errors[1] != 0) return finish(CONTENT_ERROR);
    // No larger than the files need: a folder comparison reads many small files.
    const size_t size =
        static_cast<size_t>(std::clamp<uint64_t>(leftSize + 1, 4096, kBinaryCompareBlockSize));
    const std::unique_ptr<unsigned char[]> blocks[2] = {
        std::unique_ptr<unsigned char[]>(new unsigned char[size]),
        std::unique_ptr<unsigned char[]>(new unsigned char[size])};
    uint64_t done = 0;
    for (;;) {
        const int64_t a = files[0].Read(blocks[0].get(), size);
        const int64_t b = files[1].Read(blocks[1].get(), size);
        checkRegular = scanned && (a < 0 || b < 0 || a != b);
        if (a < 0) errors[0] = files[0].LastError();
        if (b < 0) errors[1] = files[1].LastError();
        if (a < 0 || b < 0) return finish(CONTENT_ERROR);
        if (a != b) {
            errors[a < b ? 0 : 1] = kReadErrorChanged;  // the one that ended first
            return finish(CONTENT_ERROR);
        }
        done += static_cast<uint64_t>(a);
        if (std::memcmp(blocks[0].get(), blocks[1].get(), static_cast<size_t>(a)) != 0) {
            checkRegular = scanned && done > leftSize;
            return finish(CONTENT_DIFFERENT);
        }
        if (static_cast<size_t>(a) < size) {
            checkRegular = scanned && done != leftSize;
            return finish(CONTENT_EQUAL);
        }
        // More than the scan saw: files that grew are read on, anything else
        // might never end.
        if (scanned && done > leftSize) {
            checkRegular = true;
            for (int side = 0; side < 2; ++side) {
                errors[side] = CheckStillRegular(files[side]);
                if (errors[side] != 0) return finish(CONTENT_ERROR);
            }
            scanned = false;
            checkRegular = false;
        }
    }
}

bool HasReadError(const CFileInfo& left, const CFileInfo& right) {
    return left.readError != 0 || right.readError != 0;
}

}  // namespace corvatine
