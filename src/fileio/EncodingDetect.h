// Which encoding a text file is read in: its byte-order mark; else, unless a
// code page was asked for, UTF-8 when its bytes are valid UTF-8 (as far as
// kUtf8CheckBytes from the first byte above 0x7F show); else the code page a
// charset detector (uchardet) names with confidence; else the working code
// page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "fileio/Bom.h"

namespace corvatine {

// A code page that asks for detection: the file's bytes decide.
constexpr int CP_DETECT = -1;

// How the encoding of a file was decided.
enum EncodingSource : int {
    ENCODING_FROM_BOM = 0,       // the byte-order mark
    ENCODING_FROM_REQUEST = 1,   // the code page asked for (no mark)
    ENCODING_FROM_BYTES = 2,     // no mark; plain ASCII, or valid UTF-8 (code page 65001)
    ENCODING_FROM_DETECTOR = 3,  // no mark, not UTF-8: the charset detector's verdict
    ENCODING_FROM_FALLBACK = 4,  // no mark, not UTF-8, no usable verdict: the working code page
};

struct DETECTEDENCODING {
    int kind = ENCODING_CODEPAGE;  // EncodingKind
    int codePage = 0;              // the code page of kind 0; for kinds 1 to 3 the one passed on
    int source = ENCODING_FROM_REQUEST;
    // The detector's name of what it found ("ISO-8859-1", "SHIFT_JIS"),
    // when it was asked and named something; empty otherwise. With
    // ENCODING_FROM_FALLBACK it names what could not be used.
    std::string charset;
};

// The bytes are valid UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut short by the end.
bool IsValidUtf8(const unsigned char* data, size_t size);

// The code page of a charset name as the detector spells it ("ISO-8859-1"
// 28591, "WINDOWS-1252" 1252, "SHIFT_JIS" 932 ...); 0 for a name without a
// code page this system converts. Names compare without regard to case.
int CodePageOfCharset(std::string_view charset);

// How many bytes from the first byte above 0x7F must be valid UTF-8 for a
// file to be read as UTF-8. Checking all of a large file would cost more
// than reading it; a file in a legacy encoding shows it long before.
constexpr size_t kUtf8CheckBytes = size_t{1} << 20;

// The bytes to guess from: from the line of the first byte above 0x7F, at
// most this many, ended at a line feed (or a byte below 0x30, which no
// multi-byte character continues with) unless they reach the end.
constexpr size_t kDetectSampleBytes = size_t{1} << 18;

// What the charset detector makes of the bytes: its verdict mapped to a code
// page that decodes the sample without loss, or 0 when it is unsure, names an
// encoding without such a code page, or the code page does not fit the bytes.
// charset gets the detector's name (empty when it named nothing).
int GuessCodePage(const unsigned char* data, size_t size, std::string& charset);

// The encoding of a file's bytes (data is the whole file, mark included).
// With codePage CP_DETECT a file without a mark is read as described at the
// top of this file; with any other code page it is read in that one. The
// first knownAscii bytes are known to hold no byte above 0x7F (a caller
// that has looked already).
DETECTEDENCODING DetectEncoding(const unsigned char* data, size_t size, int codePage, size_t knownAscii = 0);

}  // namespace corvatine
