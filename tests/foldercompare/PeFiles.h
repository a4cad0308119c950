// Windows program files for the version tests: built with the mingw-w64
// resource compiler and linker from a resource script, or put together byte
// by byte (a 32-bit image around a version block the test writes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace corvatine::test {

// True when x86_64-w64-mingw32-windres and -ld are on the path.
bool HaveMingwTools();

// Compiles a resource script into a 64-bit image named name in dir; empty
// when the tools fail.
std::string BuildPeImage(const TempDir& dir, const std::string& name, const std::string& resourceScript);

// One node of a version block: key, value (text as UTF-16 with its zero, or
// bytes) and children, laid out with the 32-bit alignment of the format.
struct VersionNode {
    std::string key;
    bool text = false;
    std::string textValue;
    std::vector<uint8_t> binaryValue;
    std::vector<VersionNode> children;
};
std::vector<uint8_t> EncodeVersionNode(const VersionNode& node);

// A 32-bit (PE32) image holding the block as its only resource, of type
// version, in a section ".rsrc".
std::vector<uint8_t> BuildPe32Image(const std::vector<uint8_t>& versionBlock);

// VS_FIXEDFILEINFO bytes with the given file version words.
std::vector<uint8_t> FixedFileInfo(uint32_t versionMS, uint32_t versionLS);

}  // namespace corvatine::test
