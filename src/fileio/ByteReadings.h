// What the reader and the writer of text files share to convert between a
// file's code page and the working one: the character set to hand iconv, and
// for a single-byte code page what each byte reads as.
#pragma once

#include <array>
#include <string>

#include "fileio/Conversion.h"

namespace corvatine {

// The iconv character set of a code page, or "" when it has none.
const char* CharsetName(int codePage);

// Whether the code page has one byte per character and no shift states, so
// that a text converts to it, and from it, byte by byte.
bool ConvertsBytewise(int codePage);

// What each byte of a single-byte code page reads as in the working code
// page, worked out once: whether a line comes back as the same bytes, or a
// text as the same characters, is then known byte by byte, without
// converting it all back.
struct ByteReadings {
    std::array<std::string, 256> text;  // empty: the byte reads with loss
    std::array<bool, 256> exact{};      // the byte's text writes back as the byte
    std::array<bool, 256> plain{};      // read without loss, and not as a line break
    std::array<bool, 256> same{};       // read as itself
};

// Reads every byte with read (file to working) and writes its text back with
// write (working to file).
ByteReadings ReadEachByte(CCharsetConverter& read, CCharsetConverter& write);

}  // namespace corvatine
