// File attribute bits as the comparison rules, filters and stored files know
// them. How they map onto Linux file modes is decided where entries are read.
#pragma once

#include <cstdint>

namespace corvatine {

enum FileAttribute : uint32_t {
    FILE_ATTRIBUTE_READONLY = 0x1,  // the owner lacks write permission
    FILE_ATTRIBUTE_HIDDEN = 0x2,    // the name starts with "."
    FILE_ATTRIBUTE_SYSTEM = 0x4,    // device, fifo or socket
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_ARCHIVE = 0x20,         // never reported on Linux
    FILE_ATTRIBUTE_REPARSE_POINT = 0x400,  // symbolic link
};

}  // namespace corvatine
