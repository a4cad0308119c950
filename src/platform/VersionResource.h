// The version resource of a Windows program file (an .exe, .dll or any other
// PE image): found through the image's resource directory and read as the
// raw version information block, which is then queried by value paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvatine::platform {

// The size of the file's version information block; 0 when the file is no
// PE image, has no version resource, or cannot be read.
uint32_t GetFileVersionInfoSize(const std::string& path);

// Reads the version information block. False when there is none; then
// error, when given, holds the errno value of a failure to look at, open or
// read the file (0 when it is simply no image or has no version resource;
// only regular files are read).
[[nodiscard]] bool GetFileVersionInfo(const std::string& path, std::vector<uint8_t>& block,
                                      int* error = nullptr);

// A value of a version information block by its path: "\" is the fixed
// file information, "\VarFileInfo\Translation" the list of language and
// code page pairs, "\StringFileInfo\040904B0\CompanyName" a string. Names
// compare without regard to case. False when the path names no value or the
// block is malformed there.
[[nodiscard]] bool VerQueryValue(const std::vector<uint8_t>& block, std::string_view subBlock,
                                 std::vector<uint8_t>& value);
// A string value converted from UTF-16 to UTF-8, up to its terminating zero.
[[nodiscard]] bool VerQueryString(const std::vector<uint8_t>& block, std::string_view subBlock,
                                  std::string& value);

}  // namespace corvatine::platform
