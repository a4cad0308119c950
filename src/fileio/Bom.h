// Byte-order mark recognition, shared by the text file classes and the
// file-kind test.
#pragma once

#include <cstddef>

namespace corvatine {

// How a text file's characters are stored. Kinds 1 to 3 are recognised only by
// their byte-order mark and always written with it; kind 0 never has one.
enum EncodingKind : int {
    ENCODING_CODEPAGE = 0,  // 8-bit code page (UTF-8 without BOM is code page 65001)
    ENCODING_UCS2_LE = 1,
    ENCODING_UCS2_BE = 2,
    ENCODING_UTF8 = 3,
};

struct BomInfo {
    int kind = ENCODING_CODEPAGE;
    int charSize = 1;    // bytes per code unit
    int dataOffset = 0;  // where the text starts, after the mark
};

// Looks at the first bytes of a file. FF FE gives UCS-2 little-endian and FE FF
// big-endian (two bytes needed); otherwise EF BB BF gives UTF-8 (three needed).
// Returns true when a mark was found; info describes the result either way.
bool DetectBom(const unsigned char* data, size_t size, BomInfo& info);

}  // namespace corvatine
