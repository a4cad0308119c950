// The file-kind test: whether a file holds text or binary data.
#pragma once

#include <cstddef>
#include <string>

namespace corvatine {

enum ContentType : int {
    CONTENT_TYPE_UNKNOWN = -1,  // missing, not a file, or unreadable
    CONTENT_TYPE_TEXT = 1,
    CONTENT_TYPE_BINARY = 2,
};

constexpr size_t kContentTypeBlockSize = 4096;

// A file is text when it starts with a Unicode byte-order mark, or when no
// zero byte occurs in it (read in blocks of kContentTypeBlockSize, many at
// once from a regular file). A missing
// path, a folder or an unreadable file is CONTENT_TYPE_UNKNOWN. Fifos, sockets
// and block devices are not read (that would consume a pipe's data or wait for
// a writer) and are CONTENT_TYPE_UNKNOWN; character devices are read without
// waiting, so /dev/null is an empty text.
// With encodingKind, the kind of the byte-order mark found is stored there
// (ENCODING_CODEPAGE without one). With error, the errno value of a failure
// to look at, open or read the file is stored there (ENOENT for a missing
// path), and 0 when the type is known, or unknown only because the entry is
// a folder, fifo, socket or block device that is not read.
int DetermineContentType(const std::string& path, size_t blockSize = kContentTypeBlockSize,
                         int* encodingKind = nullptr, int* error = nullptr);

inline bool IsTextFile(const std::string& path) { return DetermineContentType(path) == CONTENT_TYPE_TEXT; }

}  // namespace corvatine
