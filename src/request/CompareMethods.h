// The method word of a folder comparison: which tests decide whether a pair
// of entries differs.
#pragma once

#include <cstdint>

namespace corvatine {

enum CompareMethod : uint32_t {
    METHOD_TYPE = 0x1,
    METHOD_TIME = 0x10,
    METHOD_SIZE = 0x100,
    METHOD_ATTRIBUTES = 0x1000,
    METHOD_VERSION = 0x10000,
    METHOD_CRC = 0x100000,
    METHOD_BINARY = 0x200000,
    METHOD_TEXT = 0x400000,
};

constexpr uint32_t kAllCompareMethods = METHOD_TYPE | METHOD_TIME | METHOD_SIZE | METHOD_ATTRIBUTES |
                                        METHOD_VERSION | METHOD_CRC | METHOD_BINARY | METHOD_TEXT;

// The methods of the folder comparison settings before anything is stored.
constexpr uint32_t kDefaultCompareMethods = METHOD_TIME | METHOD_SIZE;

// Bit 0x2 of a folder request's option word.
constexpr uint32_t FOLDER_OPTION_AUTO_SCAN = 0x2;
// Archive files inside the compared folders are read as folders.
constexpr uint32_t FOLDER_OPTION_OPEN_ARCHIVES = 0x100;

}  // namespace corvatine
